#ifndef SIM_MEASFOLDERS_H
#define SIM_MEASFOLDERS_H

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace Sim {

class ControlChannel;

// Measurement folders on the simulated data partition
// (<root>/media/tq3900/meas/), so that the stored-measurement browser has
// something to list: "<TT>_<yyyyMMdd>_<hhmmss>_<name>" with an info.ini of
// the group "Measurementinfo", dated and modified `minutesOld` minutes ago.
//
// Commands: "meas add <type> <minutes old> [name]" (type: two letters or
// digits, such as LE, PP, PL, H2, LT, PS; the name may hold blanks),
// "meas list" (the folders, newest first).
class MeasFolders
{
public:
    explicit MeasFolders(const QString &root) : m_root(root) {}

    static QString storePath() { return QStringLiteral("/media/tq3900/meas/"); }

    // Creates one folder; its name, or an empty string with *error set.
    QString add(const QString &type, int minutesOld, const QString &name, QString *error = nullptr,
                const QDateTime &now = QDateTime::currentDateTime()) const;
    // Entry names, newest first.
    QStringList list() const;

    void registerCommands(ControlChannel &channel) const;

private:
    QString m_root;
};

} // namespace Sim

#endif // SIM_MEASFOLDERS_H
