#ifndef BACKUPDIALOG_H
#define BACKUPDIALOG_H

#include "keydialog.h"

namespace Ui {
class BackupDialog;
}

// Lends the data partition to a PC over USB (Connect) and takes it back
// (Disconnect), then applies the provisioning files the PC left in the
// partition's top folder. Constructing it puts the service connector in USB
// mode (GPIO 50 and 65 "0"), also when it is never shown. The buttons are
// the only state: Connect shown means not lent.
class BackupDialog : public KeyDialog
{
    Q_OBJECT
public:
    explicit BackupDialog(QWidget *parent = nullptr);
    ~BackupDialog() override;

    // Applies the provisioning files of the mounted data partition, in this
    // order: "do_serialNumber", "do_productionDate", "do_settings.ini" (each
    // replaces its file in /home/root) and "do_universalScript.sh" (run in
    // place). Each file applied is deleted; one that could not be applied
    // stays for the next attempt. Needs nothing of the dialog.
    void checkForSpecialFiles();

private slots:
    void on_butConnect_clicked();
    void on_butDisconnect_clicked();
    void on_butMenuCancel_clicked();

protected:
    // The power key's Escape release leaves as the menu button does.
    void escapeReleased() override;

private:
    void showLent(bool lent);
    bool isLent() const;

    Ui::BackupDialog *ui;
};

#endif // BACKUPDIALOG_H
