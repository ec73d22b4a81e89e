#ifndef SELECTSWITCHMODE_H
#define SELECTSWITCHMODE_H

#include "keydialog.h"

#include <QString>

namespace Ui {
class SelectSwitchmode;
}

// The settings dialog that chooses how the mute key works: "Switch" (a press
// toggles) or "Push-Button" (listening while held). Two text buttons beside a
// two-position slide switch. The caller calls init() with the stored mode,
// runs exec() and, on 1, stores getSwitchmode(); the dialog stores and
// applies nothing itself.
class SelectSwitchmode : public KeyDialog
{
    Q_OBJECT
public:
    explicit SelectSwitchmode(QWidget *parent = nullptr);
    ~SelectSwitchmode() override;

    // Takes the mode unchanged (any text; only "Switch" puts the switch at
    // the top) and shows it.
    void init(QString mode);
    QString getSwitchmode() const { return m_switchmode; }

private slots:
    void on_butSwitch_clicked();
    void on_butPushButton_clicked();
    void on_butSwitchSelect_clicked();
    void on_butAccept_clicked();
    void on_butClose_clicked();

private:
    void updateSwitchImage();

    Ui::SelectSwitchmode *ui;
    QString m_switchmode;
};

#endif // SELECTSWITCHMODE_H
