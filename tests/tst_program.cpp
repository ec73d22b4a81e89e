// The program as a whole process on a simulated device root: it starts,
// reacts to its command-line words and ends cleanly on SIGTERM and SIGINT.
#include "deviceroot.h"
#include "testroot.h"

#include <QProcess>
#include <QtTest>

#include <csignal>

class TestProgram : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void endsCleanlyOnSignal_data();
    void endsCleanlyOnSignal();
    void pcBuildWithoutRootRunsNothing_data();
    void pcBuildWithoutRootRunsNothing();

private:
    bool startProgram(QProcess &p, const TestRoot &root, const QStringList &args);
    QString m_bin;
};

void TestProgram::initTestCase()
{
    m_bin = qEnvironmentVariable("TQ3900_BIN");
    if (m_bin.isEmpty())
        QSKIP("TQ3900_BIN is not set (run through ctest)");
    QVERIFY(QFile::exists(m_bin));
}

bool TestProgram::startProgram(QProcess &p, const TestRoot &root, const QStringList &args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TQ3900_ROOT", root.root());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.remove("FONTCONFIG_FILE"); // the program's own font configuration, not one of the run's
    env.remove("FONTCONFIG_PATH");
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(m_bin, args);
    return p.waitForStarted(5000);
}

void TestProgram::endsCleanlyOnSignal_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("signal");
    QTest::addColumn<QByteArray>("gpio65");
    QTest::newRow("plain, SIGTERM") << QStringList() << int(SIGTERM) << QByteArray("0");
    QTest::newRow("plain, SIGINT") << QStringList() << int(SIGINT) << QByteArray("0");
    // The menus run modally before the event loop; the signal ends them too.
    QTest::newRow("test menu") << QStringList({"test"}) << int(SIGTERM) << QByteArray("1");
    QTest::newRow("test and debug: only the test menu") << QStringList({"debug", "test"})
                                                        << int(SIGTERM) << QByteArray("1");
    QTest::newRow("debug menu") << QStringList({"debug"}) << int(SIGTERM) << QByteArray("0");
}

void TestProgram::endsCleanlyOnSignal()
{
    QFETCH(QStringList, args);
    QFETCH(int, signal);
    QFETCH(QByteArray, gpio65);
    TestRoot root;
    // A settings file with an escape sequence in a key, which the start-up
    // names in its log: the log shows it written out, never raw.
    QVERIFY(root.write("/home/root/settings.ini", "[Systemsettings]\n\x1b[2Jx=@Variant(AAAA)\n"));
    QProcess p;
    QVERIFY(startProgram(p, root, args));
    // Start-up is through when the ALSA state has been restored and the
    // status data has muted the path; give the window a moment to show.
    QTRY_VERIFY_WITH_TIMEOUT(root.commands().size() == 3, 30000);
    QTRY_COMPARE_WITH_TIMEOUT(root.read("/sys/class/gpio/gpio17/value"), QByteArray("0"), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(root.read("/sys/class/gpio/gpio65/value"), gpio65, 10000);
    QTest::qWait(300);
    QCOMPARE(p.state(), QProcess::Running);

    ::kill(static_cast<pid_t>(p.processId()), signal);
    QVERIFY2(p.waitForFinished(15000), "the program did not end after the signal");
    const QByteArray output = p.readAll();
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QVERIFY2(p.exitCode() == 0, output.right(3000).constData());
    QVERIFY(!output.contains("destroyed while thread is still running"));
    QVERIFY(!output.contains("ERROR: AddressSanitizer"));
    QVERIFY(!output.contains("runtime error:"));
    QVERIFY(output.contains("=== Start MainMenu ==="));
    QVERIFY2(output.contains("Systemsettings/\\x1b[2Jx: serialised value ignored"), output.right(3000).constData());
    QVERIFY(!output.contains('\x1b'));
    QVERIFY(output.contains("Font \"DejaVu Sans\" (the program's font configuration)"));
}

void TestProgram::pcBuildWithoutRootRunsNothing_data()
{
    QTest::addColumn<QByteArray>("root"); // null: unset
    QTest::newRow("unset") << QByteArray();
    QTest::newRow("empty") << QByteArray("");
    QTest::newRow("slash") << QByteArray("/");
}

// Started on a PC without a simulated board (an IDE's run button, the binary
// the build left), the program runs none of the board's commands on the
// host, touches no file, says how to start it and fails.
void TestProgram::pcBuildWithoutRootRunsNothing()
{
    if (DeviceRoot::isBoardBuild())
        QSKIP("a board build runs the board's commands without a root");
    QFETCH(QByteArray, root);
    QTemporaryDir dir;
    const QString bin = dir.filePath("bin"), work = dir.filePath("work"), home = dir.filePath("home");
    const QString called = dir.filePath("called");
    for (const QString &d : {bin, work, home})
        QVERIFY(QDir().mkpath(d));
    for (const char *name : {"fsck", "mount", "alsactl", "umount", "poweroff", "reboot", "amixer", "hwclock"}) {
        QFile fake(bin + "/" + name);
        QVERIFY(fake.open(QIODevice::WriteOnly));
        fake.write("#!/bin/sh\necho \"$0 $*\" >> '" + called.toLocal8Bit() + "'\n");
        fake.close();
        QVERIFY(fake.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("TQ3900_ROOT");
    if (!root.isNull())
        env.insert("TQ3900_ROOT", QString::fromLatin1(root));
    env.insert("PATH", bin + ":/usr/bin:/bin");
    env.insert("HOME", home);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(work);
    p.start(m_bin, QStringList());
    const bool ended = p.waitForFinished(10000);
    if (!ended) {
        p.kill();
        p.waitForFinished(5000);
    }
    QFile record(called);
    QVERIFY2(!record.exists(), record.open(QIODevice::ReadOnly) ? record.readAll().constData() : "");
    QVERIFY(ended);
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QVERIFY(p.exitCode() != 0);
    // One line that names both ways to start it.
    QCOMPARE(err.count('\n'), 1);
    QVERIFY2(err.contains("scripts/run") && err.contains("TQ3900_ROOT=<dir>"), qPrintable(err));
    QVERIFY(p.readAllStandardOutput().isEmpty());
    QCOMPARE(QDir(work).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    QCOMPARE(QDir(home).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
