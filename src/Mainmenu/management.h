#ifndef MANAGEMENT_H
#define MANAGEMENT_H

#include <QWidget>

namespace Ui {
class Management;
}

class BackupDialog;
class Configuration;
class Firmwareupdate;

// The management menu, screen 4: six picture buttons leading to the stored
// measurements, the data transfer to a PC, the sensor unit's information,
// the firmware update, the GPS monitor and the settings. The three screens
// are reached through gotoWidget; the three dialogs are created for the
// occasion and deleted when they close.
class Management : public QWidget
{
    Q_OBJECT
public:
    explicit Management(QWidget *parent = nullptr);
    ~Management() override;

    // Sets the translated button texts again (after a language change) and
    // starts the status bar.
    void init();

signals:
    void gotoWidget(int widget, int dir, int variant);

private slots:
    void on_butMeasurements_clicked();
    void on_butSystemsettings_clicked();
    void on_butGps_clicked();
    void on_butDeviceConfig_clicked();
    void on_butFirmwareupdate_clicked();
    void on_butDatatransmission_clicked();

private:
    Ui::Management *ui;
    Configuration *m_configuration = nullptr;
    Firmwareupdate *m_firmwareupdate = nullptr;
    BackupDialog *m_backupDialog = nullptr;
};

#endif // MANAGEMENT_H
