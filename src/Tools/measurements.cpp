#include "measurements.h"

#include "bluetooth.h"
#include "datapartition.h"
#include "deviceroot.h"
#include "globals.h"
#include "gps.h"
#include "infoini.h"
#include "mainmenu.h"
#include "messagedialog.h"
#include "regularfile.h"
#include "settingsfile.h"
#include "systemclock.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kWavTemp[] = "/home/root/meas/wav_temp";
// Names of a save still being built; the listing never shows them.
const char kSavingPrefix[] = ".saving-";

// Number forms of the info file: Qt's C-locale formatting of doubles, so "."
// is the decimal point whatever the user's language.
QString fixed(double value, int decimals)
{
    return QStringLiteral("%1").arg(value, 0, 'f', decimals);
}

QString position(double latitude, double longitude)
{
    return QStringLiteral("%1, %2").arg(fixed(latitude, 6), fixed(longitude, 6));
}

// Every value followed by "; ", the last one too.
QString listFixed1(const float *values, int count)
{
    QString out;
    for (int i = 0; i < count; ++i)
        out += fixed(double(values[i]), 1) + QLatin1String("; ");
    return out;
}

QString listGeneral(const float *values, int count)
{
    QString out;
    for (int i = 0; i < count; ++i)
        out += QStringLiteral("%1").arg(double(values[i])) + QLatin1String("; ");
    return out;
}

float floatOf(const QString &text)
{
    bool ok = false;
    const float v = text.trimmed().toFloat(&ok);
    return ok && std::isfinite(v) ? v : 0.0f;
}

// Reads up to `wanted` values (bounded by `capacity`) of a "v; v; " list;
// returns how many were present. Only the values wanted are looked at.
int readList(const QString &text, int wanted, int capacity, float *out)
{
    const int n = std::min(std::max(wanted, 0), capacity);
    int count = 0;
    int from = 0;
    while (count < n && from < text.size()) {
        int end = text.indexOf(QLatin1Char(';'), from);
        if (end < 0)
            end = text.size();
        const QStringRef part = text.midRef(from, end - from);
        // An empty last part is the end of "v; ", no value.
        if (end == text.size() && part.trimmed().isEmpty())
            break;
        out[count++] = floatOf(part.toString());
        from = end + 1;
    }
    return count;
}

// The gains the file records, read from the main window when it is written.
struct Gains
{
    int microphone = 0;
    int headphone = 0;
};

Gains currentGains()
{
    Gains g;
    if (MainMenu *w = MainMenu::getInstanceMainMenu()) {
        g.microphone = w->getMicGainStep();
        if (Bluetooth *headphone = w->getBtSourceInstance())
            g.headphone = headphone->getBtExtHeadphoneGain();
    }
    return g;
}

void writeMeasurementInfo(InfoIni &ini, const QString &type, const QString &name)
{
    const QString g = QStringLiteral("Measurementinfo");
    const QDateTime now = SystemClock::now();
    ini.setValue(g, QStringLiteral("Measurementtype"), type);
    ini.setValue(g, QStringLiteral("Measurementname"), name.trimmed());
    ini.setValue(g, QStringLiteral("Measurementdate"), now.date().toString(QStringLiteral("dd.MM.yyyy")));
    ini.setValue(g, QStringLiteral("Measurementtime"), now.time().toString(QStringLiteral("hh:mm:ss")));
    ini.setValue(g, QStringLiteral("Firmwareversion"), QString::fromLatin1(kFirmwareVersionText));
}

void writeGains(InfoIni &ini, const Gains &gains)
{
    const QString g = QStringLiteral("Gains");
    ini.setValue(g, QStringLiteral("Microphone-Gain"), QString::number(gains.microphone));
    ini.setValue(g, QStringLiteral("Headphone-Gain"), QString::number(gains.headphone));
}

void writeFilter(InfoIni &ini, const MeasInfoStructure &d)
{
    const QString g = QStringLiteral("Filter");
    ini.setValue(g, QStringLiteral("Filtertype"), Measurements::convertFilterTypeToText(d.filterType));
    ini.setValue(g, QStringLiteral("LowCutOff-Frequency"), QString::number(d.filterLowCutOff));
    ini.setValue(g, QStringLiteral("HighCutOff-Frequency"), QString::number(d.filterHighCutOff));
}

void writeLevels(InfoIni &ini, const MeasInfoStructure &d, bool withFrequencies)
{
    const QString g = QStringLiteral("Levels");
    for (int i = 1; i <= 10; ++i) {
        ini.setValue(g, QStringLiteral("Level_%1").arg(i), fixed(double(d.level[i]), 3));
        if (withFrequencies)
            ini.setValue(g, QStringLiteral("Frequency_%1").arg(i), QString::number(d.frequency[i]));
    }
}

void writePositions(InfoIni &ini, const MeasInfoStructure &d)
{
    for (int i = 1; i <= 10; ++i)
        ini.setValue(QStringLiteral("GPS-Positions"), QStringLiteral("GPS-Position_%1").arg(i),
                     position(d.posLat[i], d.posLong[i]));
}

// The receiver's position when the file is written; 0, 0 without a
// receiver, without a fix or out of range.
void writeReceiverPosition(InfoIni &ini, const Gps *gps)
{
    ini.setValue(QStringLiteral("GPS-Positions"), QStringLiteral("GPS-Position"),
                 position(gps ? gps->getLatitude() : 0.0, gps ? gps->getLongitude() : 0.0));
}

int boundedCount(int count, int capacity)
{
    return std::max(0, std::min(count, capacity));
}

// Writes one info file. The keys of an existing file stay unless set again.
// The gains are read before the file is opened.
int writeInfoFile(const QString &filename, const QString &type, const QString &name,
                  const std::function<void(InfoIni &, const Gains &)> &groups)
{
    const Gains gains = currentGains();
    InfoIni ini;
    ini.load(filename);
    writeMeasurementInfo(ini, type, name);
    groups(ini, gains);
    if (ini.toBytes().size() > InfoIni::kMaxFileBytes) {
        // The keys carried from the old file would make it too large to be
        // read again: the measurement's own keys only.
        qDebug() << "Keys of the old file dropped:" << filename;
        ini = InfoIni();
        writeMeasurementInfo(ini, type, name);
        groups(ini, gains);
    }
    return ini.save(filename) ? 0 : -1;
}

} // namespace

Measurements::Measurements() = default;

QString Measurements::storePath()
{
    return DataPartition::path(QStringLiteral("/media/tq3900/meas/"));
}

Measurements *MeasurementData()
{
    static Measurements store;
    return &store;
}

QString Measurements::prefixOf(int a_meastype)
{
    static const char *const prefixes[] = {"LE_", "PP_", "PL_", "H2_", "LT_"};
    if (a_meastype < 0 || a_meastype > 4)
        return QString();
    return QString::fromLatin1(prefixes[a_meastype]);
}

QString Measurements::convertFilterTypeToText(int a_filterType)
{
    switch (a_filterType) {
    case 0:
        return QStringLiteral("NoFilter");
    case 1:
        return QStringLiteral("Bandpass");
    case 2:
        return QStringLiteral("Bandstop");
    default:
        return QStringLiteral("unknown");
    }
}

int Measurements::convertTextToFilterType(const QString &a_text)
{
    if (a_text == QLatin1String("Bandpass"))
        return 1;
    if (a_text == QLatin1String("Bandstop"))
        return 2;
    return 0;
}

// ---------------------------------------------------------------------------
// Counting and listing

bool Measurements::enterRoot()
{
    const QString root = storePath();
    // Without the folder (partition not mounted) the working directory stays
    // where it is and nothing is counted: an unrelated folder must never be
    // taken for the store, nor a link to one.
    if (!isRealFolder(root) || !QDir::setCurrent(root)) {
        qDebug() << "Error: no measurement folder" << root;
        return false;
    }
    return true;
}

namespace {

// One entry the listing shows: its own modification time in milliseconds
// (the resolution the listing always compared), its name and its place in
// the folder's own order.
struct Listed
{
    qint64 msecs;
    QString name;
    int order;
};

// Newest first; equal times in name order, equal names (two byte names
// that decode alike) in the folder's order.
bool newerFirst(const Listed &a, const Listed &b)
{
    if (a.msecs != b.msecs)
        return a.msecs > b.msecs;
    if (a.name != b.name)
        return a.name < b.name;
    return a.order < b.order;
}

// "LE_", "PP_", "PL_", "H2_" or "LT_" at the start, letters in either case.
bool hasMeasurementPrefix(const char *name)
{
    static const char prefixes[][3] = {
        {'L', 'E', '_'}, {'P', 'P', '_'}, {'P', 'L', '_'}, {'H', '2', '_'}, {'L', 'T', '_'}};
    const auto same = [](char c, char upper) {
        return c == upper || (upper >= 'A' && upper <= 'Z' && c == upper + ('a' - 'A'));
    };
    for (const auto &p : prefixes)
        if (same(name[0], p[0]) && same(name[1], p[1]) && same(name[2], p[2]))
            return true;
    return false;
}

// Walks the entries of `folder` that can be measurements, in the folder's
// order: a name with a type prefix, and a folder, a file or a link to
// something that exists (no FIFO, device, socket or dangling link). Each
// entry is looked at once, without following a link; a link's target is
// only checked to exist. The card may hold tens of thousands of entries.
template<typename Take>
void scanMeasurementEntries(const QString &folder, Take take)
{
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return;
    const int fd = ::dirfd(dir);
    int order = 0;
    while (const struct dirent *e = ::readdir(dir)) {
        if (!hasMeasurementPrefix(e->d_name))
            continue;
        struct stat st;
        if (::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISLNK(st.st_mode)) {
            struct stat target;
            if (::fstatat(fd, e->d_name, &target, 0) != 0)
                continue;
        } else if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)) {
            continue;
        }
        const qint64 msecs = qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
        take(Listed{msecs, QFile::decodeName(e->d_name), order++});
    }
    ::closedir(dir);
}

} // namespace

QStringList Measurements::matchingEntries(const QString &folder)
{
    QStringList names;
    scanMeasurementEntries(folder, [&names](Listed &&e) { names << e.name; });
    return names;
}

int Measurements::getNumMeasurements()
{
    int n = 0;
    newestMeasurements(0, &n);
    return n;
}

QStringList Measurements::getMeasurementList()
{
    return newestMeasurements(std::numeric_limits<int>::max(), nullptr);
}

QStringList Measurements::newestMeasurements(int limit, int *count)
{
    int n = 0;
    // The `limit` newest seen so far as a heap whose top is the oldest of
    // them: each further entry costs a comparison, a newer one a replacement.
    std::vector<Listed> kept;
    if (enterRoot()) {
        scanMeasurementEntries(QStringLiteral("."), [&](Listed &&e) {
            ++n;
            if (int(kept.size()) < limit) {
                kept.push_back(std::move(e));
                std::push_heap(kept.begin(), kept.end(), newerFirst);
            } else if (!kept.empty() && newerFirst(e, kept.front())) {
                std::pop_heap(kept.begin(), kept.end(), newerFirst);
                kept.back() = std::move(e);
                std::push_heap(kept.begin(), kept.end(), newerFirst);
            }
        });
    }
    std::sort_heap(kept.begin(), kept.end(), newerFirst);
    QStringList names;
    names.reserve(int(kept.size()));
    for (Listed &e : kept)
        names << std::move(e.name);
    qDebug() << "NumMeas:" << n;
    if (count)
        *count = n;
    return names;
}

// ---------------------------------------------------------------------------
// Storing

int Measurements::showMessage(int icon, const QString &headline, const QString &text)
{
    // The store has no window of its own: the message has no parent.
    MessageDialog message(nullptr);
    message.setIcon(icon);
    message.setHeadline(headline);
    message.setDialogType(0);
    message.setInfotext(text);
    message.exec();
    return message.getPressedButton();
}

int Measurements::showNotStored()
{
    return showMessage(2, tr("Error"), tr("MeasurementCouldNotBeStored"));
}

int Measurements::storeMeasurement(int a_meastype, QString a_name, MeasInfoStructure a_additionalData)
{
    const int n = getNumMeasurements();
    const QString count = QStringLiteral("\n(%1 / %2)").arg(n).arg(maxNumMeasurements);
    if (n >= warnNumMeasurements && n < maxNumMeasurements) {
        const int pressed = showMessage(1, tr("Warning"), tr("OnlyAfewMeasurementsCanBeStored") + count);
        qDebug() << (pressed == 0 ? "Message Measurement Warning closed" : "Ende Button Unknown");
    } else if (n >= maxNumMeasurements) {
        const int pressed = showMessage(2, tr("Error"), tr("NoMoreMeasurementsCanBeStored") + count);
        qDebug() << (pressed == 0 ? "Message Measurement Error closed" : "Ende Button Unknown");
        return -1;
    }

    if (a_name.isEmpty())
        a_name = QStringLiteral("M%1").arg(n + 1);

    // One reading of the clock, so that date and time belong to the same
    // moment also around midnight.
    const QDateTime now = SystemClock::now();
    m_systemDate = now.date();
    m_date = m_systemDate.toString(QStringLiteral("yyyyMMdd"));
    m_systemTime = now.time();
    m_time = m_systemTime.toString(QStringLiteral("hhmmss"));
    MainMenu *w = MainMenu::getInstanceMainMenu();
    m_gpsModul = w ? w->getGpsInstance() : nullptr;

    const QString prefix = prefixOf(a_meastype);
    if (prefix.isEmpty())
        return 0;

    const QString name = a_name.trimmed();
    const QString root = storePath();
    const QString folderName = prefix + m_date + QLatin1Char('_') + m_time + QLatin1Char('_') + name;
    const QString folder = root + folderName;

    // A name with a slash would put the folder somewhere else; the file
    // system refuses the rest (too long, missing root, read-only). The store
    // writes only into a real folder: a link in place of the store or of the
    // measurement's folder is not followed.
    bool stored = false;
    if (name.contains(QLatin1Char('/')) || name.contains(QChar(0)) || !isRealFolder(root)) {
        qDebug() << "Error: no measurement folder or bad name" << folder;
    } else if (entryExists(folder)) {
        // Same type, second and name: merged into, if it is a real folder.
        stored = isRealFolder(folder) && mergeInto(folder, a_meastype, name, a_additionalData);
    } else {
        stored = createFolder(root, folderName, a_meastype, name, a_additionalData);
    }
    if (!stored) {
        qDebug() << "Error: measurement not stored" << folder;
        const int pressed = showNotStored();
        qDebug() << (pressed == 0 ? "Message Measurement Error closed" : "Ende Button Unknown");
        return -1;
    }
    return 0;
}

int Measurements::writeInfoFileOfType(const QString &path, int a_meastype, const QString &name,
                                      const MeasInfoStructure &data)
{
    switch (a_meastype) {
    case 0:
        return storeInfoFileLevelmeasurement(path, name, data);
    case 1:
        return storeInfoFilePinpointing(path, name, data);
    case 2:
        return storeInfoFilePipelocating(path, name, data);
    case 3:
        return storeInfoFileH2Sensor(path, name, data);
    default:
        return storeInfoFileLongtermmeasurement(path, name, data);
    }
}

// The clips a measurement has: the level measurement's one, one per
// pinpointing position with a level and a frequency. The audio engine left
// them in its temporary folder.
QStringList Measurements::clipsOf(int a_meastype, const MeasInfoStructure &data)
{
    QStringList clips;
    if (a_meastype == 0) {
        clips << QStringLiteral("LE_sound.wav");
    } else if (a_meastype == 1) {
        for (int i = 1; i <= 10; ++i)
            if (data.level[i] > 0.0f && data.frequency[i] > 0)
                clips << QStringLiteral("PP_Sound_%1.wav").arg(i);
    }
    return clips;
}

// A new measurement is built in a folder the listing does not show and
// renamed into place once its info.ini and every clip are written: a save
// that fails or is cut short (power, a crash) never shows as a measurement.
// Leftovers of one are removed at the next start (removeLeftovers).
bool Measurements::createFolder(const QString &root, const QString &folderName, int a_meastype,
                                const QString &name, const MeasInfoStructure &data)
{
    // Without the user's name, so that it is never longer than the folder's.
    const QString work = root + QLatin1String(kSavingPrefix) + folderName.left(prefixOf(0).size() + 15);
    removeEntry(work);
    if (!QDir().mkdir(work)) {
        qDebug() << "Error: could not create" << work;
        return false;
    }
    const QString wavTemp = DeviceRoot::path(QString::fromLatin1(kWavTemp));
    bool ok = writeInfoFileOfType(work + QStringLiteral("/info.ini"), a_meastype, name, data) == 0;
    for (const QString &clip : clipsOf(a_meastype, data)) {
        if (!ok)
            break;
        ok = copyClip(wavTemp + QLatin1Char('/') + clip, work + QLatin1Char('/') + clip) != CopyResult::Failed;
    }
    const QString folder = root + folderName;
    // The check right before the rename: a directory rename would replace an
    // empty folder that appeared meanwhile.
    if (ok && (entryExists(folder) || ::rename(QFile::encodeName(work).constData(), QFile::encodeName(folder).constData()) != 0)) {
        qDebug() << "Error: could not rename" << work << "to" << folder << std::strerror(errno);
        ok = false;
    }
    if (!ok)
        removeEntry(work);
    return ok;
}

// A save into an existing folder of the same type, second and name: clips
// it has already stay (as a copy never replaces one), new clips are added
// whole, the info.ini last (replaced whole, its other keys kept). On failure
// the clips added are removed again and the old info.ini stays.
bool Measurements::mergeInto(const QString &folder, int a_meastype, const QString &name,
                             const MeasInfoStructure &data)
{
    const QString wavTemp = DeviceRoot::path(QString::fromLatin1(kWavTemp));
    QStringList added;
    bool ok = true;
    for (const QString &clip : clipsOf(a_meastype, data)) {
        const QString target = folder + QLatin1Char('/') + clip;
        if (entryExists(target))
            continue;
        const QString work = folder + QLatin1Char('/') + QLatin1String(kSavingPrefix) + clip;
        removeEntry(work);
        const CopyResult copied = copyClip(wavTemp + QLatin1Char('/') + clip, work);
        if (copied == CopyResult::NoSource)
            continue;
        if (copied == CopyResult::Failed || entryExists(target)
            || ::rename(QFile::encodeName(work).constData(), QFile::encodeName(target).constData()) != 0) {
            removeEntry(work);
            ok = false;
            break;
        }
        added << target;
    }
    if (ok)
        ok = writeInfoFileOfType(folder + QStringLiteral("/info.ini"), a_meastype, name, data) == 0;
    if (!ok) {
        for (const QString &path : added)
            removeEntry(path);
    }
    return ok;
}

Measurements::CopyResult Measurements::copyClip(const QString &from, const QString &to)
{
    QFile in;
    const RegularFile::Status status = RegularFile::openForReading(from, &in, nullptr, RegularFile::Links::Refuse);
    if (status == RegularFile::Status::Missing) {
        // The audio engine made no clip (no recording ran): nothing to copy.
        qDebug() << "No clip to copy:" << from;
        return CopyResult::NoSource;
    }
    if (status != RegularFile::Status::Ok) {
        qDebug() << "Error: clip" << from << RegularFile::describe(status);
        return CopyResult::Failed;
    }
    const QByteArray target = QFile::encodeName(to);
    const int fd = ::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        qDebug() << "Error: could not create" << to << std::strerror(errno);
        return CopyResult::Failed;
    }
    QByteArray block(64 * 1024, Qt::Uninitialized);
    bool ok = true;
    for (;;) {
        const qint64 n = in.read(block.data(), block.size());
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0)
            break;
        for (qint64 done = 0; done < n;) {
            const ssize_t w = ::write(fd, block.constData() + done, size_t(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                ok = false;
                break;
            }
            done += w;
        }
        if (!ok)
            break;
    }
    if (!ok)
        qDebug() << "Error: could not copy" << from << "to" << to << std::strerror(errno);
    if (::close(fd) != 0)
        ok = false;
    if (!ok)
        ::unlink(target.constData());
    return ok ? CopyResult::Copied : CopyResult::Failed;
}

void Measurements::removeLeftovers()
{
    const QString root = storePath();
    if (!isRealFolder(root))
        return;
    const QString pattern = QLatin1String(kSavingPrefix) + QLatin1Char('*');
    QDir store(root);
    for (const QString &entry : store.entryList({pattern}, QDir::AllEntries | QDir::Hidden | QDir::System)) {
        qDebug() << "Removing the rest of an interrupted save:" << entry;
        removeEntry(root + entry);
    }
    // Clips a merge left half-copied inside a measurement's folder.
    for (const QString &folder : matchingEntries(root)) {
        if (!isRealFolder(root + folder))
            continue;
        QDir dir(root + folder);
        for (const QString &entry : dir.entryList({pattern}, QDir::AllEntries | QDir::Hidden | QDir::System))
            removeEntry(root + folder + QLatin1Char('/') + entry);
    }
}

bool Measurements::isRealFolder(const QString &path)
{
    // A trailing slash would make lstat look through a link.
    QString name = path;
    while (name.size() > 1 && name.endsWith(QLatin1Char('/')))
        name.chop(1);
    struct stat st;
    return ::lstat(QFile::encodeName(name).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Measurements::entryExists(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

namespace {

int openFolderAt(int at, const char *name)
{
    return ::openat(at, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

using FolderId = QPair<dev_t, ino_t>;

// Removes what the folder open at `fd` holds except its subfolders; returns
// the name of a subfolder not tried before and its id (empty when none is
// left). Every entry is taken as itself: a link is removed, never followed.
QByteArray removeFilesOf(int fd, const QSet<FolderId> &failed, FolderId *id, bool *ok)
{
    const int own = ::dup(fd);
    DIR *dir = own < 0 ? nullptr : ::fdopendir(own);
    if (!dir) {
        if (own >= 0)
            ::close(own);
        *ok = false;
        return QByteArray();
    }
    // The duplicate shares the position of an earlier pass.
    ::rewinddir(dir);
    QByteArray sub;
    while (const struct dirent *e = ::readdir(dir)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        struct stat st;
        if (::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                *ok = false;
        } else if (S_ISDIR(st.st_mode)) {
            *id = qMakePair(st.st_dev, st.st_ino);
            if (!failed.contains(*id)) {
                sub = e->d_name;
                break;
            }
        } else if (::unlinkat(fd, e->d_name, 0) != 0) {
            *ok = false;
        }
    }
    ::closedir(dir);
    return sub;
}

// Removes a folder with all it holds, however deep, without recursion and
// with one folder open at a time: it walks down by name relative to the
// folder it is in and back up through "..", so neither the length of a path
// nor the limit of open files bounds the depth, and the memory used is the
// names on the way down. What cannot be removed stays (and is not tried
// again); the rest goes.
bool removeFolderTree(const QByteArray &path)
{
    int fd = openFolderAt(AT_FDCWD, path.constData());
    if (fd < 0)
        return false;
    bool ok = true;
    QByteArrayList way;
    QSet<FolderId> failed;
    for (;;) {
        FolderId id;
        const QByteArray sub = removeFilesOf(fd, failed, &id, &ok);
        if (!sub.isEmpty()) {
            const int child = openFolderAt(fd, sub.constData());
            if (child >= 0) {
                ::close(fd);
                fd = child;
                way << sub;
            } else {
                failed.insert(id);
                ok = false;
            }
            continue;
        }
        if (way.isEmpty())
            break;
        // This folder is as empty as it gets: up to its parent, and remove
        // it there.
        struct stat self;
        const bool known = ::fstat(fd, &self) == 0;
        const int parent = ::openat(fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        if (parent < 0)
            return false;
        fd = parent;
        if (::unlinkat(fd, way.takeLast().constData(), AT_REMOVEDIR) != 0) {
            ok = false;
            if (!known)
                break;
            failed.insert(qMakePair(self.st_dev, self.st_ino));
        }
    }
    ::close(fd);
    return ::rmdir(path.constData()) == 0 && ok;
}

} // namespace

// Removes a file, a link (never what it points to) or a folder with all it
// holds.
bool Measurements::removeEntry(const QString &path)
{
    if (isRealFolder(path))
        return removeFolderTree(QFile::encodeName(path));
    if (entryExists(path))
        return ::unlink(QFile::encodeName(path).constData()) == 0;
    return true;
}

// ---------------------------------------------------------------------------
// Info file writers

int Measurements::storeInfoFileLevelmeasurement(QString a_filename, QString a_name,
                                                MeasInfoStructure a_additionalData)
{
    const MeasInfoStructure &d = a_additionalData;
    const Gps *gps = m_gpsModul;
    return writeInfoFile(a_filename, QStringLiteral("Levelmeasurement"), a_name, [&d, gps](InfoIni &ini, const Gains &gains) {
        ini.setValue(QStringLiteral("Levels"), QStringLiteral("Level"), fixed(double(d.level[0]), 3));
        ini.setValue(QStringLiteral("Levels"), QStringLiteral("Frequency"), QString::number(d.frequency[0]));
        writeReceiverPosition(ini, gps);
        writeGains(ini, gains);
        writeFilter(ini, d);
        const QString g = QStringLiteral("FFT");
        ini.setValue(g, QStringLiteral("Samplerate"), QString::number(d.sampleRate));
        ini.setValue(g, QStringLiteral("FFT-Size"), QString::number(d.fftSize));
        ini.setValue(g, QStringLiteral("FFT-Values"), listGeneral(d.fft, boundedCount(d.fftSize, maxFftSize)));
    });
}

int Measurements::storeInfoFilePinpointing(QString a_filename, QString a_name,
                                           MeasInfoStructure a_additionalData)
{
    const MeasInfoStructure &d = a_additionalData;
    return writeInfoFile(a_filename, QStringLiteral("Histogram"), a_name, [&d](InfoIni &ini, const Gains &gains) {
        writeLevels(ini, d, true);
        writePositions(ini, d);
        writeGains(ini, gains);
        writeFilter(ini, d);
    });
}

int Measurements::storeInfoFilePipelocating(QString a_filename, QString a_name,
                                            MeasInfoStructure a_additionalData)
{
    const MeasInfoStructure &d = a_additionalData;
    return writeInfoFile(a_filename, QStringLiteral("Pipelocating"), a_name, [&d](InfoIni &ini, const Gains &gains) {
        writeLevels(ini, d, true);
        writePositions(ini, d);
        writeGains(ini, gains);
        writeFilter(ini, d);
    });
}

int Measurements::storeInfoFileH2Sensor(QString a_filename, QString a_name, MeasInfoStructure a_additionalData)
{
    const MeasInfoStructure &d = a_additionalData;
    return writeInfoFile(a_filename, QStringLiteral("H2-Sensor"), a_name, [&d](InfoIni &ini, const Gains &gains) {
        writeLevels(ini, d, false);
        const QString g = QStringLiteral("Levels_CSV");
        ini.setValue(g, QStringLiteral("Levels_Cnt"), QString::number(d.arrayCnt));
        ini.setValue(g, QStringLiteral("H2-ReferenceLevel"), QString::number(d.arrayInfoParameter_1));
        ini.setValue(g, QStringLiteral("H2-MaxRange"), QString::number(d.arrayInfoParameter_2));
        ini.setValue(g, QStringLiteral("Levels_Data"), listFixed1(d.array, boundedCount(d.arrayCnt, maxArrayCnt)));
        writePositions(ini, d);
        writeGains(ini, gains);
    });
}

int Measurements::storeInfoFileLongtermmeasurement(QString a_filename, QString a_name,
                                                   MeasInfoStructure a_additionalData)
{
    const MeasInfoStructure &d = a_additionalData;
    const Gps *gps = m_gpsModul;
    return writeInfoFile(a_filename, QStringLiteral("Longtermmeasurement"), a_name,
                         [&d, gps](InfoIni &ini, const Gains &gains) {
                             writeReceiverPosition(ini, gps);
                             writeGains(ini, gains);
                             writeFilter(ini, d);
                             const QString g = QStringLiteral("Levels_CSV");
                             ini.setValue(g, QStringLiteral("Levels_Cnt"), QString::number(d.arrayCnt));
                             ini.setValue(g, QStringLiteral("Levels_Data"),
                                          listFixed1(d.array, boundedCount(d.arrayCnt, maxArrayCnt)));
                             ini.setValue(g, QStringLiteral("SelectedTime"), QString::number(d.arrayInfoParameter_1));
                             ini.setValue(g, QStringLiteral("MaxVisibleData"), QString::number(d.arrayInfoParameter_2));
                         });
}

// ---------------------------------------------------------------------------
// Reading back

bool Measurements::readInfoFile(const QString &a_filename, int a_meastype, MeasInfoStructure *a_data,
                                QString *a_name)
{
    std::memset(a_data, 0, sizeof(MeasInfoStructure));
    if (a_name)
        a_name->clear();
    // The file comes from the card: read with the bounded reader, never
    // through a link, nothing deserialised. A damaged file gives what could
    // be read; one that is refused (not a regular file, too large) nothing.
    SettingsFile s(InfoIni::kMaxLineBytes);
    const RegularFile::Status status = s.load(a_filename, InfoIni::kMaxFileBytes, RegularFile::Links::Refuse);
    if (status != RegularFile::Status::Ok) {
        if (status != RegularFile::Status::Missing)
            qDebug() << "info.ini not read:" << a_filename << RegularFile::describe(status);
        return false;
    }
    if (s.isDamaged())
        qDebug() << "info.ini damaged:" << a_filename << s.problems();
    const auto value = [&s](const char *group, const QString &key) {
        return s.text(group, key.toLatin1().constData(), QString());
    };
    const auto intOf = [&value](const char *group, const QString &key) {
        return value(group, key).trimmed().toInt();
    };
    if (a_name)
        *a_name = value("Measurementinfo", QStringLiteral("Measurementname"));

    const bool hasFilter = a_meastype == 0 || a_meastype == 1 || a_meastype == 2 || a_meastype == 4;
    if (hasFilter) {
        a_data->filterType = convertTextToFilterType(value("Filter", QStringLiteral("Filtertype")));
        a_data->filterLowCutOff = value("Filter", QStringLiteral("LowCutOff-Frequency")).trimmed().toUInt();
        a_data->filterHighCutOff = value("Filter", QStringLiteral("HighCutOff-Frequency")).trimmed().toUInt();
    }
    switch (a_meastype) {
    case 0:
        a_data->level[0] = floatOf(value("Levels", QStringLiteral("Level")));
        a_data->frequency[0] = intOf("Levels", QStringLiteral("Frequency"));
        a_data->fftSize = readList(value("FFT", QStringLiteral("FFT-Values")), intOf("FFT", QStringLiteral("FFT-Size")),
                                   maxFftSize, a_data->fft);
        break;
    case 1:
    case 2:
        for (int i = 1; i <= 10; ++i) {
            a_data->level[i] = floatOf(value("Levels", QStringLiteral("Level_%1").arg(i)));
            a_data->frequency[i] = intOf("Levels", QStringLiteral("Frequency_%1").arg(i));
        }
        break;
    case 3:
    case 4:
        a_data->arrayCnt = readList(value("Levels_CSV", QStringLiteral("Levels_Data")),
                                    intOf("Levels_CSV", QStringLiteral("Levels_Cnt")), maxArrayCnt, a_data->array);
        if (a_meastype == 3) {
            a_data->arrayInfoParameter_1 = intOf("Levels_CSV", QStringLiteral("H2-ReferenceLevel"));
            a_data->arrayInfoParameter_2 = intOf("Levels_CSV", QStringLiteral("H2-MaxRange"));
        } else {
            a_data->arrayInfoParameter_1 = intOf("Levels_CSV", QStringLiteral("SelectedTime"));
            a_data->arrayInfoParameter_2 = intOf("Levels_CSV", QStringLiteral("MaxVisibleData"));
        }
        break;
    default:
        break;
    }
    return true;
}
