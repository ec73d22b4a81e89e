// What the card and the peers hand the program is untrusted: bad files on the
// card, a module that hangs up, floods, never reads or keeps its carrier up.
// The program starts, keeps the user's settings and keeps working; what it
// holds for a peer stays bounded.
#include "backgroundrecording.h"
#include "bluetooth.h"
#include "craftedinfo.h"
#include "debugmenu.h"
#include "firmwareupdate.h"
#include "globals.h"
#include "eventhandler.h"
#include "mainmenu.h"
#include "pairedboard.h"
#include "pressuresensor.h"
#include "measmanagement.h"
#include "sensorunitlink.h"
#include "simboard.h"
#include "systemsettings.h"
#include "testmenu.h"
#include "testmenuremotectrl.h"
#include "testroot.h"

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QtTest>

#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <memory>

namespace {

const QString kSettings = QStringLiteral("/home/root/settings.ini");

// Debug and warning lines while alive.
class MessageCapture
{
public:
    MessageCapture() { s_lines.clear(); m_previous = qInstallMessageHandler(handler); }
    ~MessageCapture() { qInstallMessageHandler(m_previous); }
    int count(const QString &part) const
    {
        int n = 0;
        for (const QString &line : qAsConst(s_lines))
            n += line.contains(part) ? 1 : 0;
        return n;
    }

private:
    static void handler(QtMsgType type, const QMessageLogContext &, const QString &text)
    {
        if (s_lines.size() < 100000)
            s_lines << text;
        if (type != QtDebugMsg)
            fprintf(stderr, "%s\n", qPrintable(text.left(300)));
    }
    QtMessageHandler m_previous = nullptr;
    static QStringList s_lines;
};
QStringList MessageCapture::s_lines;

double cpuSeconds()
{
    timespec ts;
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// The German test catalogue with the length of its first translation made
// huge (its zero high byte changed to 0xA1), as one changed byte on a card does.
QByteArray damagedCatalogue()
{
    QFile f(QStringLiteral(TQ3900_TEST_DATA "/DE_TQ3900.qm"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArray d = f.readAll();
    int pos = 16;
    while (pos + 5 <= d.size()) {
        const uchar tag = uchar(d.at(pos));
        const int length = int((uchar(d.at(pos + 1)) << 24) | (uchar(d.at(pos + 2)) << 16)
                               | (uchar(d.at(pos + 3)) << 8) | uchar(d.at(pos + 4)));
        if (tag == 0x69) { // messages: the first record starts with a translation
            if (d.at(pos + 5) != 3 || d.at(pos + 6) != 0)
                return {};
            d[pos + 6] = char(0xa1);
            return d;
        }
        pos += 5 + length;
    }
    return {};
}

} // namespace

class TestUntrusted : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // Bad files on the card: the whole program starts against them.
    void programStartsAgainstBadFiles_data();
    void programStartsAgainstBadFiles();

    // Settings values that reach the modules.
    void addressAndOffsetFromTheSettingsAreChecked();
    // Start-up commands that do not end.
    void startupCheckAndMountTimeOut();

    // Peers.
    void moduleHangsUpAndComesBack();
    void heldCommandsAreBoundedWhileTheCarrierSticks();
    void moduleThatDoesNotReadGetsBoundedOutput();
    void headphoneBatteryReportOutOfRange();
    void pressurePacketsWithHugeCounts();
    void diagnosticFileKeepsItsNewestPart();

    // Stored measurements and files on the card.
    void craftedInfoFileInEveryStoredView_data();
    void craftedInfoFileInEveryStoredView();
    void cardFilesAreOpenedOnlyAsRegularFiles();
    // The RAM disk's files of the test station and the installer.
    void commandFileIsOnlyARegularFile_data();
    void commandFileIsOnlyARegularFile();
    void noWriteThroughLinksOnTheRamDisk();
    // The logs scripts/run keeps.
    void logsStayBoundedUnderAFlood();

private:
    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
};

void TestUntrusted::init()
{
    m_root = std::make_unique<TestRoot>();
    QVERIFY(m_root->isValid());
    g_debugFeatures = 0;
}

void TestUntrusted::cleanup()
{
    m_board.reset();
    m_root.reset();
    g_debugFeatures = 0;
}

// ---------------------------------------------------------------------------
// Bad files

void TestUntrusted::programStartsAgainstBadFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("serialised value, bad address, huge offset") << "values";
    QTest::newRow("50 MB settings file with a comma list") << "huge";
    QTest::newRow("damaged catalogue") << "catalogue";
    QTest::newRow("FIFOs for settings and catalogue") << "fifo";
    QTest::newRow("settings file is a link out of the folder") << "link";
}

void TestUntrusted::programStartsAgainstBadFiles()
{
    QFETCH(QString, kind);
    const QString bin = qEnvironmentVariable("TQ3900_BIN");
    if (bin.isEmpty())
        QSKIP("TQ3900_BIN is not set (run through ctest)");
    TestRoot &root = *m_root;
    // The user's settings around the bad part.
    const QByteArray head = "[Local-Settings]\nTimezone=Tokyo (+9 h)\n";
    const QByteArray tail = "[Systemsettings]\nBrightness=7\nSwitchmode=Push-Button\n";
    const QString outside = root.local(QStringLiteral("/outside.ini"));
    QByteArray outsideBytes;
    if (kind == "values") {
        QVERIFY(root.write(kSettings, head + QByteArray("Language=@Variant(\\0\\0\\0\\v\\x7f\\xff\\xff\\xff)\n")
                                          + "[Bluetooth]\nMicrophone_ID=\"02:00:00:39:01:02\\nSET BT NAME EVIL\"\n"
                                          + tail + "HeadphoneVolumeOffset=2147483647\n"));
    } else if (kind == "huge") {
        QFile f(root.local(kSettings));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(head + "DateTimeSource=");
        const QByteArray list = QByteArray("a,").repeated(1024 * 1024);
        for (int i = 0; i < 25; ++i)
            f.write(list);
        f.write("\n" + tail);
    } else if (kind == "catalogue") {
        const QByteArray damaged = damagedCatalogue();
        QVERIFY(!damaged.isEmpty());
        QVERIFY(root.write("/media/tq3900/DE_TQ3900.qm", damaged));
        QVERIFY(root.write(kSettings, head + "Language=2\n" + tail));
    } else if (kind == "fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(root.local(kSettings)).constData(), 0644), 0);
        QVERIFY(QDir().mkpath(root.local("/media/tq3900")));
        QCOMPARE(::mkfifo(QFile::encodeName(root.local("/media/tq3900/GB_TQ3900.qm")).constData(), 0644), 0);
    } else if (kind == "link") {
        // Needs a repair at start, so the store writes.
        outsideBytes = head + "Language=@Variant(\\0\\0\\0\\v\\x7f\\xff\\xff\\xff)\n" + tail;
        QFile f(outside);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(outsideBytes);
        f.close();
        QVERIFY(QFile::link(outside, root.local(kSettings)));
    }

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TQ3900_ROOT", root.root());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(bin, QStringList());
    QVERIFY(p.waitForStarted(5000));
    // Start-up is through when the ALSA state has been restored and the
    // status data muted the path.
    QTRY_VERIFY_WITH_TIMEOUT(root.commands().size() == 3, 30000);
    QTRY_COMPARE_WITH_TIMEOUT(root.read("/sys/class/gpio/gpio17/value"), QByteArray("0"), 10000);
    QTest::qWait(500);
    QCOMPARE(p.state(), QProcess::Running);
    // The program's peak memory so far (kB): a 50 MB file is not held whole
    // (nor blown up into a list of 25 million texts).
    QFile status(QStringLiteral("/proc/%1/status").arg(p.processId()));
    QVERIFY(status.open(QIODevice::ReadOnly));
    const QByteArray statusText = status.readAll();
    const int hwm = statusText.indexOf("VmHWM:");
    QVERIFY(hwm >= 0);
    const long peakKb = statusText.mid(hwm + 6, statusText.indexOf('\n', hwm) - hwm - 6).trimmed().split(' ').value(0).toLong();
    QVERIFY2(peakKb < 400 * 1024, qPrintable(QString::number(peakKb)));
    ::kill(pid_t(p.processId()), SIGTERM);
    QVERIFY(p.waitForFinished(15000));
    const QByteArray output = p.readAll();
    QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0, output.right(3000).constData());
    QVERIFY(!output.contains("ERROR: AddressSanitizer"));
    QVERIFY(!output.contains("runtime error:"));

    // The file afterwards: a regular file in its place, the user's settings kept.
    QFileInfo info(root.local(kSettings));
    QVERIFY(info.isFile() && !info.isSymLink());
    QVERIFY2(info.size() < 4096, qPrintable(QString::number(info.size()))); // repaired
    QSettings s(root.local(kSettings), QSettings::IniFormat);
    if (kind == "fifo") {
        QCOMPARE(s.value("Systemsettings/Brightness").toString(), QStringLiteral("6"));
        return;
    }
    QCOMPARE(s.value("Local-Settings/Timezone").toString(), QStringLiteral("Tokyo (+9 h)"));
    QCOMPARE(s.value("Systemsettings/Brightness").toString(), QStringLiteral("7"));
    if (kind == "values" || kind == "link") {
        QCOMPARE(s.value("Local-Settings/Language").toString(), QStringLiteral("1"));
        QCOMPARE(s.value("Systemsettings/Switchmode").toString(), QStringLiteral("Push-Button"));
        QVERIFY(!root.read(kSettings).contains("@Variant"));
    }
    if (kind == "values") {
        QCOMPARE(s.value("Bluetooth/Microphone_ID").toString(), QString());
        QCOMPARE(s.value("Systemsettings/HeadphoneVolumeOffset").toString(), QStringLiteral("10"));
    }
    if (kind == "link") {
        QFile f(outside);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), outsideBytes);
    }
}

// ---------------------------------------------------------------------------
// Settings values that reach the modules

void TestUntrusted::addressAndOffsetFromTheSettingsAreChecked()
{
    // A line break in the paired unit's address would send a command of its
    // own; a huge volume offset would overflow into a nonsense gain.
    QVERIFY(m_root->write(kSettings, QByteArray("[Bluetooth]\n")
                                         + "Microphone_ID=\"" + SimBoard::kUnitAddress + "\\nSET BT NAME EVIL\"\n"
                                         + "Headphone_ID=" + SimBoard::kHeadphoneAddress + "\n"
                                         + "[Systemsettings]\nHeadphoneVolumeOffset=2147483647\n"));
    m_board = std::make_unique<SimBoard>(m_root->root());
    QVERIFY(m_board->isRunning());
    MainMenu w;
    QVERIFY(w.getInstanceSystemsettings()->getBtIdMicrophone().isEmpty());
    QCOMPARE(w.getInstanceSystemsettings()->getHeadphoneVolumeOffset(), 10);
    // The headphone link comes up with the highest gain (offset 10 + 5).
    QTRY_VERIFY_WITH_TIMEOUT(m_board->moduleLines("ttyO3").contains("SET CONTROL GAIN f f"), 5000);
    QTest::qWait(1500);
    for (const QString &port : {QStringLiteral("ttyO2"), QStringLiteral("ttyO3")}) {
        const QStringList lines = m_board->moduleLines(port);
        QVERIFY2(!lines.join('\n').contains("EVIL"), qPrintable(lines.join(" | ")));
    }
    // The unit is not paired: its module is never asked to call it.
    QVERIFY(!m_board->moduleLines("ttyO2").join('\n').contains(SimBoard::kUnitAddress));
}

void TestUntrusted::startupCheckAndMountTimeOut()
{
    QVERIFY(m_root->write("/.tq3900/answers/fsck", "timeout\n"));
    QVERIFY(m_root->write("/.tq3900/answers/mount", "timeout\n"));
    MessageCapture capture;
    MainMenu w;
    const QStringList log = m_root->journal(QStringLiteral("commands.log"));
    QVERIFY(log.value(0).startsWith("fsck -Mya /dev/mmcblk0p3\t"));
    QVERIFY(log.value(0).endsWith("\ttimeout"));
    QVERIFY(log.value(1).startsWith("mount /dev/mmcblk0p3 /media/tq3900\t"));
    QVERIFY(log.value(1).endsWith("\ttimeout"));
    QCOMPARE(capture.count("\"fsck -Mya /dev/mmcblk0p3\" did not end within 120 s"), 1);
    QCOMPARE(capture.count("\"mount /dev/mmcblk0p3 /media/tq3900\" did not end within 30 s"), 1);
    // The start went on to the main page.
    QCOMPARE(m_root->commands().size(), 3);
    auto *stack = w.findChild<QStackedWidget *>(QStringLiteral("mainWidget"));
    QVERIFY(stack);
    QCOMPARE(stack->currentWidget()->objectName(), QStringLiteral("mainPage"));
}

// ---------------------------------------------------------------------------
// Peers

void TestUntrusted::moduleHangsUpAndComesBack()
{
    m_board = std::make_unique<SimBoard>(m_root->root());
    QVERIFY(m_board->isRunning());
    MessageCapture capture;
    Bluetooth link;
    QVERIFY(connectSink(link, *m_board, *m_root));

    // The simulator stops: the module's end of the port closes.
    m_board.reset();
    QTest::qWait(500);
    const double before = cpuSeconds();
    QTest::qWait(3000);
    const double used = cpuSeconds() - before;
    QVERIFY2(used < 0.3, qPrintable(QStringLiteral("%1 s of CPU in 3 s").arg(used)));
    QCOMPARE(capture.count("Uart /dev/ttyO2 lost"), 1);
    QVERIFY(!link.isConnectedRFCOMM());

    // It starts again on the same root: the link comes back by itself.
    m_board = std::make_unique<SimBoard>(m_root->root());
    QVERIFY(m_board->isRunning());
    QVERIFY(waitForSinkDataMode(link, *m_board, *m_root));
    QCOMPARE(capture.count("Uart /dev/ttyO2 open again"), 1);
    QCOMPARE(capture.count("Uart /dev/ttyO2 lost"), 1);
}

void TestUntrusted::heldCommandsAreBoundedWhileTheCarrierSticks()
{
    m_board = std::make_unique<SimBoard>(m_root->root());
    QVERIFY(m_board->isRunning());
    Bluetooth link;
    QVERIFY(connectSink(link, *m_board, *m_root));
    // The module stops switching: the carrier stays up while the link waits
    // for command mode, and every module command is held meanwhile.
    QCOMPARE(m_board->send("bt ttyO2 silent 1"), QStringLiteral("ok"));
    MessageCapture capture;
    const int count = 3000;
    for (int i = 0; i < count; ++i)
        link.sendData(QStringLiteral("SET CONTROL PREAMP %1 0").arg(i));
    QTest::qWait(300);
    QCOMPARE(gpio(*m_root, 59), QByteArray("1"));
    // Each held line is logged by itself, never the whole block.
    QVERIFY(capture.count(QStringLiteral("SET CONTROL PREAMP 0 0")) <= 2);
    QCOMPARE(capture.count(QStringLiteral("oldest dropped")), 1);

    // The carrier drops at last: the newest whole lines go out, a bounded block.
    QCOMPARE(m_board->send("gpio 59 0"), QStringLiteral("ok"));
    const QString newest = QStringLiteral("SET CONTROL PREAMP %1 0").arg(count - 1);
    QTRY_VERIFY_WITH_TIMEOUT((m_board->moduleLines("ttyO2") + m_board->unitLines()).contains(newest), 5000);
    QStringList held;
    for (const QString &line : m_board->moduleLines("ttyO2") + m_board->unitLines())
        if (line.contains("PREAMP"))
            held << line;
    QVERIFY2(held.size() < 300, qPrintable(QString::number(held.size())));
    QVERIFY(held.size() > 100);
    for (const QString &line : qAsConst(held))
        QVERIFY2(QRegularExpression("^SET CONTROL PREAMP \\d+ 0$").match(line).hasMatch(), qPrintable(line));
    QCOMPARE(held.last(), newest);
}

void TestUntrusted::moduleThatDoesNotReadGetsBoundedOutput()
{
    // A pseudo-terminal whose master end nobody reads.
    int master = -1;
    int slave = -1;
    char name[256] = {};
    struct termios tio;
    std::memset(&tio, 0, sizeof tio);
    cfmakeraw(&tio);
    QVERIFY(::openpty(&master, &slave, name, &tio, nullptr) == 0);
    ::close(slave);
    QVERIFY(QFile::link(QString::fromLocal8Bit(name), m_root->local("/dev/ttyO3")));
    MessageCapture capture;
    {
        Bluetooth link;
        link.initBluetooth(QStringLiteral("/dev/ttyO3"), QString());
        const QString line = QStringLiteral("SET BT NAME ") + QString(60, QLatin1Char('x'));
        for (int i = 0; i < 20000; ++i) { // 1.5 MB
            link.sendData(line);
            if (i % 100 == 0)
                QCoreApplication::processEvents();
        }
        QTest::qWait(200);

        // The module reads at last: what reaches it is bounded.
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        qint64 received = 0;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 1500) {
            char buf[65536];
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n > 0)
                received += n;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        QVERIFY2(received > 4096 && received < 256 * 1024, qPrintable(QString::number(received)));
        QCOMPARE(capture.count("does not take data: lines dropped"), 1);
        // And the link writes again once it drained.
        link.sendData(QStringLiteral("LIST"));
        QTest::qWait(100);
        char buf[256];
        const ssize_t n = ::read(master, buf, sizeof buf);
        QVERIFY(n > 0 && QByteArray(buf, int(n)).contains("LIST\n"));
    }
    ::close(master);
}

void TestUntrusted::headphoneBatteryReportOutOfRange()
{
    m_board = std::make_unique<SimBoard>(m_root->root());
    QVERIFY(m_board->isRunning());
    Bluetooth link;
    link.initBluetooth(QStringLiteral("/dev/ttyO3"), QString::fromLatin1(SimBoard::kHeadphoneAddress));
    QSignalSpy battery(&link, &Bluetooth::btHeadphoneBatteryStateReceived);
    for (const char *value : {"2147483647", "-2147483648", "99999999999999999999", "10", "-1", "x"})
        QCOMPARE(m_board->send(QStringLiteral("bt ttyO3 send HFP-AG 3 IND 0 AT+IPHONEACCEV=1,1,%1").arg(value)),
                 QStringLiteral("ok"));
    QCOMPARE(m_board->send("bt ttyO3 send HFP-AG 3 IND 0 AT+IPHONEACCEV=1,1,7"), QStringLiteral("ok"));
    QTRY_COMPARE(battery.count(), 1);
    QCOMPARE(battery.at(0).at(0).toInt(), 80);
    QCOMPARE(link.getBtExtHeadphoneBatteryState(), 80);
}

void TestUntrusted::pressurePacketsWithHugeCounts()
{
    // 300 packets that claim 2147483647 samples and hold none, in 3 s, while
    // the pressure screen listens: the log grows by what the lines hold
    // (nothing), not by 6000 zeros each, and the screen answers its keys.
    QVERIFY(m_root->write("/home/root/settings.ini", pairedSettings()));
    QVERIFY(QDir().mkpath(m_root->local("/media/tq3900/meas")));
    m_board = std::make_unique<SimBoard>(m_root->root());
    QVERIFY2(m_board->isRunning(), qPrintable(m_board->error()));
    MainMenu w;
    EventHandler keys;
    qApp->installEventFilter(&keys);
    const auto removeFilter = qScopeGuard([&] { qApp->removeEventFilter(&keys); });
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QVERIFY(waitForSinkDataMode(*w.getBtSinkInstance(), *m_board, *m_root));
    w.displayWidget(11, 1, 0);
    PressureSensor *ps = w.pressureSensorScreen();
    QVERIFY(ps);
    auto key = [](Qt::Key k) {
        QTRY_VERIFY(QApplication::focusWidget());
        QTest::keyPress(QApplication::focusWidget(), k);
        QTest::keyRelease(QApplication::focusWidget(), k);
    };
    key(Qt::Key_F6); // the mute key: listen
    QTRY_VERIFY(!ps->isMuted());
    QTRY_VERIFY_WITH_TIMEOUT(ps->intake().count() > 0, 15000); // the unit's own packets
    const QString high = QStringLiteral("/media/tq3900/temp/pressureHighRes.txt");
    const qint64 before = QFileInfo(m_root->local(high)).size();
    MessageCapture log;
    QElapsedTimer clock;
    clock.start();
    for (int burst = 0; burst < 30; ++burst) {
        QCOMPARE(m_board->send(QStringLiteral("bt ttyO2 raw ") + QStringLiteral("BT_RX RD 2147483647\\r\\n").repeated(10)),
                 QStringLiteral("ok"));
        QTest::qWait(100);
    }
    QTRY_VERIFY(log.count(QStringLiteral("BT_RX RD count above its samples")) >= 1);
    key(Qt::Key_F6); // and mute again, at once
    QTRY_VERIFY_WITH_TIMEOUT(ps->isMuted(), 2000);
    const qint64 grown = QFileInfo(m_root->local(high)).size() - before;
    qInfo("%lld bytes logged in %lld ms of flood", grown, clock.elapsed());
    QVERIFY2(grown < 200 * 1000, qPrintable(QString::number(grown)));
    QVERIFY(ps->intake().count() <= 6000);
}

void TestUntrusted::diagnosticFileKeepsItsNewestPart()
{
    g_debugFeatures = 1;
    Bluetooth link;
    const QString info = QStringLiteral("/media/tq3900/btInfo.txt");
    QVERIFY(QDir().mkpath(m_root->local("/media/tq3900")));
    const int lines = 12000; // 12000 lines of 70 bytes: 840 kB written
    for (int i = 0; i < lines; ++i)
        link.writeBluetoothCmdsDbg(QStringLiteral("M->H BT_RX SENSVAL %1 %2\n").arg(i, 6, 10, QLatin1Char('0')).arg(QString(40, 'v')));
    const QByteArray file = m_root->read(info);
    QVERIFY2(file.size() <= 512 * 1024 + 100 && file.size() >= 200 * 1024, qPrintable(QString::number(file.size())));
    const QList<QByteArray> kept = file.split('\n');
    // Whole lines, the newest ones, in order.
    QVERIFY(kept.last().isEmpty());
    QVERIFY(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d M->H BT_RX SENSVAL \\d{6} v{40}$").match(QString::fromLatin1(kept.first())).hasMatch());
    QVERIFY(kept.at(kept.size() - 2).contains(QStringLiteral("SENSVAL %1 ").arg(lines - 1, 6, 10, QLatin1Char('0')).toLatin1()));

    // Never through a link to a file elsewhere.
    const QString outside = m_root->local("/elsewhere.txt");
    QVERIFY(m_root->write("/elsewhere.txt", "mine\n"));
    QFile::remove(m_root->local(info));
    QVERIFY(QFile::link(outside, m_root->local(info)));
    link.writeBluetoothCmdsDbg(QStringLiteral("H->M BT_TX B\n"));
    QCOMPARE(m_root->read("/elsewhere.txt"), QByteArray("mine\n"));
}

// ---------------------------------------------------------------------------
// Stored measurements and files on the card

void TestUntrusted::craftedInfoFileInEveryStoredView_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("name");
    for (const QString &kind : CraftedInfo::kinds())
        QTest::newRow(qPrintable(kind)) << kind << (kind == "counts" ? "Counts" : "");
}

void TestUntrusted::craftedInfoFileInEveryStoredView()
{
    QFETCH(QString, kind);
    QFETCH(QString, name);
    QTemporaryDir elsewhere;
    const QString meas = QStringLiteral("/media/tq3900/meas/");
    const QStringList folders{"LE_20260101_120000_View", "PP_20260101_120000_View", "PL_20260101_120000_View",
                              "LT_20260101_120000_View"};
    for (const QString &folder : folders) {
        QVERIFY(QDir().mkpath(m_root->local(meas + folder)));
        QVERIFY(CraftedInfo::make(kind, m_root->local(meas + folder + "/info.ini"), elsewhere.filePath(folder)));
    }
    // What a save cut short left: the start removes it.
    QVERIFY(m_root->write(meas + ".saving-LE_20260101_120001/info.ini", "[Levels]\n"));

    MainMenu w;
    QVERIFY(!m_root->exists(meas + ".saving-LE_20260101_120001"));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *stack = w.findChild<QStackedWidget *>("mainWidget");
    QVERIFY(stack);
    const long rssBefore = CraftedInfo::residentKb();
    for (const QString &folder : folders) {
        w.displayWidget(7, 1, 0);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(w.getInstanceMeasManagement()->openMeasurement(folder));
        QWidget *view = stack->currentWidget();
        QVERIFY(view && !view->inherits("MeasManagement"));
        auto *label = view->findChild<QLabel *>("labelStoredMeasurement");
        QVERIFY2(label, view->metaObject()->className());
        QTRY_VERIFY(label->isVisible());
        QVERIFY2(clock.elapsed() < 1000, qPrintable(folder + " " + QString::number(clock.elapsed())));
        QCOMPARE(label->text(), name);
    }
    QVERIFY2(CraftedInfo::residentKb() - rssBefore < 100 * 1024,
             qPrintable(QString::number(CraftedInfo::residentKb() - rssBefore)));
    w.displayWidget(0, 0, 0);
}

void TestUntrusted::cardFilesAreOpenedOnlyAsRegularFiles()
{
    QTemporaryDir elsewhere;
    const QString card = QStringLiteral("/media/tq3900");
    QVERIFY(QDir().mkpath(m_root->local(card + "/meas/LE_20260101_120000_Clip")));
    const auto fifo = [this](const QString &path) {
        return ::mkfifo(QFile::encodeName(m_root->local(path)).constData(), 0600) == 0;
    };
    const QString outside = elsewhere.filePath("outside.txt");
    {
        QFile f(outside);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("mine\n");
    }
    // Diagnostic files: a FIFO without a reader, a link out of the card.
    QVERIFY(fifo(card + "/errorInfo.txt"));
    QVERIFY(QFile::link(outside, m_root->local(card + "/systemInfo.txt")));
    MainMenu w;
    QElapsedTimer clock;
    clock.start();
    w.writeErrorToFile(QStringLiteral("error"));
    w.writeSystemInfo();
    {
        // The test firmware file as a link and as a FIFO.
        DebugMenu menu(&w);
        QVERIFY(QFile::link(outside, m_root->local(card + "/FW_GX4_V1-22-33.gx4")));
        menu.findChild<QPushButton *>("butFwTestString")->click();
        QVERIFY(QFile::remove(m_root->local(card + "/FW_GX4_V1-22-33.gx4")));
        QVERIFY(fifo(card + "/FW_GX4_V1-22-33.gx4"));
        menu.findChild<QPushButton *>("butFwTestString")->click();
    }
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QFile f(outside);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("mine\n"));

    // Stored clips: a FIFO is refused at once; 50 MB of empty chunks before
    // any "data" chunk are no clip, found out quickly.
    const QString clip = card + "/meas/LE_20260101_120000_Clip/LE_sound.wav";
    QVERIFY(fifo(clip));
    BackgroundRecording playback;
    clock.restart();
    QCOMPARE(playback.startAudioPlayback(clip), -1);
    QVERIFY(QFile::remove(m_root->local(clip)));
    {
        QFile wav(m_root->local(clip));
        QVERIFY(wav.open(QIODevice::WriteOnly));
        wav.write(QByteArray("RIFF\xff\xff\xff\x0fWAVE", 12));
        const QByteArray empty = QByteArray("JUNK\0\0\0\0", 8).repeated(64 * 1024);
        for (int i = 0; i < 100; ++i) // 6.5 million empty chunks
            QVERIFY(wav.write(empty) == empty.size());
        wav.write(BackgroundRecording::wavHeader(4).mid(36) + QByteArray(4, '\0'));
    }
    QCOMPARE(playback.startAudioPlayback(clip), -1);
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    // A clip with a chunk before its data still plays.
    QByteArray good = BackgroundRecording::wavHeader(4);
    good.insert(36, QByteArray("LIST\x04\0\0\0abcd", 12));
    QVERIFY(m_root->write(card + "/meas/LE_20260101_120000_Clip/good.wav", good + QByteArray(4, '\0')));
    QCOMPARE(playback.startAudioPlayback(card + "/meas/LE_20260101_120000_Clip/good.wav"), 0);
    playback.stopAudioPlayback();
}

void TestUntrusted::commandFileIsOnlyARegularFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("link to a command") << "link";
    QTest::newRow("FIFO without a writer") << "fifo";
    QTest::newRow("folder") << "folder";
}

void TestUntrusted::commandFileIsOnlyARegularFile()
{
    // Whatever stands in the command file's place: the poll and the answer
    // return at once, nothing is read through it or written into it, the
    // refusal is logged and the factory script runs as for a missing file.
    QFETCH(QString, kind);
    const QString file = QString::fromLatin1(TestmenuRemoteCtrl::kCommandFile);
    QVERIFY(QDir().mkpath(m_root->local("/media/ramdisk")));
    QVERIFY(m_root->write("/outside", "cmdTestLed\n"));
    if (kind == "link")
        QVERIFY(QFile::link(m_root->local("/outside"), m_root->local(file)));
    else if (kind == "fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(m_root->local(file)).constData(), 0600), 0);
    else
        QVERIFY(QDir().mkpath(m_root->local(file)));
    MessageCapture log;
    TestmenuRemoteCtrl reader;
    reader.pause();
    QSignalSpy handed(&reader, &TestmenuRemoteCtrl::sendCommand);
    QElapsedTimer clock;
    clock.start();
    reader.readCommandFile();
    reader.writeResult(QStringLiteral("resPassed"));
    QVERIFY(TestmenuRemoteCtrl::writeCommandFile(file, "staActiveMenu\n") == false);
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(handed.count(), 0);
    QCOMPARE(m_root->read("/outside"), QByteArray("cmdTestLed\n"));
    QCOMPARE(log.count(QStringLiteral("Could not open/read file /media/ramdisk/production")), 1);
    QCOMPARE(log.count(QStringLiteral("Could not open/write file /media/ramdisk/production")), 1);
    QCOMPARE(log.count(QStringLiteral("refused to write /media/ramdisk/production")), 2);
    QCOMPARE(m_root->commands().count(QString::fromLatin1(TestmenuRemoteCtrl::kFailureScript)), 2);
    QCOMPARE(QFileInfo(m_root->local(file)).isSymLink(), kind == "link");
}

void TestUntrusted::noWriteThroughLinksOnTheRamDisk()
{
    // Links in place of the command file and of the run-mode file, pointing
    // at files of someone else's: neither the menu's announcement, nor ten
    // station commands written into the link's target, nor a whole
    // instrument update changes a target; no command is taken through the
    // link; the program goes on, and works again once the files are files.
    m_board = std::make_unique<SimBoard>(m_root->root());
    QVERIFY2(m_board->isRunning(), qPrintable(m_board->error()));
    const QString command = QString::fromLatin1(TestmenuRemoteCtrl::kCommandFile);
    const QString runmode = QStringLiteral("/media/ramdisk/runmode");
    QVERIFY(m_root->write("/etc/passwd", "root:x:0:0\n"));
    QVERIFY(m_root->write("/etc/shadow", "root:*:1:0\n"));
    QVERIFY(QDir().mkpath(m_root->local("/media/ramdisk")));
    QVERIFY(QFile::link(m_root->local("/etc/passwd"), m_root->local(command)));
    QVERIFY(QFile::link(m_root->local("/etc/shadow"), m_root->local(runmode)));
    MessageCapture log;
    {
        TestMenu menu;
        auto *reader = menu.findChild<TestmenuRemoteCtrl *>();
        QVERIFY(reader);
        QSignalSpy handed(reader, &TestmenuRemoteCtrl::sendCommand);
        QCOMPARE(m_root->read("/etc/passwd"), QByteArray("root:x:0:0\n"));
        const QString script = QString::fromLatin1(TestmenuRemoteCtrl::kFailureScript);
        for (int i = 0; i < 10; ++i) {
            // A station that follows the link leaves its command there; the
            // menu's polls (each runs the factory script) leave it alone.
            const QByteArray line = i == 9 ? "cmdFinish\n" : "cmdTestNumber" + QByteArray::number(i) + "\n";
            QVERIFY(m_root->write("/etc/passwd", line));
            const int polls = m_root->commands().count(script);
            QTRY_VERIFY(m_root->commands().count(script) >= polls + 2);
            QCOMPARE(m_root->read("/etc/passwd"), line);
        }
        QCOMPARE(handed.count(), 0);
        QVERIFY(log.count(QStringLiteral("refused to write /media/ramdisk/production")) >= 1);
    }
    QVERIFY(QFileInfo(m_root->local(command)).isSymLink());
    QVERIFY(m_root->write("/etc/passwd", "root:x:0:0\n"));

    // An instrument update from the card, run to its reboot.
    const auto updateInstrument = [this](const QString &file) {
        QVERIFY(m_root->write("/media/tq3900/" + file, QByteArray(5000, 'f')));
        m_root->clearJournals();
        Firmwareupdate dialog;
        dialog.show();
        dialog.findChild<QPushButton *>("butUpdateTQ3900")->click();
        dialog.findChild<QPushButton *>("butAccept")->click();
        QTRY_VERIFY_WITH_TIMEOUT(m_root->commands().contains("reboot"), 20000);
    };
    // The run-mode link is refused.
    updateInstrument(QStringLiteral("FW_TQE3900_V2-0-7.tq3"));
    QCOMPARE(m_root->read("/etc/shadow"), QByteArray("root:*:1:0\n"));
    QCOMPARE(m_root->read("/etc/passwd"), QByteArray("root:x:0:0\n"));
    QCOMPARE(log.count(QStringLiteral("Could not write runmode - not a regular file")), 1);
    QVERIFY(QFileInfo(m_root->local(runmode)).isSymLink());

    // Files again: the announcement and the run mode are written.
    QVERIFY(QFile::remove(m_root->local(command)));
    QVERIFY(QFile::remove(m_root->local(runmode)));
    {
        TestMenu menu;
        QCOMPARE(m_root->read(command), QByteArray("staActiveMenu\n"));
    }
    updateInstrument(QStringLiteral("FW_TQE3900_V2-0-8.tq3"));
    QCOMPARE(m_root->read(runmode), QByteArray("reboot"));
}

void TestUntrusted::logsStayBoundedUnderAFlood()
{
    const QString sim = qEnvironmentVariable("TQ3900_SIM");
    if (sim.isEmpty())
        QSKIP("TQ3900_SIM is not set (run through ctest)");
    const QString log = m_root->local("/.tq3900/program.log");
    // 20 MiB of numbered lines, as a flooding peer makes the program write.
    QProcess logger;
    logger.start(sim, {"--log", log});
    QVERIFY(logger.waitForStarted(10000));
    const int lines = 200000;
    QByteArray block;
    for (int i = 0; i < lines; ++i) {
        block += QByteArray("line ") + QByteArray::number(i).rightJustified(8, '0') + ' ' + QByteArray(90, 'f') + '\n';
        if (block.size() >= 64 * 1024 || i == lines - 1) {
            logger.write(block);
            block.clear();
            QVERIFY(logger.waitForBytesWritten(10000) || logger.bytesToWrite() == 0);
        }
    }
    logger.closeWriteChannel();
    QVERIFY(logger.waitForFinished(30000));
    QCOMPARE(logger.exitCode(), 0);
    const qint64 bound = 4 * 1024 * 1024 + 64 * 1024;
    const QFileInfo current(log), older(log + ".1");
    QVERIFY2(current.size() <= bound && older.size() <= bound && older.size() > 3 * 1024 * 1024,
             qPrintable(QStringLiteral("%1 %2").arg(current.size()).arg(older.size())));
    QFile f(log);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().endsWith(QByteArray("line ") + QByteArray::number(lines - 1).rightJustified(8, '0') + ' '
                                 + QByteArray(90, 'f') + '\n'));
    // No more than the two parts.
    QCOMPARE(QDir(m_root->local("/.tq3900")).entryList({"program.log*"}).size(), 2);
}

QTEST_MAIN(TestUntrusted)
#include "tst_untrusted.moc"
