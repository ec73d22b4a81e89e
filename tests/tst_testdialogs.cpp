// The LED, SD card and flash-update tests against the simulated board: the
// LED files and lines they switch, the partition table and the boot
// partition the simulated shell plays, driven by the station as in the
// factory, by touch and through the key filter; and the simulator's own
// station command, which waits for the instrument's answer.
#include "commandrunner.h"
#include "controlchannel.h"
#include "eventhandler.h"
#include "sdcard.h"
#include "simboard.h"
#include "station.h"
#include "testmenu.h"
#include "testmenuflashupdate.h"
#include "testmenuled.h"
#include "statusbardata.h"
#include "testmenuremotectrl.h"
#include "testmenusdcard.h"
#include "teststation.h"
#include "testroot.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

#include <memory>

namespace {

const char kLed[] = "/sys/class/leds/on_led/brightness";
const char kDbgLed[] = "/sys/class/gpio/gpio115/value";
const char kParted[] = "parted -sm /dev/mmcblk0 print free";
const QStringList kFlashCommands = {"mkdir /media/boot", "mount /dev/mmcblk0p1 /media/boot/",
                                    "touch /media/boot/.do_update", "ls -la /media/boot"};

template <class T> T *child(QWidget *w, const char *name)
{
    T *c = w->findChild<T *>(QLatin1String(name));
    if (!c)
        qWarning() << "no child" << name;
    return c;
}

QString textOf(QWidget *w)
{
    return child<QTextEdit>(w, "textEdit")->toPlainText();
}


// The reply lines the simulator journalled for a control command.
QStringList repliesTo(const TestRoot &root, const QString &command)
{
    QStringList out;
    const QStringList lines = root.journal("control.log");
    for (int i = 0; i + 1 < lines.size(); ++i)
        if (lines[i] == "> " + command && lines[i + 1].startsWith("< "))
            out << lines[i + 1].mid(2);
    return out;
}

} // namespace

class TestTestDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void ledTestSwitchesTheLeds();
    void sdcardTestShowsThePartitionTable();
    void sdcardTestWithoutOutputInTime();
    void sdcardTestToolThatFailed_data();
    void sdcardTestToolThatFailed();
    void flashUpdateMarksTheBootPartition();
    void stationOfTheSimulatorWaitsForTheAnswer();
    void sendWaitsForALateStationAnswer();

private:
    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<Station> m_station;
    EventHandler m_filter;
};

void TestTestDialogs::init()
{
    m_root = std::make_unique<TestRoot>();
    QVERIFY(m_root->isValid());
    m_station = std::make_unique<Station>(m_root->root());
    qApp->installEventFilter(&m_filter);
}

void TestTestDialogs::cleanup()
{
    qApp->removeEventFilter(&m_filter);
    m_station.reset();
    m_root.reset();
}

void TestTestDialogs::ledTestSwitchesTheLeds()
{
    m_root->write(kLed, "0");
    TestmenuLed test;
    test.show();
    QVERIFY(QTest::qWaitForWindowExposed(&test));
    QVERIFY(!child<QPushButton>(&test, "butCHRG_ON")->isVisible());
    QVERIFY(!child<QPushButton>(&test, "butCHRG_OFF")->isVisible());
    QVERIFY(!child<QLabel>(&test, "labelCHRG_LED")->isVisible());
    QVERIFY(child<QPushButton>(&test, "butIO_ON")->isVisible());
    QPushButton *pass = child<QPushButton>(&test, "butPass");
    m_root->clearJournals();

    // The charge LED's commands are taken and change nothing.
    QCOMPARE(m_station->send("cmdLedChrgOn"), QStringLiteral("staActive"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdLedChrgOff"), QStringLiteral("staActive"));
    QVERIFY(m_root->sysfsWrites().isEmpty());
    QVERIFY(!pass->isVisible());

    QCOMPARE(m_station->send("cmdLedIoOn\r\n"), QStringLiteral("staActive"));
    QCOMPARE(m_root->read(kLed), QByteArray("255"));
    QVERIFY(pass->isVisible());
    QCOMPARE(m_station->pollNow(test.remote(), "cmdLedIoOff"), QStringLiteral("staActive"));
    QCOMPARE(m_root->read(kLed), QByteArray("0")); // not "055": the file holds the last value
    QCOMPARE(m_station->pollNow(test.remote(), "cmdLedDbgOn"), QStringLiteral("staActive"));
    QCOMPARE(m_root->read(kDbgLed), QByteArray("1"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdLedDbgOff"), QStringLiteral("staActive"));
    QCOMPARE(m_root->read(kDbgLed), QByteArray("0"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdLedIo"), QStringLiteral("staUnknownCommand"));
    QCOMPARE(m_root->sysfsWrites(), QStringList({QStringLiteral("%1 255").arg(kLed), QStringLiteral("%1 0").arg(kLed),
                                                 QStringLiteral("%1 1").arg(kDbgLed), QStringLiteral("%1 0").arg(kDbgLed)}));

    // By touch, and the power key through the key filter leaves the test open.
    QTest::mouseClick(child<QPushButton>(&test, "butIO_ON"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(&test, "butDBG_ON"), Qt::LeftButton);
    shortPowerKeyPress(&test);
    QVERIFY(test.isVisible());
    QCOMPARE(m_root->read(kLed), QByteArray("255"));
    QCOMPARE(m_root->read(kDbgLed), QByteArray("1"));
    // The status data (made by the key filter) pulses the debug LED every
    // 2 s, but not while the test is open: for 10 s the LED stays on, and
    // the pulses come back once the test has closed.
    const int dbgWrites = m_root->sysfsWritesTo(kDbgLed).size();
    QTest::qWait(10000);
    QCOMPARE(m_root->sysfsWritesTo(kDbgLed).size(), dbgWrites);
    QCOMPARE(m_root->read(kDbgLed), QByteArray("1"));

    // The LEDs keep their state after the verdict.
    const int writes = m_root->sysfsWrites().size();
    QCOMPARE(m_station->pollNow(test.remote(), "cmdPass"), QStringLiteral("resPassed"));
    QVERIFY(!test.isVisible());
    QCOMPARE(m_root->sysfsWrites().size(), writes);
    QCOMPARE(m_root->read(kLed), QByteArray("255"));
    QTRY_VERIFY_WITH_TIMEOUT(m_root->sysfsWritesTo(kDbgLed).size() > dbgWrites, 10000);

    // A missing LED file: nothing written or created, Pass offered all the
    // same (by OFF as well as by ON).
    QVERIFY(QFile::remove(m_root->local(kLed)));
    TestmenuLed again;
    again.show();
    QCOMPARE(m_station->pollNow(again.remote(), "cmdLedIoOff"), QStringLiteral("staActive"));
    QVERIFY(!m_root->exists(kLed));
    QVERIFY(child<QPushButton>(&again, "butPass")->isVisible());
}

void TestTestDialogs::sdcardTestShowsThePartitionTable()
{
    SimBoard board(m_root->root());
    QVERIFY2(board.isRunning(), qPrintable(board.error()));
    TestmenuSdcard test;
    test.show();
    QVERIFY(QTest::qWaitForWindowExposed(&test));
    QCOMPARE(child<QLabel>(&test, "labelStatus")->text(), QStringLiteral("Status"));
    QCOMPARE(child<QLabel>(&test, "label")->text(), QStringLiteral("Read partition table of SD-Card."));
    QVERIFY(!child<QPushButton>(&test, "butPass")->isVisible());
    m_root->clearJournals();

    QCOMPARE(m_station->send("cmdSdcardPartition"), QStringLiteral("staActive"));
    QCOMPARE(m_root->commands(), QStringList({kParted}));
    QCOMPARE(textOf(&test), QString::fromLatin1(Sim::SdCard::partitionTable()));
    QVERIFY(textOf(&test).contains("4.19MB:71.3MB:67.1MB:fat16::boot, lba;"));
    QCOMPARE(child<QLabel>(&test, "labelStatus")->text(), QStringLiteral("Partition table read."));
    QVERIFY(child<QPushButton>(&test, "butPass")->isVisible());

    // Start again: the new output replaces the old, here none at all.
    QCOMPARE(board.send("sdcard parted empty"), QStringLiteral("ok"));
    QTest::mouseClick(child<QPushButton>(&test, "butStart"), Qt::LeftButton);
    QCOMPARE(m_root->commands(), QStringList({kParted, kParted}));
    QCOMPARE(textOf(&test), QString());
    QCOMPARE(child<QLabel>(&test, "labelStatus")->text(), QStringLiteral("No answer from parted."));
    QVERIFY(child<QPushButton>(&test, "butPass")->isVisible());

    // What the card's tool prints is cut at a NUL.
    m_root->answer(kParted, 0, QByteArray("BYT;\n/dev/mmcblk0:8GB\0junk after\n", 32));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdSdcardPartition"), QStringLiteral("staActive"));
    QCOMPARE(textOf(&test), QStringLiteral("BYT;\n/dev/mmcblk0:8GB"));
    QCOMPARE(child<QLabel>(&test, "labelStatus")->text(), QStringLiteral("Partition table read."));
    shortPowerKeyPress(&test);
    QVERIFY(test.isVisible());
    QCOMPARE(m_station->pollNow(test.remote(), "cmdFlashUpdate"), QStringLiteral("staUnknownCommand"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdExit"), QStringLiteral("resCanceled"));
}

void TestTestDialogs::sdcardTestWithoutOutputInTime()
{
    SimBoard board(m_root->root());
    QVERIFY2(board.isRunning(), qPrintable(board.error()));
    QCOMPARE(board.send("sdcard parted late"), QStringLiteral("ok"));
    TestmenuSdcard test;
    test.show();
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(m_station->pollNow(test.remote(), "cmdSdcardPartition"), QStringLiteral("staActive"));
    // The table comes after 5 s; the test waits 3 s and shows what it has.
    QVERIFY2(clock.elapsed() >= TestmenuSdcard::kOutputWaitMs - 100, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(textOf(&test), QString());
    QCOMPARE(child<QLabel>(&test, "labelStatus")->text(), QStringLiteral("No answer from parted."));
    QVERIFY(child<QPushButton>(&test, "butPass")->isVisible());
    QVERIFY(m_root->journal("commands.log").last().endsWith("\ttimeout"));
}

// A tool that is missing, a card the tool cannot find, a table cut off at
// the limit: what came is shown, the status says it is no table read, and
// the operator may judge all the same.
void TestTestDialogs::sdcardTestToolThatFailed_data()
{
    QTest::addColumn<QString>("how"); // how the simulated tool answers, or "cut off"
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("status");
    QTest::newRow("no tool") << "notool" << "sh: parted: not found\n" << "parted failed (exit code 127).";
    QTest::newRow("no card device") << "nodevice"
                                    << "Error: Could not stat device /dev/mmcblk0 - No such file or directory.\n"
                                    << "parted failed (exit code 1).";
    QTest::newRow("cut off at the limit") << "cut off" << "BYT;\n/dev/mmcblk0:8GB:sd" << "parted did not end within 3 s.";
}

void TestTestDialogs::sdcardTestToolThatFailed()
{
    QFETCH(QString, how);
    QFETCH(QString, shown);
    QFETCH(QString, status);
    SimBoard board(m_root->root());
    QVERIFY2(board.isRunning(), qPrintable(board.error()));
    if (how == "cut off")
        QVERIFY(m_root->write("/.tq3900/answers/" + CommandRunner::answerKey(kParted), "timeout\n" + shown.toUtf8()));
    else
        QCOMPARE(board.send("sdcard parted " + how), QStringLiteral("ok"));
    TestmenuSdcard test;
    test.show();
    QCOMPARE(m_station->pollNow(test.remote(), "cmdSdcardPartition"), QStringLiteral("staActive"));
    QCOMPARE(textOf(&test), shown);
    QCOMPARE(child<QLabel>(&test, "labelStatus")->text(), status);
    QVERIFY(child<QPushButton>(&test, "butPass")->isVisible());
    QCOMPARE(m_station->pollNow(test.remote(), "cmdPass"), QStringLiteral("resPassed"));
}

void TestTestDialogs::flashUpdateMarksTheBootPartition()
{
    SimBoard board(m_root->root());
    QVERIFY2(board.isRunning(), qPrintable(board.error()));
    const QString partition = m_root->local("/.tq3900/sdcard/mmcblk0p1");
    QVERIFY(QFileInfo::exists(partition + "/MLO"));
    QVERIFY(!QFileInfo::exists(partition + "/.do_update"));

    TestMenuFlashUpdate test;
    test.show();
    QVERIFY(QTest::qWaitForWindowExposed(&test));
    QCOMPARE(test.windowTitle(), QStringLiteral("FlashUpdate"));
    QCOMPARE(child<QPushButton>(&test, "butStart")->text(), QStringLiteral("Generate"));
    m_root->clearJournals();

    QCOMPARE(m_station->send("cmdGenerateFlashUpdateFile"), QStringLiteral("staActive"));
    QCOMPARE(m_root->commands(), kFlashCommands);
    // The marker is on the partition, not in the folder it was mounted on.
    QVERIFY(QFileInfo(partition + "/.do_update").isFile());
    QCOMPARE(QFileInfo(partition + "/.do_update").size(), 0);
    QVERIFY(!m_root->exists("/media/boot/.do_update"));
    QCOMPARE(board.send("sdcard boot"), QStringLiteral("/dev/mmcblk0p1 mounted on /media/boot\n"
                                                       "files: .do_update MLO u-boot.img uEnv.txt"));
    const QStringList listing = textOf(&test).split('\n', Qt::SkipEmptyParts);
    QVERIFY2(listing.size() == 7, qPrintable(textOf(&test)));
    QVERIFY(listing[0].startsWith("total "));
    QVERIFY(listing[1].startsWith("drwxr-xr-x") && listing[1].endsWith(" ."));
    QVERIFY(listing[3].startsWith("-rwxr-xr-x 1 root root") && listing[3].endsWith(" .do_update"));
    QVERIFY(listing[4].contains(" 1024 ") && listing[4].endsWith(" MLO"));
    QCOMPARE(child<QLabel>(&test, "labelStatus")->text(), QStringLiteral("File for flash update generated."));
    QVERIFY(child<QPushButton>(&test, "butPass")->isVisible());

    // Again, by touch: the folder and the mount are there already, which the
    // step does not look at; all four commands run again.
    child<QLabel>(&test, "labelStatus")->setText("Status");
    QTest::mouseClick(child<QPushButton>(&test, "butStart"), Qt::LeftButton);
    QCOMPARE(m_root->commands(), kFlashCommands + kFlashCommands);
    QCOMPARE(child<QLabel>(&test, "labelStatus")->text(), QStringLiteral("File for flash update generated."));
    QVERIFY(textOf(&test).contains(" .do_update\n"));
    shortPowerKeyPress(&test);
    QVERIFY(test.isVisible());
    QCOMPARE(m_station->pollNow(test.remote(), "cmdFlashUpdate"), QStringLiteral("staActive"));

    // The card's clock stamps every entry of the listing, the marker the
    // step touches too.
    QVERIFY(board.send("sdcard clock 2026-13-01T00:00:00").startsWith("error: "));
    QCOMPARE(board.send("sdcard clock 2026-03-14T09:26:53"), QStringLiteral("ok"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdGenerateFlashUpdateFile"), QStringLiteral("staActive"));
    const QStringList stamped = textOf(&test).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(stamped.filter(" Mar 14 09:26 ").size(), 6);
    QVERIFY(stamped.last().endsWith(" Mar 14 09:26 uEnv.txt"));

    // The card plays only its own device and mount point; other commands
    // of the same tools are left to other handlers (none here: no output).
    QVERIFY(CommandRunner::runWithTimeout("ls -la /media/tq3900", 3000).output.isEmpty());
    QVERIFY(CommandRunner::runWithTimeout("parted -sm /dev/sda print free", 3000).output.isEmpty());
    QCOMPARE(CommandRunner::runWithTimeout("mount /dev/mmcblk0p1 /media/boot", 3000).exitCode, 32);
    QCOMPARE(CommandRunner::runWithTimeout("mount /dev/mmcblk0p2 /media/boot", 3000).exitCode, 0);
    QVERIFY(board.send("sdcard boot").startsWith("/dev/mmcblk0p1 mounted on /media/boot\n"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdPass"), QStringLiteral("resPassed"));
}

// The station as a user drives it: "station send" on the simulator's
// control channel, the menu and the LED test on this thread answering.
void TestTestDialogs::stationOfTheSimulatorWaitsForTheAnswer()
{
    // The status data, made by the key filter in an earlier case, pulses the
    // debug LED every 2 s; stopped here so the LED keeps what the test set.
    Statusbardata::releaseTimers();
    SimBoard board(m_root->root());
    QVERIFY2(board.isRunning(), qPrintable(board.error()));
    TestMenu menu;
    const QStringList road = {"station send cmdTestLed", "station send cmdLedIoOn", "station send cmdLedDbgOn",
                              "station send cmdPass", "station send cmdFinish"};
    const QStringList answers = {"staActive", "staActive", "staActive", "resPassed", "staActive"};
    int next = 0;
    QString lastFile;
    // One command at a time, each once the previous one is answered; from a
    // timer, so that it goes on inside the LED test's modal loop.
    QTimer driver;
    connect(&driver, &QTimer::timeout, this, [&]() {
        if (next > 0 && repliesTo(*m_root, road[next - 1]).isEmpty())
            return;
        if (next == road.size()) {
            driver.stop();
            return;
        }
        QCOMPARE(board.send(road[next]), QString()); // the reply comes later
        ++next;
    });
    driver.start(20);
    menu.exec();
    // The closed menu reads the file no more (the station's next command below
    // is for nobody).
    QVERIFY(!menu.findChild<TestmenuRemoteCtrl *>()->isPolling());
    QTRY_VERIFY(!driver.isActive());
    QStringList got;
    for (const QString &command : road)
        got << repliesTo(*m_root, command).value(0);
    QCOMPARE(got, answers);
    QVERIFY(m_root->journal("control.log").contains("= station send cmdLedIoOn"));
    QCOMPARE(m_root->read(kLed), QByteArray("255"));
    QCOMPARE(m_root->read(kDbgLed), QByteArray("1"));
    QCOMPARE(board.send("station file"), QStringLiteral("staActive"));

    // With nobody reading, the station gives up and says what the file holds.
    Sim::TestStation station(m_root->root());
    bool ended = false;
    Sim::TestStation::Outcome outcome;
    station.exchange("cmdTestGps", 300, [&](const Sim::TestStation::Outcome &o) {
        ended = true;
        outcome = o;
    });
    QTRY_VERIFY(ended);
    QVERIFY(outcome.timedOut);
    QCOMPARE(outcome.contents, QByteArray("cmdTestGps\n"));
    QVERIFY(board.send("station send cmd\\q").startsWith("error:"));
    QVERIFY(board.send("station").startsWith("error: usage"));
}

// The simulator program and its "--send" client, with this test as a slow
// instrument: an answer later than the client's usual 5 s still arrives.
void TestTestDialogs::sendWaitsForALateStationAnswer()
{
    const QString program = qEnvironmentVariable("TQ3900_SIM");
    if (program.isEmpty())
        QSKIP("TQ3900_SIM is not set");
    QProcess sim;
    sim.setProcessChannelMode(QProcess::MergedChannels);
    sim.start(program, {"--root", m_root->root()});
    QByteArray out;
    QTRY_VERIFY_WITH_TIMEOUT((out += sim.readAll()).contains("ready\n"), 20000);

    QProcess client;
    client.start(program, {"--root", m_root->root(), "--send", "station send cmdTestSelftest"});
    QTRY_COMPARE_WITH_TIMEOUT(m_station->contents(), QByteArray("cmdTestSelftest\n"), 10000);
    // The instrument takes its time: past the client's 5 s for a plain reply.
    QTest::qWait(5500);
    QCOMPARE(client.state(), QProcess::Running);
    QVERIFY(m_station->write("staActive\n"));
    QVERIFY(client.waitForFinished(10000));
    QCOMPARE(client.exitCode(), 0);
    QCOMPARE(client.readAllStandardOutput(), QByteArray("staActive\n"));

    QProcess file;
    file.start(program, {"--root", m_root->root(), "--send", "station file"});
    QVERIFY(file.waitForFinished(10000));
    QCOMPARE(file.readAllStandardOutput(), QByteArray("staActive\n"));
    sim.terminate();
    QVERIFY(sim.waitForFinished(10000));
}

QTEST_MAIN(TestTestDialogs)
#include "tst_testdialogs.moc"
