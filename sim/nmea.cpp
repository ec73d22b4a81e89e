#include "nmea.h"

#include <QtMath>

namespace Sim {
namespace Nmea {

namespace {

// The fixed sky: PRN, elevation, azimuth and signal-to-noise of each satellite
// the receiver can report, strongest first.
struct Satellite
{
    int prn, elevation, azimuth, snr;
};
const Satellite kSky[GpsFix::kMaxSatellites] = {
    {2, 71, 112, 45}, {5, 54, 287, 43}, {7, 48, 61, 42},  {9, 39, 198, 40},
    {13, 33, 305, 38}, {15, 27, 140, 37}, {18, 22, 25, 35}, {21, 18, 240, 33},
    {24, 14, 170, 31}, {26, 11, 330, 29}, {29, 8, 90, 27},  {30, 5, 260, 24},
};

// The other constellations' skies; some numbers repeat those of another
// constellation, as Galileo's and BeiDou's numbering overlaps GPS's.
const int kGlonassPrn[GpsFix::kMaxSatellites] = {65, 66, 72, 73, 74, 80, 81, 82, 83, 87, 88, 71};
const int kGalileoPrn[GpsFix::kMaxSatellites] = {2, 4, 11, 12, 19, 24, 25, 26, 30, 31, 33, 36};
const int kBeidouPrn[GpsFix::kMaxSatellites] = {6, 8, 14, 16, 20, 21, 22, 27, 32, 35, 38, 59};

// The PRN of satellite i of a constellation; the positions in the sky are
// those of the GPS table.
int prnOf(const QByteArray &talker, int i)
{
    if (talker == "GL")
        return kGlonassPrn[i];
    if (talker == "GA")
        return kGalileoPrn[i];
    if (talker == "GB")
        return kBeidouPrn[i];
    return kSky[i].prn;
}

// Satellites used in the fix: every one in view, over all constellations.
int usedSatellites(const GpsFix &fix)
{
    return fix.valid ? fix.totalSatellites() : 0;
}

// PRNs of the satellites used, at most twelve (the GSA sentence's fields).
QList<int> usedPrns(const GpsFix &fix)
{
    QList<int> out;
    if (!fix.valid)
        return out;
    for (const char *talker : {"GP", "GL", "GA", "GB"})
        for (int i = 0; i < fix.inView(talker) && out.size() < GpsFix::kMaxSatellites; ++i)
            out << prnOf(talker, i);
    return out;
}

QByteArray twoDigits(int v)
{
    return QByteArray::number(v).rightJustified(2, '0');
}

QByteArray timeField(const QDateTime &utc)
{
    const QTime t = utc.toUTC().time();
    return twoDigits(t.hour()) + twoDigits(t.minute()) + twoDigits(t.second()) + ".00";
}

QByteArray dateField(const QDateTime &utc)
{
    const QDate d = utc.toUTC().date();
    return twoDigits(d.day()) + twoDigits(d.month()) + twoDigits(d.year() % 100);
}

// Degrees and minutes of |degrees| as "<deg padded to degDigits>mm.mmmmm".
QByteArray angleField(double degrees, int degDigits)
{
    const qint64 unitsPerDegree = 60 * 100000;
    const qint64 units = qRound64(qAbs(degrees) * unitsPerDegree);
    const qint64 whole = units / unitsPerDegree;
    const qint64 minuteUnits = units % unitsPerDegree;
    const QByteArray minutes = QByteArray::number(minuteUnits / 100000).rightJustified(2, '0') + '.'
        + QByteArray::number(minuteUnits % 100000).rightJustified(5, '0');
    return QByteArray::number(whole).rightJustified(degDigits, '0') + minutes;
}

QByteArray decimal(double v, int decimals)
{
    return QByteArray::number(v, 'f', decimals);
}

} // namespace

} // namespace Nmea

int GpsFix::totalSatellites() const
{
    return inView("GP") + inView("GL") + inView("GA") + inView("GB");
}

int GpsFix::inView(const QByteArray &gsvTalker) const
{
    const int *count = gsvTalker == "GP" ? &satellites
        : gsvTalker == "GL"              ? &glonass
        : gsvTalker == "GA"              ? &galileo
        : gsvTalker == "GB"              ? &beidou
                                         : nullptr;
    return count ? qBound(0, *count, kMaxSatellites) : -1;
}

void GpsFix::setInView(const QByteArray &gsvTalker, int count)
{
    int *target = gsvTalker == "GP" ? &satellites
        : gsvTalker == "GL"         ? &glonass
        : gsvTalker == "GA"         ? &galileo
        : gsvTalker == "GB"         ? &beidou
                                    : nullptr;
    if (target)
        *target = qBound(0, count, kMaxSatellites);
}

namespace Nmea {

quint8 checksum(const QByteArray &body)
{
    quint8 sum = 0;
    for (const char c : body)
        sum ^= static_cast<quint8>(c);
    return sum;
}

QByteArray sentence(const QByteArray &body)
{
    return '$' + body + '*' + QByteArray::number(checksum(body), 16).rightJustified(2, '0').toUpper()
        + "\r\n";
}

bool hasValidChecksum(const QByteArray &line)
{
    QByteArray s = line;
    while (s.endsWith('\n') || s.endsWith('\r'))
        s.chop(1);
    const int star = s.lastIndexOf('*');
    if (!s.startsWith('$') || star < 1 || star != s.size() - 3)
        return false;
    bool ok = false;
    const uint given = s.mid(star + 1).toUInt(&ok, 16);
    return ok && given == checksum(s.mid(1, star - 1));
}

QByteArray latitudeField(double degrees)
{
    return angleField(degrees, 2);
}

QByteArray latitudeHemisphere(double degrees)
{
    return degrees < 0 ? "S" : "N";
}

QByteArray longitudeField(double degrees)
{
    return angleField(degrees, 3);
}

QByteArray longitudeHemisphere(double degrees)
{
    return degrees < 0 ? "W" : "E";
}

QByteArray rmc(const GpsFix &fix, const QDateTime &utc)
{
    QByteArrayList f;
    f << fix.talker + "RMC" << timeField(utc) << (fix.valid ? "A" : "V");
    if (fix.valid)
        f << latitudeField(fix.latitude) << latitudeHemisphere(fix.latitude)
          << longitudeField(fix.longitude) << longitudeHemisphere(fix.longitude)
          << decimal(qMax(0.0, fix.speedKnots), 3) << (fix.course >= 0 ? decimal(fix.course, 2) : QByteArray());
    else
        f << "" << "" << "" << "" << "" << "";
    // date, magnetic variation and its direction, mode indicator
    f << dateField(utc) << "" << "" << (fix.valid ? "A" : "N");
    return sentence(f.join(','));
}

QByteArray gga(const GpsFix &fix, const QDateTime &utc)
{
    QByteArrayList f;
    f << fix.talker + "GGA" << timeField(utc);
    if (fix.valid)
        f << latitudeField(fix.latitude) << latitudeHemisphere(fix.latitude)
          << longitudeField(fix.longitude) << longitudeHemisphere(fix.longitude) << "1"
          << twoDigits(usedSatellites(fix)) << decimal(fix.hdop, 1) << decimal(fix.altitude, 1)
          << "M" << decimal(fix.geoidSeparation, 1) << "M";
    else
        f << "" << "" << "" << "" << "0" << "00" << "99.99" << "" << "" << "" << "";
    // age of differential data, reference station
    f << "" << "";
    return sentence(f.join(','));
}

QByteArray gsa(const GpsFix &fix)
{
    QByteArrayList f;
    f << fix.talker + "GSA" << "A" << (fix.valid ? "3" : "1");
    const QList<int> used = usedPrns(fix);
    for (int i = 0; i < GpsFix::kMaxSatellites; ++i)
        f << (i < used.size() ? twoDigits(used[i]) : QByteArray());
    if (fix.valid)
        f << decimal(fix.hdop + 0.7, 2) << decimal(fix.hdop, 2) << decimal(fix.hdop + 0.4, 2);
    else
        f << "99.99" << "99.99" << "99.99";
    return sentence(f.join(','));
}

QList<QByteArray> gsv(const GpsFix &fix)
{
    QList<QByteArray> out;
    for (const char *talker : {"GP", "GL", "GA", "GB"}) {
        const int n = fix.inView(talker);
        if (n == 0 && qstrcmp(talker, "GP") != 0)
            continue;
        const int messages = qMax(1, (n + 3) / 4);
        for (int m = 0; m < messages; ++m) {
            QByteArrayList f;
            f << QByteArray(talker) + "GSV" << QByteArray::number(messages) << QByteArray::number(m + 1)
              << twoDigits(n);
            for (int i = m * 4; i < qMin(n, m * 4 + 4); ++i)
                f << twoDigits(prnOf(talker, i)) << twoDigits(kSky[i].elevation)
                  << QByteArray::number(kSky[i].azimuth).rightJustified(3, '0') << twoDigits(kSky[i].snr);
            out << sentence(f.join(','));
        }
    }
    return out;
}

QByteArray sentenceType(const QByteArray &line)
{
    if (line.size() < 6 || line.at(0) != '$')
        return QByteArray();
    return line.mid(3, 3);
}

QByteArray epoch(const GpsFix &fix, const QDateTime &utc)
{
    QByteArray out = rmc(fix, utc) + gga(fix, utc) + gsa(fix);
    for (const QByteArray &s : gsv(fix))
        out += s;
    return out;
}

} // namespace Nmea
} // namespace Sim
