#include "management.h"
#include "ui_management.h"

#include "backupdialog.h"
#include "configuration.h"
#include "firmwareupdate.h"

Management::Management(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::Management)
{
    ui->setupUi(this);
}

Management::~Management()
{
    delete ui;
}

void Management::init()
{
    ui->butMeasurements->setText(tr("Measurements"));
    ui->butDeviceConfig->setText(tr("GX-4"));
    ui->butFirmwareupdate->setText(tr("Update"));
    ui->butGps->setText(tr("GPS"));
    ui->butSystemsettings->setText(tr("Settings"));
    ui->widgetStatus->init(ui->widgetStatus->width(), ui->widgetStatus->height());
}

void Management::on_butMeasurements_clicked()
{
    emit gotoWidget(7, 1, 0);
}

void Management::on_butSystemsettings_clicked()
{
    emit gotoWidget(5, 1, 0);
}

void Management::on_butGps_clicked()
{
    // The monitor is not recorded on the back stack.
    emit gotoWidget(10, -1, 0);
}

void Management::on_butDeviceConfig_clicked()
{
    m_configuration = new Configuration(this);
    m_configuration->exec();
    delete m_configuration;
    m_configuration = nullptr;
    emit gotoWidget(0, -1, 0);
}

void Management::on_butFirmwareupdate_clicked()
{
    m_firmwareupdate = new Firmwareupdate(this);
    m_firmwareupdate->exec();
    delete m_firmwareupdate;
    m_firmwareupdate = nullptr;
}

void Management::on_butDatatransmission_clicked()
{
    m_backupDialog = new BackupDialog(this);
    m_backupDialog->exec();
    delete m_backupDialog;
    m_backupDialog = nullptr;
}
