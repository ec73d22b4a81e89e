// The platform seam: device root mapping, the command runner's journal and
// scripted answers, sysfs writes and reads, and the GPIO line table.
#include "boardshell.h"
#include "commandrunner.h"
#include "deviceroot.h"
#include "driverhelper.h"
#include "gpio.h"
#include "groupprocess.h"
#include "testroot.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QRandomGenerator>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <cstring>

class TestPlatform : public QObject
{
    Q_OBJECT

private slots:
    void deviceRootMapsAbsolutePaths();
    void boardWithoutRoot();
    void commandsAreJournalledNotRun();
    void commandAnswersAreScripted();
    void commandWorkingDirectoryIsJournalledAsBoardPath();
    void commandsReachTheSimulatedBoard();
    void commandOutputKeepsItsHeadAndTail();
    void commandPastItsLimitEndsWhatItStarted();
    void writeFileTruncatesAndJournals();
    void writeFileToMissingFolderFails();
    void readFileAlwaysTerminates();
    void readFileInteger();
    void gpioDirectionAndValue_data();
    void gpioDirectionAndValue();
    void gpioGetValue_data();
    void gpioGetValue();
    void gpioInitOrder();
    void gpioInitWithMissingLines();
};

void TestPlatform::deviceRootMapsAbsolutePaths()
{
    TestRoot root;
    QVERIFY(root.isValid());
    QCOMPARE(DeviceRoot::path(QStringLiteral("/sys/class/gpio/export")),
             root.root() + "/sys/class/gpio/export");
    QCOMPARE(DeviceRoot::path(QStringLiteral(":/Languages/GB_TQ3900.qm")),
             QStringLiteral(":/Languages/GB_TQ3900.qm"));
    QCOMPARE(DeviceRoot::path(QStringLiteral("relative/file")), QStringLiteral("relative/file"));
    // A path that is already mapped is not mapped twice.
    const QString once = DeviceRoot::path(QStringLiteral("/home/root"));
    QCOMPARE(DeviceRoot::path(once), once);
    QCOMPARE(DeviceRoot::boardPath(once), QStringLiteral("/home/root"));
    QCOMPARE(DeviceRoot::boardPath(root.root()), QStringLiteral("/"));
    QVERIFY(!DeviceRoot::isBoard());

    // A trailing slash on the root changes nothing.
    qputenv("TQ3900_ROOT", (root.root() + "//").toLocal8Bit());
    QCOMPARE(DeviceRoot::path(QStringLiteral("/dev/ttyO1")), root.root() + "/dev/ttyO1");
}

void TestPlatform::boardWithoutRoot()
{
    const QByteArray saved = qgetenv("TQ3900_ROOT");
    QTemporaryDir host;
    const QString marker = host.filePath(QStringLiteral("marker"));
    const char *const values[] = {"", "/", nullptr};
    for (const char *value : values) {
        if (value)
            qputenv("TQ3900_ROOT", value);
        else
            qunsetenv("TQ3900_ROOT");
        QCOMPARE(DeviceRoot::path(QStringLiteral("/sys/class/gpio/export")),
                 QStringLiteral("/sys/class/gpio/export"));
        QVERIFY(DeviceRoot::journalDir().isEmpty());
        // Only the board's own build takes a missing root for the board; any
        // other build runs nothing on the host and refuses to start.
        QCOMPARE(DeviceRoot::isBoard(), DeviceRoot::isBoardBuild());
        QCOMPARE(DeviceRoot::missingRootMessage().isEmpty(), DeviceRoot::isBoardBuild());
        if (!DeviceRoot::isBoardBuild()) {
            QCOMPARE(CommandRunner::run("touch " + marker), 0);
            QVERIFY(CommandRunner::startDetached("touch " + marker));
            QTest::qWait(100);
            QVERIFY2(!QFile::exists(marker), "a command ran on the host");
        }
    }
    qputenv("TQ3900_ROOT", saved);
}

void TestPlatform::commandsAreJournalledNotRun()
{
    TestRoot root;
    const QString marker = root.local("/marker");
    QCOMPARE(CommandRunner::run("touch " + marker), 0);
    QVERIFY2(!QFile::exists(marker), "a command ran on the host");
    const CommandRunner::Result r = CommandRunner::runWithTimeout("poweroff", 100);
    QCOMPARE(r.exitCode, 0);
    QVERIFY(!r.timedOut);
    QVERIFY(CommandRunner::startDetached("reboot"));
    QCOMPARE(root.commands(), QStringList({"touch " + marker, "poweroff", "reboot"}));
    const QStringList lines = root.journal("commands.log");
    QVERIFY(lines.at(0).endsWith("\twait"));
    QVERIFY(lines.at(1).endsWith("\ttimeout"));
    QVERIFY(lines.at(2).endsWith("\tdetached"));
}

void TestPlatform::commandAnswersAreScripted()
{
    TestRoot root;
    root.answer("fsck -Mya /dev/mmcblk0p3", 4, "errors corrected\n");
    root.answer("mount", 32, "busy");
    CommandRunner::Result r = CommandRunner::runWithTimeout("fsck -Mya /dev/mmcblk0p3", 1000);
    QCOMPARE(r.exitCode, 4);
    QCOMPARE(r.output, QByteArray("errors corrected\n"));
    // The first word's answer serves every command that starts with it.
    QCOMPARE(CommandRunner::run("mount /dev/mmcblk0p3 /media/tq3900"), 32);
    r = CommandRunner::runWithTimeout("mount -o ro /dev/sda1 /mnt", 1000);
    QCOMPARE(r.output, QByteArray("busy"));
    // Another command with the same first letters is not matched.
    QCOMPARE(CommandRunner::run("fsck.vfat /dev/sda1"), 0);
    QCOMPARE(CommandRunner::answerKey("date -s \"2026-12-07 10:00\""),
             QStringLiteral("date_-s__2026-12-07_10_00_"));
}

void TestPlatform::commandWorkingDirectoryIsJournalledAsBoardPath()
{
    TestRoot root;
    CommandRunner::run("umount /media/tq3900", DeviceRoot::path(QStringLiteral("/home/root")));
    QCOMPARE(root.commandDirs(), QStringList({"/home/root"}));
}

namespace {
// A simulated board shell on a thread of its own, as the simulator runs
// beside the program: "parted" answers a table, "false" fails, "slow" answers
// after 400 ms, "hang" never answers, "pwd" tells the working directory.
class ShellThread : public QThread
{
public:
    explicit ShellThread(const QString &root) : m_root(root) {}
    QStringList received; // read after the thread ended
    QAtomicInt opened;

protected:
    void run() override
    {
        Sim::BoardShell shell(m_root);
        shell.addHandler("parted", [](const Sim::ShellCommand &c, Sim::ShellAnswer *a) {
            a->output = "BYT;\n/dev/mmcblk0:" + c.words.value(1).toUtf8() + "\n";
            return true;
        });
        shell.addHandler("false", [](const Sim::ShellCommand &, Sim::ShellAnswer *a) {
            a->exitCode = 1;
            return true;
        });
        shell.addHandler("slow", [](const Sim::ShellCommand &, Sim::ShellAnswer *a) {
            a->delayMs = 400;
            a->output = "late";
            return true;
        });
        shell.addHandler("hang", [](const Sim::ShellCommand &, Sim::ShellAnswer *a) {
            a->silent = true;
            return true;
        });
        shell.addHandler("yes", [](const Sim::ShellCommand &, Sim::ShellAnswer *a) {
            a->endless = true;
            a->output = "0123456789abcdef";
            return true;
        });
        shell.addHandler("pwd", [](const Sim::ShellCommand &c, Sim::ShellAnswer *a) {
            a->output = c.workDir.toUtf8();
            return true;
        });
        // A newer handler of the same word that declines passes it on.
        shell.addHandler("parted", [](const Sim::ShellCommand &, Sim::ShellAnswer *) { return false; });
        QObject::connect(&shell, &Sim::BoardShell::commandReceived,
                         [this](const QString &line, const QString &) { received << line; });
        if (shell.open())
            opened = 1;
        else
            opened = -1;
        exec();
    }

private:
    QString m_root;
};
} // namespace

void TestPlatform::commandOutputKeepsItsHeadAndTail()
{
    // Output in pieces of every size: the first 64 KiB and the last 64 KiB
    // are kept exactly, never more than 192 KiB held on the way.
    QByteArray all;
    for (int i = 0; all.size() < 3 * 1024 * 1024; ++i)
        all += QByteArray::number(i) + ',';
    CommandRunner::BoundedOutput out;
    QRandomGenerator rng(40);
    int at = 0;
    while (at < all.size()) {
        const int n = qMin(all.size() - at, int(rng.bounded(200000)));
        out.append(all.constData() + at, n);
        at += n;
        QVERIFY(out.held() <= 192 * 1024);
    }
    QCOMPARE(out.bytes(), all.left(64 * 1024) + all.right(64 * 1024));
    QCOMPARE(out.dropped(), qint64(all.size() - 128 * 1024));
    // Short output passes whole.
    CommandRunner::BoundedOutput small;
    small.append(all.left(100000));
    QCOMPARE(small.bytes(), all.left(100000));
    QCOMPARE(small.dropped(), qint64(0));
}

void TestPlatform::commandsReachTheSimulatedBoard()
{
    TestRoot root;
    root.answer("mount", 32, "scripted");
    ShellThread shell(DeviceRoot::root());
    shell.start();
    QTRY_VERIFY(shell.opened != 0);
    QCOMPARE(int(shell.opened), 1);

    CommandRunner::Result r = CommandRunner::runWithTimeout("parted -sm /dev/mmcblk0 print", 5000);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.output, QByteArray("BYT;\n/dev/mmcblk0:-sm\n"));
    QCOMPARE(CommandRunner::run("false"), 1);
    // No handler: done, no output, as before the board played any command.
    r = CommandRunner::runWithTimeout("sync", 5000);
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.output.isEmpty());
    // A scripted answer file wins over the simulated board.
    r = CommandRunner::runWithTimeout("mount /dev/mmcblk0p3 /media/tq3900", 5000);
    QCOMPARE(r.exitCode, 32);
    QCOMPARE(r.output, QByteArray("scripted"));
    QCOMPARE(CommandRunner::runWithTimeout("pwd", 5000, DeviceRoot::path("/home/root")).output,
             QByteArray("/home/root"));

    // An answer later than the caller waits is a time-out; the wait is bounded
    // by the caller's time, not by the answer.
    QElapsedTimer clock;
    clock.start();
    r = CommandRunner::runWithTimeout("slow", 50);
    QVERIFY(r.timedOut);
    QCOMPARE(r.exitCode, -1);
    QVERIFY2(clock.elapsed() < 390, qPrintable(QString::number(clock.elapsed())));
    r = CommandRunner::runWithTimeout("slow", 20000);
    QVERIFY(!r.timedOut);
    QCOMPARE(r.output, QByteArray("late"));
    r = CommandRunner::runWithTimeout("hang", 100);
    QVERIFY(r.timedOut);
    // The shell still answers after a command it never answered.
    QCOMPARE(CommandRunner::run("false"), 1);
    // A command that prints without end: what the runner holds is its first
    // and last 64 KiB, however much passed, and the wait still ends.
    r = CommandRunner::runWithTimeout("yes", 1500);
    QVERIFY(r.timedOut);
    QCOMPARE(r.output.size(), 128 * 1024);
    QVERIFY(r.output.startsWith("0123456789abcdef0123"));
    QCOMPARE(CommandRunner::run("false"), 1);
    // A detached command is journalled only.
    QVERIFY(CommandRunner::startDetached("hang"));

    shell.quit();
    QVERIFY(shell.wait(10000));
    QVERIFY(!shell.received.contains("mount /dev/mmcblk0p3 /media/tq3900"));
    QCOMPARE(shell.received.count("hang"), 1);
    QVERIFY(!QFile::exists(Sim::BoardShell::socketPath(DeviceRoot::root())));

    // No simulator (also with a stale socket file left behind): done, no output.
    r = CommandRunner::runWithTimeout("parted -sm /dev/mmcblk0 print", 5000);
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.output.isEmpty());
    QFile stale(Sim::BoardShell::socketPath(DeviceRoot::root()));
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.close();
    QCOMPARE(CommandRunner::run("false"), 0);
    QCOMPARE(root.commands().count("false"), 4);
}

// The board runs each command in a process group of its own: a script
// stopped at its limit ends with the commands it started, also one in the
// background. (Only sleep and the shell run here, on this machine.)
void TestPlatform::commandPastItsLimitEndsWhatItStarted()
{
    if (DeviceRoot::isBoardBuild() || qEnvironmentVariableIsSet("TQ3900_NO_CHILD_PROCESSES"))
        QSKIP("under qemu-user a child's process id is unknown");
    const auto alive = [](qint64 pid) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        // A zombie is ended: only its parent's wait is left.
        return stat.open(QIODevice::ReadOnly) && !stat.readAll().contains(") Z ");
    };
    GroupProcess script;
    script.setProcessChannelMode(QProcess::MergedChannels);
    script.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("sleep 300 & echo $!; sleep 300")});
    QVERIFY(script.waitForStarted(5000));
    QTRY_VERIFY(script.canReadLine());
    const qint64 background = script.readLine().trimmed().toLongLong();
    QVERIFY(background > 1);
    QVERIFY(alive(background));
    // Its own group, not the test's.
    QCOMPARE(qint64(::getpgid(pid_t(background))), script.processId());
    QVERIFY(::getpgid(0) != script.processId());

    QVERIFY(script.killGroup(5000));
    QCOMPARE(script.state(), QProcess::NotRunning);
    QTRY_VERIFY(!alive(background));

    // Nothing left to end: no group is signalled.
    QVERIFY(!script.killGroup(100));
}

void TestPlatform::writeFileTruncatesAndJournals()
{
    TestRoot root;
    QVERIFY(root.write("/sys/class/backlight/backlight/brightness", "123456"));
    QVERIFY(DriverHelper::writeFile("/sys/class/backlight/backlight/brightness", 7));
    QCOMPARE(root.read("/sys/class/backlight/backlight/brightness"), QByteArray("7"));
    QVERIFY(DriverHelper::writeFile("/sys/class/backlight/backlight/brightness", "0"));
    QCOMPARE(root.sysfsWritesTo("/sys/class/backlight/backlight/brightness"),
             QStringList({"7", "0"}));
    QVERIFY(DriverHelper::writeFile("/sys/class/gpio/export", -12));
    QCOMPARE(root.read("/sys/class/gpio/export"), QByteArray("-12"));
}

void TestPlatform::writeFileToMissingFolderFails()
{
    TestRoot root;
    QVERIFY(!DriverHelper::writeFile("/sys/class/gpio/gpio999/value", "1"));
    // An attribute that is not there is not created either.
    QVERIFY(!DriverHelper::writeFile("/sys/class/gpio/gpio17/edge", "both"));
    QVERIFY(!root.exists("/sys/class/gpio/gpio17/edge"));
    QVERIFY(root.sysfsWrites().isEmpty());
}

void TestPlatform::readFileAlwaysTerminates()
{
    TestRoot root;
    root.write("/sys/class/power_supply/bq27426-0/status", "Discharging\n");
    char buffer[5];
    std::memset(buffer, 'x', sizeof buffer);
    QVERIFY(DriverHelper::readFile("/sys/class/power_supply/bq27426-0/status", buffer, sizeof buffer));
    QCOMPARE(QByteArray(buffer), QByteArray("Disc"));

    char whole[64];
    QVERIFY(DriverHelper::readFile("/sys/class/power_supply/bq27426-0/status", whole, sizeof whole));
    QCOMPARE(QByteArray(whole), QByteArray("Discharging\n"));

    char missing[8];
    std::memset(missing, 'x', sizeof missing);
    QVERIFY(!DriverHelper::readFile("/nowhere/file", missing, sizeof missing));
    QCOMPARE(missing[0], '\0');
    char none = 'x';
    QVERIFY(DriverHelper::readFile("/sys/class/power_supply/bq27426-0/status", &none, 0));
    QCOMPARE(none, 'x');
}

void TestPlatform::readFileInteger()
{
    TestRoot root;
    int value = 17;
    root.write("/sys/class/power_supply/bq27426-0/capacity", "  -42\n");
    QVERIFY(DriverHelper::readFile("/sys/class/power_supply/bq27426-0/capacity", value));
    QCOMPARE(value, -42);
    root.write("/sys/class/power_supply/bq27426-0/capacity", "full\n");
    QVERIFY(!DriverHelper::readFile("/sys/class/power_supply/bq27426-0/capacity", value));
    QCOMPARE(value, -42);
    QVERIFY(!DriverHelper::readFile("/nowhere", value));
}

void TestPlatform::gpioDirectionAndValue_data()
{
    QTest::addColumn<int>("direction");
    QTest::addColumn<QString>("directionText");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("valueText");
    QTest::newRow("in, 0") << 0 << "in" << 0 << "0";
    QTest::newRow("out, 1") << 1 << "out" << 1 << "1";
    QTest::newRow("direction 2 is out, value 5 is 1") << 2 << "out" << 5 << "1";
    QTest::newRow("direction -1 is out, value -1 is 1") << -1 << "out" << -1 << "1";
}

void TestPlatform::gpioDirectionAndValue()
{
    QFETCH(int, direction);
    QFETCH(QString, directionText);
    QFETCH(int, value);
    QFETCH(QString, valueText);
    TestRoot root;
    Gpio::setDirection(17, direction);
    Gpio::setValue(17, value);
    QCOMPARE(QString(root.read("/sys/class/gpio/gpio17/direction")), directionText);
    QCOMPARE(QString(root.read("/sys/class/gpio/gpio17/value")), valueText);
}

void TestPlatform::gpioGetValue_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("expected");
    QTest::newRow("1 with line end") << QByteArray("1\n") << true;
    QTest::newRow("0 with line end") << QByteArray("0\n") << false;
    QTest::newRow("other character") << QByteArray("x") << true;
    QTest::newRow("empty file") << QByteArray() << false;
}

void TestPlatform::gpioGetValue()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, expected);
    TestRoot root;
    root.write("/sys/class/gpio/gpio48/value", content);
    QCOMPARE(Gpio::getValue(48), expected);
    QVERIFY(!Gpio::getValue(999)); // no such line
}

void TestPlatform::gpioInitOrder()
{
    TestRoot root;
    Gpio::init();
    QStringList exports = root.sysfsWritesTo("/sys/class/gpio/export");
    QCOMPARE(exports, QStringList({"58", "59", "114", "96", "54", "48", "65", "50", "17", "115", "16"}));
    QCOMPARE(root.sysfsWritesTo("/sys/class/pwm/pwmchip1/export"), QStringList({"0"}));

    // The whole sequence: export, direction, value, line by line, PWM after line 48.
    const QStringList writes = root.sysfsWrites();
    const int pwm = writes.indexOf("/sys/class/pwm/pwmchip1/export 0");
    QVERIFY(pwm > writes.indexOf("/sys/class/gpio/gpio48/direction in"));
    QCOMPARE(writes.at(pwm + 1), QStringLiteral("/sys/class/gpio/gpio113/direction out"));
    QCOMPARE(writes.at(pwm + 2), QStringLiteral("/sys/class/gpio/gpio113/value 0"));
    QCOMPARE(writes.first(), QStringLiteral("/sys/class/gpio/export 58"));
    QCOMPARE(writes.at(1), QStringLiteral("/sys/class/gpio/gpio58/direction out"));
    QCOMPARE(writes.at(2), QStringLiteral("/sys/class/gpio/gpio58/value 0"));
    QCOMPARE(writes.at(4), QStringLiteral("/sys/class/gpio/gpio59/direction in"));
    QCOMPARE(writes.last(), QStringLiteral("/sys/class/gpio/gpio16/value 1"));

    const QList<QPair<int, QByteArray>> values = {{65, "0"}, {17, "1"}, {16, "1"}, {50, "0"},
                                                  {115, "0"}, {58, "0"}, {114, "1"}};
    for (const auto &v : values)
        QCOMPARE(root.read(QStringLiteral("/sys/class/gpio/gpio%1/value").arg(v.first)), v.second);
}

void TestPlatform::gpioInitWithMissingLines()
{
    TestRoot root;
    QVERIFY(QDir(root.local("/sys/class/gpio/gpio17")).removeRecursively());
    QVERIFY(QDir(root.local("/sys/class/pwm")).removeRecursively());
    Gpio::init();
    QVERIFY(!root.exists("/sys/class/gpio/gpio17/value"));
    // The lines after the missing ones are still set up.
    QCOMPARE(root.read("/sys/class/gpio/gpio16/value"), QByteArray("1"));
    QCOMPARE(root.read("/sys/class/gpio/gpio115/value"), QByteArray("0"));
}

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
