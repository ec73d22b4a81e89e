#include "gps.h"
#include "systemclock.h"

#include "commandrunner.h"
#include "deviceroot.h"
#include "gpio.h"
#include "mainmenu.h"
#include "nmeapositioninfosourceraw.h"
#include "systemclock.h"
#include "systemsettings.h"

#include <QDebug>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTimer>
#include <QtMath>

namespace {

const char kPort[] = "/dev/ttyO1";

const char kRmcPattern[] =
    "\\$(GNRMC|GPRMC|GLRMC|GARMC|GBRMC|GIRMC|GQRMC),(\\d+.\\d+|),(\\w+|),(\\d+.\\d+|),(\\w+|),(\\d+.\\d+|),(\\w+|),"
    "(\\d+.\\d+|),?(\\d+.\\d+|),?(\\w+|),?(\\d+.\\d+|),?(\\w+|),?(\\w+|),?(\\w+|)\\*([0-9a-fA-F]+)";
const char kGsaPattern[] =
    "\\$(GNGSA|GPGSA|GLGSA|GAGSA|GBGSA|GIGSA|GQGSA),(\\w+),(\\d+|),(\\d+|),(\\d+|),(\\d+|),(\\d+|),(\\d+|),(\\d+|),"
    "(\\d+|),(\\d+|),(\\d+|),(\\d+|),(\\d+|),(\\d+|),(\\d+.\\d+|),(\\d+.\\d+|),(\\d+.\\d+|),?(\\d+|)\\*([0-9a-fA-F]+)";
const char kGgaPattern[] =
    "\\$(GNGGA|GPGGA|GLGGA|GAGGA|GBGGA|GIGGA|GQGGA),(\\d+.\\d+|),(\\d+.\\d+|),(\\w+|),(\\d+.\\d+|),(\\w+|),(\\d+),"
    "(\\d+),(\\d+.\\d+|),(\\d+.\\d+|),(\\w+|),(\\d+.\\d+|),(\\w+|),(\\d+.\\d+|),(\\d+.\\d+|)\\*([0-9a-fA-F]+)";
const char kGsvTalkers[] = "\\$(GNGSV|GPGSV|GLGSV|GAGSV|GBGSV|GIGSV|GQGSV),(\\d+),(\\d+),(\\d+)";
const char kRmcTimePattern[] = "\\$(GNRMC|GPRMC|GLRMC|GARMC|GBRMC|GIRMC|GQRMC),(\\d+)";

// The GSV pattern for k satellite blocks (0 to 4): the header, k blocks of
// number, elevation, azimuth and signal-to-noise ratio, the optional signal
// id and the checksum.
QString gsvPatternText(int blocks)
{
    return QLatin1String(kGsvTalkers) + QStringLiteral(",(\\d+|),(\\d+|),(\\d+|),(\\d+|)").repeated(blocks)
        + QLatin1String(",?(\\d+|)\\*([0-9a-fA-F]+)");
}

const QRegularExpression &gsvPattern(int blocks)
{
    static const QRegularExpression patterns[5] = {
        QRegularExpression(gsvPatternText(0)), QRegularExpression(gsvPatternText(1)),
        QRegularExpression(gsvPatternText(2)), QRegularExpression(gsvPatternText(3)),
        QRegularExpression(gsvPatternText(4)),
    };
    return patterns[qBound(0, blocks, 4)];
}

// Base 10; an empty or non-numeric capture gives 0.
int toInt(const QString &s)
{
    bool ok = false;
    const int v = s.toInt(&ok, 10);
    return ok ? v : 0;
}

double toDouble(const QString &s)
{
    bool ok = false;
    const double v = s.toDouble(&ok);
    return ok && qIsFinite(v) ? v : 0.0;
}

Systemsettings *settings()
{
    MainMenu *w = MainMenu::getInstanceMainMenu();
    return w ? w->getInstanceSystemsettings() : nullptr;
}

} // namespace

Gps::Gps(QObject *parent)
    : QObject(parent)
    , uartPort1(new QSerialPort())
    , m_nmeaSource(nullptr)
    , m_reopenTimer(new QTimer(this))
{
    uartPort1->setPortName(DeviceRoot::path(QString::fromLatin1(kPort)));
    const bool opened = openPort();
    qDebug() << "Uart 1: " << (opened ? "true" : "false");
    connect(uartPort1, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        // Errors of a single request are no reason to give the line up.
        if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError
            && error != QSerialPort::UnsupportedOperationError && error != QSerialPort::NotOpenError)
            QMetaObject::invokeMethod(this, &Gps::portError, Qt::QueuedConnection);
    });

    m_reopenTimer->setInterval(kReopenMs);
    connect(m_reopenTimer, &QTimer::timeout, this, &Gps::reopenPort);
    if (!opened) {
        m_portFailed = true;
        m_reopenTimer->start();
    }

    // Connected before the source starts, so it looks at each arrival first.
    connect(uartPort1, &QSerialPort::readyRead, this, &Gps::dropWhatIsNoSentence);
    m_nmeaSource = new NmeaPositionInfoSourceRaw(QNmeaPositionInfoSource::RealTimeMode, this);
    m_nmeaSource->setDevice(uartPort1);
}

Gps::~Gps()
{
    m_reopenTimer->stop();
    delete m_nmeaSource; // reads the port as it closes: before the port goes
    m_nmeaSource = nullptr;
    uartPort1->close();
    delete uartPort1;
}

bool Gps::openPort()
{
    if (!uartPort1->open(QIODevice::ReadWrite))
        return false;
    uartPort1->setBaudRate(QSerialPort::Baud9600, QSerialPort::AllDirections);
    return true;
}

bool Gps::isPortOpen() const
{
    return uartPort1->isOpen();
}

// A port that failed (the device went away, a read error) is closed and
// opened again every few seconds; the failure is logged once.
void Gps::portError()
{
    if (!uartPort1->isOpen())
        return;
    const QString why = uartPort1->errorString();
    uartPort1->close();
    uartPort1->clearError();
    if (!m_portFailed)
        qDebug() << "Uart 1: error," << why << "- reopening every" << kReopenMs << "ms";
    m_portFailed = true;
    m_reopenTimer->start();
}

qint64 Gps::unreadBytes() const
{
    return uartPort1->bytesAvailable();
}

// The source reads whole lines only: bytes that never end a line (noise, a
// receiver at the wrong baud rate, a flooding peer) would stay in the port's
// buffer and grow it for ever. Beyond kMaxUnreadBytes without a line end they
// are dropped, all but a last sentence start, whose end may still come. One
// log line per episode; a line end ends it.
void Gps::dropWhatIsNoSentence()
{
    if (uartPort1->canReadLine()) {
        m_dropping = false;
        return;
    }
    const qint64 waiting = uartPort1->bytesAvailable();
    if (waiting <= kMaxUnreadBytes)
        return;
    const QByteArray bytes = uartPort1->peek(waiting);
    const int start = bytes.lastIndexOf('$');
    const qint64 keep = start >= 0 && bytes.size() - start <= NmeaPositionInfoSourceRaw::kMaxLine
        ? bytes.size() - start
        : 0;
    uartPort1->skip(waiting - keep);
    if (!m_dropping)
        qDebug() << "Uart 1: no line end in" << waiting << "bytes: dropped up to the next line end";
    m_dropping = true;
}

void Gps::reopenPort()
{
    if (uartPort1->isOpen() || !openPort())
        return;
    m_reopenTimer->stop();
    m_portFailed = false;
    qDebug() << "Uart 1: reopened";
    // The source reads the same port object: it only has to be started once.
    if (m_updatesWanted && !m_updatesStarted) {
        m_updatesStarted = true;
        m_nmeaSource->startUpdates();
    }
}

void Gps::initGps()
{
    m_latitude = 0;
    m_longitude = 0;
    m_gpsValid = false;
    Systemsettings *s = settings();
    m_enableSettingSystemtime = s && s->getDateTimeSource() == QLatin1String("GPS");
    m_nmeaSource->setUpdateInterval(kUpdateIntervalMs);
    m_updatesWanted = true;
    // Started on a closed port the source would open it read-only itself;
    // without the port it starts when the port is reopened.
    if (uartPort1->isOpen()) {
        m_updatesStarted = true;
        m_nmeaSource->startUpdates();
    }
    connect(m_nmeaSource, &QGeoPositionInfoSource::positionUpdated, this, &Gps::updatePosition,
            Qt::UniqueConnection);
    m_posInfo = m_nmeaSource->lastKnownPosition(false);
    connect(m_nmeaSource, QOverload<QGeoPositionInfoSource::Error>::of(&QGeoPositionInfoSource::error), this,
            &Gps::updateError, Qt::UniqueConnection);
    connect(m_nmeaSource, &QGeoPositionInfoSource::updateTimeout, this, &Gps::updateTimeout,
            Qt::UniqueConnection);
}

QByteArray Gps::resetFrame(quint8 resetMode)
{
    QByteArray frame("\xB5\x62\x06\x04\x04\x00\x00\x00", 8);
    frame.append(char(resetMode));
    frame.append('\0');
    // 8-bit Fletcher sum over class, id, length and payload.
    quint8 ckA = 0, ckB = 0;
    for (int i = 2; i < frame.size(); ++i) {
        ckA = quint8(ckA + quint8(frame.at(i)));
        ckB = quint8(ckB + ckA);
    }
    frame.append(char(ckA));
    frame.append(char(ckB));
    return frame;
}

void Gps::sendResetFrame(quint8 resetMode, const char *what)
{
    const QByteArray frame = resetFrame(resetMode);
    if (uartPort1->isOpen())
        uartPort1->write(frame);
    const quint8 ckA = quint8(frame.at(10));
    const quint8 ckB = quint8(frame.at(11));
    qDebug() << what << QStringLiteral("%1=0x%2").arg(ckA).arg(ckA, 0, 16)
             << QStringLiteral("%1=0x%2").arg(ckB).arg(ckB, 0, 16);
}

void Gps::switchOnGpsModul()
{
    Gpio::setValue(kPowerGpio, 1);
    sendResetFrame(0x09, "GNSS switched on:");
    m_nmeaEnabled = true;
    qDebug() << "NMEA enabled:" << m_nmeaEnabled;
}

void Gps::switchOffGpsModul()
{
    Gpio::setValue(kPowerGpio, 0);
    sendResetFrame(0x08, "GNSS switched off:");
    m_nmeaEnabled = false;
    qDebug() << "NMEA enabled:" << m_nmeaEnabled;
    clearPosition();
}

void Gps::clearPosition()
{
    m_latitude = 0;
    m_longitude = 0;
    m_dateTime = QDateTime();
    m_gpsValid = false;
}

double Gps::getLatitude() const
{
    // NaN (a position without coordinate) counts as out of range.
    return m_latitude >= -90.0 && m_latitude <= 90.0 ? m_latitude : 0.0;
}

double Gps::getLongitude() const
{
    return m_longitude >= -180.0 && m_longitude <= 180.0 ? m_longitude : 0.0;
}

void Gps::updatePosition()
{
    if (!m_nmeaEnabled)
        return;
    m_posInfo = m_nmeaSource->lastKnownPosition(false);
    m_latitude = m_posInfo.coordinate().latitude();
    m_longitude = m_posInfo.coordinate().longitude();
    m_dateTime = m_posInfo.timestamp();
    m_gpsValid = m_posInfo.isValid();

    if (m_gpsValid && m_enableSettingSystemtime && setSystemTime())
        m_enableSettingSystemtime = false;

    analyseRmc();
    analyseGsa();
    analyseGsv();
    analyseGga();

    QStringList numbers;
    for (int n : qAsConst(m_listOfSatellitesInView))
        numbers << QString::number(n);
    qDebug() << "Used: " << m_ggaNumSat << "SatInView: " << m_listOfSatellitesInView.size()
             << numbers.join(QLatin1Char(' '));
}

void Gps::analyseRmc()
{
    static const QRegularExpression re{QLatin1String(kRmcPattern)};
    const QRegularExpressionMatch m = re.match(m_nmeaSource->getNmeaRmcString().trimmed());
    if (!m.hasMatch()) {
        qDebug() << "No RMC match";
        return;
    }
    m_rmcSpeedOverGround = toDouble(m.captured(8));
    m_rmcCourseOverGround = toDouble(m.captured(9));
}

void Gps::analyseGsa()
{
    static const QRegularExpression re{QLatin1String(kGsaPattern)};
    const QString gsa = m_nmeaSource->getNmeaGsaString().trimmed();
    qDebug() << "NMEA_GSA: " << gsa;
    const QRegularExpressionMatch m = re.match(gsa);
    if (!m.hasMatch()) {
        qDebug() << "No GPGSA match";
        return;
    }
    m_pdop = float(toDouble(m.captured(16)));
    m_hdop = float(toDouble(m.captured(17)));
    m_vdop = float(toDouble(m.captured(18)));
}

void Gps::analyseGga()
{
    static const QRegularExpression re{QLatin1String(kGgaPattern)};
    const QString gga = m_nmeaSource->getNmeaGgaString().trimmed();
    qDebug() << "NMEA_GGA: " << gga;
    const QRegularExpressionMatch m = re.match(gga);
    if (!m.hasMatch()) {
        qDebug() << "No GGA match";
        return;
    }
    m_ggaNumSat = toInt(m.captured(8));
    m_ggaHeightOverSea = toDouble(m.captured(10));
}

void Gps::analyseGsv()
{
    static const QRegularExpression header{QLatin1String(kGsvTalkers)};
    m_listOfSatellitesInView.clear();
    for (int i = 0; i < NmeaPositionInfoSourceRaw::kGsvSlots; ++i) {
        const QString gsv = m_nmeaSource->getNmeaGsvString(i).trimmed();
        if (gsv.isEmpty())
            continue;
        qDebug() << "NMEA_GSV: " << i << ": " << gsv;
        const QRegularExpressionMatch h = header.match(gsv);
        if (h.hasMatch()) {
            m_gsvNumberOfMessages = toInt(h.captured(2));
            m_gsvMessageNumber = toInt(h.captured(3));
            m_gsvSatellitesInView = toInt(h.captured(4));
        }
        int blocks = 4;
        if (m_gsvSatellitesInView == 0) {
            blocks = 0;
        } else if (m_gsvNumberOfMessages == m_gsvMessageNumber) {
            const int rest = m_gsvSatellitesInView % 4;
            blocks = rest >= 1 && rest <= 3 ? rest : 4;
        }
        const QRegularExpression &re = gsvPattern(blocks);
        const QRegularExpressionMatch m = re.match(gsv);
        if (!m.hasMatch()) {
            qDebug() << "NoMatch: " << gsv << "re: " << re.pattern();
            continue;
        }
        m_gsvNumberOfMessages = toInt(m.captured(2));
        m_gsvMessageNumber = toInt(m.captured(3));
        m_gsvSatellitesInView = toInt(m.captured(4));
        for (int j = 0; j < blocks; ++j) {
            const int number = toInt(m.captured(5 + 4 * j));
            if (!m_listOfSatellitesInView.contains(number))
                m_listOfSatellitesInView.append(number);
        }
    }
}

QString Gps::getRmcUtcTime() const
{
    static const QRegularExpression re{QLatin1String(kRmcTimePattern)};
    const QRegularExpressionMatch m = re.match(m_nmeaSource->getNmeaRmcString().trimmed());
    if (!m.hasMatch())
        return QStringLiteral("NO GPS");
    QString t = m.captured(2);
    // Short digit runs give what fits, never an insertion past the end.
    if (t.size() >= 2)
        t.insert(2, QLatin1Char(':'));
    if (t.size() >= 5)
        t.insert(5, QLatin1Char(':'));
    return t.trimmed();
}

QString Gps::getNmeaString() const
{
    if (!m_nmeaEnabled)
        return QString();
    QString text = m_nmeaSource->getNmeaRmcString() + QLatin1Char('\n') + m_nmeaSource->getNmeaGsaString()
        + QLatin1Char('\n') + m_nmeaSource->getNmeaGgaString();
    for (int i = 0; i < 5; ++i) {
        const QString gsv = m_nmeaSource->getNmeaGsvString(i);
        if (!gsv.isEmpty())
            text += QLatin1Char('\n') + gsv;
    }
    return text;
}

quint32 Gps::rmcSentences() const
{
    return m_nmeaSource ? m_nmeaSource->rmcCount() : 0;
}

void Gps::clearLastGpsData()
{
    m_nmeaSource->clearLastNmeaData();
    m_gsvSatellitesInView = 0;
    m_pdop = 0;
    m_hdop = 0;
    m_vdop = 0;
    m_rmcCourseOverGround = 0;
    m_rmcSpeedOverGround = 0;
    m_ggaHeightOverSea = 0;
    m_ggaNumSat = 0;
}

void Gps::updateError(QGeoPositionInfoSource::Error error)
{
    qDebug() << "Error" << int(error);
    clearPosition();
}

void Gps::updateTimeout()
{
    qDebug() << "Timeout";
    clearPosition();
}

void Gps::updateSatInView(QList<QGeoSatelliteInfo> satellites)
{
    qDebug() << "SatInView:" << satellites;
}

int Gps::getGpsQuality() const
{
    const QString t = getRmcUtcTime();
    const int n = getNumSatellitesInView();
    if (t == QLatin1String("NO GPS"))
        return 0;
    if (!isGpsDataValid()) {
        const int h = toInt(t.left(2));
        return h >= 3 && h <= 22 ? 3 : 1;
    }
    const float hdop = m_hdop;
    if (double(hdop) <= 0.01 || hdop >= 200.0f)
        return 15;
    int q;
    if (hdop < 2.5f) {
        if (hdop <= 1.0f && n > 4)
            return 100;
        q = 3 * n + 80;
    } else {
        q = int(200.0f / hdop);
    }
    if (q <= 9)
        return qMax(0, n);
    return q > 100 ? 100 : q;
}

QStringList Gps::clockCommands(const QDateTime &utc, int offsetSecs)
{
    const QDateTime local = utc.toUTC().addSecs(offsetSecs);
    return SystemClock::setCommands(local.date(), local.time());
}

bool Gps::isClockTime(const QDateTime &utc)
{
    return utc.isValid() && utc.date().year() >= 2016 && utc.date().year() <= 2050;
}

bool Gps::setSystemTime()
{
    const QDateTime d = getDateTime();
    if (!isClockTime(d))
        return false;
    Systemsettings *s = settings();
    const int z = s ? s->getTimezoneOffset() : 0;
    const int dst = s ? s->getDaylightSavingTimeOffet() : 0;
    const int zh = z / 3600;
    const int zm = (z - 3600 * zh) / 60;
    const int sh = dst / 3600;
    qDebug() << "Offset Time:" << z << zh << zm;
    // Local time with the offsets carried into minutes, hours and date, so
    // that the clock never gets hour 24 or a UTC date with a local time.
    const QDateTime local = d.toUTC().addSecs(zh * 3600 + zm * 60 + sh * 3600);
    SystemClock::set(local.date(), local.time(), true);
    return true;
}

void Gps::readTty1Data()
{
    char buffer[1024] = {};
    const qint64 n = uartPort1->read(buffer, 1023);
    if (n > 0 && m_nmeaEnabled)
        m_gpsData += QString::fromUtf8(buffer, int(qstrnlen(buffer, 1023)));
    // Nobody may ever fetch it: keep the newest text only.
    if (m_gpsData.size() > kMaxRawText)
        m_gpsData.remove(0, m_gpsData.size() - kMaxRawText);
}

QString Gps::getGpsData()
{
    if (!m_gpsData.contains(QLatin1Char('\n')))
        return QString();
    const QString data = m_gpsData;
    m_gpsData.clear();
    return data;
}
