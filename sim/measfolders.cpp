#include "measfolders.h"

#include "controlchannel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <fcntl.h>
#include <sys/stat.h>

namespace Sim {

namespace {

// At most ten years back; names as the instrument's keyboard makes them.
const int kMaxMinutesOld = 10 * 366 * 24 * 60;
const int kMaxNameLength = 100;

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

} // namespace

QString MeasFolders::add(const QString &type, int minutesOld, const QString &name, QString *error,
                         const QDateTime &now) const
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return QString();
    };
    if (!QRegularExpression(QStringLiteral("^[A-Za-z0-9]{2}$")).match(type).hasMatch())
        return fail(QStringLiteral("type must be two letters or digits"));
    if (minutesOld < 0 || minutesOld > kMaxMinutesOld)
        return fail(QStringLiteral("minutes old must be 0 to %1").arg(kMaxMinutesOld));
    const QString trimmed = name.trimmed();
    if (trimmed.contains(QLatin1Char('/')) || trimmed.size() > kMaxNameLength)
        return fail(QStringLiteral("name must hold no '/' and at most %1 characters").arg(kMaxNameLength));

    const QDateTime when = now.addSecs(-qint64(minutesOld) * 60);
    const QString folderName = type + QLatin1Char('_') + when.toString(QStringLiteral("yyyyMMdd_hhmmss"))
                               + QLatin1Char('_') + trimmed;
    const QString store = m_root + storePath();
    const QString folder = store + folderName;
    if (!QDir().mkpath(store))
        return fail(QStringLiteral("cannot create %1").arg(store));
    if (QFileInfo(folder).exists() || QFileInfo(folder).isSymLink())
        return fail(QStringLiteral("%1 exists").arg(folderName));
    if (!QDir().mkdir(folder))
        return fail(QStringLiteral("cannot create %1").arg(folderName));

    QFile info(folder + QStringLiteral("/info.ini"));
    const QByteArray text = "[Measurementinfo]\nMeasurementdate=" + when.toString(QStringLiteral("dd.MM.yyyy")).toUtf8()
                            + "\nMeasurementname=" + trimmed.toUtf8() + "\nMeasurementtime="
                            + when.toString(QStringLiteral("hh:mm:ss")).toUtf8()
                            + "\nMeasurementtype=" + typeText(type).toUtf8() + '\n';
    if (!info.open(QIODevice::WriteOnly) || info.write(text) != text.size()) {
        QDir(folder).removeRecursively();
        return fail(QStringLiteral("cannot write the info.ini of %1").arg(folderName));
    }
    info.close();
    setModified(info.fileName(), when);
    setModified(folder, when);
    return folderName;
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
            const QString usage = QStringLiteral("usage: meas add <type LE|PP|PL|H2|LT|PS|..> <minutes old> [name] | meas list");
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
                return made.isEmpty() ? QStringLiteral("error: ") + why : made;
            }
            return QStringLiteral("error: ") + usage;
        });
}

} // namespace Sim
