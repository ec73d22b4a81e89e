// Real key presses on an X server (Xvfb, xdotool): the program sees each key
// once although X11 shows the filter every key for the window and the focus
// widget and reports a held key as auto-repeated release/press pairs; and
// the production keyboard test sees the six keys raw, as it shows on screen;
// a tap made while the start-up still runs acts on the page it was aimed at.
#include "simboard.h"
#include "testroot.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QtEndian>
#include <QtTest>

#include <csignal>

class TestX11Keys : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void shortPowerPressReturnsOnce();
    void heldMuteKeyCountsOnce();
    void upAndDownHeldTogetherSwitchToUart();
    void separateLongPressesDoNotSwitch();
    void heldPowerKeyPowersDown();
    void pcKeyboardNamesAMeasurement();
    void keyboardTestSeesTheRawKeys();
    void noteOpensOverTheWindow();
    void tapWhileTheStartUpRuns();

private:
    // Starts the program; startProgram() also waits until its start-up is
    // through.
    void launchProgram();
    void startProgram();
    void stopProgram();
    bool xdotool(const QStringList &args, int timeoutMs = 10000);
    void hold(const QStringList &keys, int ms);
    int logCount(const QByteArray &text);
    // Position and size of the visible window whose name matches, as the X
    // server has it; empty when there is none.
    QString windowGeometry(const QString &name);
    // Pixels of the program's windows in the colour given (pictures taken
    // with xwd); -1 when no picture could be taken.
    int screenPixels(QRgb colour);
    int windowPixels(const QProcessEnvironment &env, const QString &window, QRgb colour);
    int gpio17Mutes() const { return m_root->sysfsWritesTo("/sys/class/gpio/gpio17/value").count("0"); }

    QProcess m_xvfb;
    QString m_display;
    std::unique_ptr<TestRoot> m_root;
    QProcess m_program;
    QByteArray m_log;
};

void TestX11Keys::initTestCase()
{
    const QString bin = qEnvironmentVariable("TQ3900_BIN");
    if (bin.isEmpty())
        QSKIP("TQ3900_BIN is not set (run through ctest)");
    if (QStandardPaths::findExecutable("Xvfb").isEmpty() || QStandardPaths::findExecutable("xdotool").isEmpty())
        QSKIP("Xvfb and xdotool are needed (scripts/test installs them)");
    // The server picks a free display itself, or takes the one
    // TQ3900_TEST_DISPLAY names, and names it on its standard output once it
    // accepts connections: tests that start their own servers side by side
    // never share one.
    QStringList args = {"-displayfd", "1", "-screen", "0", "640x480x24", "-nolisten", "tcp"};
    QString wanted = qEnvironmentVariable("TQ3900_TEST_DISPLAY");
    if (!wanted.isEmpty()) {
        // ":7" or "7"; the server refuses anything else, and says why below.
        wanted = wanted.startsWith(QLatin1Char(':')) ? wanted : QLatin1Char(':') + wanted;
        args.prepend(wanted);
    }
    m_xvfb.setReadChannel(QProcess::StandardOutput);
    m_xvfb.start("Xvfb", args);
    QVERIFY2(m_xvfb.waitForStarted(10000), "Xvfb could not be started");
    QByteArray number;
    QTRY_VERIFY_WITH_TIMEOUT((number += m_xvfb.readAllStandardOutput()).contains('\n')
                                 || m_xvfb.state() != QProcess::Running, 60000);
    bool isNumber = false;
    const int display = number.trimmed().toInt(&isNumber);
    if (m_xvfb.state() == QProcess::Running && isNumber)
        m_display = QStringLiteral(":%1").arg(display);
    if (m_display.isEmpty() && !wanted.isEmpty())
        QFAIL(qPrintable(QStringLiteral("no X server could be started on %1 (TQ3900_TEST_DISPLAY): %2")
                             .arg(wanted, QString::fromLocal8Bit(m_xvfb.readAllStandardError()).trimmed())));
    QVERIFY2(!m_display.isEmpty(), "no X server could be started");
}

void TestX11Keys::cleanupTestCase()
{
    if (m_xvfb.state() == QProcess::Running) {
        m_xvfb.terminate();
        m_xvfb.waitForFinished(5000);
    }
}

bool TestX11Keys::xdotool(const QStringList &args, int timeoutMs)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", m_display);
    p.setProcessEnvironment(env);
    p.start("xdotool", args);
    return p.waitForFinished(timeoutMs) && p.exitCode() == 0;
}

void TestX11Keys::init()
{
    m_root = std::make_unique<TestRoot>();
    startProgram();
}

void TestX11Keys::startProgram()
{
    const int commands = m_root->commands().size();
    launchProgram();
    // Without a window manager the window takes the focus directly.
    QVERIFY(xdotool({"search", "--sync", "--onlyvisible", "--name", "^TQ3900$", "windowfocus",
                     "--sync", "%1"}, 60000));
    QTRY_VERIFY_WITH_TIMEOUT(m_root->commands().size() == commands + 3, 30000);
    // Its last steps (codec, screens, favourite) write the mute line and
    // more: what a test counts begins after them.
    QTRY_COMPARE_WITH_TIMEOUT(logCount("=== Start-up finished ==="), 1, 30000);
}

void TestX11Keys::launchProgram()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TQ3900_ROOT", m_root->root());
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("DISPLAY", m_display);
    // The X11 client libraries keep memory to the end; leaks are checked in
    // the other tests, on the offscreen platform.
    env.insert("ASAN_OPTIONS", "detect_leaks=0");
    m_program.setProcessEnvironment(env);
    m_program.setProcessChannelMode(QProcess::MergedChannels);
    m_log.clear();
    connect(&m_program, &QProcess::readyRead, this, [this] { m_log += m_program.readAll(); });
    // The keyboard test's scenario starts with the production test menu.
    const bool testMenu = QByteArray(QTest::currentTestFunction()) == "keyboardTestSeesTheRawKeys";
    if (testMenu && QStandardPaths::findExecutable("xwd").isEmpty())
        QSKIP("xwd is needed for the screen's pictures");
    m_program.start(qEnvironmentVariable("TQ3900_BIN"), testMenu ? QStringList({"test"}) : QStringList());
    QVERIFY(m_program.waitForStarted(5000));
}

void TestX11Keys::stopProgram()
{
    disconnect(&m_program, nullptr, this, nullptr);
    if (m_program.state() == QProcess::Running) {
        ::kill(static_cast<pid_t>(m_program.processId()), SIGTERM);
        QVERIFY(m_program.waitForFinished(15000));
        m_log += m_program.readAll();
        QVERIFY2(m_program.exitCode() == 0, m_log.right(2000).constData());
    }
}

void TestX11Keys::cleanup()
{
    stopProgram();
    m_root.reset();
}

void TestX11Keys::hold(const QStringList &keys, int ms)
{
    for (const QString &k : keys) {
        QVERIFY(xdotool({"keydown", k}));
        QTest::qWait(ms);
    }
    for (const QString &k : keys)
        QVERIFY(xdotool({"keyup", k}));
    QTest::qWait(300);
}

QString TestX11Keys::windowGeometry(const QString &name)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", m_display);
    p.setProcessEnvironment(env);
    p.start("xdotool", {"search", "--onlyvisible", "--name", name, "getwindowgeometry"});
    if (!p.waitForFinished(10000) || p.exitCode() != 0)
        return QString();
    // "Window <id>", "  Position: x,y (screen: 0)", "  Geometry: wxh"
    return QString::fromLatin1(p.readAllStandardOutput()).section('\n', 1).simplified();
}

int TestX11Keys::logCount(const QByteArray &text)
{
    QCoreApplication::processEvents();
    m_log += m_program.readAll();
    return m_log.count(text);
}

void TestX11Keys::shortPowerPressReturnsOnce()
{
    const int mutes = gpio17Mutes();
    QVERIFY(xdotool({"key", "F1"}));
    QTRY_COMPARE_WITH_TIMEOUT(logCount("Eventhandler IO-Key released"), 1, 5000);
    // One return to the main page mutes the path once (written after the
    // log line).
    QTRY_COMPARE_WITH_TIMEOUT(gpio17Mutes(), mutes + 1, 5000);
    QTest::qWait(300);
    QCOMPARE(logCount("Eventhandler IO-Key released"), 1);
    QCOMPARE(gpio17Mutes(), mutes + 1);
}

void TestX11Keys::heldMuteKeyCountsOnce()
{
    hold({"F6"}, 1500);
    QTRY_COMPARE_WITH_TIMEOUT(logCount("Key MUTE released"), 1, 5000);
    // The server repeated the key while it was held: presses, one release.
    QVERIFY(logCount("Key MUTE pressed") > 5);
}

void TestX11Keys::upAndDownHeldTogetherSwitchToUart()
{
    QCOMPARE(m_root->read("/sys/class/gpio/gpio65/value"), QByteArray("0"));
    hold({"F3", "F5"}, 1200);
    QTRY_COMPARE_WITH_TIMEOUT(m_root->read("/sys/class/gpio/gpio65/value"), QByteArray("1"), 5000);
    // Logged after the switch.
    QTRY_COMPARE_WITH_TIMEOUT(logCount("Switching to Uart-Mode"), 1, 5000);
}

void TestX11Keys::separateLongPressesDoNotSwitch()
{
    hold({"F3"}, 1200);
    hold({"F5"}, 1200);
    QTest::qWait(500);
    QCOMPARE(m_root->read("/sys/class/gpio/gpio65/value"), QByteArray("0"));
    QCOMPARE(logCount("Switching to Uart-Mode"), 0);
}

void TestX11Keys::heldPowerKeyPowersDown()
{
    QVERIFY(xdotool({"keydown", "F1"}));
    // Eight repeats switch the backlight off while the key is still held.
    QTRY_VERIFY_WITH_TIMEOUT(
        m_root->sysfsWritesTo("/sys/class/backlight/backlight/brightness").contains("0"), 5000);
    QVERIFY(m_root->commands().size() == 3);
    QVERIFY(xdotool({"keyup", "F1"}));
    QTRY_VERIFY_WITH_TIMEOUT(m_root->commands().contains("poweroff"), 10000);
    QCOMPARE(m_root->commands().count("umount /media/tq3900"), 1);
    QCOMPARE(logCount("Send Event for shutdown"), 1);
    QCOMPARE(logCount("Good bye!"), 1);
}

// A name typed on the PC's keyboard into the save keyboard counts as typed
// on its keys; Return accepts.
void TestX11Keys::pcKeyboardNamesAMeasurement()
{
    // A wired sensor: no link warning comes between the keys and the keyboard.
    stopProgram();
    QVERIFY(m_root->write("/sys/class/gpio/gpio48/value", "1"));
    startProgram();

    QProcess search;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", m_display);
    search.setProcessEnvironment(env);
    search.start("xdotool", {"search", "--onlyvisible", "--name", "^TQ3900$"});
    QVERIFY(search.waitForFinished(10000));
    const QString window = QString::fromLatin1(search.readAllStandardOutput()).split('\n').first().trimmed();
    QVERIFY(!window.isEmpty());

    // The level button of the main page; the screen programs the codec's
    // filter on entry.
    const int registers = m_root->journal("registers.log").size();
    QVERIFY(xdotool({"mousemove", "--window", window, "240", "65", "click", "1"}));
    QTRY_VERIFY_WITH_TIMEOUT(m_root->journal("registers.log").size() >= registers + 197, 10000);
    // Its save button, then the keyboard's own window.
    QVERIFY(xdotool({"mousemove", "--window", window, "453", "244", "click", "1"}));
    QVERIFY(xdotool({"search", "--sync", "--onlyvisible", "--name", "^Keyboard$", "windowfocus", "--sync", "%1"},
                    20000));
    QVERIFY(xdotool({"type", "--delay", "40", "Main St 12"}));
    QVERIFY(xdotool({"key", "Return"}));

    const QDir meas(m_root->local("/media/tq3900/meas"));
    QTRY_COMPARE_WITH_TIMEOUT(meas.entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1, 10000);
    const QString folder = meas.entryList(QDir::Dirs | QDir::NoDotAndDotDot).first();
    QVERIFY2(QRegularExpression("^LE_\\d{8}_\\d{6}_Main St 12$").match(folder).hasMatch(), qPrintable(folder));
    const QByteArray info = m_root->read("/media/tq3900/meas/" + folder + "/info.ini");
    QVERIFY2(info.contains("\nMeasurementname=Main St 12\n"), info.constData());
}

int TestX11Keys::screenPixels(QRgb colour)
{
    // Window by window: the root window's picture does not show the
    // program's windows on this server.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", m_display);
    QProcess search;
    search.setProcessEnvironment(env);
    search.start("xdotool", {"search", "--onlyvisible", "--class", "^tq3900$"});
    if (!search.waitForFinished(10000))
        return -1;
    int n = 0;
    for (const QByteArray &id : search.readAllStandardOutput().split('\n')) {
        if (id.trimmed().isEmpty())
            continue;
        const int pixels = windowPixels(env, QString::fromLatin1(id.trimmed()), colour);
        if (pixels < 0)
            return -1;
        n += pixels;
    }
    return n;
}

int TestX11Keys::windowPixels(const QProcessEnvironment &env, const QString &window, QRgb colour)
{
    QProcess shot;
    shot.setProcessEnvironment(env);
    shot.start("xwd", {"-id", window, "-silent"});
    if (!shot.waitForFinished(20000) || shot.exitCode() != 0)
        return -1;
    // An X window dump: a header of big-endian 32-bit fields, the colour
    // map, then the pixels, each in a whole number of bytes (xwd may name
    // the depth as bits per pixel: the line length tells).
    const QByteArray dump = shot.readAllStandardOutput();
    auto field = [&](int i) { return dump.size() >= 100 ? qFromBigEndian<quint32>(dump.constData() + 4 * i) : 0u; };
    const quint32 width = field(4), height = field(5), lsbFirst = field(7) == 0, line = field(12);
    const quint32 masks[3] = {field(14), field(15), field(16)};
    const qint64 start = qint64(field(0)) + qint64(field(19)) * 12;
    const quint32 bytes = width ? line / width : 0;
    if (bytes < 3 || bytes > 4 || start + qint64(line) * height > dump.size())
        return -1;
    auto channel = [](quint32 pixel, quint32 mask) {
        return mask ? int((pixel & mask) >> qCountTrailingZeroBits(mask)) : 0;
    };
    int n = 0;
    for (quint32 y = 0; y < height; ++y) {
        const auto *row = reinterpret_cast<const uchar *>(dump.constData() + start + qint64(line) * y);
        for (quint32 x = 0; x < width; ++x) {
            quint32 p = 0;
            for (quint32 i = 0; i < bytes; ++i)
                p |= quint32(row[bytes * x + i]) << (8 * (lsbFirst ? i : bytes - 1 - i));
            n += qRgb(channel(p, masks[0]), channel(p, masks[1]), channel(p, masks[2])) == (colour | 0xff000000u);
        }
    }
    return n;
}

void TestX11Keys::keyboardTestSeesTheRawKeys()
{
    const char file[] = "/media/ramdisk/production";
    const QRgb yellow = qRgb(252, 233, 79), green = qRgb(138, 226, 52);
    // An indicator is 70 x 50; its colour fills most of it.
    const int button = 70 * 50 / 2;
    QVERIFY(m_root->write(file, "cmdTestKeyboard\n"));
    QTRY_COMPARE_WITH_TIMEOUT(m_root->read(file), QByteArray("staActive\n"), 15000);
    QTRY_VERIFY_WITH_TIMEOUT(screenPixels(yellow) > 6 * button, 15000);
    QCOMPARE(screenPixels(green), 0);

    // FAV turns green once raw-key mode is on (else it is the favourite key).
    QTRY_VERIFY_WITH_TIMEOUT(xdotool({"key", "F2"}) && screenPixels(green) > button, 15000);

    // The power key held for seconds: no power-down, and not complete until
    // released. (X repeats a held key as release/press pairs; a busy client
    // may see them unmarked.)
    QVERIFY(xdotool({"keydown", "F1"}));
    QTest::qWait(3000);
    QVERIFY(screenPixels(green) < 2 * button);
    QCOMPARE(logCount("IO released"), 0);
    QVERIFY(xdotool({"keyup", "F1"}));
    QTRY_VERIFY_WITH_TIMEOUT(screenPixels(green) > 2 * button, 10000);
    QCOMPARE(logCount("IO released"), 1);
    QVERIFY(!m_root->sysfsWritesTo("/sys/class/backlight/backlight/brightness").contains("0"));
    QVERIFY(!m_root->commands().contains("poweroff"));

    // Every indicator turns green; a picture taken while the last ones are
    // redrawn shows them yellow still.
    for (const char *key : {"F3", "F4", "F5", "F6"})
        QVERIFY(xdotool({"key", key}));
    QTRY_COMPARE_WITH_TIMEOUT(screenPixels(yellow), 0, 10000);
    QVERIFY(screenPixels(green) > 6 * button);

    // Passed: the power key is the power key again.
    QVERIFY(m_root->write(file, "cmdPass\n"));
    QTRY_COMPARE_WITH_TIMEOUT(m_root->read(file), QByteArray("resPassed\n"), 15000);
    QTRY_COMPARE_WITH_TIMEOUT(screenPixels(green), 0, 15000);
    QVERIFY(xdotool({"keydown", "F1"}));
    QTRY_VERIFY_WITH_TIMEOUT(
        m_root->sysfsWritesTo("/sys/class/backlight/backlight/brightness").contains("0"), 10000);
    QVERIFY(xdotool({"keyup", "F1"}));
    const int released = logCount("IO released");
    QTRY_VERIFY_WITH_TIMEOUT(m_root->commands().contains("poweroff"), 10000);
    QCOMPARE(logCount("IO released"), released);
}

// On a screen larger than the instrument's, with its window away from the
// middle, a note opens over the window: the warning of the favourite screen
// (level measurement) with no sensor unit in reach.
void TestX11Keys::noteOpensOverTheWindow()
{
    QVERIFY(xdotool({"search", "--onlyvisible", "--name", "^TQ3900$", "windowmove", "--sync", "%1", "150", "200"}));
    const QString window = windowGeometry("^TQ3900$");
    QCOMPARE(window, QStringLiteral("Position: 150,200 (screen: 0) Geometry: 480x272"));
    QVERIFY(xdotool({"key", "F2"}));
    QString note;
    QTRY_VERIFY_WITH_TIMEOUT(!(note = windowGeometry("^Dialog$")).isEmpty(), 20000);
    QCOMPARE(note, window);
}

// The main page is painted first and the start-up goes on behind it, here
// held in the data partition's check. A tap on Management meanwhile was
// aimed at the main page; when it is read, the start-up favourite (level
// measurement) has put its screen there, whose Save button lies at the same
// place and would open the name keyboard. The tap goes nowhere.
void TestX11Keys::tapWhileTheStartUpRuns()
{
    stopProgram();
    SimBoard board(m_root->root());
    QVERIFY2(board.isRunning(), qPrintable(board.error()));
    QCOMPARE(board.send("sdcard fsck 6000"), QStringLiteral("ok"));
    QVERIFY(m_root->write("/sys/class/gpio/gpio48/value", "1")); // wired: no link note
    QVERIFY(m_root->write("/home/root/settings.ini",
                          "[Systemsettings]\nFavouriteButton=2\n"
                          "[Dialogconfiguration]\nStartup_UseFavouriteForStartup=true\n"));
    const int commands = m_root->commands().size();
    launchProgram();
    QTRY_VERIFY_WITH_TIMEOUT(m_root->commands().size() == commands + 1, 30000); // in the check
    QCOMPARE(m_root->commands().last(), QStringLiteral("fsck -Mya /dev/mmcblk0p3"));
    QVERIFY(xdotool({"search", "--sync", "--onlyvisible", "--name", "^TQ3900$", "mousemove", "--window", "%1",
                     "449", "235", "click", "1"}));
    QVERIFY2(m_root->commands().size() == commands + 1, "the tap came after the check");

    // Through the start-up to the favourite; a key after it is read after
    // the tap, which by then had opened the keyboard (its text set first).
    QTRY_COMPARE_WITH_TIMEOUT(logCount("Open Dialog Levelmeasurement"), 1, 30000);
    QVERIFY(xdotool({"key", "F6"}));
    QTRY_VERIFY_WITH_TIMEOUT(logCount("Key MUTE pressed") + logCount("TextCursor") > 0, 10000);
    QCOMPARE(logCount("TextCursor"), 0);
    QCOMPARE(windowGeometry("^Keyboard$"), QString());
    stopProgram();
}

QTEST_GUILESS_MAIN(TestX11Keys)
#include "tst_x11keys.moc"
