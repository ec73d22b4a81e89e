#include "gpspeer.h"

#include "controlchannel.h"
#include "devicetree.h"
#include "ptyport.h"

#include <QTime>
#include <QtMath>

namespace Sim {

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
    m_fix.latitude = latitude;
    m_fix.longitude = longitude;
}

void GpsPeer::setSatellites(int count)
{
    m_fix.satellites = qBound(0, count, GpsFix::kMaxSatellites);
}

QString GpsPeer::logPath() const
{
    return QStringLiteral("/.tq3900/gps-%1.log").arg(m_port ? m_port->name() : QStringLiteral("ttyO1"));
}

void GpsPeer::sendEpoch()
{
    if (m_port)
        m_port->write(Nmea::epoch(m_fix, QDateTime::currentDateTimeUtc()));
}

void GpsPeer::receive(const QByteArray &bytes)
{
    appendBoardFile(m_root, logPath(),
                    QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz")).toLatin1() + ' '
                        + bytes.toHex(' ') + '\n');
}

void GpsPeer::registerCommands(ControlChannel &channel)
{
    const QString usage = QStringLiteral("usage: gps fix <0|1> | gps pos <lat> <lon> | gps sats <0-%1>")
                              .arg(GpsFix::kMaxSatellites);
    channel.registerCommand(
        QStringLiteral("gps"),
        QStringLiteral("gps fix <0|1> | gps pos <lat> <lon> (decimal degrees, negative = S/W) | gps sats <n>"),
        [this, usage](const ControlRequest &req) -> QString {
            const QStringList &a = req.args;
            const QString sub = a.value(0);
            if (sub == QLatin1String("fix") && a.size() == 2) {
                if (a[1] != QLatin1String("0") && a[1] != QLatin1String("1"))
                    return QStringLiteral("error: fix must be 0 or 1; ") + usage;
                setValid(a[1] == QLatin1String("1"));
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("pos") && a.size() == 3) {
                bool okLat = false, okLon = false;
                const double lat = a[1].toDouble(&okLat);
                const double lon = a[2].toDouble(&okLon);
                if (!okLat || !okLon || !qIsFinite(lat) || !qIsFinite(lon) || lat < -90.0 || lat > 90.0
                    || lon < -180.0 || lon > 180.0)
                    return QStringLiteral("error: latitude must be -90..90 and longitude -180..180; ") + usage;
                setPosition(lat, lon);
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("sats") && a.size() == 2) {
                bool ok = false;
                const int n = a[1].toInt(&ok);
                if (!ok || n < 0 || n > GpsFix::kMaxSatellites)
                    return QStringLiteral("error: satellites must be 0..%1; ").arg(GpsFix::kMaxSatellites) + usage;
                setSatellites(n);
                return QStringLiteral("ok");
            }
            return QStringLiteral("error: ") + usage;
        });
}

} // namespace Sim
