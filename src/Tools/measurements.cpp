#include "measurements.h"

#include "bluetooth.h"
#include "deviceroot.h"
#include "globals.h"
#include "gps.h"
#include "infoini.h"
#include "mainmenu.h"
#include "messagedialog.h"
#include "systemclock.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

namespace {

const char kRoot[] = "/media/tq3900/meas/";
const char kWavTemp[] = "/home/root/meas/wav_temp";

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

// What was written as one text may come back as a list when a PC edited the
// file and left a comma unquoted.
QString textOf(const QVariant &value)
{
    if (value.type() == QVariant::StringList)
        return value.toStringList().join(QLatin1String(", "));
    return value.toString();
}

float floatOf(const QString &text)
{
    bool ok = false;
    const float v = text.trimmed().toFloat(&ok);
    return ok && std::isfinite(v) ? v : 0.0f;
}

int intOf(const QVariant &value)
{
    return textOf(value).trimmed().toInt();
}

// Reads up to `wanted` values (bounded by `capacity`) of a "v; v; " list;
// returns how many were present.
int readList(const QString &text, int wanted, int capacity, float *out)
{
    QStringList parts = text.split(QLatin1Char(';'));
    if (!parts.isEmpty() && parts.last().trimmed().isEmpty())
        parts.removeLast();
    const int n = std::min({std::max(wanted, 0), capacity, int(parts.size())});
    for (int i = 0; i < n; ++i)
        out[i] = floatOf(parts.at(i));
    return n;
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
    return ini.save(filename) ? 0 : -1;
}

} // namespace

Measurements::Measurements() = default;

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
    const QString root = DeviceRoot::path(QString::fromLatin1(kRoot));
    // Without the folder (partition not mounted) the working directory stays
    // where it is and nothing is counted: an unrelated folder must never be
    // taken for the store.
    if (!QDir::setCurrent(root)) {
        qDebug() << "Error: no measurement folder" << root;
        return false;
    }
    return true;
}

QStringList Measurements::matchingEntries()
{
    QDir dir(QStringLiteral("."));
    dir.setNameFilters({QStringLiteral("LE_*"), QStringLiteral("PP_*"), QStringLiteral("PL_*"),
                        QStringLiteral("H2_*"), QStringLiteral("LT_*")});
    dir.setFilter(QDir::AllEntries | QDir::NoDotAndDotDot);
    dir.setSorting(QDir::Unsorted);
    return dir.entryList();
}

int Measurements::getNumMeasurements()
{
    const int n = enterRoot() ? matchingEntries().size() : 0;
    qDebug() << "NumMeas:" << n;
    return n;
}

QStringList Measurements::getMeasurementList()
{
    if (!enterRoot())
        return QStringList();
    QList<QFileInfo> entries;
    for (const QString &name : matchingEntries())
        entries << QFileInfo(name);
    std::stable_sort(entries.begin(), entries.end(), [](const QFileInfo &a, const QFileInfo &b) {
        const QDateTime ta = a.lastModified();
        const QDateTime tb = b.lastModified();
        if (ta != tb)
            return ta > tb;
        return a.fileName() < b.fileName();
    });
    QStringList names;
    for (const QFileInfo &e : entries)
        names << e.fileName();
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
    const QString root = DeviceRoot::path(QString::fromLatin1(kRoot));
    const QString folder = root + prefix + m_date + QLatin1Char('_') + m_time + QLatin1Char('_') + name;

    // A name with a slash would put the folder somewhere else; the file
    // system refuses the rest (too long, missing root, read-only).
    bool created = false;
    bool usable = false;
    if (!name.contains(QLatin1Char('/')) && !name.contains(QChar(0)) && QFileInfo(root).isDir()) {
        if (QFileInfo(folder).isDir()) {
            usable = true; // same type, second and name: merged into
        } else {
            created = QDir().mkdir(folder);
            usable = created;
        }
    }

    int written = -1;
    if (usable) {
        const QString info = folder + QStringLiteral("/info.ini");
        switch (a_meastype) {
        case 0:
            written = storeInfoFileLevelmeasurement(info, name, a_additionalData);
            break;
        case 1:
            written = storeInfoFilePinpointing(info, name, a_additionalData);
            break;
        case 2:
            written = storeInfoFilePipelocating(info, name, a_additionalData);
            break;
        case 3:
            written = storeInfoFileH2Sensor(info, name, a_additionalData);
            break;
        default:
            written = storeInfoFileLongtermmeasurement(info, name, a_additionalData);
            break;
        }
    }
    if (written != 0) {
        if (created)
            QDir(folder).removeRecursively();
        qDebug() << "Error: measurement not stored" << folder;
        const int pressed = showMessage(2, tr("Error"), tr("MeasurementCouldNotBeStored"));
        qDebug() << (pressed == 0 ? "Message Measurement Error closed" : "Ende Button Unknown");
        return -1;
    }

    // Sound copies. The clips are whole: the audio worker's store returns
    // only once the file is written. QFile::copy never replaces a target and
    // leaves no partial copy when the partition is full.
    const QString wavTemp = DeviceRoot::path(QString::fromLatin1(kWavTemp));
    if (a_meastype == 0) {
        QFile::copy(wavTemp + QStringLiteral("/LE_sound.wav"), folder + QStringLiteral("/LE_sound.wav"));
    } else if (a_meastype == 1) {
        for (int i = 1; i <= 10; ++i) {
            if (a_additionalData.level[i] > 0.0f && a_additionalData.frequency[i] > 0) {
                const QString clip = QStringLiteral("/PP_Sound_%1.wav").arg(i);
                QFile::copy(wavTemp + clip, folder + clip);
            }
        }
    }
    return 0;
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
    if (!QFileInfo(a_filename).isFile())
        return false;
    QSettings s(a_filename, QSettings::IniFormat);
    if (a_name)
        *a_name = textOf(s.value(QStringLiteral("Measurementinfo/Measurementname")));

    const bool hasFilter = a_meastype == 0 || a_meastype == 1 || a_meastype == 2 || a_meastype == 4;
    if (hasFilter) {
        a_data->filterType = convertTextToFilterType(textOf(s.value(QStringLiteral("Filter/Filtertype"))));
        a_data->filterLowCutOff = textOf(s.value(QStringLiteral("Filter/LowCutOff-Frequency"))).toUInt();
        a_data->filterHighCutOff = textOf(s.value(QStringLiteral("Filter/HighCutOff-Frequency"))).toUInt();
    }
    switch (a_meastype) {
    case 0:
        a_data->level[0] = floatOf(textOf(s.value(QStringLiteral("Levels/Level"))));
        a_data->frequency[0] = intOf(s.value(QStringLiteral("Levels/Frequency")));
        a_data->fftSize = readList(textOf(s.value(QStringLiteral("FFT/FFT-Values"))),
                                   intOf(s.value(QStringLiteral("FFT/FFT-Size"))), maxFftSize, a_data->fft);
        break;
    case 1:
    case 2:
        for (int i = 1; i <= 10; ++i) {
            a_data->level[i] = floatOf(textOf(s.value(QStringLiteral("Levels/Level_%1").arg(i))));
            a_data->frequency[i] = intOf(s.value(QStringLiteral("Levels/Frequency_%1").arg(i)));
        }
        break;
    case 3:
    case 4:
        a_data->arrayCnt = readList(textOf(s.value(QStringLiteral("Levels_CSV/Levels_Data"))),
                                    intOf(s.value(QStringLiteral("Levels_CSV/Levels_Cnt"))), maxArrayCnt,
                                    a_data->array);
        if (a_meastype == 3) {
            a_data->arrayInfoParameter_1 = intOf(s.value(QStringLiteral("Levels_CSV/H2-ReferenceLevel")));
            a_data->arrayInfoParameter_2 = intOf(s.value(QStringLiteral("Levels_CSV/H2-MaxRange")));
        } else {
            a_data->arrayInfoParameter_1 = intOf(s.value(QStringLiteral("Levels_CSV/SelectedTime")));
            a_data->arrayInfoParameter_2 = intOf(s.value(QStringLiteral("Levels_CSV/MaxVisibleData")));
        }
        break;
    default:
        break;
    }
    return true;
}
