#ifndef POWERSAVING_H
#define POWERSAVING_H

#include "keydialog.h"

#include <QString>

namespace Ui {
class PowerSaving;
}

// The settings dialog that chooses the power-off time and the backlight-off
// time, each from six values on a column of buttons beside a six-position
// slide switch. Times are in seconds; 0 and -1 mean never. The caller runs
// init() with the stored times and exec() and, on 1, takes both getters.
//
//   position      1       2       3      4       5       6
//   power-off     600     1800    3600   7200    10800   0 (never)
//   backlight     30      60      300    600     1800    0 (never)
//
// A time outside its table counts as the default (power-off 3600, backlight
// 600) wherever the dialog looks at it.
class PowerSaving : public KeyDialog
{
    Q_OBJECT
public:
    explicit PowerSaving(QWidget *parent = nullptr);
    ~PowerSaving() override;

    void init(int powerOffTime, int backlightOffTime);
    // The time (after the default replacement); its text goes to *text.
    int getPowerOffTime(QString *text);
    int getBacklightOffTime(QString *text);

private slots:
    void on_butAccept_clicked();
    void on_butClose_clicked();
    void on_butPow_1_clicked();
    void on_butPow_2_clicked();
    void on_butPow_3_clicked();
    void on_butPow_4_clicked();
    void on_butPow_5_clicked();
    void on_butPow_6_clicked();
    void on_butBl_1_clicked();
    void on_butBl_2_clicked();
    void on_butBl_3_clicked();
    void on_butBl_4_clicked();
    void on_butBl_5_clicked();
    void on_butBl_6_clicked();
    void on_butSwitchBacklight_clicked();
    void on_butSwitchPower_clicked();
    void updateStylesheetPower();
    void updateStylesheetBacklight();

private:
    void setPowerOff(int position);
    void setBacklightOff(int position);

    Ui::PowerSaving *ui;
    int m_powerOffTime = 0;
    int m_backlightOffTime = 0;
};

#endif // POWERSAVING_H
