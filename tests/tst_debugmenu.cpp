// The debug menu against the simulated board: the pages, the service
// connector's switch, the sensor unit's stress test and debug mode, the test
// firmware file (sent on to the simulated unit as a firmware update sends
// it), the ALSA restore, the file-system probe, the codec stress test, and
// how Exit and the game launcher leave the event loops.
#include "audiocodecsetup.h"
#include "bluetooth.h"
#include "debugmenu.h"
#include "eventhandler.h"
#include "globals.h"
#include "mainmenu.h"
#include "modalaction.h"
#include "sensorunitlink.h"
#include "simboard.h"
#include "testroot.h"

#include <QApplication>
#include <QPushButton>
#include <QStackedWidget>
#include <QTextEdit>
#include <QtTest>

#include <memory>

namespace {

QStringList g_messages;
QtMessageHandler g_previousHandler = nullptr;

void catchMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    g_messages << text;
    if (g_previousHandler)
        g_previousHandler(type, context, text);
}

void pairUnit(TestRoot &root)
{
    QVERIFY(root.write("/home/root/settings.ini",
                       QStringLiteral("[Bluetooth]\nMicrophone_ID=%1\nHeadphone_ID=%2\n[Debug]\nDebugfeatures=1\n")
                           .arg(SimBoard::kUnitAddress, SimBoard::kHeadphoneAddress)
                           .toUtf8()));
}

QPushButton *button(QWidget *w, const char *name)
{
    auto *b = w->findChild<QPushButton *>(QLatin1String(name));
    if (!b)
        qWarning() << "no button" << name;
    return b;
}

// Times at which the unit received `line`.
QList<QTime> timesOf(const QList<QPair<QTime, QString>> &log, const QString &line)
{
    QList<QTime> out;
    for (const auto &entry : log)
        if (entry.second == line)
            out << entry.first;
    return out;
}

} // namespace

class TestDebugMenu : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void pagesUartSwitchAndKeys();
    void stresstestAndDebugMode();
    void testFirmwareFileReachesTheUnit();
    void resetAudioProbeAndCodecStress();
    void exitAndGameEndTheProgramLoop_data();
    void exitAndGameEndTheProgramLoop();
    void startupMenuLeavesTheMainLoopToRun();

private:
    // Runs act on the modal dialog of class T as soon as it is open.
    template <class T, class F> void whenOpen(F act);
    bool unitGot(const QString &line, int timeoutMs = 5000);

    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
};

template <class T, class F> void TestDebugMenu::whenOpen(F act)
{
    new ModalAction<T>(act, this);
}

void TestDebugMenu::initTestCase()
{
    g_previousHandler = qInstallMessageHandler(catchMessage);
}

void TestDebugMenu::init()
{
    m_root = std::make_unique<TestRoot>();
    pairUnit(*m_root);
    g_messages.clear();
}

void TestDebugMenu::cleanup()
{
    m_board.reset();
    m_root.reset();
    g_debugFeatures = 0;
}

bool TestDebugMenu::unitGot(const QString &line, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        if (m_board->unitLines().contains(line))
            return true;
        QTest::qWait(20);
    }
    qWarning() << "unit lines:" << m_board->unitLines();
    return false;
}

void TestDebugMenu::pagesUartSwitchAndKeys()
{
    MainMenu w;
    w.show();
    m_root->write("/sys/class/gpio/gpio65/value", "1");
    m_root->clearJournals();

    DebugMenu menu(&w);
    menu.show();
    // Opening puts the connector on USB: 65 first, then 50.
    QCOMPARE(m_root->sysfsWrites(), QStringList({"/sys/class/gpio/gpio65/value 0", "/sys/class/gpio/gpio50/value 0"}));
    QCOMPARE(button(&menu, "butUartTerminal")->text(), QStringLiteral("UART-Terminal State=disabled"));

    auto *pages = menu.findChild<QStackedWidget *>("mainArea");
    QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("debug_1"));
    button(&menu, "butUp")->click();
    QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("debug_3"));
    button(&menu, "butDown")->click();
    QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("debug_1"));
    button(&menu, "butDown")->click();
    button(&menu, "butDown")->click();
    QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("debug_3"));
    QVERIFY(button(&menu, "butExit")->isVisible());

    // The first page's buttons each open their own screen over the menu,
    // which is back on its first page once the screen has closed.
    button(&menu, "butDown")->click();
    const struct
    {
        const char *button;
        const char *screen;
        const char *control; // a button only that screen has
    } screens[] = {{"butInitBt", "DebugInitBluetooth", "butInitBtSink"},
                   {"butBtCommand", "DebugBluetoothCommand", "butSendSink"},
                   {"butGain", "DebugGain", "butCallMic"},
                   {"butAudioLevelFft", "DebugAudioLevelFft", "butDo"}};
    for (const auto &row : screens) {
        QString opened;
        bool shown = false;
        whenOpen<QDialog>([&](QDialog *screen) {
            opened = QString::fromLatin1(screen->metaObject()->className());
            shown = screen->parentWidget() == &menu && button(screen, row.control) != nullptr;
            if (opened == QLatin1String("DebugInitBluetooth")) {
                shown = shown && button(screen, "butInitUart")->text() == QLatin1String("Init UART")
                    && button(screen, "butInitBtSource")->text() == QLatin1String("Init BT Source")
                    && button(screen, "butInitBtSink")->text() == QLatin1String("Init BT Sink")
                    && screen->findChild<QTextEdit *>("textBtInfo")->toPlainText().isEmpty();
            }
            screen->close();
        });
        button(&menu, row.button)->click();
        QCOMPARE(opened, QLatin1String(row.screen));
        QVERIFY2(shown, row.screen);
        QVERIFY(menu.isVisible());
        QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("debug_1"));
    }

    m_root->clearJournals();
    button(&menu, "butUartTerminal")->click();
    QCOMPARE(m_root->read("/sys/class/gpio/gpio65/value"), QByteArray("1"));
    QCOMPARE(button(&menu, "butUartTerminal")->text(), QStringLiteral("UART-Terminal State=enabled"));
    button(&menu, "butUartTerminal")->click();
    QCOMPARE(button(&menu, "butUartTerminal")->text(), QStringLiteral("UART-Terminal State=disabled"));
    // Line 50 is held at 0 before every switch of line 65.
    QCOMPARE(m_root->sysfsWrites(),
             QStringList({"/sys/class/gpio/gpio50/value 0", "/sys/class/gpio/gpio65/value 1",
                          "/sys/class/gpio/gpio50/value 0", "/sys/class/gpio/gpio65/value 0"}));

    // Escape (the tail of the power key) and other keys leave it open; the
    // power key closes it: through the key filter, as on the board, whose
    // press becomes F11.
    QTest::keyPress(&menu, Qt::Key_Escape);
    QTest::keyRelease(&menu, Qt::Key_Escape);
    QTest::keyClick(&menu, Qt::Key_Return);
    QVERIFY(menu.isVisible());
    EventHandler filter;
    qApp->installEventFilter(&filter);
    QTest::keyPress(&menu, Qt::Key_F1);
    QTRY_VERIFY(!menu.isVisible());
    QTest::keyRelease(&menu, Qt::Key_F1);
    qApp->removeEventFilter(&filter);
}

void TestDebugMenu::stresstestAndDebugMode()
{
    m_board = std::make_unique<SimBoard>(m_root->root());
    QVERIFY(m_board->isRunning());
    MainMenu w;
    QVERIFY(waitForSinkDataMode(*w.getBtSinkInstance(), *m_board, *m_root));

    QTime closedAt;
    whenOpen<DebugMenu>([&](DebugMenu *menu) {
        button(menu, "butDown")->click();
        button(menu, "butStresstestBluetooth")->click();
        QTest::qWait(1200);
        button(menu, "butStresstestBluetooth")->click(); // restarts the period, still one timer
        QTest::qWait(2000);
        button(menu, "butDown")->click();
        button(menu, "butSetGX4ToDebugMode")->click();
        QTest::qWait(300);
        closedAt = QTime::currentTime();
        QTest::keyClick(menu, Qt::Key_F11);
    });
    w.showWidget(101);

    const QList<QTime> requests = timesOf(m_board->unitLog(), QStringLiteral("BT_TX S"));
    QVERIFY2(requests.size() >= 5 && requests.size() <= 7, qPrintable(QString::number(requests.size())));
    for (int i = 1; i < requests.size(); ++i) {
        const int gap = requests.at(i - 1).msecsTo(requests.at(i));
        QVERIFY2(gap > 380 && gap < 800, qPrintable(QString::number(gap)));
    }
    QVERIFY(unitGot(QStringLiteral("BT_TX X DEBUG")));
    QCOMPARE(m_board->send("unit mode"), QStringLiteral("DEBUG"));
    QVERIFY(g_messages.contains(QStringLiteral("Set GX-4 to debug mode.")));

    // Closing the menu ends the test.
    QTest::qWait(1200);
    QVERIFY(timesOf(m_board->unitLog(), QStringLiteral("BT_TX S")).last() < closedAt);
}

void TestDebugMenu::testFirmwareFileReachesTheUnit()
{
    m_board = std::make_unique<SimBoard>(m_root->root());
    QVERIFY(m_board->isRunning());
    MainMenu w;
    Bluetooth *link = w.getBtSinkInstance();
    QVERIFY(waitForSinkDataMode(*link, *m_board, *m_root));

    const QString file = QStringLiteral("/media/tq3900/FW_GX4_V1-22-33.gx4");
    {
        DebugMenu menu(&w);
        // A longer file keeps what follows the image.
        QVERIFY(m_root->write(file, QByteArray(1500, 'x')));
        button(&menu, "butFwTestString")->click();
        const QByteArray longer = m_root->read(file);
        QCOMPARE(longer.size(), 1500);
        QCOMPARE(longer.mid(1041), QByteArray(459, 'x'));
        QVERIFY(QFile::remove(m_root->local(file)));
        button(&menu, "butFwTestString")->click();
    }
    const QByteArray image = m_root->read(file);
    QCOMPARE(image.size(), 1041);
    QCOMPARE(image.left(4), QByteArray::fromHex("00010203"));
    QCOMPARE(image.mid(250, 12), QByteArray::fromHex("fafbfcfdfeffa1a1a1a1a1a1"));
    QCOMPARE(image.mid(510, 4), QByteArray::fromHex("a1a1b2b2"));
    QCOMPARE(image.mid(766, 4), QByteArray::fromHex("b2b2c3c3"));
    QCOMPARE(image.mid(1022), QByteArray::fromHex("c3c3") + QByteArray(17, char(0xD4)));
    QVERIFY(g_messages.filter(QStringLiteral("Testfile written")).first().contains("0123456"));

    // The unit takes the file as the firmware update sends it: header, 64-byte
    // packets each after the previous acknowledgement, start.
    QList<int> acked;
    bool headerOk = false, startOk = false, restarted = false;
    connect(link, &Bluetooth::btFwHeaderReceived, this, [&](bool ok) { headerOk = ok; });
    connect(link, &Bluetooth::btFwDataReceived, this, [&](int n, bool ok) {
        if (ok)
            acked << n;
    });
    connect(link, &Bluetooth::btFwStartUpdateReceived, this, [&](bool ok) { startOk = ok; });
    connect(link, &Bluetooth::btRdyReceived, this, [&] { restarted = true; });
    link->sendData(QStringLiteral("BT_TX FH %1 1.22.33").arg(image.size()));
    QTRY_VERIFY(headerOk);
    for (int packet = 0; packet * 64 < image.size(); ++packet) {
        const QByteArray data = image.mid(packet * 64, 64);
        link->sendData(QStringLiteral("BT_TX FD %1 %2 ")
                           .arg(packet, 3, 10, QLatin1Char('0'))
                           .arg(data.size(), 3, 10, QLatin1Char('0'))
                       + QString::fromLatin1(data.toHex()));
        QTRY_COMPARE(acked.size(), packet + 1);
    }
    QCOMPARE(acked.last(), 16);
    QVERIFY(m_board->unitLines().contains(QStringLiteral("BT_TX FD 016 017 ") + QString::fromLatin1(image.mid(1024).toHex())));
    link->sendData(QStringLiteral("BT_TX FS"));
    QTRY_VERIFY(startOk);
    // The simulated unit answers before it writes what it took down.
    QTRY_COMPARE(m_root->read("/.tq3900/unit-firmware.bin"), image);
    QTRY_VERIFY_WITH_TIMEOUT(restarted, 5000);
}

void TestDebugMenu::resetAudioProbeAndCodecStress()
{
    MainMenu w;
    AudioCodecSetup *codec = w.getAudioCodecInstance();
    DebugMenu menu(&w);

    // The restore keeps a state file that is there already.
    QVERIFY(m_root->write("/var/lib/alsa/asound.state", "state of the last run"));
    m_root->clearJournals();
    button(&menu, "butResetAudio")->click();
    QCOMPARE(m_root->commands(), QStringList({"alsactl --file /var/lib/alsa/asound.state restore"}));
    QCOMPARE(m_root->read("/var/lib/alsa/asound.state"), QByteArray("state of the last run"));
    // The codec is initialised after the restore: listening routing, muted.
    QVERIFY(m_root->journal("mixer.log").contains(QStringLiteral("DAC mode PRB_P3 := item 1")));
    QCOMPARE(m_root->read("/sys/class/gpio/gpio17/value"), QByteArray("0"));

    // The probe for each kind of "df -Th" output.
    const QList<QPair<QByteArray, QString>> probes = {
        {"Filesystem Type Size\n/dev/root ext4 3.5G\nubi0:root ubifs 100M\n", "Filesystem: SD-Karte "},
        {"Filesystem Type Size\nubi0:root ubifs 100M\n", "Filesystem: Flash "},
        {"Filesystem Type Size\ntmpfs tmpfs 10M\n", "Filesystem: Unknown "},
        // Only the first 2048 bytes count, and only up to a zero byte.
        {QByteArray(2048, ' ') + "/dev/root", "Filesystem: Unknown "},
        {QByteArray("tmpfs\0/dev/root", 15), "Filesystem: Unknown tmpfs"},
    };
    for (const auto &probe : probes) {
        m_root->answer("df -Th", 0, probe.first);
        g_messages.clear();
        button(&menu, "butDetectFilesystem")->click();
        const QStringList lines = g_messages.filter(QStringLiteral("Filesystem: "));
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().startsWith(probe.second), qPrintable(lines.first()));
    }
    QCOMPARE(g_messages.last(), QStringLiteral("Filesystem: Unknown tmpfs"));

    // The codec stress test ends on the 63..1600 Hz band and the playback routing.
    m_root->clearJournals();
    button(&menu, "butAudioCodecStresstest")->click();
    quint32 low = 0, high = 0;
    int type = -1;
    codec->getFilter(&low, &high, &type);
    QCOMPARE(type, 1);
    QCOMPARE(low, 63u);
    QCOMPARE(high, 1600u);
    const QStringList mixer = m_root->journal("mixer.log");
    QCOMPARE(mixer.filter(QStringLiteral("ADC Level := -12.00 dB")).size(), 50);
    QCOMPARE(mixer.filter(QStringLiteral("ADC Level := ")).last(), QStringLiteral("ADC Level := -12.00 dB"));
}

void TestDebugMenu::exitAndGameEndTheProgramLoop_data()
{
    QTest::addColumn<QString>("buttonName");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("commands");
    QTest::newRow("Exit") << "butExit" << 0 << QStringList();
    QTest::newRow("Tetrix") << "butTetrix" << -2 << QStringList({"/usr/games/tetrix/tetrix"});
}

void TestDebugMenu::exitAndGameEndTheProgramLoop()
{
    QFETCH(QString, buttonName);
    QFETCH(int, exitCode);
    QFETCH(QStringList, commands);
    MainMenu w;
    w.show();
    auto *dbg = button(&w, "butDebugMenu");
    QVERIFY(dbg->isVisible()); // debug features are on in this settings file
    m_root->clearJournals();
    whenOpen<DebugMenu>([&](DebugMenu *menu) {
        button(menu, "butUp")->click();
        button(menu, buttonName.toLatin1().constData())->click();
    });
    QTimer::singleShot(0, dbg, &QPushButton::click);
    // A guard: the program's loop would otherwise run on for ever.
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(20000);
    QCOMPARE(QCoreApplication::exec(), exitCode);
    guard.stop();
    QCOMPARE(m_root->commands(), commands);
    if (!commands.isEmpty()) {
        QCOMPARE(m_root->journal("commands.log").first().section('\t', 2), QStringLiteral("detached"));
        QVERIFY(g_messages.contains(QStringLiteral("Tetrix: true")));
    }
}

void TestDebugMenu::startupMenuLeavesTheMainLoopToRun()
{
    MainMenu w;
    w.show();
    whenOpen<DebugMenu>([&](DebugMenu *menu) {
        button(menu, "butUp")->click();
        button(menu, "butExit")->click();
    });
    // As main does with the start-up word: the menu before the loop.
    w.showWidget(MainMenu::startupMenuFor({"debug"}));
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(w.isMainMenuVisible());
    // The program's loop then runs until something ends it.
    QTimer::singleShot(300, [] { QCoreApplication::exit(7); });
    QCOMPARE(QCoreApplication::exec(), 7);
}

QTEST_MAIN(TestDebugMenu)
#include "tst_debugmenu.moc"
