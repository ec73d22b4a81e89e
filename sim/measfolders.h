#ifndef SIM_MEASFOLDERS_H
#define SIM_MEASFOLDERS_H

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

namespace Sim {

class ControlChannel;

// Measurement folders on the simulated data partition
// (<root>/media/tq3900/meas/), so that the stored-measurement browser has
// something to list and its stored views something to show:
// "<TT>_<yyyyMMdd>_<hhmmss>_<name>", dated `minutesOld` minutes before the
// instrument's clock and modified that long ago.
//
// The five measurement types (LE, PP, PL, H2, LT) get a whole measurement as
// the instrument saves it: the info.ini with levels, frequencies, positions,
// spectrum, filter, gains, trend or hydrogen values, and the sound clips of
// level measurement (LE_sound.wav) and pinpointing (PP_Sound_<n>.wav). The
// pressure screen's PS folders get the info.ini's "Measurementinfo" group
// only. A type the instrument does not write is refused.
//
// Commands: "meas add <type> <minutes old> [name]" (type LE, PP, PL, H2, LT
// or PS; the name may hold blanks), "meas list" (the folders, newest first).
class MeasFolders
{
public:
    // What the simulated receiver tells the instrument while it has a fix.
    struct Receiver
    {
        bool fix = false;
        QDateTime utc;
        double latitude = 0.0;
        double longitude = 0.0;
    };
    using ReceiverSource = std::function<Receiver()>;

    explicit MeasFolders(const QString &root, ReceiverSource receiver = ReceiverSource())
        : m_root(root), m_receiver(std::move(receiver))
    {
    }

    static QString storePath() { return QStringLiteral("/media/tq3900/meas/"); }

    // The instrument's clock as the program runs it on this root: with the
    // date and time taken from GPS (the settings' default) and the receiver
    // reporting a fix, the receiver's UTC time plus the settings' time zone
    // and summer-time hour; with a manual setting, or without a fix, the
    // host's clock (a time set by hand lasts only as long as the program
    // runs).
    QDateTime instrumentClock() const;

    // Creates one folder; its name, or an empty string with *error set.
    QString add(const QString &type, int minutesOld, const QString &name, QString *error = nullptr) const;
    // Entry names, newest first.
    QStringList list() const;

    void registerCommands(ControlChannel &channel) const;

private:
    bool writeMeasurement(const QString &folder, const QString &type, const QString &name,
                          const QDateTime &when) const;

    QString m_root;
    ReceiverSource m_receiver;
};

} // namespace Sim

#endif // SIM_MEASFOLDERS_H
