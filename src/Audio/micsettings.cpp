#include "micsettings.h"
#include "ui_micsettings.h"

#include "bluetooth.h"
#include "mainmenu.h"
#include "statusbardata.h"

#include <QPushButton>

Micsettings::Micsettings(QWidget *parent)
    : KeyDialog(parent), ui(new Ui::Micsettings)
{
    ui->setupUi(this);
    m_mainMenu = MainMenu::getInstanceMainMenu();
    if (m_mainMenu) {
        m_btSink = m_mainMenu->getBtSinkInstance();
        m_micGainStep = m_mainMenu->getMicGainStep();
        m_micPgaGain_dB = m_mainMenu->getMicPgaGain();
    }
    readGroundGain();
    showGain();

    QPushButton *const steps[6] = {ui->butGain1, ui->butGain2, ui->butGain3,
                                   ui->butGain4, ui->butGain5, ui->butGain6};
    if (m_micGainStep >= 1 && m_micGainStep <= 6)
        steps[m_micGainStep - 1]->setFocus();
    else
        ui->butClose->setFocus();
}

Micsettings::~Micsettings()
{
    delete ui;
}

QString Micsettings::gainText(int step, bool wired, float pgaGain_dB, int groundGain_dB)
{
    const QString gain = wired ? QString::number(double(pgaGain_dB), 'g', 6) : QString::number(groundGain_dB);
    return QString::number(step) + QStringLiteral("(%1 dB)").arg(gain);
}

bool Micsettings::wiredSensor() const
{
    return StatusbarData()->sensorType() == Statusbardata::kWiredSensor;
}

void Micsettings::readGroundGain()
{
    // The gain code last handed to the sensor unit in its microphone line;
    // code n is 3n - 27 dB.
    if (m_btSink)
        m_groundMicGain = m_btSink->getBtExtMicGain();
    m_groundMicGain_dB = 3 * m_groundMicGain - 27;
}

void Micsettings::showGain()
{
    ui->labelMicGain->setText(gainText(m_micGainStep, wiredSensor(), m_micPgaGain_dB, m_groundMicGain_dB));
}

void Micsettings::chooseStep(int step)
{
    m_micGainStep = step;
    if (m_mainMenu) {
        m_mainMenu->setMicGainStep(step); // in effect at once
        m_micPgaGain_dB = m_mainMenu->getMicPgaGain();
    }
    if (!wiredSensor())
        readGroundGain();
    showGain();
}

void Micsettings::on_butClose_clicked()
{
    if (m_mainMenu)
        m_mainMenu->setCurrentMicGainStep(m_micGainStep);
    accept();
}
