#include "systemclock.h"

#include "commandrunner.h"

namespace {
QDateTime g_fixedNow;
} // namespace

QDateTime SystemClock::now()
{
    return g_fixedNow.isValid() ? g_fixedNow : QDateTime::currentDateTime();
}

void SystemClock::setFixedNow(const QDateTime &moment)
{
    g_fixedNow = moment;
}

QStringList SystemClock::setCommands(const QDate &date, const QTime &time)
{
    return {QStringLiteral("date +%F -s %1-%2-%3").arg(date.year()).arg(date.month()).arg(date.day()),
            QStringLiteral("date +%T -s %1:%2:%3").arg(time.hour()).arg(time.minute()).arg(time.second())};
}

void SystemClock::set(const QDate &date, const QTime &time, bool writeHardwareClock)
{
    // The exit codes are not looked at: a clock that cannot be set keeps
    // running as it did, and the dialogs have nothing better to offer.
    for (const QString &command : setCommands(date, time))
        CommandRunner::run(command);
    if (writeHardwareClock)
        CommandRunner::run(QStringLiteral("hwclock -w -f /dev/rtc0"));
}
