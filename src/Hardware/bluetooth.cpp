#include "bluetooth.h"

#include "deviceroot.h"
#include "globals.h"
#include "gpio.h"
#include "mainmenu.h"
#include "datapartition.h"
#include "regularfile.h"
#include "systemclock.h"
#include "systemsettings.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSerialPort>
#include <QTextCodec>
#include <QTextDecoder>
#include <QThread>
#include <QTime>
#include <QTimer>

#include <poll.h>

namespace {

const char kInfoFile[] = "/media/tq3900/btInfo.txt";

// The sensor unit's module, the one the control lines are wired to.
const char kSensorUnitPort[] = "/dev/ttyO2";
// Control lines of the sensor-unit module.
const unsigned kGpioDtr = 58;
const unsigned kGpioCarrier = 59;

const int kTransmitTimeoutMs = 2000;
const int kDtrToggleMs = 2000;
// A module that does not leave data mode within this time after the DTR
// toggle is given up on, so that a stuck carrier line cannot hang start-up.
const int kCommandModeWaitMs = 2000;
const int kCarrierPollMs = 10;
const int kRfcommPolls = 200;
// The state machine waits this long for the carrier line to follow a mode
// switch (states 5 and 7): as long as a slow module may lag. A module that
// does not follow is given up on and the connection starts again.
const int kCarrierWaitMs = ModuleMode::kCarrierLagMs;
// disconnectBtDevice's pause between its first command and the rest.
const int kDisconnectPauseMs = 500;
// Sensor-unit messages held during a switch to command mode.
const int kMaxHeldUnitLines = 32;

// Received text without a line end is kept up to this many characters; a
// longer run is not a module line and is dropped.
const int kMaxUnterminated = 4096;
// Text kept for getData() while no screen collects it: the newest part.
const int kMaxCopy = 64 * 1024;
// Bytes waiting for a module that does not read; further lines are dropped.
const qint64 kMaxPendingWrite = 16 * 1024;
// A port whose peer hung up is closed and opened again at this interval.
const int kReopenMs = 3000;
// The diagnostic file keeps its newest part: past kMaxInfoBytes it is cut
// to the newest kKeepInfoBytes (at a line start).
const qint64 kMaxInfoBytes = 512 * 1024;
const qint64 kKeepInfoBytes = 256 * 1024;

// Field n of a line split at single blanks ("" when missing).
QString field(const QStringList &fields, int n)
{
    return fields.value(n);
}

// Values of a "BT_RX" line: for "FH", "FD" and "FS" the fields after the
// keyword split at single blanks, for every other keyword split at runs of
// white space.
QStringList replyValues(const QString &line, const QString &keyword)
{
    if (keyword == QLatin1String("FH") || keyword == QLatin1String("FD") || keyword == QLatin1String("FS"))
        return line.split(QLatin1Char(' ')).mid(2);
    static const QRegularExpression space(QStringLiteral("\\s+"));
    return line.split(space, Qt::SkipEmptyParts).mid(2);
}

Systemsettings *settingsStore()
{
    MainMenu *w = MainMenu::getInstanceMainMenu();
    return w ? w->getInstanceSystemsettings() : nullptr;
}

} // namespace

Bluetooth::Bluetooth()
    : uartPort(new QSerialPort())
    , m_btStateTimer(new QTimer(this))
    , m_btTimerTransmit(new QTimer(this))
    , m_reopenTimer(new QTimer(this))
    , m_mode(new ModuleMode([this](const QString &text) { writeToPort(text); }, this))
{
    m_btTimerTransmit->setSingleShot(true);
    m_reopenTimer->setInterval(kReopenMs);
    connect(m_reopenTimer, &QTimer::timeout, this, &Bluetooth::reopenPort);
    connect(uartPort, &QSerialPort::errorOccurred, this, &Bluetooth::portError);
    connect(m_mode, &ModuleMode::commandModeReached, this, &Bluetooth::commandModeReached);
    // A module that leaves data mode by itself (its carrier fell and held)
    // is taken back by the next step of state 6, at once.
    connect(
        m_mode, &ModuleMode::commandModeReached, this,
        [this] {
            if (m_btState == 6)
                updateState();
        },
        Qt::QueuedConnection);
    // The carrier showed the module out of data mode (it fell, or rose and
    // fell after a SELECT): the owner escapes it; the data link is taken
    // back once the module is in command mode.
    connect(
        m_mode, &ModuleMode::dataModeLost, this,
        [this] {
            if (m_btState < 5 || m_btState > 7 || !m_connectedRFCOMM)
                return;
            takeBack();
            m_btStateTimer->start(m_btState == 1 ? 2000 : 10);
        },
        Qt::QueuedConnection);
    m_clock.start();
}

Bluetooth::~Bluetooth()
{
    if (uartPort->isOpen())
        uartPort->close();
    delete uartPort;
    delete m_btStateTimer;
    delete m_btTimerTransmit;
}

// ---------------------------------------------------------------------------
// Link

void Bluetooth::initBluetooth(QString port, QString address)
{
    if (g_debugFeatures == 1) {
        const bool removed = QFile::remove(DataPartition::path(QString::fromLatin1(kInfoFile)));
        qDebug() << "Remove Bt-Info-File" << removed;
    }

    if (uartPort->isOpen())
        uartPort->close();
    m_port = port;
    m_portLossPending = false;
    const bool opened = openPort();
    qDebug() << "Uart" << port << opened;
    // A port that is not there yet (a module that comes up late) is tried
    // again like one whose peer hung up.
    if (opened)
        m_reopenTimer->stop();
    else
        m_reopenTimer->start();
    connect(uartPort, &QSerialPort::readyRead, this, &Bluetooth::readTtyData, Qt::UniqueConnection);

    m_btId = checkedAddress(address);
    m_btAnswer.clear();
    m_decoder.reset(QTextCodec::codecForName("UTF-8")->makeDecoder());
    resetLinkState();
    m_dataLinkCall = kNoCall;
    m_dataLinkOpen = -1;
    m_btName = QStringLiteral("unknown");
    m_btProfile = 0;
    qDebug() << "---Bluetooth init---" << this;

    Gpio::setValue(kGpioDtr, 0);
    bool carrierStuck = false;
    if (Gpio::getValue(kGpioCarrier)) {
        qDebug() << "BT-Modul ist noch im Datenmodus";
        qDebug() << "DTR-Pin toggle start";
        Gpio::setValue(kGpioDtr, 0);
        QThread::msleep(kDtrToggleMs);
        Gpio::setValue(kGpioDtr, 1);
        qDebug() << "DTR-Pin toggle finished";
        QElapsedTimer waited;
        waited.start();
        while (Gpio::getValue(kGpioCarrier)) {
            qDebug() << "Warten auf Commandmodus";
            if (waited.elapsed() >= kCommandModeWaitMs) {
                qDebug() << "BT module does not leave data mode; going on after" << waited.elapsed() << "ms";
                carrierStuck = true;
                break;
            }
            QThread::msleep(kCarrierPollMs);
        }
    }
    // A carrier that stayed up through the wait: commands wait until the
    // module has left data mode. The control lines are wired to the sensor
    // unit's module only; the headphone's module never enters data mode.
    if (port == QLatin1String(kSensorUnitPort) && carrierStuck)
        m_mode->setData(true);
    else
        m_mode->setCommand();

    connect(m_btStateTimer, &QTimer::timeout, this, &Bluetooth::updateState, Qt::UniqueConnection);
    connect(m_btTimerTransmit, &QTimer::timeout, this, &Bluetooth::transmitTimeout, Qt::UniqueConnection);
    connect(this, &Bluetooth::btAnswerFromDeviceReceived, this, &Bluetooth::transmitTimeout,
            Qt::UniqueConnection);

    sendData(QStringLiteral("LIST"));
}

bool Bluetooth::openPort()
{
    uartPort->setPortName(DeviceRoot::path(m_port));
    if (!uartPort->open(QIODevice::ReadWrite))
        return false;
    uartPort->setBaudRate(QSerialPort::Baud115200, QSerialPort::AllDirections);
    uartPort->setDataBits(QSerialPort::Data8);
    uartPort->setParity(QSerialPort::NoParity);
    uartPort->setStopBits(QSerialPort::OneStop);
    uartPort->setFlowControl(QSerialPort::NoFlowControl);
    m_writeOverflow = false;
    return true;
}

QString Bluetooth::checkedAddress(const QString &address)
{
    // The address goes into module commands ("CALL <addr> ..."); anything but
    // an address (a line break would add a command of its own) is no device.
    if (address.isEmpty() || Systemsettings::isBluetoothAddress(address))
        return address;
    qWarning() << "Bluetooth: no device address, treated as not paired:" << address.left(40);
    return QString();
}

void Bluetooth::portError(QSerialPort::SerialPortError error)
{
    // Called from inside QSerialPort (a read or a flush): only decide here,
    // close later from the event loop. A peer that hung up makes every read
    // fail at once and for ever; a peer that merely does not read makes a
    // flush report "resource temporarily unavailable" on a port that is fine.
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError || !uartPort->isOpen()
        || m_portLossPending)
        return;
    bool lost = error == QSerialPort::ReadError || error == QSerialPort::DeviceNotFoundError;
    struct pollfd p = {int(uartPort->handle()), POLLIN | POLLOUT, 0};
    if (p.fd < 0 || (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))))
        lost = true;
    if (!lost)
        return;
    m_portLossPending = true;
    m_portErrorText = uartPort->errorString();
    QMetaObject::invokeMethod(this, &Bluetooth::closeLostPort, Qt::QueuedConnection);
}

void Bluetooth::closeLostPort()
{
    m_portLossPending = false;
    if (!uartPort->isOpen())
        return;
    uartPort->close();
    qWarning().noquote() << QStringLiteral("Uart %1 lost (%2): closed, opened again every %3 s")
                                .arg(m_port, m_portErrorText)
                                .arg(kReopenMs / 1000);
    // Whatever the module was doing is gone with the port: the link starts
    // again from scratch once the port is back. Meanwhile the state machine
    // waits calmly (one step a second) for the A2DP stream.
    m_btAnswer.clear();
    m_mode->reset();
    m_waitForBTRX = false;
    m_numDataToTransmit = 0;
    m_btTimerTransmit->stop();
    m_dataLinkCall = kNoCall;
    m_dataLinkOpen = -1;
    m_selectWanted = false;
    if (m_btState >= 0) {
        clearConnectionFlags();
        clearLinkIds();
        m_btState = 1;
    }
    emit connectionLost();
    m_reopenTimer->start();
}

void Bluetooth::reopenPort()
{
    if (uartPort->isOpen() || !openPort())
        return;
    m_reopenTimer->stop();
    qWarning().noquote() << "Uart" << m_port << "open again";
    m_btAnswer.clear();
    m_decoder.reset(QTextCodec::codecForName("UTF-8")->makeDecoder());
    sendData(QStringLiteral("LIST"));
    // A running link connects again from scratch (autocall on, wait for the
    // stream, call the data link): the module may have restarted meanwhile.
    if (m_btState >= 0) {
        m_btState = 0;
        updateState();
    }
}

void Bluetooth::resetLinkState()
{
    // Shared by initialisation and reset: connection, mode and gains.
    m_btState = -1;
    clearLinkIds();
    clearConnectionFlags();
    m_callBtDeviceRfcomm = false;
    m_waitCntConnectRfcomm = 0;
    m_btExtMicGain = 15;
    m_btDacGain = 15;
    const Systemsettings *settings = settingsStore();
    const int adcGain = !settings ? 5
        : settings->isHearingProtectionEnabled() ? 1
                                                 : settings->getHeadphoneVolumeOffset() + 5;
    m_btAdcGain = adcGain;
    m_btLastAdcGain = adcGain;
    m_btExtHeadphoneBatteryState = -1;
    m_btExtHeadphoneGain = 8;
    m_takeBackTimes.clear();
    m_selectWanted = false;
    m_btWaitForReadyAfterReset = false;
    m_waitForBTRX = false;
    m_btIdMicrophone = settings ? checkedAddress(settings->getBtIdMicrophone()) : QString();
    m_btIdHeadphone = settings ? checkedAddress(settings->getBtIdHeadphone()) : QString();
}

void Bluetooth::writeToPort(const QString &text)
{
    // Every line and every held block of commands goes out whole; flushing
    // at once keeps the timing of the lines on the wire (the GUI thread may
    // block right after a write).
    if (!uartPort->isOpen())
        return;
    // A module that does not read must not make the program hold ever more
    // bytes for it: beyond the limit lines are dropped (logged once).
    const qint64 pending = uartPort->bytesToWrite();
    if (pending > kMaxPendingWrite) {
        if (!m_writeOverflow)
            qWarning().noquote() << "Uart" << m_port << "does not take data: lines dropped";
        m_writeOverflow = true;
        return;
    }
    // The episode ends when the module has taken most of what waited, not
    // when the kernel's own buffer frees a few bytes now and then.
    if (pending < kMaxPendingWrite / 4)
        m_writeOverflow = false;
    uartPort->write(text.toLatin1());
    uartPort->flush();
}

void Bluetooth::sendData(QString line)
{
    // Raw lines: at once, whatever the module's mode.
    if (line.startsWith(QLatin1String("AT"))) {
        writeToPort(line + QLatin1Char('\n'));
        return;
    }

    // Messages to the sensor unit: written only while the module's mode
    // owner has it in data mode on the data link (state 6). Otherwise the
    // message waits until the data link is selected again, behind any
    // message already waiting there; without a data link it is dropped.
    if (line.startsWith(QLatin1String("BT_TX"))) {
        if (m_connectedRFCOMM) {
            qDebug() << "--> SEND_DATA" << line << btMode() << m_btId;
            if (!isDataModeKnown()) {
                holdUnitLine(line);
                if (!m_mode->isLeaving())
                    switchBtMode(1);
            } else {
                if (g_debugFeatures == 1)
                    writeBluetoothCmdsDbg(QStringLiteral("H->M ") + line + QLatin1Char('\n'));
                if (m_waitForBTRX) {
                    addToTransmitBuffer(line);
                } else if (m_mode->writeData(line + QLatin1Char('\n'))) {
                    m_waitForBTRX = true;
                    m_outstanding = line;
                    m_btTimerTransmit->start(kTransmitTimeoutMs);
                }
            }
        }
        if (line.startsWith(QLatin1String("BT_TX I"))) {
            static const QRegularExpression space(QStringLiteral("\\s+"));
            const QStringList f = line.split(space, Qt::SkipEmptyParts);
            bool ok = false;
            const int gain = f.value(2).toInt(&ok, 16);
            m_btExtMicGain = ok ? gain : 0;
            qDebug() << "Gain:" << m_btExtMicGain << "Mute:" << (f.value(3) == QLatin1String("MUTE"))
                     << "Switch:" << (f.value(4) == QLatin1String("PUSHBUT"));
        }
        return;
    }

    // Commands to the module itself: written by the mode's owner once the
    // module is known to be in command mode.
    qDebug() << "--> SEND_DATA" << line << btMode() << m_btId;
    // A command that takes the module out of data mode leaves it in command
    // mode: the data link is selected again when a message needs it.
    if (!m_mode->isCommandMode())
        m_selectWanted = false;
    m_mode->send(line + QLatin1Char('\n'));
    // From data mode the state machine takes the way through state 7.
    if (m_btState == 6 && !m_mode->isCommandMode())
        updateState();
}

int Bluetooth::btMode() const
{
    return m_mode->mode() == ModuleMode::Mode::Data ? 1 : 0;
}

bool Bluetooth::isDataModeKnown() const
{
    return m_connectedRFCOMM && m_btState == 6 && m_mode->isDataMode() && m_heldUnitLines.isEmpty();
}

bool Bluetooth::isCommandModeKnown() const
{
    return m_mode->isCommandMode() && !m_mode->hasHeld();
}

bool Bluetooth::hasHeldCommands() const
{
    return m_mode->hasHeld();
}

void Bluetooth::holdUnitLine(const QString &line)
{
    // Without a data link there is nothing to come back to.
    if (!m_connectedRFCOMM)
        return;
    if (m_heldUnitLines.size() >= kMaxHeldUnitLines) {
        // As in the transmit queue: the newest waiting message is replaced.
        m_heldUnitLines.last() = line;
        return;
    }
    m_heldUnitLines << line;
    qDebug() << "BT_TX held until data mode:" << line;
}

void Bluetooth::holdOutstandingFirst()
{
    // The message the module answered goes first, then the queue, then
    // what was held already (at most kMaxHeldUnitLines, the newest last).
    QStringList lines{m_outstanding};
    for (int i = 1; i <= m_numDataToTransmit; ++i) {
        lines << m_transmitBuffer[i];
        m_transmitBuffer[i].clear();
    }
    m_numDataToTransmit = 0;
    lines += m_heldUnitLines;
    if (lines.size() > kMaxHeldUnitLines)
        lines = lines.mid(0, kMaxHeldUnitLines - 1) << lines.last();
    m_heldUnitLines = lines;
}

QString Bluetooth::getData()
{
    if (!m_btAnswerCopy.contains(QLatin1Char('\n')))
        return QString();
    const QString text = m_btAnswerCopy;
    m_btAnswerCopy.clear();
    return text;
}

void Bluetooth::clearData()
{
    m_btAnswer.clear();
    m_btAnswerCopy.clear();
}

void Bluetooth::addToTransmitBuffer(QString message)
{
    // With the queue full, the newest waiting message is overwritten.
    m_numDataToTransmit = qMin(m_numDataToTransmit + 1, kQueueSize);
    m_transmitBuffer[m_numDataToTransmit] = message;
    qDebug() << "BT AddToTransmitBuffer" << message << m_numDataToTransmit;
}

void Bluetooth::transmitTimeout()
{
    m_btTimerTransmit->stop();
    if (m_numDataToTransmit < 1) {
        m_numDataToTransmit = 0;
        m_waitForBTRX = false;
        return;
    }
    if (!isDataModeKnown()) {
        // Lines held for the way back to data mode are newer than every
        // queued one: the queue goes in front of them, so the unit gets the
        // messages in the order they were sent (the last mute state wins).
        QStringList queued;
        for (int i = 1; i <= m_numDataToTransmit; ++i) {
            queued << m_transmitBuffer[i];
            m_transmitBuffer[i].clear();
        }
        m_numDataToTransmit = 0;
        m_waitForBTRX = false;
        if (!m_connectedRFCOMM)
            return;
        QStringList lines = queued + m_heldUnitLines;
        if (lines.size() > kMaxHeldUnitLines) // as when holding: the newest replaces the last kept
            lines = lines.mid(0, kMaxHeldUnitLines - 1) << lines.last();
        m_heldUnitLines = lines;
        return;
    }
    for (int i = 0; i < kQueueSize; ++i)
        m_transmitBuffer[i] = m_transmitBuffer[i + 1];
    m_transmitBuffer[kQueueSize].clear();
    m_waitForBTRX = false;
    --m_numDataToTransmit;
    const QString message = m_transmitBuffer[0];
    sendData(message);
    qDebug() << "BT sendData from TransmitBuffer" << message << m_numDataToTransmit;
}

void Bluetooth::writeBluetoothCmdsDbg(QString text)
{
    // Appended only to a regular file (never through a link, never into a
    // FIFO that nobody reads), and cut to its newest part when it grows past
    // its limit, so a chatty unit cannot fill the card.
    // Nothing is written while the data partition is not mounted here.
    const QString path = DataPartition::path(QString::fromLatin1(kInfoFile));
    QFile file;
    if (!RegularFile::openForAppend(path, &file)) {
        DataPartition::reportNotOpened(path);
        return;
    }
    if (file.size() >= kMaxInfoBytes) {
        file.close();
        keepNewestInfo(path);
        if (!RegularFile::openForAppend(path, &file))
            return;
    }
    const Systemsettings *settings = settingsStore();
    const QString format = settings ? settings->getFormatStringTime() : QStringLiteral("hh:mm:ss");
    file.write((SystemClock::now().time().toString(format) + QLatin1Char(' ') + text).toLatin1());
}

void Bluetooth::keepNewestInfo(const QString &path)
{
    QFile in;
    qint64 size = 0;
    if (RegularFile::openForReading(path, &in, &size) != RegularFile::Status::Ok)
        return;
    in.seek(qMax<qint64>(0, size - kKeepInfoBytes));
    QByteArray tail = in.read(kKeepInfoBytes);
    in.close();
    // Start at a whole line.
    const int firstLine = tail.indexOf('\n');
    tail.remove(0, firstLine < 0 ? tail.size() : firstLine + 1);
    QSaveFile out(path);
    if (out.open(QIODevice::WriteOnly) && out.write(tail) == tail.size())
        out.commit();
}

void Bluetooth::readTtyData()
{
    QByteArray bytes = uartPort->readAll();
    if (bytes.isEmpty())
        return;
    // A zero byte is no text; the rest of the read still counts.
    bytes.replace('\0', QByteArray());
    const QString text = m_decoder ? m_decoder->toUnicode(bytes) : QString::fromUtf8(bytes);
    m_btAnswer += text;
    m_btAnswerCopy += text;
    if (m_btAnswerCopy.size() > kMaxCopy)
        m_btAnswerCopy.remove(0, m_btAnswerCopy.size() - kMaxCopy);
    if (m_btAnswer.contains(QLatin1Char('\n')))
        analyseAnswer();
    if (m_btAnswer.size() > kMaxUnterminated) {
        qDebug() << "BT: text without line end dropped," << m_btAnswer.size() << "characters";
        m_btAnswer.clear();
    }
}

// ---------------------------------------------------------------------------
// Connection state machine

void Bluetooth::clearConnectionFlags()
{
    m_connectedA2DP = false;
    m_connectedRFCOMM = false;
    m_connectedAVRCP = false;
    m_connectedHFP = false;
    // Held messages belong to the data link that was lost.
    m_heldUnitLines.clear();
}

void Bluetooth::startCarrierWait()
{
    m_carrierWait.start();
}

bool Bluetooth::carrierWaitExpired() const
{
    return m_carrierWait.isValid() && m_carrierWait.elapsed() >= kCarrierWaitMs;
}

void Bluetooth::giveUpDataLink()
{
    // Drop every link and start again from state 1; the module's automatic
    // calling brings the stream back. A call needs an address. A module in
    // data mode (also one the driver has not seen) gets the commands once it
    // has been taken out of it.
    m_btState = 1;
    m_selectWanted = false;
    if (!m_btId.isEmpty())
        sendData(QStringLiteral("KILL ") + m_btId);
    for (int i = 0; i < 4; ++i)
        sendData(QStringLiteral("CLOSE %1").arg(i));
    m_callBtDeviceRfcomm = true;
    clearLinkIds();
    clearConnectionFlags();
    m_takeBackTimes.clear();
}

void Bluetooth::takeBack()
{
    // Bounded over a window of time: a module that keeps leaving (a line
    // that keeps falling, a peer that keeps answering as the module) starts
    // the link again.
    const qint64 now = m_clock.elapsed();
    while (!m_takeBackTimes.isEmpty() && now - m_takeBackTimes.first() >= kTakeBackWindowMs)
        m_takeBackTimes.removeFirst();
    m_takeBackTimes << now;
    if (m_takeBackTimes.size() > kMaxTakeBacks) {
        qWarning() << "Bluetooth: module out of data mode" << m_takeBackTimes.size() << "times in"
                   << kTakeBackWindowMs << "ms; connecting again";
        giveUpDataLink();
        return;
    }
    qWarning() << "Bluetooth: module out of data mode on the data link; selecting it again once in command mode";
    m_selectWanted = true;
    m_btState = 7;
    startCarrierWait();
}

void Bluetooth::clearLinkIds()
{
    m_linkId0_A2DP = -1;
    m_linkId1_A2DP = -1;
    m_linkId2_RFCOMM = -1;
    m_linkId2_AVRCP = -1;
    m_linkId3_HFP = -1;
}

void Bluetooth::updateState()
{
    if (m_inStep)
        return; // the step under way restarts the timer itself
    m_inStep = true;
    int interval = 50;
    switch (m_btState) {
    case 0: // connect from scratch
        clearConnectionFlags();
        clearLinkIds();
        sendData(QStringLiteral("SET CONTROL AUTOCALL 19 500 A2DP"));
        m_btState = 2;
        interval = 1000;
        break;
    case 1: // connection lost
        clearConnectionFlags();
        clearLinkIds();
        m_btState = 2;
        interval = 1000;
        break;
    case 2: // wait for the A2DP stream
        m_connectedRFCOMM = false;
        m_linkId2_RFCOMM = -1;
        if (m_connectedA2DP)
            m_btState = 3;
        interval = 1000;
        break;
    case 3: // call the data link
        m_connectedRFCOMM = false;
        m_selectWanted = false;
        m_linkId2_RFCOMM = -1;
        m_heldUnitLines.clear();
        // Without a paired unit (no address) there is nobody to call; the
        // machine waits here as on the headphone link.
        if (m_callBtDeviceRfcomm && !m_btId.isEmpty()) {
            callBtDeviceRFCOMM();
            m_waitCntConnectRfcomm = 0;
            m_btState = 4;
        }
        interval = 1000;
        break;
    case 4: // wait for the data link
        if (m_connectedRFCOMM) {
            m_btState = 5;
            startCarrierWait();
            interval = 10;
        } else if (++m_waitCntConnectRfcomm <= kRfcommPolls || isCallUnacknowledged()) {
            // A module that has not even acknowledged the call may have
            // connected already and be in data mode, unreported: giving up
            // now would send its KILL and CLOSE to the unit as data. Its
            // answer is awaited (bounded, kCallAnswerMs).
            interval = 10;
        } else {
            // The module acknowledged the call and reported no connection
            // since: no data link came of it, unless its carrier says so.
            m_mode->linkClosed();
            giveUpDataLink();
            interval = 2000;
        }
        break;
    case 5: // wait for carrier
        interval = 10;
        if (m_mode->isLeaving()) {
            // A module command came meanwhile: the mode's owner takes the
            // module out of data mode once its carrier is up.
            m_btState = 7;
            startCarrierWait();
        } else if (m_mode->isDataMode()) {
            // The carrier is up and has held.
            m_btState = 6;
        } else if (carrierWaitExpired()) {
            qWarning() << "Bluetooth: no carrier after" << kCarrierWaitMs << "ms; connecting again";
            giveUpDataLink();
            interval = 2000;
        }
        break;
    case 6: // data mode
        if (m_mode->isLeaving() || m_mode->hasHeld()) {
            // The escape by DTR is the mode owner's.
            m_mode->leave();
            m_btState = 7;
            startCarrierWait();
            interval = 10;
        } else if (!m_mode->isDataMode()) {
            // The module is not in data mode while the link is taken for
            // it: its owner knows it in command mode (it closed the link
            // and its carrier fell), or it waits for a carrier. The data
            // link is selected again; a module that keeps leaving starts
            // the link again.
            interval = 10;
            if (m_mode->isCommandMode()) {
                takeBack();
                if (m_btState == 1)
                    interval = 2000;
            } else {
                m_btState = 5; // data mode entered again, its carrier not up yet
                startCarrierWait();
            }
        } else {
            interval = 1000;
            // Messages held while the module was in command mode.
            const QStringList held = m_heldUnitLines;
            m_heldUnitLines.clear();
            for (const QString &line : held)
                sendData(line);
        }
        break;
    case 7: // wait for the carrier to drop
        interval = 10;
        if (m_mode->isCommandMode()) {
            m_btState = 8;
        } else if (carrierWaitExpired()) {
            // The module stays in data mode: the connection starts again.
            // Its commands wait, with the held ones, until it has left data
            // mode after all; nothing reaches the unit as data.
            qWarning() << "Bluetooth: module does not leave data mode after" << kCarrierWaitMs
                       << "ms; connecting again";
            giveUpDataLink();
            interval = 2000;
        }
        break;
    case 8: // command mode
        // Messages that arrived during the switch want the data link back.
        if ((m_selectWanted || !m_heldUnitLines.isEmpty()) && m_connectedRFCOMM && m_mode->isCommandMode()) {
            // Through the mode's owner, which writes it only once it knows
            // the module in command mode (after its own escape on a
            // take-back): the module is in data mode from the written line
            // on (its carrier may lag). Not written yet: tried again at the
            // next step.
            const QString select = QStringLiteral("SELECT %1").arg(m_linkId2_RFCOMM);
            qDebug() << "--> SEND_DATA" << select << btMode() << m_btId;
            interval = 10;
            if (m_mode->select(select + QLatin1Char('\n'))) {
                m_selectWanted = false;
                m_btState = 5;
                startCarrierWait();
            }
        } else {
            interval = 1000;
        }
        break;
    default: // idle
        break;
    }
    m_btStateTimer->start(interval);
    m_inStep = false;
}

void Bluetooth::callBtDeviceA2DP(bool withRfcomm)
{
    m_callBtDeviceRfcomm = withRfcomm;
    if (!m_connectedA2DP && !m_connectedRFCOMM)
        m_btState = 0;
    updateState();
}

void Bluetooth::switchBtMode(int mode)
{
    // A request to the mode's owner, carried out by state 6 (to command
    // mode) or 8 (to data mode).
    m_selectWanted = mode == 1;
    if (mode != 1)
        m_mode->leave();
    updateState();
}

void Bluetooth::callBtDeviceRFCOMM()
{
    if (m_btId.isEmpty()) {
        qDebug() << "RFCOMM: no address, no call";
        return;
    }
    const QString line = QStringLiteral("CALL ") + m_btId + QStringLiteral(" 1101 RFCOMM");
    sendData(line);
    qDebug() << "RFCOMM:" << line;
    m_dataLinkCall = kCallSent;
    m_dataLinkCallSent.start();
    // The call may take the module into data mode before it says so.
    if (m_mode->isCommandMode())
        m_mode->setUnknown(kCallAnswerMs);
}

bool Bluetooth::isCallingDataLink() const
{
    return m_dataLinkCall != kNoCall && m_dataLinkCallSent.elapsed() < kCallAnswerMs;
}

bool Bluetooth::isCallUnacknowledged() const
{
    return m_dataLinkCall == kCallSent && isCallingDataLink();
}

void Bluetooth::disconnectBtDevice(int heldMs)
{
    // Nothing below may reach the unit as data. A module not known to be in
    // command mode (a data link up or selected, a call unanswered) is
    // escaped at once; the commands go once it is in command mode. What
    // could not go within heldMs (kDisconnectMs) is dropped: the link goes idle, the
    // instrument reboots or powers off, and no stale command may tear down a
    // later link. Only the 500 ms pause blocks the GUI thread. The state
    // machine stops first: no step of its own (a "SELECT" for waiting
    // messages) may come between these commands.
    sendLastUnitLines();
    m_btState = -1;
    m_selectWanted = false;
    m_heldUnitLines.clear();
    m_numDataToTransmit = 0;
    m_waitForBTRX = false;
    m_btTimerTransmit->stop();
    m_mode->limitHeld(heldMs);
    m_mode->leave(true);
    sendData(QStringLiteral("SET CONTROL AUTOCALL"));
    QElapsedTimer pause;
    pause.start();
    while (pause.elapsed() < kDisconnectPauseMs) {
        QThread::msleep(kCarrierPollMs);
        m_mode->poll();
    }
    if (!m_btId.isEmpty())
        sendData(QStringLiteral("KILL ") + m_btId);
    for (int i = 0; i < 4; ++i)
        sendData(QStringLiteral("CLOSE %1").arg(i));
    sendData(QStringLiteral("SET CONTROL AUTOCALL"));
    qDebug() << "Autocall disabled";
    clearLinkIds();
    m_btState = -1;
    clearConnectionFlags();
    m_callBtDeviceRfcomm = false;
}

void Bluetooth::sendLastUnitLines()
{
    // The unit's last messages (a power-off's mute line) go out before the
    // module is taken out of data mode: also those queued behind a message
    // whose answer is awaited, and those held while the carrier of a slow
    // module lags after its SELECT. No answer is awaited any more. A module
    // in command mode is not selected again for them: whoever took it there
    // wants it there (the loop-back test's reset).
    if (!m_connectedRFCOMM || m_btState < 5)
        return;
    QStringList lines;
    for (int i = 1; i <= m_numDataToTransmit; ++i)
        lines << m_transmitBuffer[i];
    lines += m_heldUnitLines;
    if (lines.isEmpty())
        return;
    for (const QString &line : qAsConst(lines)) {
        if (!m_mode->writeLastData(line + QLatin1Char('\n')))
            break;
        qDebug() << "--> SEND_DATA before the disconnect" << line;
    }
}

void Bluetooth::resetBluetooth(QString btId)
{
    if (!btId.isEmpty())
        m_btId = checkedAddress(btId);
    m_btAnswer.clear();
    resetLinkState();
    updateState();
}

// ---------------------------------------------------------------------------
// Reply parser

void Bluetooth::analyseAnswer()
{
    // Each line is taken off the buffer before it is handled, so that a
    // listener that resets the link or reads the port again from a nested
    // event loop finds the buffer consistent.
    for (;;) {
        const int end = m_btAnswer.indexOf(QLatin1String("\r\n"));
        if (end < 0)
            break;
        const QString line = m_btAnswer.left(end).trimmed();
        m_btAnswer.remove(0, end + 2);
        handleLine(line);
    }
}

bool Bluetooth::isSensorUnitLink() const
{
    return !m_btId.isEmpty() && m_btId == m_btIdMicrophone;
}

void Bluetooth::callMainWindowMicrophoneUpdate()
{
    if (MainMenu *w = MainMenu::getInstanceMainMenu())
        w->updateMicrophoneParameter();
}

void Bluetooth::handleLine(const QString &line)
{
    const bool unitLink = isSensorUnitLink();
    if (unitLink)
        qDebug() << "BT_M:" << line;
    else if (!m_btId.isEmpty() && m_btId == m_btIdHeadphone)
        qDebug() << "BT_H:" << line;
    else
        qDebug() << "BT:" << line;
    if (unitLink && g_debugFeatures == 1)
        writeBluetoothCmdsDbg(QStringLiteral("M->H ") + line + QLatin1Char('\n'));

    const QStringList f = line.split(QLatin1Char(' '));
    auto starts = [&line](const char *prefix) { return line.startsWith(QLatin1String(prefix)); };

    if (starts("CALL")) {
        m_tempLinkId = field(f, 1).toInt();
        // The module numbers the link of the data-link call first.
        bool ok = false;
        const int link = field(f, 1).toInt(&ok);
        if (m_dataLinkCall == kCallSent && ok && link >= 0) {
            m_dataLinkCall = link;
            // A slow module acknowledges its call late: the wait for the
            // connection counts from the acknowledgement (a module that
            // answers at once is acknowledged before the first poll).
            if (m_btState == 4)
                m_waitCntConnectRfcomm = 0;
        }
    } else if (starts("CONNECT")) {
        const QString profile = field(f, 2);
        const int link = field(f, 1).toInt();
        if (profile == QLatin1String("A2DP")) {
            if (m_linkId0_A2DP < 0)
                m_linkId0_A2DP = link;
            else if (m_linkId1_A2DP < 0)
                m_linkId1_A2DP = link;
            qDebug() << "Connected A2DP CONNECT received" << m_linkId0_A2DP << m_linkId1_A2DP << m_btState;
        } else if (profile == QLatin1String("RFCOMM")) {
            const bool callAnswered = m_dataLinkCall != kNoCall;
            m_dataLinkCall = kNoCall;
            m_mode->setData();
            m_linkId2_RFCOMM = link;
            m_dataLinkOpen = link;
            m_connectedRFCOMM = true;
            qDebug() << "Connected RFCOMM" << m_linkId2_RFCOMM << m_btState;
            // The answer to a call the machine has given up on or lost
            // meanwhile: the module is in data mode on this link, so the
            // link is taken (otherwise the machine would wait for a stream
            // that is already there, and the module would stay in data mode).
            if (callAnswered && m_btState >= 1 && m_btState <= 3) {
                m_btState = 5;
                startCarrierWait();
            }
            updateState();
            callMainWindowMicrophoneUpdate();
        }
    } else if (starts("A2DP STREAMING START")) {
        m_connectedA2DP = true;
        updateState();
        qDebug() << "Connected A2DP" << m_callBtDeviceRfcomm;
    } else if (starts("RING")) {
        if (field(f, 4) == QLatin1String("AVRCP")) {
            m_linkId2_AVRCP = field(f, 1).toInt();
            m_connectedAVRCP = true;
            qDebug() << "Connected AVRCP";
            if (m_connectedHFP) {
                m_btExtHeadphoneBatteryState = -1;
                requestHeadphoneBatteryState();
            } else if (m_btState >= 0) {
                // An idle driver (links dropped on purpose, module reset)
                // calls nobody: a late report of a link from before must not
                // bring the headphone back onto the module.
                sendData(QStringLiteral("CALL ") + m_btId + QStringLiteral(" 111E HFP-AG"));
            }
        }
    } else if (starts("HFP-AG")) {
        if (field(f, 2) == QLatin1String("READY")) {
            m_linkId3_HFP = field(f, 1).toInt();
            m_connectedHFP = true;
            qDebug() << "Connected HFP-AG";
            m_btExtHeadphoneBatteryState = -1;
            requestHeadphoneBatteryState();
        } else if (field(f, 4).startsWith(QLatin1String("AT+IPHONEACCEV"))) {
            // The battery level is a digit 0..9; any other report is ignored
            // (a huge number must not reach the arithmetic).
            bool ok = false;
            const int level = field(f, 4).section(QLatin1Char(','), 2, 2).toInt(&ok);
            if (ok && level >= 0 && level <= 9) {
                m_btExtHeadphoneBatteryState = (level + 1) * 10;
                qDebug() << "Headphone Batterystate:" << m_btExtHeadphoneBatteryState;
                emit btHeadphoneBatteryStateReceived(m_btExtHeadphoneBatteryState);
            } else {
                qDebug() << "Headphone battery report out of range:" << field(f, 4).left(40);
            }
        }
    } else if (starts("A2DP STREAMING STOP")) {
        clearConnectionFlags();
        m_btState = 1;
        updateState();
        qDebug() << "Verbindung unterbrochen";
    } else if (starts("NO CARRIER")) {
        bool ok = false;
        const int link = field(f, 2).toInt(&ok);
        if (ok && ((m_dataLinkCall >= 0 && link == m_dataLinkCall) || link == m_linkId2_RFCOMM || link == m_dataLinkOpen))
            m_mode->linkClosed(); // the data link (or its call) is gone
        if (ok && link == m_dataLinkOpen)
            m_dataLinkOpen = -1;
        if (m_dataLinkCall >= 0 && link == m_dataLinkCall && ok)
            m_dataLinkCall = kNoCall; // the call failed or was closed
        if (field(f, 2) != QLatin1String("3")) {
            clearConnectionFlags();
            m_btState = 1;
            updateState();
            qDebug() << "Disconnected";
        }
    } else if (starts("SYNTAX ERROR")) {
        // A message to the unit answered as the module answers a command:
        // the module may be in command mode while the link takes it for
        // data mode, or the unit's side said so over the data link. Either
        // way the module's owner escapes it and counts command mode only
        // then; the message waits for the data link again, first.
        if (m_btState == 6 && m_waitForBTRX) {
            qWarning() << "Bluetooth: the module answered" << m_outstanding << "with SYNTAX ERROR; taking it back";
            m_btTimerTransmit->stop();
            m_waitForBTRX = false;
            holdOutstandingFirst();
            m_mode->answeredAsCommand();
            takeBack();
            updateState();
        }
    } else if (starts("OK")) {
        qDebug() << "AT-OK received BT-Modul";
        emit btAtOk();
    } else if (starts("LIST")) {
        if (field(f, 2) == QLatin1String("CONNECTED"))
            handleListEntry(f);
    } else if (starts("BT_RX")) {
        handleUnitReply(line);
    } else if (starts("!$!")) {
        emit terminationStringDetected();
    } else if (starts("AVRCP")) {
        if (field(f, 4) == QLatin1String("VOLUME_CHANGED")) {
            const int percent = field(f, 5).toInt();
            m_btExtHeadphoneGain = qMin(convertVolPercentToVolStep(percent), 15);
            emit btHeadphoneVolumeChanged(percent);
        }
    } else if (starts("SET BT BDADDR")) {
        m_btIdModul = field(f, 3).trimmed();
        qDebug() << "Bluetooth-ID =" << m_btIdModul;
    } else if (starts("SET BT NAME")) {
        m_btName = field(f, 3).trimmed();
        qDebug() << "BT-NAME:" << m_btName;
    } else if (starts("SET PROFILE A2DP")) {
        const QString role = field(f, 3);
        m_btProfile = role.startsWith(QLatin1String("SINK"), Qt::CaseInsensitive)     ? 1
            : role.startsWith(QLatin1String("SOURCE"), Qt::CaseInsensitive) ? 2
                                                                            : 0;
        qDebug() << "BT-PROFILE" << m_btProfile;
    } else if (starts("WRAP THOR")) {
        m_btWaitForReadyAfterReset = true;
        m_dataLinkCall = kNoCall; // a restarted module holds no call
        m_dataLinkOpen = -1;
        m_mode->linkClosed(); // and is in command mode
        qDebug() << "Bluetoothmodul has been reset";
    } else if (starts("READY.")) {
        if (m_btWaitForReadyAfterReset) {
            m_btWaitForReadyAfterReset = false;
            emit btModulReset();
        }
    } else if (starts("PAIR")) {
        if (line.endsWith(QLatin1String("OK"))) {
            qDebug() << "Pairing successful";
            emit btPairingOk();
        }
    }
}

void Bluetooth::handleListEntry(const QStringList &f)
{
    const QString profile = field(f, 3);
    const int link = field(f, 1).toInt();
    if (profile == QLatin1String("A2DP")) {
        qDebug() << "LIST: Connected A2DP";
        m_connectedA2DP = true;
        m_linkId0_A2DP = 0;
        m_linkId1_A2DP = 1;
        if (m_callBtDeviceRfcomm) {
            m_btState = 4;
            m_waitCntConnectRfcomm = 0;
        } else {
            m_btState = 3;
        }
        updateState();
    } else if (profile == QLatin1String("RFCOMM")) {
        qDebug() << "LIST: Connected RFCOMM";
        m_connectedRFCOMM = true;
        m_linkId2_RFCOMM = link;
        m_dataLinkOpen = link;
        // Taken over in command mode (initialisation escaped the module);
        // a module still in data mode is taken out of it (state 6).
        if (m_mode->isCommandMode()) {
            m_btState = 8;
        } else {
            m_btState = 6;
            m_mode->leave();
        }
        updateState();
        emit btConnectedRfcomm();
        callMainWindowMicrophoneUpdate();
    } else if (profile == QLatin1String("AVRCP")) {
        m_linkId2_AVRCP = link;
        m_connectedAVRCP = true;
    } else if (profile == QLatin1String("HFP-AG")) {
        m_linkId3_HFP = link;
        m_connectedHFP = true;
    }
}

void Bluetooth::handleUnitReply(const QString &line)
{
    // Any reply releases the next waiting message, whatever it answers.
    m_waitForBTRX = false;
    emit btAnswerFromDeviceReceived();

    const QString keyword = line.split(QLatin1Char(' ')).value(1);
    const QStringList v = replyValues(line, keyword);
    // A reply without the values its keyword carries is malformed: it is
    // logged and raises nothing.
    auto need = [&](int n) {
        if (v.size() >= n)
            return true;
        qDebug() << "BT_RX without its values:" << line;
        return false;
    };

    if (keyword == QLatin1String("MUTE_STATE")) {
        if (need(1))
            emit stateActiveMuteChanged(v.at(0) != QLatin1String("ACTIVE"));
    } else if (keyword == QLatin1String("ALERT")) {
        if (need(1)) {
            qDebug() << "ALERT" << v.at(0);
            emit btAlertMessageReceived(v.at(0));
        }
    } else if (keyword == QLatin1String("SENSOR")) {
        if (need(1)) {
            qDebug() << "SENSOR" << v.at(0);
            emit btSensortypeReceived(v.at(0));
        }
    } else if (keyword == QLatin1String("BATT_VOLTAGE")) {
        if (need(1))
            emit btBatteryvoltageReceived(v.at(0));
    } else if (keyword == QLatin1String("SENSVAL")) {
        if (need(2))
            emit btSensorvalueReceived(v.at(0), v.at(1));
    } else if (keyword == QLatin1String("OK")) {
        qDebug() << "AT-OK received Microphone";
    } else if (keyword == QLatin1String("RCVOK")) {
        qDebug() << "RCVOK received from GX-4 Mode:" << v.value(0);
    } else if (keyword == QLatin1String("X")) {
        qDebug() << "Debug-/Service-Mode =" << v.value(0);
    } else if (keyword == QLatin1String("RDY")) {
        if (need(2)) {
            qDebug() << "Mic ready";
            qDebug() << "voltage/mV" << v.at(0);
            qDebug() << "Sensortyp" << v.at(1);
            callMainWindowMicrophoneUpdate();
            if (g_debugFeatures == 1)
                qDebug() << "Set GX-4 to debug mode.";
            emit btBatteryvoltageReceived(v.at(0));
            emit btSensortypeReceived(v.at(1));
            emit btRdyReceived();
        }
    } else if (keyword == QLatin1String("FH")) {
        if (need(1))
            emit btFwHeaderReceived(v.at(0) == QLatin1String("OK"));
    } else if (keyword == QLatin1String("FD")) {
        if (need(2)) {
            // A packet number that does not read as one (letters, beyond
            // int) acknowledges nothing: read as 0 it could pass for the
            // acknowledgement of packet 0.
            bool numberOk = false;
            const int packet = v.at(0).toInt(&numberOk);
            if (numberOk && packet >= 0)
                emit btFwDataReceived(packet, v.at(1) == QLatin1String("OK"));
            else
                qDebug() << "BT_RX FD with an unreadable packet number ignored:" << line.left(80);
        }
    } else if (keyword == QLatin1String("FS")) {
        if (need(1))
            emit btFwStartUpdateReceived(v.at(0) == QLatin1String("OK"));
    } else if (keyword == QLatin1String("RS")) {
        int range = 0;
        unsigned short atZero = 0, atRange = 0;
        if (parsePressureAnnouncement(line, &range, &atZero, &atRange))
            emit btEnableReceivePressuredata(true, range, atZero, atRange);
        else
            qDebug() << "BT_RX RS unreadable:" << line.left(80);
    } else if (keyword == QLatin1String("RD")) {
        int count = 0;
        QString samples;
        const PacketStatus status = parsePressurePacket(line, &count, &samples);
        if (status == PacketStatus::Unreadable) {
            qDebug() << "BT_RX RD unreadable:" << line.left(80);
            return;
        }
        // A flood of short lines with huge counts must not turn into
        // thousands of samples (and log bytes) each: one log line until a
        // whole packet comes again.
        if (status == PacketStatus::Cut && !m_pressureCountCut)
            qDebug() << "BT_RX RD count above its samples, cut to" << count << ":" << line.left(80);
        m_pressureCountCut = status == PacketStatus::Cut;
        if (count > 0)
            emit btPressuredataReceived(count, samples);
    } else if (keyword == QLatin1String("FW-VERSION")) {
        if (need(1)) {
            m_fwVersion = v.at(0);
            emit btFirmwareVersion(v.at(0));
        }
    }
}

bool Bluetooth::parsePressureAnnouncement(const QString &line, int *range, unsigned short *atZero,
                                          unsigned short *atRange)
{
    // The pressure sensor's announcement: range in bar, readings at 0 bar
    // and at full scale.
    const QStringList v = replyValues(line, QStringLiteral("RS"));
    if (v.size() < 3)
        return false;
    bool rangeOk = false, zeroOk = false, fullOk = false;
    const int r = v.at(0).toInt(&rangeOk);
    const uint zero = v.at(1).toUInt(&zeroOk);
    const uint full = v.at(2).toUInt(&fullOk);
    if (!rangeOk || !zeroOk || !fullOk || zero > 0xFFFF || full > 0xFFFF)
        return false;
    *range = r;
    *atZero = ushort(zero);
    *atRange = ushort(full);
    return true;
}

Bluetooth::PacketStatus Bluetooth::parsePressurePacket(const QString &line, int *count, QString *samples)
{
    // One packet of pressure samples: their count, then the samples
    // (missing ones read 0 at the screen).
    const QStringList v = replyValues(line, QStringLiteral("RD"));
    bool ok = false;
    const int n = v.value(0).toInt(&ok);
    if (!ok)
        return PacketStatus::Unreadable;
    *samples = v.value(1);
    // Sample i starts at character 4 i: a text of k characters holds
    // (k + 3) / 4 of them, the last perhaps without its digits.
    const int room = int((qint64(samples->size()) + 3) / 4);
    *count = qMin(n, room);
    return n > room ? PacketStatus::Cut : PacketStatus::Whole;
}

void Bluetooth::sendDebugCmd()
{
    sendData(QStringLiteral("BT_TX X DEBUG"));
}

// ---------------------------------------------------------------------------
// Module set-up, gains and headphone

// The set-up sequences are stored in the module. "SET CONTROL CD 04 1" makes
// its carrier-detect output (GPIO 59) show data mode and "SET CONTROL ESCAPE
// - 02 1" lets a DTR change (GPIO 58) end data mode; the state machine relies
// on both.
void Bluetooth::sendSetupSequence(const char *const *lines, int count)
{
    // In data mode the first line starts the switch to command mode and all
    // of them are written as one block once the module is there.
    for (int i = 0; i < count; ++i)
        sendData(QLatin1String(lines[i]));
}

void Bluetooth::initBtModulSource()
{
    static const char *const kLines[] = {
        "SET BT PAGEMODE 0 2000 2", "SET CONTROL ECHO 5", "SET BT FILTER 200400 200400",
        "SET BT PAIRCOUNT 1", "SET BT NAME TQE3900_HP", "SET CONTROL PREAMP 0 0",
        "SET CONTROL CD 04 1", "SET CONTROL ESCAPE - 02 1", "SET PROFILE A2DP SOURCE",
        "SET PROFILE AVRCP TARGET 7", "SET PROFILE HFP-AG ON", "SET BT CLASS 280428"};
    sendSetupSequence(kLines, int(sizeof(kLines) / sizeof(kLines[0])));
}

void Bluetooth::initBtModulSink()
{
    static const char *const kLines[] = {
        "SET BT PAGEMODE 0 2000 2", "SET CONTROL ECHO 5", "SET BT FILTER 200400 200400",
        "SET BT PAIRCOUNT 1", "SET BT NAME TQE3900_MIC", "SET CONTROL PREAMP 0 0",
        "SET CONTROL CD 04 1", "SET CONTROL ESCAPE - 02 1", "SET PROFILE A2DP SINK",
        "SET PROFILE AVRCP CONTROLLER 3", "SET BT CLASS 280438"};
    sendSetupSequence(kLines, int(sizeof(kLines) / sizeof(kLines[0])));
}

void Bluetooth::initBtModulSourceTestmode()
{
    // A module that plays the sensor unit in the production audio test.
    static const char *const kLines[] = {
        "SET BT PAGEMODE 3 4000 1", "SET CONTROL ECHO 5", "SET BT FILTER 200400 200400",
        "SET BT PAIRCOUNT 1", "SET BT NAME TQE3900_SIM_MIC", "SET CONTROL PREAMP 0 0",
        "SET CONTROL CD 04 1", "SET CONTROL ESCAPE - 02 1", "SET PROFILE A2DP SOURCE",
        "SET PROFILE AVRCP TARGET 7", "SET BT CLASS 280428"};
    sendSetupSequence(kLines, int(sizeof(kLines) / sizeof(kLines[0])));
}

void Bluetooth::setBtExtMicGain(int gain)
{
    // A gain code is one byte, sent as two lower-case hexadecimal digits.
    m_btExtMicGain = qBound(0, gain, 0xff);
    sendData(QStringLiteral("BT_TX G %1").arg(m_btExtMicGain, 2, 16, QLatin1Char('0')));
}

void Bluetooth::sendGainCommand()
{
    // The command carries its own "\n"; the module sees an empty line after it.
    sendData(QStringLiteral("SET CONTROL GAIN %1 %2\n").arg(m_btAdcGain, 0, 16).arg(m_btDacGain, 0, 16));
}

void Bluetooth::setBtDacGain(int gain)
{
    m_btDacGain = gain;
    sendGainCommand();
}

void Bluetooth::setBtAdcGain(int gain)
{
    m_btAdcGain = gain;
    if (gain > 0)
        m_btLastAdcGain = gain;
    sendGainCommand();
}

void Bluetooth::setBtLastAdcGain()
{
    setBtAdcGain(m_btLastAdcGain);
}

void Bluetooth::setBtExtHeadphoneVolUp()
{
    m_btExtHeadphoneGain = qMin(m_btExtHeadphoneGain + 1, 15);
    sendData(QStringLiteral("AVRCP UP"));
}

void Bluetooth::setBtExtHeadphoneVolDown()
{
    m_btExtHeadphoneGain = qMax(m_btExtHeadphoneGain - 1, 0);
    sendData(QStringLiteral("AVRCP DN"));
}

void Bluetooth::setBtExtHeadphoneGain(int percent)
{
    sendData(QStringLiteral("AVRCP PDU 50 %1").arg(percent));
    m_btExtHeadphoneGain = convertVolPercentToVolStep(percent);
}

void Bluetooth::requestHeadphoneBatteryState()
{
    if (m_linkId3_HFP > 0)
        sendData(QStringLiteral("@%1 +CHLD=0").arg(m_linkId3_HFP));
}

int Bluetooth::convertVolPercentToVolStep(int percent)
{
    // Upper percent bound of each step 0..15.
    static const int kUpper[16] = {3, 9, 15, 21, 28, 34, 40, 47, 53, 59, 65, 72, 78, 84, 91, 100};
    if (percent < 0 || percent > 100)
        return 8;
    for (int step = 0; step < 16; ++step)
        if (percent <= kUpper[step])
            return step;
    return 8;
}

int Bluetooth::convertVolStepToVolPercent(int step)
{
    static const int kPercent[16] = {0, 6, 12, 18, 25, 31, 37, 44, 50, 56, 62, 69, 75, 81, 88, 94};
    return step >= 0 && step < 16 ? kPercent[step] : 50;
}
