#include "systeminformation.h"
#include "ui_systeminformation.h"

#include "batterystate.h"
#include "bluetooth.h"
#include "commandrunner.h"
#include "driverhelper.h"
#include "globals.h"
#include "mainmenu.h"
#include "systemsettings.h"
#include "virtualkeyboard.h"

#include <QDebug>
#include <QRegularExpression>
#include <QTimer>

namespace {

// Typed on the virtual keyboard after the third press of the hidden button;
// compared without regard to case.
const QString kAccessCode = QStringLiteral("kqv");
const QString kDebugEnabledText = QStringLiteral("Debug Enabled");

constexpr int kPollMs = 1000;
constexpr int kDfTimeoutMs = 10000;
constexpr int kDfOutputLimit = 2048;

const char kIio[] = "/sys/bus/iio/devices/iio:device0/";

// Reads a short text file through the driver layer: at most maxBytes bytes,
// up to the first zero byte. False when the file does not open.
bool readText(const char *path, int maxBytes, QString *text)
{
    QByteArray buffer(maxBytes + 1, '\0');
    // readFile reads at most size - 1 bytes and terminates them.
    if (!DriverHelper::readFile(path, buffer.data(), unsigned(buffer.size())))
        return false;
    *text = QString::fromUtf8(buffer.constData());
    return true;
}

int readInput(const char *name, const char *debugName)
{
    int value = 0;
    if (!DriverHelper::readFile((QByteArray(kIio) + name).constData(), value)) {
        qDebug() << "Cannot read analog input" << debugName;
        return 0;
    }
    qDebug() << "AD-Value" << debugName << value;
    return value;
}

} // namespace

Systeminformation::Systeminformation(QWidget *parent)
    : KeyDialog(parent)
    , ui(new Ui::Systeminformation)
    , m_timer(new QTimer(this))
{
    ui->setupUi(this);
    connect(m_timer, &QTimer::timeout, this, &Systeminformation::updateInfo);
}

Systeminformation::~Systeminformation()
{
    delete ui;
}

void Systeminformation::init()
{
    m_pressedCnt = 0;
    ui->butDebugFeatures->setText(g_debugFeatures == 1 ? kDebugEnabledText : QString());

    // Ask both modules for their own address; the answers arrive later and
    // are picked up by the poll.
    if (MainMenu *window = MainMenu::getInstanceMainMenu()) {
        m_btSource = window->getBtSourceInstance();
        m_btSink = window->getBtSinkInstance();
    }
    if (m_btSink)
        m_btSink->sendData(QStringLiteral("SET BT BDADDR"));
    if (m_btSource)
        m_btSource->sendData(QStringLiteral("SET BT BDADDR"));
    m_timer->start(kPollMs);

    ui->editFirmwareversion->setText(firmwareVersionText());
    readHardwareVersion();
    ui->editHardwareversion->setText(m_hardwareVersion);
    ui->editBluetoothIdRx->setText(tr("unknown"));
    ui->editBluetoothIdTx->setText(tr("unknown"));
    ui->editOperatingSystem->setText(operatingSystemText().trimmed());
    ui->editSerialnumber->setText(serialNumberText().trimmed());
    ui->editBattery->setText(batteryText());
}

QString Systeminformation::rootFileSystemLetter(const QByteArray &dfOutput)
{
    if (dfOutput.contains("/dev/root")) {
        qDebug() << "Filesystem: SD-Karte";
        return QStringLiteral("S");
    }
    if (dfOutput.contains("ubi0:root")) {
        qDebug() << "Filesystem: Flash";
        return QStringLiteral("F");
    }
    qDebug() << "Filesystem: Unknown";
    return QString();
}

QString Systeminformation::firmwareVersionText()
{
    const CommandRunner::Result df = CommandRunner::runWithTimeout(QStringLiteral("df -Th"), kDfTimeoutMs);
    QString letter;
    if (df.exitCode == -1 && !df.timedOut && df.output.isEmpty())
        qDebug() << "Prozess konnte nicht gestartet werden.";
    else
        letter = rootFileSystemLetter(df.output.left(kDfOutputLimit));
    return QStringLiteral("V %1 (%2)").arg(QLatin1String(kFirmwareVersionText), letter);
}

QString Systeminformation::hardwareVersionFromInputs(int ain4, int ain5)
{
    const auto inRange = [](int v) { return v >= 1001 && v <= 1399; };
    if (inRange(ain4) && inRange(ain5))
        return QStringLiteral("V 1");
    qDebug() << "Unknown HardwareVersion" << ain4 << ain5;
    return QStringLiteral("unknown");
}

void Systeminformation::readHardwareVersion()
{
    // The single-value inputs read only while the converter's buffered mode
    // is off; this stops a running capture until it is enabled again.
    if (!DriverHelper::writeFile((QByteArray(kIio) + "buffer/enable").constData(), "0"))
        qDebug() << "Error: Could not open buffer/enable";
    const int ain4 = readInput("in_voltage4_raw", "AIN4");
    const int ain5 = readInput("in_voltage5_raw", "AIN5");
    m_hardwareVersion = hardwareVersionFromInputs(ain4, ain5);
}

QString Systeminformation::operatingSystemVersion(const QString &bspInfo)
{
    static const QRegularExpression kBsp(QStringLiteral("(BSP) (V)(\\d+.\\d+.\\d+|)"));
    const QRegularExpressionMatch m = kBsp.match(bspInfo);
    return m.hasMatch() ? QStringLiteral("V ") + m.captured(3) : QString();
}

QString Systeminformation::operatingSystemText()
{
    QString text;
    if (readText("/home/root/bspinfo", 1024, &text)) {
        const QString version = operatingSystemVersion(text);
        if (!version.isEmpty())
            return version;
    }
    return tr("unknown");
}

QString Systeminformation::serialNumberText()
{
    // The serial number has twelve characters; the driver layer reads one
    // byte less than its buffer holds, so the buffer has room for thirteen.
    QString text;
    if (!readText("/home/root/serialNumber", 12, &text))
        return tr("unknown");
    return text;
}

QString Systeminformation::batteryText()
{
    const BatteryState battery;
    return QStringLiteral("%1 V (%2 %)").arg(QString::number(battery.voltage(), 'g', 6)).arg(battery.fuelPercent());
}

void Systeminformation::updateInfo()
{
    const QString source = m_btSource ? m_btSource->getBtIdModul() : QString();
    const QString sink = m_btSink ? m_btSink->getBtIdModul() : QString();
    // A module that has not answered yet stays "unknown".
    ui->editBluetoothIdTx->setText(source.isEmpty() ? tr("unknown") : source);
    ui->editBluetoothIdRx->setText(sink.isEmpty() ? tr("unknown") : sink);
    qDebug() << "BT-ID Source" << source << "BT-ID Sink" << sink;
    if (!source.isEmpty() && !sink.isEmpty())
        m_timer->stop();
}

void Systeminformation::on_butMenuBack_clicked()
{
    reject();
}

void Systeminformation::on_butDebugFeatures_clicked()
{
    ++m_pressedCnt;
    if (m_pressedCnt < 3 && g_debugFeatures != 1)
        return;

    VirtualKeyboard keyboard(this);
    keyboard.setText(QString());
    keyboard.useEnterAsAccept(true);
    const bool unlocked = keyboard.exec() == 1 && keyboard.getText().toLower() == kAccessCode;
    // A wrong code or a closed keyboard locks the debug features again.
    g_debugFeatures = unlocked ? 1 : 0;
    ui->butDebugFeatures->setText(unlocked ? kDebugEnabledText : QString());
    m_pressedCnt = 0;
    if (MainMenu *window = MainMenu::getInstanceMainMenu())
        if (Systemsettings *settings = window->getInstanceSystemsettings())
            settings->storeSystemsettings();
}
