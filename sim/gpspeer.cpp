#include "gpspeer.h"

#include "controlchannel.h"
#include "devicetree.h"
#include "ptyport.h"

#include <QFile>
#include <QTime>
#include <QtMath>

namespace Sim {

namespace {

const char kUsage[] =
    "usage: gps fix <0|1> | pos <lat> <lon> | sats <0-12> | sky <GP|GL|GA|GB> <0-12> | talker <GP|GN|GL|GA|GB> | "
    "hdop <0.5-99.99> | height <m> | motion <knots> <course> | time <yyyy-MM-ddThh:mm:ss|now> | "
    "track <lat,lon> ... | play <file|off> | raw <text with \\r \\n \\t \\0 \\\\ \\xNN> | output <0|1> | repeat <0|1> | status | "
    "sentences <all|KIND[,KIND...]> (KIND: RMC GGA GSA GSV)";

// "RMC,GSA" or "all" as a set of GpsPeer::Kind; 0 when a word is no kind.
int parseKinds(const QString &text)
{
    if (text == QLatin1String("all"))
        return GpsPeer::AllKinds;
    int kinds = 0;
    const QStringList words = text.split(QLatin1Char(','));
    for (const QString &w : words) {
        const QString k = w.toUpper();
        if (k == QLatin1String("RMC"))
            kinds |= GpsPeer::Rmc;
        else if (k == QLatin1String("GGA"))
            kinds |= GpsPeer::Gga;
        else if (k == QLatin1String("GSA"))
            kinds |= GpsPeer::Gsa;
        else if (k == QLatin1String("GSV"))
            kinds |= GpsPeer::Gsv;
        else
            return 0;
    }
    return kinds;
}

QString kindsText(int kinds)
{
    if (kinds == GpsPeer::AllKinds)
        return QStringLiteral("all");
    QStringList names;
    if (kinds & GpsPeer::Rmc)
        names << QStringLiteral("RMC");
    if (kinds & GpsPeer::Gga)
        names << QStringLiteral("GGA");
    if (kinds & GpsPeer::Gsa)
        names << QStringLiteral("GSA");
    if (kinds & GpsPeer::Gsv)
        names << QStringLiteral("GSV");
    return names.join(QLatin1Char(','));
}

bool parseLatLon(const QString &lat, const QString &lon, QPointF *out)
{
    bool okLat = false, okLon = false;
    const double la = lat.toDouble(&okLat);
    const double lo = lon.toDouble(&okLon);
    if (!okLat || !okLon || !qIsFinite(la) || !qIsFinite(lo) || la < -90.0 || la > 90.0 || lo < -180.0
        || lo > 180.0)
        return false;
    *out = QPointF(la, lo);
    return true;
}


} // namespace

GpsPeer::GpsPeer(const QString &root, PtyPort *port, QObject *parent)
    : QObject(parent), m_root(root), m_port(port)
{
    m_timer.setInterval(kIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &GpsPeer::sendEpoch);
    if (m_port)
        connect(m_port, &PtyPort::received, this, &GpsPeer::receive);
}

void GpsPeer::start()
{
    m_timer.start();
}

void GpsPeer::stop()
{
    m_timer.stop();
}

void GpsPeer::setPosition(double latitude, double longitude)
{
    m_track.clear();
    m_fix.latitude = latitude;
    m_fix.longitude = longitude;
}

void GpsPeer::setSatellites(int count)
{
    m_fix.satellites = qBound(0, count, GpsFix::kMaxSatellites);
}

QDateTime GpsPeer::clock() const
{
    if (!m_clockBase.isValid())
        return QDateTime::currentDateTimeUtc();
    return m_clockBase.addMSecs(m_clockRunning.elapsed());
}

void GpsPeer::setClock(const QDateTime &utc)
{
    m_clockBase = utc.isValid() ? utc.toUTC() : QDateTime();
    m_clockRunning.start();
}

void GpsPeer::setTrack(const QList<QPointF> &latLon)
{
    m_track = latLon;
}

bool GpsPeer::play(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot open %1").arg(path);
        return false;
    }
    const QByteArray text = file.read(kMaxPlayBytes);
    // One second is the run of sentences from one of the type the log
    // starts with (usually RMC) to the next.
    QList<QByteArray> epochs;
    QByteArray first;
    for (const QByteArray &raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        const QByteArray type = Nmea::sentenceType(line);
        if (type.isEmpty())
            continue;
        if (first.isEmpty())
            first = type;
        if (type == first || epochs.isEmpty())
            epochs << QByteArray();
        epochs.last() += line + "\r\n";
    }
    if (epochs.isEmpty()) {
        if (error)
            *error = QStringLiteral("no NMEA sentence in %1").arg(path);
        return false;
    }
    m_playEpochs = epochs;
    m_playPos = 0;
    return true;
}

void GpsPeer::stopPlaying()
{
    m_playEpochs.clear();
    m_playPos = 0;
}

bool GpsPeer::isPowered() const
{
    // A missing line (no device tree) counts as powered.
    return !readBoardFile(m_root, QStringLiteral("/sys/class/gpio/gpio%1/value").arg(kPowerGpio)).startsWith('0');
}

QString GpsPeer::logPath() const
{
    return QStringLiteral("/.tq3900/gps-%1.log").arg(m_port ? m_port->name() : QStringLiteral("ttyO1"));
}

void GpsPeer::sendEpoch()
{
    if (!m_track.isEmpty()) {
        const QPointF next = m_track.takeFirst();
        m_fix.latitude = next.x();
        m_fix.longitude = next.y();
    }
    if (!m_port || !m_outputOn || !isPowered())
        return;
    if (!m_playEpochs.isEmpty()) {
        m_port->write(m_playEpochs.at(m_playPos));
        m_playPos = (m_playPos + 1) % m_playEpochs.size();
        return;
    }
    if (!m_repeatedRmc.isEmpty()) {
        m_port->write(m_repeatedRmc);
        return;
    }
    m_port->write(epochSentences());
}

QByteArray GpsPeer::epochSentences() const
{
    if (m_kinds == AllKinds)
        return Nmea::epoch(m_fix, clock());
    QByteArray out;
    const QDateTime utc = clock();
    if (m_kinds & Rmc)
        out += Nmea::rmc(m_fix, utc);
    if (m_kinds & Gga)
        out += Nmea::gga(m_fix, utc);
    if (m_kinds & Gsa)
        out += Nmea::gsa(m_fix);
    if (m_kinds & Gsv) {
        for (const QByteArray &s : Nmea::gsv(m_fix))
            out += s;
    }
    return out;
}

void GpsPeer::setRepeatRmc(bool on)
{
    m_repeatedRmc = on ? Nmea::rmc(m_fix, clock()) : QByteArray();
}

void GpsPeer::receive(const QByteArray &bytes)
{
    m_ubx += bytes;
    for (;;) {
        // Everything before a sync pair is no frame.
        const int sync = m_ubx.indexOf("\xB5\x62");
        if (sync < 0) {
            m_ubx = m_ubx.endsWith('\xB5') ? QByteArray("\xB5") : QByteArray();
            return;
        }
        m_ubx.remove(0, sync);
        if (m_ubx.size() < 6)
            return;
        const int length = quint8(m_ubx[4]) | (quint8(m_ubx[5]) << 8);
        if (length > kMaxUbxPayload) {
            m_ubx.remove(0, 2);
            continue;
        }
        if (m_ubx.size() < 8 + length)
            return;
        const QByteArray frame = m_ubx.left(8 + length);
        m_ubx.remove(0, frame.size());
        quint8 a = 0, b = 0;
        for (int i = 2; i < 6 + length; ++i) {
            a = quint8(a + quint8(frame[i]));
            b = quint8(b + a);
        }
        handleFrame(frame, a == quint8(frame[6 + length]) && b == quint8(frame[7 + length]));
    }
}

void GpsPeer::handleFrame(const QByteArray &frame, bool checksumOk)
{
    appendBoardFile(m_root, logPath(),
                    QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz")).toLatin1() + ' '
                        + frame.toHex(' ') + (checksumOk ? "" : " bad checksum") + '\n');
    // CFG-RST: payload clear mask (2 bytes), reset mode, reserved.
    if (!checksumOk || frame[2] != '\x06' || frame[3] != '\x04' || frame.size() != 12)
        return;
    m_outputOn = quint8(frame[8]) != 0x08;
}

QString GpsPeer::command(const QStringList &a)
{
    const QString usage = QLatin1String(kUsage);
    const QString sub = a.value(0);
    auto error = [&usage](const QString &why) { return QStringLiteral("error: ") + why + QStringLiteral("; ") + usage; };
    if (sub == QLatin1String("fix") && a.size() == 2) {
        if (a[1] != QLatin1String("0") && a[1] != QLatin1String("1"))
            return error(QStringLiteral("fix must be 0 or 1"));
        setValid(a[1] == QLatin1String("1"));
        return QStringLiteral("ok");
    }
    if (sub == QLatin1String("pos") && a.size() == 3) {
        QPointF p;
        if (!parseLatLon(a[1], a[2], &p))
            return error(QStringLiteral("latitude must be -90..90 and longitude -180..180"));
        setPosition(p.x(), p.y());
        return QStringLiteral("ok");
    }
    if ((sub == QLatin1String("sats") && a.size() == 2) || (sub == QLatin1String("sky") && a.size() == 3)) {
        const QByteArray talker = sub == QLatin1String("sats") ? QByteArray("GP") : a[1].toLatin1();
        bool ok = false;
        const int n = a.last().toInt(&ok);
        if (m_fix.inView(talker) < 0)
            return error(QStringLiteral("constellation must be GP, GL, GA or GB"));
        if (!ok || n < 0 || n > GpsFix::kMaxSatellites)
            return error(QStringLiteral("satellites must be 0..%1").arg(GpsFix::kMaxSatellites));
        m_fix.setInView(talker, n);
        return QStringLiteral("ok");
    }
    if (sub == QLatin1String("talker") && a.size() == 2) {
        const QStringList talkers{"GP", "GN", "GL", "GA", "GB"};
        if (!talkers.contains(a[1]))
            return error(QStringLiteral("talker must be GP, GN, GL, GA or GB"));
        m_fix.talker = a[1].toLatin1();
        return QStringLiteral("ok");
    }
    if (sub == QLatin1String("hdop") && a.size() == 2) {
        bool ok = false;
        const double v = a[1].toDouble(&ok);
        if (!ok || !(v >= 0.5 && v <= 99.99))
            return error(QStringLiteral("hdop must be 0.5..99.99"));
        m_fix.hdop = v;
        return QStringLiteral("ok");
    }
    if (sub == QLatin1String("height") && a.size() == 2) {
        bool ok = false;
        const double v = a[1].toDouble(&ok);
        if (!ok || !(v >= 0.0 && v <= 9000.0))
            return error(QStringLiteral("height must be 0..9000 m"));
        m_fix.altitude = v;
        return QStringLiteral("ok");
    }
    if (sub == QLatin1String("motion") && a.size() == 3) {
        bool okSpeed = false, okCourse = false;
        const double speed = a[1].toDouble(&okSpeed);
        const double course = a[2].toDouble(&okCourse);
        if (!okSpeed || !okCourse || !(speed >= 0.0 && speed <= 999.0) || !(course >= 0.0 && course < 360.0))
            return error(QStringLiteral("speed must be 0..999 knots and course 0..359.99"));
        m_fix.speedKnots = speed;
        m_fix.course = course;
        return QStringLiteral("ok");
    }
    if (sub == QLatin1String("time") && a.size() == 2) {
        if (a[1] == QLatin1String("now")) {
            setClock(QDateTime());
            return QStringLiteral("ok");
        }
        QDateTime t = QDateTime::fromString(a[1], Qt::ISODate);
        t.setTimeSpec(Qt::UTC);
        if (!t.isValid() || t.date().year() < 1980 || t.date().year() > 2099)
            return error(QStringLiteral("time must be yyyy-MM-ddThh:mm:ss (UTC, 1980..2099) or now"));
        setClock(t);
        return QStringLiteral("ok");
    }
    if (sub == QLatin1String("track") && a.size() >= 2) {
        QList<QPointF> track;
        for (int i = 1; i < a.size(); ++i) {
            const QStringList ll = a[i].split(QLatin1Char(','));
            QPointF p;
            if (ll.size() != 2 || !parseLatLon(ll[0], ll[1], &p))
                return error(QStringLiteral("track points are <lat>,<lon> in decimal degrees"));
            track << p;
        }
        setTrack(track);
        return QStringLiteral("ok");
    }
    if (sub == QLatin1String("play") && a.size() >= 2) {
        if (a.size() == 2 && a[1] == QLatin1String("off")) {
            stopPlaying();
            return QStringLiteral("ok");
        }
        QString why;
        if (!play(a.mid(1).join(QLatin1Char(' ')), &why))
            return error(why);
        return QStringLiteral("ok");
    }
    if (sub == QLatin1String("output") && a.size() == 2) {
        if (a[1] != QLatin1String("0") && a[1] != QLatin1String("1"))
            return error(QStringLiteral("output must be 0 or 1"));
        m_outputOn = a[1] == QLatin1String("1");
        return QStringLiteral("ok");
    }
    if (sub == QLatin1String("repeat") && a.size() == 2) {
        if (a[1] != QLatin1String("0") && a[1] != QLatin1String("1"))
            return error(QStringLiteral("repeat must be 0 or 1"));
        setRepeatRmc(a[1] == QLatin1String("1"));
        return QStringLiteral("ok");
    }
    if (sub == QLatin1String("sentences") && a.size() == 2) {
        const int kinds = parseKinds(a[1]);
        if (kinds == 0)
            return error(QStringLiteral("sentences are all or a comma list of RMC, GGA, GSA, GSV"));
        m_kinds = kinds;
        return QStringLiteral("ok");
    }
    if (sub == QLatin1String("status") && a.size() == 1) {
        return QStringLiteral("%1 %2 %3 %4,%5 talker %6 sats GP %7 GL %8 GA %9 GB %10 %11 sentences %12")
            .arg(isPowered() ? (m_outputOn ? "sending" : "stopped") : "unpowered")
            .arg(m_fix.valid ? "fix" : "nofix")
            .arg(clock().toString(Qt::ISODate))
            .arg(m_fix.latitude, 0, 'f', 6)
            .arg(m_fix.longitude, 0, 'f', 6)
            .arg(QString::fromLatin1(m_fix.talker))
            .arg(m_fix.inView("GP"))
            .arg(m_fix.inView("GL"))
            .arg(m_fix.inView("GA"))
            .arg(m_fix.inView("GB"))
            .arg(m_playEpochs.isEmpty() ? QStringLiteral("generated") : QStringLiteral("playing"))
            .arg(kindsText(m_kinds));
    }
    return error(QStringLiteral("unknown or incomplete gps command"));
}

void GpsPeer::registerCommands(ControlChannel &channel)
{
    channel.registerCommand(
        QStringLiteral("gps"),
        QStringLiteral("gps fix <0|1> | pos <lat> <lon> | sats <n> | sky <GP|GL|GA|GB> <n> | talker <GP|GN|...> | "
                       "hdop <x> | height <m> | motion <knots> <course> | time <iso|now> | track <lat,lon> ... | "
                       "play <file|off> | raw <text> | output <0|1> | status | "
                       "sentences <all|RMC,GGA,GSA,GSV>: the kinds of sentence sent; "
                       "repeat <0|1>: one identical RMC sentence every second, nothing else"),
        [this](const ControlRequest &req) -> QString {
            if (req.args.value(0) == QLatin1String("raw") && req.args.size() >= 2) {
                QByteArray bytes;
                if (!unescapeControlText(req.rest(1), &bytes))
                    return QStringLiteral("error: broken escape; ") + QLatin1String(kUsage);
                if (!m_port || !m_port->write(bytes))
                    return QStringLiteral("error: nobody has the port open");
                return QStringLiteral("ok");
            }
            return command(req.args);
        });
}

} // namespace Sim
