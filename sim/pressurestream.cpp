#include "pressurestream.h"

#include "controlchannel.h"

#include <cmath>

namespace Sim {

PressureStream::PressureStream(QObject *parent)
    : QObject(parent)
{
    m_timer.setInterval(m_packetSize * 1000 / kSamplesPerSecond);
    connect(&m_timer, &QTimer::timeout, this, [this] { emit line(nextPacket()); });
}

QByteArray PressureStream::announcement() const
{
    return "BT_RX RS " + QByteArray::number(m_range) + ' ' + QByteArray::number(m_atZero) + ' '
        + QByteArray::number(m_atRange);
}

int PressureStream::readingFor(double bar, int range, int atZero, int atRange)
{
    if (range <= 0)
        return atZero;
    const double reading = atZero + (atRange - atZero) * bar / range;
    return int(std::lround(std::min(std::max(reading, 0.0), double(kMaxReading))));
}

double PressureStream::noise()
{
    // A linear congruential sequence: the same run gives the same samples.
    m_seed = m_seed * 1103515245u + 12345u;
    return (double((m_seed >> 8) & 0xFFFF) / 65535.0 * 2.0 - 1.0) * m_noise;
}

QByteArray PressureStream::nextPacket()
{
    QByteArray samples;
    samples.reserve(m_packetSize * 4);
    for (int i = 0; i < m_packetSize; ++i) {
        const int reading = readingFor(std::max(0.0, m_pressure + noise()), m_range, m_atZero, m_atRange);
        samples += QByteArray::number(reading, 16).toUpper().rightJustified(3, '0') + ';';
    }
    ++m_packets;
    return "BT_RX RD " + QByteArray::number(m_packetSize) + ' ' + samples;
}

void PressureStream::start()
{
    m_timer.start();
}

void PressureStream::stop()
{
    m_timer.stop();
}

bool PressureStream::setSensor(int range, int atZero, int atRange)
{
    // A faulty sensor (range 0, equal readings) may be played too.
    if (range < 0 || range > 1000 || atZero < 0 || atZero > kMaxReading || atRange < 0 || atRange > kMaxReading)
        return false;
    m_range = range;
    m_atZero = atZero;
    m_atRange = atRange;
    return true;
}

bool PressureStream::setPressure(double bar)
{
    if (!(bar >= 0.0 && bar <= 1000.0))
        return false;
    m_pressure = bar;
    return true;
}

bool PressureStream::setNoise(double bar)
{
    if (!(bar >= 0.0 && bar <= 100.0))
        return false;
    m_noise = bar;
    return true;
}

bool PressureStream::setPacketSize(int samples)
{
    if (samples < 1 || samples > kMaxPacket)
        return false;
    m_packetSize = samples;
    m_timer.setInterval(samples * 1000 / kSamplesPerSecond);
    return true;
}

void PressureStream::registerCommands(ControlChannel &channel)
{
    channel.registerCommand(
        QStringLiteral("pressure"),
        QStringLiteral("pressure [status] | sensor <bar> <reading at 0 bar> <reading at full scale> | set <bar> | "
                       "noise <bar> | packet <1-1000>: the pressure sensor on the sensor unit"),
        [this](const ControlRequest &r) {
            const QString usage = QStringLiteral(
                "usage: pressure [status] | pressure sensor <0-1000 bar> <0-4095> <0-4095> | pressure set <bar> | "
                "pressure noise <bar> | pressure packet <1-1000>");
            const QString sub = r.args.value(0);
            const int count = r.args.size();
            bool ok = false;
            if (count == 0 || (sub == QLatin1String("status") && count == 1))
                return QStringLiteral("sensor %1 bar %2 %3; pressure %4 bar; noise %5 bar; packet %6; %7; packets %8")
                    .arg(m_range)
                    .arg(m_atZero)
                    .arg(m_atRange)
                    .arg(m_pressure, 0, 'f', 2)
                    .arg(m_noise, 0, 'f', 2)
                    .arg(m_packetSize)
                    .arg(isRunning() ? QStringLiteral("streaming") : QStringLiteral("stopped"))
                    .arg(m_packets);
            if (sub == QLatin1String("sensor") && count == 4) {
                bool a = false, b = false, c = false;
                const int range = r.args.at(1).toInt(&a);
                const int zero = r.args.at(2).toInt(&b);
                const int full = r.args.at(3).toInt(&c);
                if (a && b && c && setSensor(range, zero, full))
                    return QStringLiteral("ok");
                return QStringLiteral("error: ") + usage;
            }
            if (sub == QLatin1String("set") && count == 2) {
                const double bar = r.args.at(1).toDouble(&ok);
                return ok && setPressure(bar) ? QStringLiteral("ok") : QStringLiteral("error: ") + usage;
            }
            if (sub == QLatin1String("noise") && count == 2) {
                const double bar = r.args.at(1).toDouble(&ok);
                return ok && setNoise(bar) ? QStringLiteral("ok") : QStringLiteral("error: ") + usage;
            }
            if (sub == QLatin1String("packet") && count == 2) {
                const int samples = r.args.at(1).toInt(&ok);
                return ok && setPacketSize(samples) ? QStringLiteral("ok") : QStringLiteral("error: ") + usage;
            }
            return QStringLiteral("error: ") + usage;
        });
}

} // namespace Sim
