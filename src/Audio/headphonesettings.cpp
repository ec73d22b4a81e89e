#include "headphonesettings.h"
#include "ui_headphonesettings.h"

#include "bluetooth.h"
#include "mainmenu.h"
#include "systemsettings.h"

#include <QDebug>

Headphonesettings::Headphonesettings(QWidget *parent)
    : KeyDialog(parent), ui(new Ui::Headphonesettings)
{
    ui->setupUi(this);
    if (MainMenu *w = MainMenu::getInstanceMainMenu())
        m_btSource = w->getBtSourceInstance();
    if (m_btSource) {
        // Registers with the headphone for reports of volume changes (AVRCP
        // RegisterNotification, event "volume changed").
        m_btSource->sendData(QStringLiteral("AVRCP PDU 31 D"));
    }
    showLinkStep();
    if (m_btSource)
        connect(m_btSource, &Bluetooth::btHeadphoneVolumeChanged, this, &Headphonesettings::headphoneVolumeChanged);
    updateColors();
}

Headphonesettings::~Headphonesettings()
{
    delete ui;
}

void Headphonesettings::showLinkStep()
{
    if (m_btSource)
        m_headphoneVolStep = m_btSource->getBtExtHeadphoneGain();
    ui->labelVolume->setText(QString::number(m_headphoneVolStep));
    ui->progBarVol->setValue(m_headphoneVolStep);
}

void Headphonesettings::on_butVolUp_clicked()
{
    // The link keeps the step within 0..15; at a limit the command still
    // goes to the headphone.
    if (m_btSource)
        m_btSource->setBtExtHeadphoneVolUp();
    showLinkStep();
    updateColors();
}

void Headphonesettings::on_butVolDown_clicked()
{
    if (m_btSource)
        m_btSource->setBtExtHeadphoneVolDown();
    showLinkStep();
    updateColors();
}

void Headphonesettings::headphoneVolumeChanged(int a_volPercent)
{
    if (m_btSource)
        m_headphoneVolStep = m_btSource->getBtExtHeadphoneGain();
    qDebug() << "Headphone volume changed" << a_volPercent << m_headphoneVolStep;
    showLinkStep();
    updateColors();
}

void Headphonesettings::on_butClose_clicked()
{
    accept();
}

void Headphonesettings::updateColors()
{
    bool protection = true;
    if (MainMenu *w = MainMenu::getInstanceMainMenu())
        if (Systemsettings *settings = w->getInstanceSystemsettings())
            protection = settings->isHearingProtectionEnabled();
    if (m_headphoneVolStep > warningThreshold(protection)) {
        ui->labelWarning->setText(
            tr("WarningHighVolumesCanLeadToHearingDamage", "Warning! High volumes can lead\nto hearing damage."));
        ui->labelWarning->show();
        ui->progBarVol->setStyleSheet(QStringLiteral("QProgressBar::chunk {background-color: red;}"));
    } else {
        ui->labelWarning->hide();
        ui->progBarVol->setStyleSheet(QStringLiteral("QProgressBar::chunk {background-color: yellow;}"));
    }
}
