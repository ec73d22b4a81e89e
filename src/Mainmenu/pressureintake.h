#ifndef PRESSUREINTAKE_H
#define PRESSUREINTAKE_H

#include <QDateTime>
#include <QString>

// The data side of the pressure screen, without widgets: packets of raw
// analog-to-digital readings scaled to bar, a sliding window of the newest
// 6000 samples (one minute at 100 samples a second), the statistics over a
// range of it, and the two text logs on the data partition.
//
// Packet text: sample i at character 4 i, three hexadecimal digits (either
// case) and one separator that is not read. A sample whose three characters
// are not all hexadecimal digits, or that lies past the text's end, reads 0.
//
// High-resolution log: every sample as "12.34;"; each minute's line starts
// with "\r\n", the time and ";". Low-resolution log: one line a minute,
// "time;MAX;MIN;AVG;DEV;\r\n", written on the packet that starts the
// minute's high-resolution line. Both are appended to (opened and closed per
// packet) and never through a symbolic link.
class PressureIntake
{
public:
    static constexpr int kWindow = 6000;
    static constexpr int kSamplesPerSecond = 100;
    static constexpr float kDefaultRange = 25.0f;
    static constexpr unsigned short kDefaultReadingAtZero = 409;
    static constexpr unsigned short kDefaultReadingAtRange = 3685;

    // Statistics over a range of the window; valid false when the range
    // holds no recorded sample (the other fields are then 0).
    struct Statistics
    {
        bool valid = false;
        float max = 0.0f;
        float min = 0.0f;
        float average = 0.0f;
        float deviation = 0.0f; // population standard deviation
        float current = 0.0f;   // mean of the range's newest 100 samples
    };

    // The two logs by their paths (board paths, or with the device root
    // applied). Each file access goes through DataPartition::path: while the
    // data partition is not mounted here nothing is logged (and the failed
    // open is logged instead, once each time the partition goes away), as
    // the mount point is then a bare folder.
    PressureIntake(const QString &lowResPath, const QString &highResPath);

    QString lowResPath() const { return m_lowResPath; }
    QString highResPath() const { return m_highResPath; }

    // bar = range / (atRange - atZero) x (reading - atZero), never below 0.
    static float scale(int reading, float range, int atZero, int atRange);
    // Reads sample i of a packet text (0 when it has no three digits there).
    static int reading(const QString &samples, int i);

    // The largest reading a sample's three digits carry.
    static constexpr int kLargestReading = 0xfff;
    // The largest range the screen's sensor label holds ("99 bar"); samples
    // are shown and logged with two digits before the point ("99.99").
    static constexpr int kLargestRange = 99;

    // A sensor announcement: range in bar and the readings at 0 bar and at
    // full scale. Refused (false, the last good one kept) for a range of 0
    // bar or less or above kLargestRange, equal readings (every sample would
    // scale to nothing), a reading a sample cannot carry, or limits that
    // scale some reading to more than 99.99 bar. A refusal is logged once
    // until an announcement is taken again, as a unit may repeat it.
    bool announce(int range, unsigned short atZero, unsigned short atRange);
    float range() const { return m_range; }
    unsigned short readingAtZero() const { return m_atZero; }
    unsigned short readingAtRange() const { return m_atRange; }

    // A new recording: both logs deleted, the window emptied and its slots
    // cleared, the line counter reset. The sensor's limits stay.
    void reset();

    // True when the next packet starts a new minute line in both logs (the
    // caller then passes the time of day to take()).
    bool startsNewLine() const { return m_lineCount <= 0; }

    // Takes one packet of n samples. A count of 0 or less is ignored
    // (false). Of a packet above the window's size only its newest 6000
    // samples are taken; before the samples go in, the window drops as many
    // of its oldest as needed to hold at most 6000.
    bool take(int n, const QString &samples, const QString &timeText);

    // Statistics over count slots from start, limited to the recorded
    // samples.
    Statistics statistics(int start, int count) const;

    // Stores the recording as the folder "PS_<yyyyMMdd>_<hhmmss>_<name>"
    // under measRoot (a path in the file system, ending in "/"): info.ini
    // with the measurement, the position and the sensor's limits, and
    // copies of both logs as "LowResData.txt" and "HighResData.txt" (a log
    // not written yet is not copied; a copy from an earlier save in the same
    // second is replaced). now is read once for the folder and info.ini.
    enum class StoreResult { Stored, BadName, Failed };
    StoreResult store(const QString &measRoot, const QString &name, const QDateTime &now, double latitude,
                      double longitude, QString *folder = nullptr) const;

    const float *values() const { return m_values; }
    int count() const { return m_count; }
    // Samples in the current minute line (0: the next packet starts one).
    int lineCount() const { return m_lineCount; }

private:
    void append(const QString &path, const QString &text) const;
    static bool copyLog(const QString &from, const QString &to);

    QString m_lowResPath;
    QString m_highResPath;
    float m_range = kDefaultRange;
    unsigned short m_atZero = kDefaultReadingAtZero;
    unsigned short m_atRange = kDefaultReadingAtRange;
    float m_values[kWindow + 1] = {};
    int m_count = 0;
    int m_lineCount = 0;
    bool m_refusalLogged = false;
};

#endif // PRESSUREINTAKE_H
