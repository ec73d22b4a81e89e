#ifndef SIM_NMEA_H
#define SIM_NMEA_H

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QStringList>

namespace Sim {

// What the simulated receiver reports.
struct GpsFix
{
    double latitude = 52.0 + 31.0 / 60.0;  // decimal degrees, negative = south
    double longitude = 13.0 + 24.0 / 60.0; // decimal degrees, negative = west
    bool valid = true;                     // RMC 'A' and GGA quality 1, else 'V' and 0
    int satellites = 8;                    // GPS satellites in view; all in view are used while valid
    // Satellites in view of the other constellations (GSV talkers GL, GA, GB).
    int glonass = 0;
    int galileo = 0;
    int beidou = 0;
    QByteArray talker = "GP";              // talker of RMC, GGA and GSA: GP, GN, GL, GA or GB
    double hdop = 0.9;
    double altitude = 34.0;                // metres above mean sea level
    double geoidSeparation = 39.8;         // metres
    double speedKnots = 0.0;               // speed over ground
    double course = -1.0;                  // degrees true; negative: not reported

    static constexpr int kMaxSatellites = 12;

    // In view over all constellations.
    int totalSatellites() const;
    // The count of a GSV talker (GP, GL, GA, GB); -1 for any other.
    int inView(const QByteArray &gsvTalker) const;
    void setInView(const QByteArray &gsvTalker, int count);
};

// NMEA 0183 sentence building for the simulated GPS receiver.
namespace Nmea {

// XOR of every byte of body (the text between '$' and '*').
quint8 checksum(const QByteArray &body);
// "$" + body + "*" + two upper-case hex digits + "\r\n".
QByteArray sentence(const QByteArray &body);
// True when line (with or without its "\r\n") is "$...*hh" with a matching checksum.
bool hasValidChecksum(const QByteArray &line);

// "ddmm.mmmmm" and "N"/"S"; "dddmm.mmmmm" and "E"/"W". Minutes are rounded to
// five decimals, with the carry into the degrees.
QByteArray latitudeField(double degrees);
QByteArray latitudeHemisphere(double degrees);
QByteArray longitudeField(double degrees);
QByteArray longitudeHemisphere(double degrees);

// One second's worth of sentences; without a valid fix the position fields
// stay empty as a real receiver leaves them.
QByteArray rmc(const GpsFix &fix, const QDateTime &utc);
QByteArray gga(const GpsFix &fix, const QDateTime &utc);
QByteArray gsa(const GpsFix &fix);
// The GSV series of every constellation in view (GPS always, also with
// none in view), each of one to three messages.
QList<QByteArray> gsv(const GpsFix &fix);
// RMC, GGA, GSA and the GSV sentences, in this order.
QByteArray epoch(const GpsFix &fix, const QDateTime &utc);

// The type of a sentence ("RMC" of "$GPRMC,..."); empty for no sentence.
QByteArray sentenceType(const QByteArray &line);

} // namespace Nmea
} // namespace Sim

#endif // SIM_NMEA_H
