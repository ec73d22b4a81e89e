#include "pressureintake.h"

#include "datapartition.h"
#include "globals.h"
#include "infoini.h"
#include "regularfile.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cmath>
#include <cstring>

namespace {

// The samples ACT averages over: one second's worth.
constexpr int kCurrentSamples = 100;

QString fixed2(float value)
{
    return QString::number(double(value), 'f', 2);
}

int hexDigit(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

} // namespace

PressureIntake::PressureIntake(const QString &lowResPath, const QString &highResPath)
    : m_lowResPath(lowResPath), m_highResPath(highResPath)
{
}

float PressureIntake::scale(int reading, float range, int atZero, int atRange)
{
    const float p = range / float(atRange - atZero) * float(reading - atZero);
    return p < 0.0f ? 0.0f : p;
}

int PressureIntake::reading(const QString &samples, int i)
{
    const qint64 at = 4 * qint64(i);
    if (i < 0 || at + 3 > samples.size())
        return 0;
    int value = 0;
    for (int k = 0; k < 3; ++k) {
        const int digit = hexDigit(samples.at(int(at) + k));
        if (digit < 0)
            return 0;
        value = value * 16 + digit;
    }
    return value;
}

bool PressureIntake::announce(int range, unsigned short atZero, unsigned short atRange)
{
    bool shown = range > 0 && range <= kLargestRange && atZero != atRange && atZero <= kLargestReading
            && atRange <= kLargestReading;
    if (shown) {
        // The scale is linear: its largest value lies at one end of the
        // readings, and it has to fit the "dd.dd" of the labels and the log.
        const float largest = qMax(scale(0, float(range), atZero, atRange),
                                   scale(kLargestReading, float(range), atZero, atRange));
        shown = fixed2(largest).size() <= 5;
    }
    if (!shown) {
        if (!m_refusalLogged)
            qDebug() << "Pressure sensor announcement refused: range" << range << "readings" << atZero << atRange;
        m_refusalLogged = true;
        return false;
    }
    m_refusalLogged = false;
    m_range = float(range);
    m_atZero = atZero;
    m_atRange = atRange;
    return true;
}

void PressureIntake::reset()
{
    QFile::remove(DataPartition::path(m_lowResPath));
    QFile::remove(DataPartition::path(m_highResPath));
    // The logs' folder, on the partition mounted now.
    QDir().mkpath(QFileInfo(DataPartition::path(m_lowResPath)).path());
    std::memset(m_values, 0, sizeof(m_values));
    m_count = 0;
    m_lineCount = 0;
}

void PressureIntake::append(const QString &path, const QString &text) const
{
    QFile file;
    if (!RegularFile::openForAppend(DataPartition::path(path), &file)) {
        DataPartition::reportNotOpened(path);
        return;
    }
    file.write(text.toLatin1());
    file.close();
}

bool PressureIntake::take(int n, const QString &samples, const QString &timeText)
{
    if (n <= 0)
        return false;
    // A packet above the window keeps its newest samples only.
    const int first = n > kWindow ? n - kWindow : 0;
    const int taken = n - first;
    const int drop = qMax(0, m_count + taken - kWindow);
    if (drop > 0) {
        std::memmove(m_values, m_values + drop, size_t(m_count - drop) * sizeof(float));
        m_count -= drop;
    }

    const bool newLine = startsNewLine();
    QString high;
    high.reserve(taken * 6 + timeText.size() + 3);
    if (newLine) {
        high += QStringLiteral("\r\n") + timeText + QLatin1Char(';');
        m_lineCount = 0;
    }
    for (int i = 0; i < taken; ++i) {
        const float p = scale(reading(samples, first + i), m_range, m_atZero, m_atRange);
        m_values[m_count + i] = p;
        high += fixed2(p);
        high += QLatin1Char(';');
    }
    append(m_highResPath, high);
    m_count += taken;

    if (newLine) {
        const Statistics s = statistics(0, m_count);
        append(m_lowResPath, QStringLiteral("%1;%2;%3;%4;%5;\r\n")
                                 .arg(timeText, fixed2(s.max), fixed2(s.min), fixed2(s.average), fixed2(s.deviation)));
        qDebug() << "PressureSensor: 1 minute data";
    }
    // A minute line holds 6000 samples; the packet that fills it ends it.
    if (m_lineCount + taken < kWindow)
        m_lineCount += taken;
    else
        m_lineCount = 0;
    return true;
}

PressureIntake::Statistics PressureIntake::statistics(int start, int count) const
{
    Statistics s;
    const int from = qMax(0, start);
    const int end = int(qMin<qint64>(qint64(from) + qMax(0, count), m_count));
    const int n = end - from;
    if (n <= 0)
        return s;
    s.valid = true;
    s.max = s.min = m_values[from];
    float sum = 0.0f;
    for (int i = from; i < end; ++i) {
        const float v = m_values[i];
        if (v > s.max)
            s.max = v;
        if (v < s.min)
            s.min = v;
        sum += v;
    }
    s.average = sum / float(n);
    float squares = 0.0f;
    for (int i = from; i < end; ++i) {
        const double d = double(m_values[i]) - double(s.average);
        squares = float(double(squares) + d * d);
    }
    s.deviation = std::sqrt(squares / float(n));
    if (n >= kCurrentSamples) {
        float recent = 0.0f;
        for (int i = end - kCurrentSamples; i < end; ++i)
            recent += m_values[i];
        s.current = recent / float(kCurrentSamples);
    } else {
        s.current = s.average;
    }
    return s;
}

// ---------------------------------------------------------------------------
// Measurement folder

bool PressureIntake::copyLog(const QString &from, const QString &to)
{
    QFile in;
    const RegularFile::Status status = RegularFile::openForReading(from, &in);
    if (status == RegularFile::Status::Missing)
        return true; // nothing logged yet
    if (status != RegularFile::Status::Ok) {
        qDebug() << "Pressure log not copied:" << from << RegularFile::describe(status);
        return false;
    }
    // The copy replaces a target as a whole, also one of an earlier save in
    // the same second; a full partition leaves the old one or none.
    QSaveFile out(to);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    QByteArray chunk;
    while (!(chunk = in.read(64 * 1024)).isEmpty()) {
        if (out.write(chunk) != chunk.size()) {
            out.cancelWriting();
            return false;
        }
    }
    return out.commit();
}

PressureIntake::StoreResult PressureIntake::store(const QString &measRoot, const QString &name, const QDateTime &now,
                                                  double latitude, double longitude, QString *folderOut) const
{
    // The measurement store's name rule: one path component, no zero.
    if (name.contains(QLatin1Char('/')) || name.contains(QChar(0)))
        return StoreResult::BadName;
    const QString folder = measRoot + QStringLiteral("PS_") + now.toString(QStringLiteral("yyyyMMdd_hhmmss"))
            + QLatin1Char('_') + name;
    if (folderOut)
        *folderOut = folder;
    if (!QFileInfo(measRoot).isDir())
        return StoreResult::Failed;
    bool created = false;
    if (!QFileInfo(folder).isDir()) {
        if (!QDir().mkdir(folder))
            return StoreResult::Failed;
        created = true;
    }

    InfoIni ini;
    const QString m = QStringLiteral("Measurementinfo");
    ini.setValue(m, QStringLiteral("Measurementtype"), QStringLiteral("Pressuresensor"));
    ini.setValue(m, QStringLiteral("Measurementname"), name);
    ini.setValue(m, QStringLiteral("Measurementdate"), now.date().toString(QStringLiteral("dd.MM.yyyy")));
    ini.setValue(m, QStringLiteral("Measurementtime"), now.time().toString(QStringLiteral("hh:mm:ss")));
    ini.setValue(m, QStringLiteral("Firmwareversion"), QString::fromLatin1(kFirmwareVersionText));
    ini.setValue(QStringLiteral("GPS-Positions"), QStringLiteral("GPS-Position"),
                 QStringLiteral("%1, %2").arg(latitude, 0, 'f', 6).arg(longitude, 0, 'f', 6));
    const QString p = QStringLiteral("Pressuresensor");
    ini.setValue(p, QStringLiteral("Sensor"), QStringLiteral("%1 bar").arg(double(m_range), 0, 'f', 1));
    ini.setValue(p, QStringLiteral("MinCalibrationValue"), QString::number(m_atZero));
    ini.setValue(p, QStringLiteral("MaxCalibrationValue"), QString::number(m_atRange));

    const bool ok = ini.save(folder + QStringLiteral("/info.ini"))
            && copyLog(DataPartition::path(m_lowResPath), folder + QStringLiteral("/LowResData.txt"))
            && copyLog(DataPartition::path(m_highResPath), folder + QStringLiteral("/HighResData.txt"));
    if (!ok) {
        qDebug() << "Error: pressure measurement not stored" << folder;
        if (created)
            QDir(folder).removeRecursively();
        return StoreResult::Failed;
    }
    return StoreResult::Stored;
}
