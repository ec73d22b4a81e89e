#ifndef SYSTEMCLOCK_H
#define SYSTEMCLOCK_H

#include <QDateTime>
#include <QStringList>

// The instrument's system clock, which runs on local time (zone offset plus
// summer time). Reading goes through now(), so that tests can fix the moment
// the dialogs read; setting goes through the "date" commands of the command
// runner (journalled, never run, off the board).
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
    // system clock is then copied to the battery-backed clock.
    static void set(const QDate &date, const QTime &time, bool writeHardwareClock);
};

#endif // SYSTEMCLOCK_H
