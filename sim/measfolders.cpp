#include "measfolders.h"

#include "controlchannel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QtEndian>

#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>

namespace Sim {

namespace {

// At most ten years back; names as the instrument's keyboard makes them.
const int kMaxMinutesOld = 10 * 366 * 24 * 60;
const int kMaxNameLength = 100;
// The folder prefixes the instrument writes: the five measurement types of
// the store and the pressure screen's logs.
const QStringList kTypes = {QStringLiteral("LE"), QStringLiteral("PP"), QStringLiteral("PL"),
                            QStringLiteral("H2"), QStringLiteral("LT"), QStringLiteral("PS")};

QString typeText(const QString &type)
{
    if (type == QLatin1String("LE"))
        return QStringLiteral("Levelmeasurement");
    if (type == QLatin1String("PP"))
        return QStringLiteral("Histogram");
    if (type == QLatin1String("PL"))
        return QStringLiteral("Pipelocating");
    if (type == QLatin1String("H2"))
        return QStringLiteral("H2-Sensor");
    if (type == QLatin1String("LT"))
        return QStringLiteral("Longtermmeasurement");
    if (type == QLatin1String("PS"))
        return QStringLiteral("Pressure");
    return type;
}

bool setModified(const QString &path, const QDateTime &when)
{
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = time_t(when.toSecsSinceEpoch());
    times[0].tv_nsec = times[1].tv_nsec = 0;
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

// The program's settings as it reads them: the time zone is bounded to
// UTC-12..UTC+14, the summer time adds an hour.
const int kDefaultTimezoneOffset = 3600;
const int kMinTimezoneOffset = -12 * 3600;
const int kMaxTimezoneOffset = 14 * 3600;
const int kSummerTimeOffset = 3600;

// The number forms of the instrument's info.ini: C-locale fixed point, and
// lists with "; " after every value.
QString fixed(double value, int decimals)
{
    return QStringLiteral("%1").arg(value, 0, 'f', decimals);
}

QString position(double latitude, double longitude)
{
    return fixed(latitude, 6) + QStringLiteral(", ") + fixed(longitude, 6);
}

QString listOf(const QVector<double> &values, bool general)
{
    QString out;
    for (double v : values)
        out += (general ? QStringLiteral("%1").arg(v) : fixed(v, 1)) + QStringLiteral("; ");
    return out;
}

// A clip as the instrument records it: PCM WAV, 16000 Hz, mono, 16 bits; a
// tone of the measured frequency in some noise.
bool writeClip(const QString &path, double frequency, double amplitude, double seconds)
{
    const int rate = 16000;
    const int samples = int(seconds * rate);
    const quint32 dataBytes = quint32(samples) * 2;
    QByteArray wav;
    wav.reserve(int(44 + dataBytes));
    auto le32 = [&wav](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        wav.append(b, 4);
    };
    auto le16 = [&wav](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        wav.append(b, 2);
    };
    wav.append("RIFF");
    le32(dataBytes + 36);
    wav.append("WAVEfmt ");
    le32(16);
    le16(1); // PCM
    le16(1); // channels
    le32(rate);
    le32(rate * 2);
    le16(2);
    le16(16);
    wav.append("data");
    le32(dataBytes);
    quint32 noise = 12345;
    for (int i = 0; i < samples; ++i) {
        noise = noise * 1103515245u + 12345u;
        const double n = (double((noise >> 16) & 0x7fff) / 16384.0 - 1.0) * 0.05;
        const double v = amplitude * std::sin(2.0 * M_PI * frequency * i / rate) + n;
        le16(quint16(qint16(qBound(-32767.0, v * 32767.0, 32767.0))));
    }
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(wav) == wav.size() && f.flush();
}

// One listening position of pinpointing, pipe locating or hydrogen.
struct Spot
{
    double level;
    int frequency;
};

} // namespace

QDateTime MeasFolders::instrumentClock() const
{
    const QSettings settings(m_root + QStringLiteral("/home/root/settings.ini"), QSettings::IniFormat);
    const QString source = settings.value(QStringLiteral("Local-Settings/DateTimeSource"), QStringLiteral("GPS"))
                               .toString()
                               .trimmed();
    const Receiver receiver = m_receiver ? m_receiver() : Receiver();
    // The clock's fields, kept in a zone without summer-time rules of the host.
    const QDateTime host = QDateTime::currentDateTime();
    if (source != QLatin1String("GPS") || !receiver.fix || !receiver.utc.isValid())
        return QDateTime(host.date(), host.time(), Qt::UTC);
    bool ok = false;
    int zone = settings.value(QStringLiteral("Local-Settings/TimezoneOffset")).toInt(&ok);
    zone = ok ? qBound(kMinTimezoneOffset, zone, kMaxTimezoneOffset) : kDefaultTimezoneOffset;
    // As the program sets its clock from the receiver: whole hours and
    // minutes of the zone, then the summer-time hour.
    const int hours = zone / 3600;
    const int minutes = (zone - 3600 * hours) / 60;
    const int summer = settings.value(QStringLiteral("Local-Settings/DaylightSavingTime")).toInt() == 1
                           ? kSummerTimeOffset
                           : 0;
    return receiver.utc.toUTC().addSecs(hours * 3600 + minutes * 60 + summer);
}

QString MeasFolders::add(const QString &type, int minutesOld, const QString &name, QString *error) const
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return QString();
    };
    if (!kTypes.contains(type))
        return fail(QStringLiteral("unknown type %1").arg(type));
    if (minutesOld < 0 || minutesOld > kMaxMinutesOld)
        return fail(QStringLiteral("minutes old must be 0 to %1").arg(kMaxMinutesOld));
    const QString trimmed = name.trimmed();
    if (trimmed.contains(QLatin1Char('/')) || trimmed.size() > kMaxNameLength)
        return fail(QStringLiteral("name must hold no '/' and at most %1 characters").arg(kMaxNameLength));

    // Named by the instrument's clock, modified by the host's (the browser
    // sorts by the file time).
    const qint64 back = -qint64(minutesOld) * 60;
    const QDateTime when = instrumentClock().addSecs(back);
    const QDateTime modified = QDateTime::currentDateTime().addSecs(back);
    const QString folderName = type + QLatin1Char('_') + when.toString(QStringLiteral("yyyyMMdd_hhmmss"))
                               + QLatin1Char('_') + trimmed;
    const QString store = m_root + storePath();
    const QString folder = store + folderName;
    // Built under a hidden name and renamed when whole: the browser never
    // lists half a measurement.
    const QString work = store + QStringLiteral(".meas-add-") + folderName;
    if (!QDir().mkpath(store))
        return fail(QStringLiteral("cannot create %1").arg(store));
    if (QFileInfo(folder).exists() || QFileInfo(folder).isSymLink())
        return fail(QStringLiteral("%1 exists").arg(folderName));
    QDir(work).removeRecursively();
    if (!QDir().mkdir(work))
        return fail(QStringLiteral("cannot create %1").arg(folderName));
    if (!writeMeasurement(work, type, trimmed, when) || !QDir().rename(work, folder)) {
        QDir(work).removeRecursively();
        return fail(QStringLiteral("cannot write the files of %1").arg(folderName));
    }
    for (const QString &file : QDir(folder).entryList(QDir::Files))
        setModified(folder + QLatin1Char('/') + file, modified);
    setModified(folder, modified);
    return folderName;
}

bool MeasFolders::writeMeasurement(const QString &folder, const QString &type, const QString &name,
                                   const QDateTime &when) const
{
    const Receiver receiver = m_receiver ? m_receiver() : Receiver();
    QSettings ini(folder + QStringLiteral("/info.ini"), QSettings::IniFormat);
    auto put = [&ini](const char *group, const QString &key, const QString &value) {
        ini.setValue(QLatin1String(group) + QLatin1Char('/') + key, value);
    };
    put("Measurementinfo", QStringLiteral("Measurementtype"), typeText(type));
    put("Measurementinfo", QStringLiteral("Measurementname"), name);
    put("Measurementinfo", QStringLiteral("Measurementdate"), when.toString(QStringLiteral("dd.MM.yyyy")));
    put("Measurementinfo", QStringLiteral("Measurementtime"), when.toString(QStringLiteral("hh:mm:ss")));

    const bool known = QStringList{"LE", "PP", "PL", "H2", "LT"}.contains(type);
    if (known) {
        put("Measurementinfo", QStringLiteral("Firmwareversion"), QStringLiteral(TQ3900_FIRMWARE_VERSION));
        // The start values of the main window: microphone step 3, headphone 8.
        put("Gains", QStringLiteral("Microphone-Gain"), QStringLiteral("3"));
        put("Gains", QStringLiteral("Headphone-Gain"), QStringLiteral("8"));
    }
    if (type != QLatin1String("H2") && known) {
        // The start-up filter, 160 to 1250 Hz band-pass.
        put("Filter", QStringLiteral("Filtertype"), QStringLiteral("Bandpass"));
        put("Filter", QStringLiteral("LowCutOff-Frequency"), QStringLiteral("160"));
        put("Filter", QStringLiteral("HighCutOff-Frequency"), QStringLiteral("1250"));
    }
    // Where the receiver is now; the positions walk a few metres apart.
    const double lat = receiver.fix ? receiver.latitude : 0.0;
    const double lon = receiver.fix ? receiver.longitude : 0.0;
    auto spotPosition = [&](int i) {
        return receiver.fix ? position(lat + i * 0.00004, lon + i * 0.00002) : position(0.0, 0.0);
    };
    QStringList clips;
    bool ok = true;

    if (type == QLatin1String("LE")) {
        // A leak at 640 Hz (bin 85 of the analysis) over a low rumble.
        const int frequency = 640;
        const int peak = qRound(frequency * 1024.0 / 7670.0);
        QVector<double> fft;
        for (int k = 0; k < 512; ++k)
            fft << 2e-4 * (1.0 + 30.0 / (k + 1)) + 8e-3 * std::exp(-std::pow((k - peak) / 3.0, 2))
                       + 2e-3 * std::exp(-std::pow((k - 2 * peak) / 3.0, 2));
        put("Levels", QStringLiteral("Level"), fixed(42.25, 3));
        put("Levels", QStringLiteral("Frequency"), QString::number(frequency));
        put("GPS-Positions", QStringLiteral("GPS-Position"), position(lat, lon));
        put("FFT", QStringLiteral("Samplerate"), QStringLiteral("16000"));
        put("FFT", QStringLiteral("FFT-Size"), QString::number(fft.size()));
        put("FFT", QStringLiteral("FFT-Values"), listOf(fft, true));
        ok = writeClip(folder + QStringLiteral("/LE_sound.wav"), frequency, 0.3, 3.0);
    } else if (type == QLatin1String("PP") || type == QLatin1String("PL")) {
        // Pinpointing: six spots, the leak near the fourth; pipe locating:
        // five across the pipe. The other positions are empty.
        const QVector<Spot> spots = type == QLatin1String("PP")
                                        ? QVector<Spot>{{38.0, 410}, {44.5, 450}, {51.0, 520},
                                                        {63.5, 560}, {57.0, 540}, {46.5, 480}}
                                        : QVector<Spot>{{35.0, 300}, {48.5, 310}, {62.0, 320}, {49.5, 315}, {36.5, 305}};
        for (int i = 1; i <= 10; ++i) {
            const Spot spot = i <= spots.size() ? spots[i - 1] : Spot{0.0, 0};
            put("Levels", QStringLiteral("Level_%1").arg(i), fixed(spot.level, 3));
            put("Levels", QStringLiteral("Frequency_%1").arg(i), QString::number(spot.frequency));
            put("GPS-Positions", QStringLiteral("GPS-Position_%1").arg(i),
                i <= spots.size() ? spotPosition(i) : position(0.0, 0.0));
            if (type == QLatin1String("PP") && i <= spots.size())
                ok = ok && writeClip(folder + QStringLiteral("/PP_Sound_%1.wav").arg(i), spot.frequency,
                                     spot.level / 100.0, 1.5);
        }
    } else if (type == QLatin1String("H2")) {
        // Five spots around a reference of 120; the trend rises to about 180
        // above it and falls again, in the 200 range.
        const QVector<double> steps{132, 168, 241, 305, 226};
        for (int i = 1; i <= 10; ++i) {
            put("Levels", QStringLiteral("Level_%1").arg(i), fixed(i <= steps.size() ? steps[i - 1] : 0.0, 3));
            put("GPS-Positions", QStringLiteral("GPS-Position_%1").arg(i),
                i <= steps.size() ? spotPosition(i) : position(0.0, 0.0));
        }
        QVector<double> trend;
        const int count = 240;
        for (int i = 0; i < count; ++i)
            trend << qMax(0.0, 180.0 * std::sin(M_PI * 0.85 * i / (count - 1)) + 4.0 * std::sin(i * 0.7));
        put("Levels_CSV", QStringLiteral("Levels_Cnt"), QString::number(count));
        put("Levels_CSV", QStringLiteral("H2-ReferenceLevel"), QStringLiteral("120"));
        put("Levels_CSV", QStringLiteral("H2-MaxRange"), QStringLiteral("200"));
        put("Levels_CSV", QStringLiteral("Levels_Data"), listOf(trend, false));
    } else if (type == QLatin1String("LT")) {
        // Seven minutes of the 10-minute window, one level a second.
        QVector<double> trend;
        const int count = 420;
        for (int i = 0; i < count; ++i)
            trend << qBound(0.0, 38.0 + 6.0 * std::sin(i / 40.0) + 3.0 * std::sin(i * 0.37), 99.0);
        put("GPS-Positions", QStringLiteral("GPS-Position"), position(lat, lon));
        put("Levels_CSV", QStringLiteral("Levels_Cnt"), QString::number(count));
        put("Levels_CSV", QStringLiteral("Levels_Data"), listOf(trend, false));
        put("Levels_CSV", QStringLiteral("SelectedTime"), QStringLiteral("1"));
        put("Levels_CSV", QStringLiteral("MaxVisibleData"), QStringLiteral("600"));
    }
    ini.sync();
    return ok && ini.status() == QSettings::NoError;
}

QStringList MeasFolders::list() const
{
    return QDir(m_root + storePath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System, QDir::Time);
}

void MeasFolders::registerCommands(ControlChannel &channel) const
{
    const MeasFolders folders = *this;
    channel.registerCommand(
        QStringLiteral("meas"),
        QStringLiteral("meas add <type> <minutes old> [name] | meas list: measurement folders on the data partition"),
        [folders](const ControlRequest &r) {
            const QString usage = QStringLiteral("usage: meas add <type LE|PP|PL|H2|LT|PS> <minutes old> [name] | meas list");
            const QString sub = r.args.value(0);
            if (sub == QLatin1String("list") && r.args.size() == 1) {
                const QStringList names = folders.list();
                return names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral("; "));
            }
            if (sub == QLatin1String("add") && r.args.size() >= 3) {
                bool ok = false;
                const int minutes = r.args.at(2).toInt(&ok);
                if (!ok)
                    return QStringLiteral("error: minutes old must be a number; ") + usage;
                QString why;
                const QString made = folders.add(r.args.at(1), minutes, r.rest(3), &why);
                return made.isEmpty() ? QStringLiteral("error: %1; %2").arg(why, usage) : made;
            }
            return QStringLiteral("error: ") + usage;
        });
}

} // namespace Sim
