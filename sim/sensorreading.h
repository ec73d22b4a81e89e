#ifndef SIM_SENSORREADING_H
#define SIM_SENSORREADING_H

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

namespace Sim {

// What the simulated sensor unit reports for its sensor ("SENSVAL <value>
// <active time>"): a fixed value (any text, also one that is no number), or
// a ramp of the raw value from one number to another over a time, held at
// its end, as when the user walks up to a leak; and the sensor's active
// (heating) time in seconds, counted from the moment the data link came up
// or from a value set by hand.
class SensorReading
{
public:
    static constexpr double kMaxRampSeconds = 86400.0;
    static constexpr double kMaxValue = 1.0e6;

    SensorReading();

    // A fixed value; ends a ramp.
    void setValue(const QByteArray &text);
    // False (nothing changed) for a value outside +-kMaxValue or a time
    // outside 0..kMaxRampSeconds.
    bool startRamp(double from, double to, double seconds);
    // The active time counts on from `seconds` (0..10^7).
    bool setActiveSeconds(qint64 seconds);
    // The data link came up: the sensor heats from 0.
    void linkUp();

    QByteArray value() const;
    qint64 activeSeconds() const;
    // The ramp's value `elapsedMs` after its start, rounded to an integer.
    QByteArray rampValueAt(qint64 elapsedMs) const;
    bool isRamping() const { return m_ramping; }

private:
    QByteArray m_value = "0";
    bool m_ramping = false;
    double m_from = 0.0;
    double m_to = 0.0;
    qint64 m_rampMs = 0;
    QElapsedTimer m_rampStart;
    qint64 m_activeOffset = 0;
    QElapsedTimer m_activeSince;
};

} // namespace Sim

#endif // SIM_SENSORREADING_H
