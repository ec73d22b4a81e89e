#ifndef MEASUREMENTS_H
#define MEASUREMENTS_H

#include <QDate>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTime>

class Gps;

// One measurement as a screen hands it to the store. Each type fills only the
// fields it uses (see Measurements); the store reads no other field.
struct MeasInfoStructure
{
    int val;
    // dB; index 0 level measurement, 1 to 10 the positions of pinpointing,
    // pipe locating and hydrogen.
    float level[20];
    // Hz; index 0 level measurement, 1 to 10 pinpointing and pipe locating.
    int frequency[20];
    // Degrees; 1 to 10 the positions of pinpointing, pipe locating and
    // hydrogen. (Level and long-term measurements record the receiver's
    // position when they are stored.)
    double posLat[20];
    double posLong[20];
    // Samples of hydrogen and long-term measurement; arrayCnt of them valid.
    float array[2048];
    int arrayCnt;
    // Hydrogen: reference level; long-term: selected time window.
    int arrayInfoParameter_1;
    // Hydrogen: top of the display range; long-term: samples in the window.
    int arrayInfoParameter_2;
    int filterType; // 0 none, 1 band-pass, 2 band-stop
    quint32 filterHighCutOff;
    quint32 filterLowCutOff;
    int sampleRate;
    int fftSize; // values in fft, 0 to 1024
    float fft[1024];
};

// The measurement store: one folder per measurement under
// "/media/tq3900/meas/" with an info.ini and copies of the sound clips the
// audio engine left in "/home/root/meas/wav_temp". One instance for the
// whole run, reached through MeasurementData(); GUI thread only.
//
// Type codes and folder prefixes: 0 level measurement "LE_", 1 pinpointing
// "PP_", 2 pipe locating "PL_", 3 hydrogen "H2_", 4 long-term "LT_".
//
// Counting and listing make "/media/tq3900/meas/" the process working
// directory and leave it there; other parts use relative paths afterwards.
// With that folder missing (partition not mounted) they count nothing and
// leave the working directory as it was.
class Measurements : public QObject
{
    Q_OBJECT
public:
    static constexpr int maxNumMeasurements = 100;
    static constexpr int warnNumMeasurements = 85;
    static constexpr int maxArrayCnt = 2048;
    static constexpr int maxFftSize = 1024;

    Measurements();

    // The store's folder "/media/tq3900/meas/" on this device, with its
    // trailing slash.
    static QString storePath();

    // Stores one measurement: its folder, info.ini and sound copies, whole:
    // the folder is built under a name the listing does not show and renamed
    // into place when complete. From 85 stored measurements on the user is
    // warned first. Returns -1 and leaves nothing behind when the store is
    // full or the folder, its info.ini or a clip cannot be written (the user
    // is told either way), else 0. A clip the audio engine did not leave is
    // not copied. A type code outside 0 to 4 writes nothing and returns 0.
    // Nothing is written through a symbolic link (the store's folder, a
    // measurement's folder, info.ini or a clip).
    int storeMeasurement(int a_meastype, QString a_name, MeasInfoStructure a_additionalData);
    int getNumMeasurements();
    // Folder names, newest first by each entry's own time (a link's, not
    // its target's); entries of equal time in name order.
    QStringList getMeasurementList();
    // The first `limit` names of getMeasurementList() and, in *count, the
    // number getNumMeasurements() gives, in one pass over the folder that
    // keeps only those names.
    QStringList newestMeasurements(int limit, int *count);
    // Removes what an interrupted store left (its hidden folder, a clip
    // half-copied into an existing folder); called at start-up.
    void removeLeftovers();

    // The info.ini writers, one per type. a_filename is the file's full path;
    // its folder must exist. Return 0, or -1 when the file could not be
    // written (nothing is left half-written then).
    int storeInfoFileLevelmeasurement(QString a_filename, QString a_name, MeasInfoStructure a_additionalData);
    int storeInfoFilePinpointing(QString a_filename, QString a_name, MeasInfoStructure a_additionalData);
    int storeInfoFilePipelocating(QString a_filename, QString a_name, MeasInfoStructure a_additionalData);
    int storeInfoFileH2Sensor(QString a_filename, QString a_name, MeasInfoStructure a_additionalData);
    int storeInfoFileLongtermmeasurement(QString a_filename, QString a_name, MeasInfoStructure a_additionalData);

    // Reads back what the stored view of a type shows: the name; type 0 level,
    // frequency, fftSize and fft; types 1 and 2 level and frequency 1 to 10;
    // types 3 and 4 arrayCnt, array and both array parameters; the filter of
    // types 0, 1, 2 and 4. Counts from the file are bounded by the arrays and
    // by the values actually present. Fields not read are zero. The file is
    // read with a bounded reader (SettingsFile): lines up to
    // InfoIni::kMaxLineBytes, serialised values count as missing. False when
    // the file does not exist or is refused (a link, FIFO or other
    // non-regular file, larger than InfoIni::kMaxFileBytes).
    static bool readInfoFile(const QString &a_filename, int a_meastype, MeasInfoStructure *a_data,
                             QString *a_name);

    // The store's error message, "MeasurementCouldNotBeStored", shown
    // modally; returns the pressed button.
    static int showNotStored();

    static QString convertFilterTypeToText(int a_filterType);
    // "Bandpass" 1, "Bandstop" 2, anything else 0 (no filter).
    static int convertTextToFilterType(const QString &a_text);
    // Folder prefix of a type code ("LE_" ...), empty for other codes.
    static QString prefixOf(int a_meastype);

    // Entries as themselves, never through a symbolic link (also used by the
    // browser's rename and delete): a folder that is no link; anything, also
    // a dangling link, by that name; removes a file or link (never what it
    // points to) or a folder with all it holds; false when something of it
    // stays (what could be removed is gone).
    static bool isRealFolder(const QString &path);
    static bool entryExists(const QString &path);
    static bool removeEntry(const QString &path);

    QDate lastStoreDate() const { return m_systemDate; }
    QTime lastStoreTime() const { return m_systemTime; }

private:
    // Enters the store's root as working directory; false (and unchanged)
    // when it is missing.
    bool enterRoot();
    static QStringList matchingEntries(const QString &folder);

    enum class CopyResult { Copied, NoSource, Failed };
    int writeInfoFileOfType(const QString &path, int a_meastype, const QString &name, const MeasInfoStructure &data);
    static QStringList clipsOf(int a_meastype, const MeasInfoStructure &data);
    bool createFolder(const QString &root, const QString &folderName, int a_meastype, const QString &name,
                      const MeasInfoStructure &data);
    bool mergeInto(const QString &folder, int a_meastype, const QString &name, const MeasInfoStructure &data);
    // Copies a clip to a new file (never over an existing one, never through
    // a link); a failed copy leaves no file.
    static CopyResult copyClip(const QString &from, const QString &to);
    // Shows one of the store's messages modally; returns the pressed button.
    static int showMessage(int icon, const QString &headline, const QString &text);

    // The GPS driver, fetched again at every store (its position goes into
    // the files of level and long-term measurements).
    Gps *m_gpsModul = nullptr;
    QDate m_systemDate;
    QString m_date;
    QTime m_systemTime;
    QString m_time;
};

Measurements *MeasurementData();

#endif // MEASUREMENTS_H
