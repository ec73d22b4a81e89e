// The production test menu against the simulated board, driven as the
// factory test station drives it: the command file's reader (classification,
// first line only, NUL, over-long lines, Latin-1 answers, a missing or
// blocked file), the menu's announcement, dispatch, pages and keys, and the
// frame every test is built on (verdicts, opening commands, switch lines,
// the power key) for each of the fourteen tests.
#include "eventhandler.h"
#include "mainmenu.h"
#include "station.h"
#include "testdialog.h"
#include "testmenu.h"
#include "testmenuaudio.h"
#include "testmenuaudioloopback.h"
#include "testmenubattery.h"
#include "testmenudisplay.h"
#include "testmenuflashupdate.h"
#include "testmenugps.h"
#include "testmenuinitbluetooth.h"
#include "testmenukeyboard.h"
#include "testmenuled.h"
#include "testmenuremotectrl.h"
#include "testmenusdcard.h"
#include "testmenuselftest.h"
#include "testmenusensordetection.h"
#include "testmenuuartusbswitch.h"
#include "testmenuusb.h"
#include "testroot.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPushButton>
#include <QStackedWidget>
#include <QtTest>

#include <functional>
#include <memory>
#include <sys/stat.h>

namespace {

const char kFile[] = "/media/ramdisk/production";
const char kScript[] = "/home/root/hardwaretest.sh dbg";

using Factory = std::function<TestDialog *(QWidget *)>;

struct TestKind {
    const char *className;
    const char *openingCommand;
    const char *menuButton;
    Factory make;
    // What the test leaves on the service connector's line 65 when it
    // opens (line 50 is always 0), and whether Pass is offered at once.
    const char *line65 = "1";
    bool passAtStart = false;
};

template <class T> Factory factory()
{
    return [](QWidget *parent) { return new T(parent); };
}

// The fourteen tests: class, opening command, the menu's button.
const QList<TestKind> &allTests()
{
    static const QList<TestKind> tests = {
        {"TestmenuKeyboard", "cmdTestKeyboard", "butKeyboard", factory<TestmenuKeyboard>()},
        {"TestmenuDisplay", "cmdTestDisplay", "butDisplay", factory<TestmenuDisplay>()},
        {"TestmenuLed", "cmdTestLed", "butLed", factory<TestmenuLed>()},
        {"TestmenuUartUsbSwitch", "cmdTestUartUsbSwitch", "butUartUsbSwitch", factory<TestmenuUartUsbSwitch>(), "0",
         true},
        {"TestmenuSdcard", "cmdTestSdcard", "butSdcard", factory<TestmenuSdcard>()},
        {"TestMenuFlashUpdate", "cmdFlashUpdate", "butEnableFlashUpdate", factory<TestMenuFlashUpdate>()},
        {"TestmenuAudio", "cmdTestAudioChannels", "butAudio", factory<TestmenuAudio>()},
        {"TestMenuAudioLoopback", "cmdTestAudioLoopback", "butAudioLoopback", factory<TestMenuAudioLoopback>()},
        {"TestmenuInitBluetooth", "cmdTestBluetooth", "butInitBt", factory<TestmenuInitBluetooth>()},
        {"TestmenuSelftest", "cmdTestSelftest", "butSelftest", factory<TestmenuSelftest>()},
        {"TestmenuGps", "cmdTestGps", "butGps", factory<TestmenuGps>()},
        {"TestmenuBattery", "cmdTestBattery", "butBattery", factory<TestmenuBattery>()},
        {"TestmenuSensordetection", "cmdTestSensordetection", "butSensordetection", factory<TestmenuSensordetection>()},
        {"TestmenuUsb", "cmdTestUsb", "butUsb", factory<TestmenuUsb>(), "0"},
    };
    return tests;
}

QString modalName()
{
    QWidget *w = QApplication::activeModalWidget();
    return w ? w->objectName() : QString();
}

QPushButton *button(QWidget *w, const char *name)
{
    auto *b = w->findChild<QPushButton *>(QLatin1String(name));
    if (!b)
        qWarning() << "no button" << name;
    return b;
}

// The power key's short press as the board delivers it, through the key
// filter: F1 press (posted on as F11) and F1 release (Escape release).

} // namespace

class TestTestMenu : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readerTakesOnlyCommandsOfTheFirstLine();
    void readerPollsEvery500msAndAnswersOnce();
    void readerWithoutAFileRunsTheFactoryScript();
    void contractOnEveryTest_data();
    void contractOnEveryTest();
    void startWordOpensTheMenuForTheStation();
    void menuPagesAndKeys();
    void touchOpenedTestTakesTheStationsCommands();

private:
    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<Station> m_station;
    EventHandler m_filter;
};

void TestTestMenu::init()
{
    m_root = std::make_unique<TestRoot>();
    QVERIFY(m_root->isValid());
    m_station = std::make_unique<Station>(m_root->root());
    qApp->installEventFilter(&m_filter);
}

void TestTestMenu::cleanup()
{
    qApp->removeEventFilter(&m_filter);
    m_station.reset();
    m_root.reset();
}

void TestTestMenu::readerTakesOnlyCommandsOfTheFirstLine()
{
    TestmenuRemoteCtrl reader;
    QSignalSpy commands(&reader, &TestmenuRemoteCtrl::sendCommand);
    // Each row: what the station left, what the owner is handed (nothing
    // for "-"), what the file holds after one poll.
    const struct {
        QByteArray written;
        QString handed;
        QByteArray after;
    } rows[] = {
        {"cmdTestLed", "cmdTestLed", "staActive\n"},
        {"cmdTestLed\r\n", "cmdTestLed\r\n", "staActive\n"},
        {"cmdTestLed\nsecond line\ncmdPass\n", "cmdTestLed\n", "staActive\n"},
        {QByteArray("cmdTest\0Led\n", 12), "cmdTest", "staActive\n"},
        {"cmdTestGr\xc3\xbc\xc3\x9f\n", QString::fromUtf8("cmdTestGr\xc3\xbc\xc3\x9f\n"), "staActive\n"},
        {"", "-", "staUnknownCommand\n"},
        {"\n", "-", "staUnknownCommand\n"},
        {"CMDTESTLED\n", "-", "staUnknownCommand\n"},
        {"hello cmdTestLed\n", "-", "staUnknownCommand\n"},
        // At the limit a line is read; one byte more and it is no command.
        {"cmd" + QByteArray(4093, 'a') + "\n", "cmd" + QString(4093, 'a') + "\n", "staActive\n"},
        {"cmd" + QByteArray(4094, 'a') + "\n", "-", "staUnknownCommand\n"},
        {"cmd" + QByteArray(70000, 'a'), "-", "staUnknownCommand\n"},
        // The instrument's own lines stay, poll after poll.
        {"staActive\n", "-", "staActive\n"},
        {"staActiveMenu\n", "-", "staActiveMenu\n"},
        {"resPassed\nold line\n", "-", "resPassed\nold line\n"},
        {"resSelftestStatusSelftest=OK\n", "-", "resSelftestStatusSelftest=OK\n"},
    };
    for (const auto &row : rows) {
        QVERIFY(m_station->write(row.written));
        commands.clear();
        reader.readCommandFile();
        const QByteArray first = m_station->contents();
        reader.readCommandFile();
        reader.readCommandFile();
        QCOMPARE(m_station->contents(), row.after);
        QCOMPARE(first, row.after);
        if (row.handed == QLatin1String("-")) {
            QCOMPARE(commands.count(), 0);
        } else {
            QCOMPARE(commands.count(), 1); // the answer replaced it: taken once
            QCOMPARE(commands.first().first().toString(), row.handed);
        }
    }
    QCOMPARE(reader.analyseCommand(QStringLiteral("cmdX")), 0);
    QCOMPARE(reader.analyseCommand(QStringLiteral("Cmd")), -1);

    // Answers are Latin-1, one line; what Latin-1 lacks becomes '?'.
    reader.writeResult(QString::fromUtf8("resCurrent=5 \xc2\xb5" "A \xe2\x82\xac"));
    QCOMPARE(m_station->contents(), QByteArray("resCurrent=5 \xb5" "A ?\n"));
    QVERIFY(m_root->commands().isEmpty());
}

void TestTestMenu::readerPollsEvery500msAndAnswersOnce()
{
    TestmenuRemoteCtrl reader;
    QSignalSpy commands(&reader, &TestmenuRemoteCtrl::sendCommand);
    // The answers' times are the file's as the reader wrote them, each at
    // its poll: how soon the station noticed an answer (late on a loaded
    // machine) does not count.
    const QString file = m_root->local(QStringLiteral("/media/ramdisk/production"));
    QCOMPARE(m_station->send(QStringLiteral("junk")), QStringLiteral("staUnknownCommand"));
    const QDateTime first = QFileInfo(file).lastModified();
    QCOMPARE(m_station->send(QStringLiteral("more junk")), QStringLiteral("staUnknownCommand"));
    // The second answer waited for the next poll.
    const qint64 gap = first.msecsTo(QFileInfo(file).lastModified());
    QVERIFY2(gap >= 450 && gap < 950, qPrintable(QString::number(gap)));
    QCOMPARE(m_station->send(QStringLiteral("cmdTestLed")), QStringLiteral("staActive"));
    QCOMPARE(commands.count(), 1);
    reader.pause();
    QVERIFY(!reader.isPolling());
    QVERIFY(m_station->write("cmdPass\n"));
    QTest::qWait(3 * TestmenuRemoteCtrl::kPollMs); // nothing may happen: a pause
    QCOMPARE(m_station->firstLine(), QStringLiteral("cmdPass"));
    reader.resume();
    QTRY_COMPARE(m_station->firstLine(), QStringLiteral("staActive"));
    QCOMPARE(commands.count(), 2);
}

void TestTestMenu::readerWithoutAFileRunsTheFactoryScript()
{
    TestmenuRemoteCtrl reader;
    QSignalSpy commands(&reader, &TestmenuRemoteCtrl::sendCommand);
    QVERIFY(!m_root->exists(kFile));
    reader.readCommandFile();
    reader.readCommandFile();
    QCOMPARE(m_root->commands(), QStringList({kScript, kScript}));
    // Bounded: a script that never ends costs a time-out, not the program.
    QVERIFY(m_root->journal("commands.log").last().endsWith("\ttimeout"));

    // A FIFO in the file's place neither blocks the poll nor the answer.
    m_root->clearJournals();
    QVERIFY(::mkfifo(QFile::encodeName(m_root->local(kFile)).constData(), 0600) == 0);
    QElapsedTimer clock;
    clock.start();
    reader.readCommandFile();
    reader.writeResult(QStringLiteral("staActive"));
    QVERIFY(clock.elapsed() < 5000);
    QCOMPARE(m_root->commands(), QStringList({kScript, kScript}));
    QCOMPARE(commands.count(), 0);

    // No RAM disk at all: the menu only logs its announcement's failure.
    QVERIFY(QFile::remove(m_root->local(kFile)));
    QVERIFY(QDir(m_root->local("/media/ramdisk")).removeRecursively());
    m_root->clearJournals();
    {
        TestMenu menu;
        QCOMPARE(m_root->commands(), QStringList());
    }
    QVERIFY(!m_root->exists(kFile));
}

void TestTestMenu::contractOnEveryTest_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < allTests().size(); ++i)
        QTest::newRow(allTests().at(i).className) << i;
}

// The frame's rules, on each test as it stands: the commands reach the
// test's own reader, the verdicts close it, the power key does not.
void TestTestMenu::contractOnEveryTest()
{
    QFETCH(int, index);
    const TestKind &kind = allTests().at(index);
    const TestKind &other = allTests().at((index + 1) % allTests().size());
    const struct {
        const char *command; // empty: the button by touch
        const char *button;
        const char *verdict;
        int result;
    } verdicts[] = {
        {"cmdPass", nullptr, "resPassed", QDialog::Accepted},
        {"cmdExit\r\n", nullptr, "resCanceled", QDialog::Rejected},
        {"cmdFail", nullptr, "resFailed", QDialog::Rejected},
        {nullptr, "butBack", "resCanceled", QDialog::Rejected},
    };
    for (const auto &v : verdicts) {
        m_root->write("/sys/class/gpio/gpio65/value", "0");
        m_root->write("/sys/class/gpio/gpio50/value", "1");
        m_root->clearJournals();
        std::unique_ptr<TestDialog> test(kind.make(nullptr));
        QCOMPARE(test->objectName(), QLatin1String(kind.className));
        // Line 50 first, then 65 (the UART/USB switch, opening in USB mode,
        // the other way round).
        const QStringList lines = m_root->sysfsWrites();
        const int line50 = lines.indexOf("/sys/class/gpio/gpio50/value 0");
        const int line65 = lines.indexOf(QRegularExpression("/sys/class/gpio/gpio65/value ."));
        QVERIFY2(line50 >= 0 && line65 >= 0
                     && (line50 < line65) == (QByteArray(kind.className) != "TestmenuUartUsbSwitch"),
                 qPrintable(lines.join(", ")));
        QCOMPARE(test->size(), QSize(480, 272));
        QCOMPARE(test->openingCommand(), QLatin1String(kind.openingCommand));
        QCOMPARE(m_root->read("/sys/class/gpio/gpio50/value"), QByteArray("0"));
        QCOMPARE(m_root->read("/sys/class/gpio/gpio65/value"), QByteArray(kind.line65));
        test->show();
        QVERIFY(QTest::qWaitForWindowExposed(test.get()));
        auto *subMenu = test->findChild<QStackedWidget *>("subMenu");
        QVERIFY(subMenu);
        QCOMPARE(subMenu->geometry(), QRect(426, 1, 54, 270));
        QCOMPARE(button(test.get(), "butPass")->isVisible(), kind.passAtStart);
        QVERIFY(button(test.get(), "butBack")->isVisible() && button(test.get(), "butFail")->isVisible());

        QCOMPARE(m_station->pollNow(test->remote(), kind.openingCommand), QStringLiteral("staActive"));
        QCOMPARE(m_station->pollNow(test->remote(), other.openingCommand), QStringLiteral("staUnknownCommand"));
        QCOMPARE(m_station->pollNow(test->remote(), "cmdFinish"), QStringLiteral("staUnknownCommand"));
        shortPowerKeyPress(test.get());
        QVERIFY(test->isVisible());

        QSignalSpy finished(test.get(), &QDialog::finished);
        if (v.command)
            QCOMPARE(m_station->pollNow(test->remote(), v.command), QLatin1String(v.verdict));
        else
            QTest::mouseClick(button(test.get(), v.button), Qt::LeftButton);
        QCOMPARE(m_station->contents(), QByteArray(v.verdict) + '\n');
        QVERIFY(!test->isVisible());
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.first().first().toInt(), v.result);
    }
    // The test's reader polls by itself.
    std::unique_ptr<TestDialog> test(kind.make(nullptr));
    test->show();
    QCOMPARE(m_station->send(kind.openingCommand), QStringLiteral("staActive"));
    QVERIFY(test->isVisible());
}

void TestTestMenu::startWordOpensTheMenuForTheStation()
{
    MainMenu w;
    w.show();
    m_root->write("/sys/class/gpio/gpio65/value", "0");
    m_root->write("/sys/class/gpio/gpio50/value", "1");
    QCOMPARE(MainMenu::startupMenuFor({"-platform", "xcb", "test"}), 100);

    QStringList opened;
    auto openedTest = [&opened]() { opened << modalName(); };
    Station &s = *m_station;
    s.thenDo([&]() {
         QCOMPARE(modalName(), QStringLiteral("TestMenu"));
         QCOMPARE(m_root->read("/sys/class/gpio/gpio50/value"), QByteArray("0"));
         QCOMPARE(m_root->read("/sys/class/gpio/gpio65/value"), QByteArray("1"));
         QCOMPARE(s.contents(), QByteArray("staActiveMenu\n"));
     })
        .then("cmdPass", "staUnknownCommand")
        .then("cmdFlashUpdateNow", "staActive").thenDo(openedTest).then("cmdExit", "resCanceled")
        .then("cmdTestUsb", "staActive").thenDo(openedTest)
        // The open test, not the menu, takes another test's opening command.
        .then("cmdTestUartUsbSwitch", "staUnknownCommand").then("cmdFail", "resFailed")
        .then("cmdTestUartUsbSwitch", "staActive").thenDo(openedTest).then("cmdPass", "resPassed")
        .then("cmdTestAudioLoopback", "staActive").thenDo(openedTest).then("cmdPass", "resPassed")
        .then("cmdTestAudioChannels\r\n", "staActive").thenDo(openedTest).then("cmdPass", "resPassed")
        .then("cmdTestLed", "staActive").thenDo(openedTest).then("cmdPass", "resPassed");
    // Each opening command opens its own test.
    QStringList all;
    for (const TestKind &kind : allTests()) {
        s.then(kind.openingCommand, "staActive").thenDo(openedTest).then("cmdExit", "resCanceled");
        all << kind.className;
    }
    s.thenDo([&]() { QCOMPARE(modalName(), QStringLiteral("TestMenu")); }).then("cmdFinish", "staActive");
    s.start();
    w.showWidget(MainMenu::startupMenuFor({"test"}));
    QTRY_VERIFY(s.isDone());
    QVERIFY2(s.succeeded(), qPrintable(s.failure()));
    QCOMPARE(opened, QStringList({"TestMenuFlashUpdate", "TestmenuUsb", "TestmenuUartUsbSwitch",
                                  "TestMenuAudioLoopback", "TestmenuAudio", "TestmenuLed"}) + all);
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(w.isVisible());
    QCOMPARE(s.contents(), QByteArray("staActive\n"));
    // Nothing is written behind the closed menu.
    QTest::qWait(2 * TestmenuRemoteCtrl::kPollMs);
    QVERIFY(s.write("cmdTestLed\n"));
    QTest::qWait(2 * TestmenuRemoteCtrl::kPollMs);
    QCOMPARE(s.contents(), QByteArray("cmdTestLed\n"));
}

void TestTestMenu::menuPagesAndKeys()
{
    TestMenu menu;
    menu.show();
    QVERIFY(QTest::qWaitForWindowExposed(&menu));
    auto *mainArea = menu.findChild<QStackedWidget *>("mainArea");
    QCOMPARE(mainArea->currentWidget()->objectName(), QStringLiteral("test_1"));
    QCOMPARE(menu.currentPage(), 1);
    const QStringList pages = {"test_2", "test_3", "test_1"};
    for (const QString &page : pages) {
        QTest::mouseClick(button(&menu, "butDown"), Qt::LeftButton);
        QCOMPARE(mainArea->currentWidget()->objectName(), page);
    }
    QTest::mouseClick(button(&menu, "butUp"), Qt::LeftButton);
    QCOMPARE(menu.currentPage(), 3);
    QTest::mouseClick(button(&menu, "butUp"), Qt::LeftButton);
    QCOMPARE(mainArea->currentWidget()->objectName(), QStringLiteral("test_2"));
    QTest::mouseClick(button(&menu, "butDown"), Qt::LeftButton);

    // Every page button opens its test; the last of page 3 has no text and
    // no action.
    for (const TestKind &kind : allTests())
        QVERIFY2(button(&menu, kind.menuButton), kind.menuButton);
    QPushButton *last = button(&menu, "but14");
    QVERIFY(last->isVisible() && last->text().isEmpty());
    QVERIFY(m_station->write("resPassed\n"));
    QTest::mouseClick(last, Qt::LeftButton);
    QVERIFY(!QApplication::activeModalWidget() || QApplication::activeModalWidget() == &menu);
    QCOMPARE(m_station->contents(), QByteArray("resPassed\n"));

    // Escape does not close the menu; the power key's press does.
    QTest::keyClick(&menu, Qt::Key_Escape);
    QVERIFY(menu.isVisible());
    QTest::keyPress(&menu, Qt::Key_F1);
    QTRY_VERIFY(!menu.isVisible());
    QTest::keyRelease(&menu, Qt::Key_F1);
}

void TestTestMenu::touchOpenedTestTakesTheStationsCommands()
{
    TestMenu menu;
    Station &s = *m_station;
    s.thenDo([&]() { QTest::mouseClick(button(&menu, "butLed"), Qt::LeftButton); })
        .thenDo([&]() {
            QCOMPARE(modalName(), QStringLiteral("TestmenuLed"));
            QVERIFY(!menu.remote()->isPolling());
            shortPowerKeyPress(QApplication::activeModalWidget());
        })
        .then("cmdTestSdcard", "staUnknownCommand")
        .thenDo([&]() { QCOMPARE(modalName(), QStringLiteral("TestmenuLed")); })
        .then("cmdPass", "resPassed")
        .thenDo([&]() {
            QCOMPARE(modalName(), QStringLiteral("TestMenu"));
            QVERIFY(menu.remote()->isPolling());
        })
        .then("cmdPass", "staUnknownCommand")
        .then("cmdFinish", "staActive");
    s.start();
    menu.exec();
    QTRY_VERIFY(s.isDone());
    QVERIFY2(s.succeeded(), qPrintable(s.failure()));
}

QTEST_MAIN(TestTestMenu)
#include "tst_testmenu.moc"
