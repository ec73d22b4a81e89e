#ifndef HEADPHONESETTINGS_H
#define HEADPHONESETTINGS_H

#include "keydialog.h"

class Bluetooth;

namespace Ui {
class Headphonesettings;
}

// The wireless headphone's volume in steps 0..15. The step lives in the
// headphone link: the dialog sends the link's up and down commands, shows the
// step the link reports (also when the headphone itself reports a change) and
// colours the bar red with a warning above 13 with hearing protection, above
// 8 without. It changes neither the codec nor the settings.
class Headphonesettings : public KeyDialog
{
    Q_OBJECT
public:
    explicit Headphonesettings(QWidget *parent = nullptr);
    ~Headphonesettings() override;

    int getVolume() const { return m_headphoneVolStep; }
    // The highest step shown without warning.
    static int warningThreshold(bool hearingProtection) { return hearingProtection ? 13 : 8; }

public slots:
    void headphoneVolumeChanged(int a_volPercent);
    void updateColors();

private slots:
    void on_butVolUp_clicked();
    void on_butVolDown_clicked();
    void on_butClose_clicked();

private:
    // Takes the link's step and shows it.
    void showLinkStep();

    Ui::Headphonesettings *ui;
    Bluetooth *m_btSource = nullptr;
    int m_headphoneVolStep = 0;
};

#endif // HEADPHONESETTINGS_H
