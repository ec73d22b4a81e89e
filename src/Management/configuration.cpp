#include "configuration.h"
#include "ui_configuration.h"

#include "bluetooth.h"
#include "mainmenu.h"
#include "statusbardata.h"
#include "systemsettings.h"

#include <QDebug>
#include <QRegularExpression>
#include <QTimer>

namespace {

// The value of one reply key: the third capture of "BT_RX <key> <value>",
// trimmed; empty when the key is not in the text.
QString replyValue(const QString &text, const char *key, const char *valueChars)
{
    const QRegularExpression re(QStringLiteral("(BT_RX)\\s+(%1)\\s+([%2]+)")
                                    .arg(QLatin1String(key), QLatin1String(valueChars)));
    const QRegularExpressionMatch m = re.match(text);
    return m.hasMatch() ? m.captured(3).trimmed() : QString();
}

} // namespace

Configuration::Configuration(QWidget *parent)
    : KeyDialog(parent)
    , ui(new Ui::Configuration)
{
    ui->setupUi(this);
    if (MainMenu *w = MainMenu::getInstanceMainMenu()) {
        m_btSource = w->getBtSourceInstance();
        m_btSink = w->getBtSinkInstance();
    }
    if (m_btSink)
        connect(m_btSink, &Bluetooth::terminationStringDetected, this, &Configuration::readBtAnswer);
    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("replyTimer"));
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer); // a coarse timer may end up to 350 ms early
    connect(m_timer, &QTimer::timeout, this, &Configuration::readBtAnswer);
    init();
}

Configuration::~Configuration()
{
    delete ui;
}

QString Configuration::sensorTypeText(const QString &code)
{
    bool ok = false;
    const int type = code.toInt(&ok);
    if (ok && type == 0)
        return tr("noSensor");
    if (ok && type == 1)
        return QStringLiteral("K-5");
    if (ok && type == 2)
        return QStringLiteral("R-5");
    if (ok && type == 3)
        return QStringLiteral("H2");
    return tr("unknown");
}

QString Configuration::gainSuffix(const QString &code)
{
    bool ok = false;
    const int gain = code.toInt(&ok, 16);
    if (!ok)
        return QStringLiteral("(?)");
    switch (gain) {
    case 0x0A:
        return QStringLiteral("(1 / 3dB)");
    case 0x0D:
        return QStringLiteral("(2 / 12dB)");
    case 0x0F:
        return QStringLiteral("(3 / 18dB)");
    case 0x11:
        return QStringLiteral("(4 / 24dB)");
    case 0x13:
        return QStringLiteral("(5 / 30dB)");
    case 0x15:
        return QStringLiteral("(6 / 36dB)");
    default:
        return QStringLiteral("(?)");
    }
}

Configuration::Answer Configuration::parseAnswer(const QString &text)
{
    Answer a;
    a.sensor = replyValue(text, "SENSOR", "0-9");
    a.gain = replyValue(text, "MIC-GAIN", "0-9a-fA-FxX");
    a.battery = replyValue(text, "BATT_VOLTAGE", "0-9");
    a.firmware = replyValue(text, "FW-VERSION", "0-9.");
    a.hardware = replyValue(text, "HW-VERSION", "0-9.");
    a.button = replyValue(text, "BUTTON", "a-zA-Z0-9");
    a.mute = replyValue(text, "MUTE_STATE", "a-zA-Z0-9");
    return a;
}

void Configuration::init()
{
    ui->retranslateUi(this);
    m_micFirmwareVersion.clear();
    m_micBatteryState.clear();
    m_micGain.clear();
    m_micSensorType.clear();
    m_micButtonMode.clear();
    m_micHardwareVersion.clear();
    m_buttonWord.clear();
    m_muteWord.clear();
    Systemsettings *settings = MainMenu::getInstanceMainMenu()
                                   ? MainMenu::getInstanceMainMenu()->getInstanceSystemsettings()
                                   : nullptr;
    m_micBtId = settings ? settings->getBtIdMicrophone() : QString();
    m_micBtName = settings ? settings->getBtNameMicrophone() : QString();
    if (m_btSource)
        m_btSource->clearData();
    if (m_btSink) {
        m_btSink->clearData();
        m_btSink->sendData(QStringLiteral("BT_TX P\n"));
    }
    m_timer->start(kReplyTimeoutMs);
    showFields();
}

void Configuration::showFields()
{
    ui->editFirmwareVersion->setText(m_micFirmwareVersion);
    ui->editHardwareVersion->setText(m_micHardwareVersion);
    ui->editBtName->setText(m_micBtName);
    ui->editBtId->setText(m_micBtId);
    ui->editButtonMode->setText(m_micButtonMode);
    ui->editBatteryState->setText(m_micBatteryState);
    ui->editGain->setText(m_micGain.isEmpty() ? QString() : m_micGain + QLatin1Char(' ') + gainSuffix(m_micGain));
    ui->editSensorType->setText(m_micSensorType);
}

void Configuration::readBtAnswer()
{
    const QString text = m_btSink ? m_btSink->getData() : QString();
    if (!text.isEmpty()) {
        const Answer a = parseAnswer(text);
        if (!a.sensor.isEmpty())
            m_micSensorType = sensorTypeText(a.sensor);
        if (!a.gain.isEmpty())
            m_micGain = a.gain;
        if (!a.battery.isEmpty()) {
            m_micBatteryState = a.battery + QStringLiteral(" mV")
                                + QStringLiteral(" (%1 %)").arg(StatusbarData()->batteryMicrophone());
            qDebug() << "value" << m_micBatteryState;
        }
        if (!a.firmware.isEmpty())
            m_micFirmwareVersion = QStringLiteral("V ") + a.firmware;
        if (!a.hardware.isEmpty())
            m_micHardwareVersion = QStringLiteral("V ") + a.hardware;
        if (!a.button.isEmpty())
            m_buttonWord = a.button;
        if (!a.mute.isEmpty())
            m_muteWord = a.mute;
        // Built afresh from the words last reported, so an answer read a
        // second time (an end marker after the time-out) adds nothing twice.
        m_micButtonMode = m_buttonWord;
        if (!m_muteWord.isEmpty())
            m_micButtonMode += QStringLiteral(" (") + m_muteWord + QLatin1Char(')');
        showFields();
    }
    qDebug() << "Received Config:" << text.left(2048);
    if (m_btSource)
        m_btSource->getData();
    m_timer->stop();
}

void Configuration::on_butMenuBack_clicked()
{
    close();
}

void Configuration::on_butReadAgain_clicked()
{
    init();
}
