#include "sensorunitpeer.h"

#include "controlchannel.h"
#include "devicetree.h"
#include "pressurestream.h"

#include <QRegularExpression>
#include <QTime>
#include <QTimer>

namespace Sim {

namespace {
const char kHardwareVersion[] = "2.1";
const char kFirmwareVersion[] = "1.4.2";
} // namespace

SensorUnitPeer::SensorUnitPeer(const QString &root, QObject *parent)
    : BtRemotePeer(kDefaultAddress, parent), m_root(root), m_pressure(new PressureStream(this))
{
    connect(m_pressure, &PressureStream::line, this, &SensorUnitPeer::reply);
}

bool SensorUnitPeer::offers(const QByteArray &profile) const
{
    const QByteArray p = profile.toUpper();
    return p == "A2DP" || p == "RFCOMM";
}

void SensorUnitPeer::linkChanged(const QByteArray &profile, bool up)
{
    BtRemotePeer::linkChanged(profile, up);
    if (profile.toUpper() == "RFCOMM" && up)
        m_reading.linkUp();
    if (profile.toUpper() == "RFCOMM" && !up)
        m_pressure->stop();
}

void SensorUnitPeer::reply(const QByteArray &text)
{
    if (isLinkUp("RFCOMM"))
        emit dataToHost(text);
}

void SensorUnitPeer::receiveData(const QByteArray &line)
{
    if (line.trimmed().isEmpty())
        return; // "BT_TX P" arrives with an empty line after it
    appendBoardFile(m_root, logPath(),
                    QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz")).toLatin1() + ' ' + line + '\n');

    const QByteArrayList w = line.simplified().split(' ');
    if (w.value(0) == "BT_TX" && m_ignored.contains(w.value(1)))
        return;
    if (w.value(0) == "AT") {
        reply("BT_RX OK");
        return;
    }
    if (w.value(0) != "BT_TX")
        return;
    const QByteArray command = w.value(1);
    if (command == "I") {
        bool ok = false;
        const int gain = w.value(2).toInt(&ok, 16);
        if (ok)
            m_gain = gain;
        if (w.size() > 3)
            m_muted = w.value(3) != "ACTIVE";
        if (w.size() > 4)
            m_switchMode = w.value(4) == "SWITCH";
        reply("BT_RX RCVOK " + muteWord());
    } else if (command == "G") {
        bool ok = false;
        const int gain = w.value(2).toInt(&ok, 16);
        if (ok)
            m_gain = gain;
        reply("BT_RX RCVOK " + muteWord());
    } else if (command == "B") {
        reply("BT_RX BATT_VOLTAGE " + QByteArray::number(m_batteryMv));
    } else if (command == "T") {
        reply("BT_RX SENSOR " + QByteArray::number(m_sensorType));
    } else if (command == "S") {
        reply("BT_RX SENSVAL " + m_reading.value() + ' ' + QByteArray::number(m_reading.activeSeconds()));
    } else if (command == "X") {
        if (w.size() > 2)
            m_mode = w.value(2);
        reply("BT_RX X " + m_mode);
    } else if (command == "RS") {
        reply(m_pressure->announcement());
        m_pressure->start();
    } else if (command == "RP") {
        m_pressure->stop();
    } else if (command == "FH" || command == "FD" || command == "FS") {
        handleFirmwareLine(w);
    } else if (command == "O") {
        reply("BT_RX OK");
    } else if (command == "P") {
        for (const QByteArray &key : infoKeys()) {
            const QByteArray value = infoValue(key);
            if (!value.isEmpty())
                reply("BT_RX " + key + ' ' + value);
        }
        reply("!$!");
    }
}

const QList<QByteArray> &SensorUnitPeer::infoKeys()
{
    static const QList<QByteArray> keys{"HW-VERSION", "FW-VERSION", "BATT_VOLTAGE", "SENSOR",
                                        "MIC-GAIN",   "MUTE_STATE", "BUTTON"};
    return keys;
}

QByteArray SensorUnitPeer::infoValue(const QByteArray &key) const
{
    const QByteArray set = m_infoValues.value(key);
    if (set == "-")
        return QByteArray();
    if (!set.isEmpty())
        return set;
    if (key == "HW-VERSION")
        return kHardwareVersion;
    if (key == "FW-VERSION")
        return kFirmwareVersion;
    if (key == "BATT_VOLTAGE")
        return QByteArray::number(m_batteryMv);
    if (key == "SENSOR")
        return QByteArray::number(m_sensorType);
    if (key == "MIC-GAIN")
        return QByteArray::number(m_gain, 16).rightJustified(2, '0');
    if (key == "MUTE_STATE")
        return muteWord();
    if (key == "BUTTON")
        return m_switchMode ? "SWITCH" : "PUSHBUT";
    return QByteArray();
}

void SensorUnitPeer::setInfoValue(const QByteArray &key, const QByteArray &value)
{
    if (value.isEmpty() || value == "default")
        m_infoValues.remove(key);
    else
        m_infoValues.insert(key, value);
}

QString SensorUnitPeer::infoCommand(const ControlRequest &r, const QString &usage)
{
    if (r.args.size() == 1) {
        QStringList lines;
        for (const QByteArray &key : infoKeys()) {
            const QByteArray value = infoValue(key);
            lines << QString::fromLatin1(key + ' ' + (value.isEmpty() ? QByteArray("(left out)") : value));
        }
        return lines.join(QStringLiteral("; "));
    }
    if (r.args.size() != 3)
        return QStringLiteral("error: ") + usage;
    QByteArray key = r.args.at(1).toLatin1().toUpper();
    bool isNumber = false;
    const int number = r.args.at(1).toInt(&isNumber);
    if (isNumber && number >= 1 && number <= infoKeys().size())
        key = infoKeys().at(number - 1);
    if (!infoKeys().contains(key))
        return QStringLiteral("error: key must be 1-7 or one of %1; ")
                   .arg(QString::fromLatin1(infoKeys().join(' ')))
               + usage;
    const QByteArray value = r.args.at(2).toLatin1();
    // One word that fits a module line.
    if (value.size() > 64 || value.contains('\n') || value.contains('\r'))
        return QStringLiteral("error: value must be one word of at most 64 characters; ") + usage;
    setInfoValue(key, value);
    return QStringLiteral("ok");
}

QString SensorUnitPeer::firmwareStatus() const
{
    if (!m_firmwareStarted)
        return QStringLiteral("none");
    return QStringLiteral("%1 %2/%3")
        .arg(QString::fromLatin1(m_firmwareVersion))
        .arg(m_firmwareImage.size())
        .arg(m_firmwareSize);
}

void SensorUnitPeer::handleFirmwareLine(const QByteArrayList &w)
{
    if (m_firmwareReply == FirmwareReply::Silent)
        return;
    const bool refuse = m_firmwareReply == FirmwareReply::Error;
    const QByteArray command = w.value(1);
    bool ok = false;
    if (command == "FH") {
        const qint64 size = w.value(2).toLongLong(&ok);
        // Images beyond a few MiB are no sensor-unit firmware.
        ok = ok && size > 0 && size <= 16 * 1024 * 1024 && w.size() == 4 && !refuse;
        if (ok) {
            m_firmwareStarted = true;
            m_firmwareSize = size;
            m_firmwareVersion = w.value(3);
            m_firmwareImage.clear();
            m_nextPacket = 0;
        }
        reply(ok ? "BT_RX FH OK" : "BT_RX FH ERROR");
        return;
    }
    if (command == "FD") {
        const QByteArray numberField = w.value(2);
        const int number = numberField.toInt(&ok);
        bool lengthOk = false;
        const int length = w.value(3).toInt(&lengthOk);
        const QByteArray digits = w.value(4);
        const QByteArray data = QByteArray::fromHex(digits);
        const bool hexOk = digits.size() % 2 == 0 && data.toHex() == digits.toLower();
        ok = ok && lengthOk && hexOk && !refuse && m_firmwareStarted && w.size() == 5
             && number == m_nextPacket && length == data.size()
             && m_firmwareImage.size() + data.size() <= m_firmwareSize;
        if (ok) {
            m_firmwareImage += data;
            ++m_nextPacket;
        }
        const QByteArray answer = "BT_RX FD " + (numberField.isEmpty() ? QByteArray("0") : numberField) + (ok ? " OK" : " ERROR");
        reply(answer);
        if (ok && number == m_ackTwicePacket)
            reply(answer);
        return;
    }
    // FS
    ok = !refuse && m_firmwareStarted && m_firmwareImage.size() == m_firmwareSize;
    reply(ok ? "BT_RX FS OK" : "BT_RX FS ERROR");
    if (!ok)
        return;
    writeBoardFile(m_root, QStringLiteral("/.tq3900/unit-firmware.bin"), m_firmwareImage);
    m_firmwareStarted = false;
    // From now on it reports the image's version.
    setInfoValue("FW-VERSION", m_firmwareVersion);
    if (m_offAirMs > 0) {
        // Its RDY goes out while no link is up and is lost.
        emit offAir(true);
        QTimer::singleShot(m_offAirMs, this, [this] { emit offAir(false); });
    }
    QTimer::singleShot(kRestartAfterUpdateMs, this, [this] { restart(); });
}

void SensorUnitPeer::pressKey()
{
    m_muted = m_switchMode ? !m_muted : false;
    reply("BT_RX MUTE_STATE " + muteWord());
}

void SensorUnitPeer::releaseKey()
{
    if (m_switchMode)
        return;
    m_muted = true;
    reply("BT_RX MUTE_STATE " + muteWord());
}

void SensorUnitPeer::raiseAlert(const QByteArray &code)
{
    reply("BT_RX ALERT " + code);
}

void SensorUnitPeer::restart()
{
    m_muted = true;
    reply("BT_RX RDY " + QByteArray::number(m_batteryMv) + ' ' + QByteArray::number(m_sensorType));
}

void SensorUnitPeer::registerCommands(ControlChannel &channel)
{
    m_pressure->registerCommands(channel);
    channel.registerCommand(
        QStringLiteral("unit"),
        QStringLiteral("unit key <press|release> | sensor <0-9> | battery <mV> | alert <code> | value <v> | "
                       "ramp <from> <to> <s> | active <s> | "
                       "restart | address <addr> | mode | firmware [reply <ok|error|silent> | ack-twice <n|off> | drop <ms>] | "
                       "info [<key|1-7> <value|-|default>] | ignore [<word>|none] | say <text> | status: the sensor unit behind ttyO2; "
                       "info sets a line of the answer to P (FW-VERSION is the unit's firmware version), - leaves it out; "
                       "ignore makes it ignore BT_TX <word>; say sends one line of text over the data link"),
        [this](const ControlRequest &r) {
            const QString usage = QStringLiteral(
                "usage: unit key <press|release> | unit sensor <0-9> | unit battery <mV 0-9999> | "
                "unit alert <code> | unit value <v> | unit ramp <from> <to> <s> | unit active <s> | "
                "unit restart | unit address <addr> | "
                "unit mode | unit firmware [reply <ok|error|silent> | ack-twice <n|off> | drop <ms 0-600000>] | "
                "unit info [<key|1-7> <value|-|default>] | unit ignore [<word>|none] | unit say <text> | unit status");
            const QString sub = r.args.value(0);
            const QString arg = r.args.value(1);
            const int count = r.args.size();
            bool ok = false;
            if (sub == QLatin1String("key") && count == 2 && (arg == QLatin1String("press") || arg == QLatin1String("release"))) {
                if (arg == QLatin1String("press"))
                    pressKey();
                else
                    releaseKey();
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("sensor") && count == 2) {
                const int type = arg.toInt(&ok);
                if (!ok || type < 0 || type > 9)
                    return QStringLiteral("error: sensor type must be 0 to 9; ") + usage;
                setSensorType(type);
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("battery") && count == 2) {
                const int mv = arg.toInt(&ok);
                if (!ok || mv < 0 || mv > 9999)
                    return QStringLiteral("error: battery must be 0 to 9999 mV; ") + usage;
                setBatteryMillivolts(mv);
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("alert") && count == 2) {
                raiseAlert(arg.toLatin1());
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("value") && count == 2) {
                setSensorValue(arg.toLatin1());
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("ramp") && count == 4) {
                bool toOk = false, timeOk = false;
                const double from = arg.toDouble(&ok);
                const double to = r.args.value(2).toDouble(&toOk);
                const double seconds = r.args.value(3).toDouble(&timeOk);
                if (!ok || !toOk || !timeOk || !m_reading.startRamp(from, to, seconds))
                    return QStringLiteral("error: ramp needs two values and 0 to 86400 s; ") + usage;
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("active") && count == 2) {
                const qint64 seconds = arg.toLongLong(&ok);
                if (!ok || !m_reading.setActiveSeconds(seconds))
                    return QStringLiteral("error: active time must be 0 to 10000000 s; ") + usage;
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("restart") && count == 1) {
                restart();
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("address") && count == 2) {
                setAddress(arg.toLatin1());
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("mode") && count == 1)
                return QString::fromLatin1(m_mode);
            if (sub == QLatin1String("firmware") && count == 1)
                return firmwareStatus();
            if (sub == QLatin1String("firmware") && count == 3 && arg == QLatin1String("reply")) {
                const QString how = r.args.value(2);
                if (how == QLatin1String("ok"))
                    m_firmwareReply = FirmwareReply::Ok;
                else if (how == QLatin1String("error"))
                    m_firmwareReply = FirmwareReply::Error;
                else if (how == QLatin1String("silent"))
                    m_firmwareReply = FirmwareReply::Silent;
                else
                    return QStringLiteral("error: ") + usage;
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("firmware") && count == 3 && arg == QLatin1String("ack-twice")) {
                const int packet = r.args.value(2).toInt(&ok);
                if (r.args.value(2) == QLatin1String("off"))
                    m_ackTwicePacket = -1;
                else if (ok && packet >= 0)
                    m_ackTwicePacket = packet;
                else
                    return QStringLiteral("error: ") + usage;
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("firmware") && count == 3 && arg == QLatin1String("drop")) {
                const int ms = r.args.value(2).toInt(&ok);
                if (!ok || ms < 0 || ms > 600000)
                    return QStringLiteral("error: ") + usage;
                m_offAirMs = ms;
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("info"))
                return infoCommand(r, usage);
            if (sub == QLatin1String("ignore") && count == 1) {
                QStringList words;
                for (const QByteArray &word : qAsConst(m_ignored))
                    words << QString::fromLatin1(word);
                words.sort();
                return words.isEmpty() ? QStringLiteral("none") : words.join(QLatin1Char(' '));
            }
            if (sub == QLatin1String("ignore") && count == 2) {
                if (arg == QLatin1String("none"))
                    heedAllMessages();
                else
                    ignoreMessage(arg.toLatin1());
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("say") && count >= 2) {
                if (!isLinkUp("RFCOMM"))
                    return QStringLiteral("error: the data link is down; line dropped");
                reply(r.rest(1).toUtf8());
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("status") && count == 1)
                return QStringLiteral("address %1; rfcomm %2; a2dp %3; %4; %5; gain %6")
                    .arg(QString::fromLatin1(address()))
                    .arg(isLinkUp("RFCOMM") ? QStringLiteral("up") : QStringLiteral("down"))
                    .arg(isLinkUp("A2DP") ? QStringLiteral("up") : QStringLiteral("down"))
                    .arg(QString::fromLatin1(muteWord()))
                    .arg(m_switchMode ? QStringLiteral("SWITCH") : QStringLiteral("PUSHBUT"))
                    .arg(m_gain, 2, 16, QLatin1Char('0'));
            return QStringLiteral("error: ") + usage;
        });
}

} // namespace Sim
