#include "systemclock.h"

#include "commandrunner.h"
#include "deviceroot.h"

namespace {
QDateTime g_fixedNow;
// The offset belongs to the root it was set under: a test's next root, or a
// later run, starts on the host's clock.
QString g_offsetRoot;
qint64 g_offsetMs = 0;

QString simulatedBoardRoot()
{
    return DeviceRoot::isBoard() ? QString() : DeviceRoot::root();
}
} // namespace

QDateTime SystemClock::now()
{
    return g_fixedNow.isValid() ? g_fixedNow : QDateTime::currentDateTime().addMSecs(offsetMs());
}

qint64 SystemClock::offsetMs()
{
    const QString root = simulatedBoardRoot();
    return !root.isEmpty() && root == g_offsetRoot ? g_offsetMs : 0;
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

    const QString root = simulatedBoardRoot();
    const QDateTime target(date, time);
    if (root.isEmpty() || !target.isValid())
        return;
    qint64 offset = QDateTime::currentDateTime().msecsTo(target);
    if (qAbs(offset) < kSameClockMs)
        offset = 0;
    g_offsetRoot = root;
    g_offsetMs = offset;
}
