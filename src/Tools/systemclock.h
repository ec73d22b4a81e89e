#ifndef SYSTEMCLOCK_H
#define SYSTEMCLOCK_H

#include <QDateTime>
#include <QStringList>

// The instrument's system clock, which runs on local time (zone offset plus
// summer time). Reading goes through now(), so that tests can fix the moment
// the dialogs read; setting goes through the "date" commands of the command
// runner (journalled, never run, off the board).
//
// Off the board the host's clock is never set. Under a device root a setting
// moves the program's clock instead: now() then runs the set distance ahead
// of (or behind) the host's clock, as the board's clock would after the
// commands, until the next setting or another root.
class SystemClock
{
public:
    // The current local date and time, or the fixed moment set below.
    static QDateTime now();
    // Fixes what now() returns; an invalid date-time returns to the real clock.
    static void setFixedNow(const QDateTime &moment);

    // "date +%F -s y-m-d" and "date +%T -s h:m:s" for a local date and time,
    // plain decimal numbers without leading zeros.
    static QStringList setCommands(const QDate &date, const QTime &time);
    // Runs the two commands and waits for each; with writeHardwareClock the
    // system clock is then copied to the battery-backed clock. Under a device
    // root the program's clock moves to the moment set; a moment within a
    // few seconds of the host's clock (a receiver's time arrives a second or
    // two late) leaves the host's clock, the better one, in force.
    static void set(const QDate &date, const QTime &time, bool writeHardwareClock);
    // How far the program's clock runs from the host's, in milliseconds
    // (0 on the board and without a root).
    static qint64 offsetMs();
    static constexpr qint64 kSameClockMs = 5000;
};

#endif // SYSTEMCLOCK_H
