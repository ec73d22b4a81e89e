#include "sensorreading.h"

#include <cmath>

namespace Sim {

SensorReading::SensorReading() = default;

void SensorReading::setValue(const QByteArray &text)
{
    m_value = text;
    m_ramping = false;
}

bool SensorReading::startRamp(double from, double to, double seconds)
{
    if (!std::isfinite(from) || !std::isfinite(to) || !std::isfinite(seconds) || std::fabs(from) > kMaxValue
        || std::fabs(to) > kMaxValue || seconds < 0.0 || seconds > kMaxRampSeconds)
        return false;
    m_from = from;
    m_to = to;
    m_rampMs = qint64(seconds * 1000.0);
    m_ramping = true;
    m_rampStart.start();
    return true;
}

bool SensorReading::setActiveSeconds(qint64 seconds)
{
    if (seconds < 0 || seconds > 10000000)
        return false;
    m_activeOffset = seconds;
    m_activeSince.start();
    return true;
}

void SensorReading::linkUp()
{
    m_activeOffset = 0;
    m_activeSince.start();
}

QByteArray SensorReading::rampValueAt(qint64 elapsedMs) const
{
    const double share = m_rampMs <= 0 ? 1.0 : std::min(1.0, std::max(0.0, double(elapsedMs) / double(m_rampMs)));
    return QByteArray::number(qint64(std::llround(m_from + (m_to - m_from) * share)));
}

QByteArray SensorReading::value() const
{
    return m_ramping ? rampValueAt(m_rampStart.elapsed()) : m_value;
}

qint64 SensorReading::activeSeconds() const
{
    return m_activeSince.isValid() ? m_activeOffset + m_activeSince.elapsed() / 1000 : m_activeOffset;
}

} // namespace Sim
