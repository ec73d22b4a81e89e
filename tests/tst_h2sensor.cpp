// Hydrogen measurement against the simulated sensor unit: a person enters
// the screen, watches the sensor warm up, listens while the reading rises,
// changes the range, walks eleven listening steps, saves, cancels a save and
// opens the measurement again from the browser, also damaged ones. Observed:
// the polls the unit receives and their cadence, the PWM files, GPIO 17, the
// labels, bar and dial after each reply, the stored info.ini and the stored
// view. The dial is checked on its own picture.
#include "audioworker.h"
#include "bluetooth.h"
#include "eventhandler.h"
#include "globals.h"
#include "gps.h"
#include "h2sensor.h"
#include "longtermdata.h"
#include "mainmenu.h"
#include "measmanagement.h"
#include "messagedialog.h"
#include "pairedboard.h"
#include "sensorunitlink.h"
#include "statusbardata.h"
#include "systemsettings.h"
#include "timerh2heating.h"
#include "virtualkeyboard.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QtTest>

#include <algorithm>

namespace {

const char kMeas[] = "/media/tq3900/meas/";
const char kPeriod[] = "/sys/class/pwm/pwmchip1/pwm0/period";

// The raw reading that gives a level.
QString rawFor(int level)
{
    return QString::number(int(level * 4.096) + 1);
}

// What the screen shows after each reply it handled.
struct Seen {
    QString value, active, number, scaleMin, scaleMax, activeText, activeStyle;
    int bar, reference, range, dial;
    bool listening;
};

// Answers the modal dialogs: notes the messages, types `name` into the
// keyboard and accepts it (or cancels it unless `accept`), and notes whether the recording
// was paused while the keyboard was open.
class Modals : public QObject
{
public:
    QStringList seen;
    QString name = QStringLiteral("Main");
    bool accept = true;
    QList<bool> pausedWhileTyping;

    Modals()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *box = qobject_cast<MessageDialog *>(modal)) {
                seen << box->findChild<QLabel *>("labelInfotext")->text();
                box->findChild<QPushButton *>("butMiddle")->click();
            } else if (auto *keys = qobject_cast<VirtualKeyboard *>(modal)) {
                pausedWhileTyping << Audioworker()->recordingStatus().paused;
                for (QChar c : name)
                    keys->findChild<QPushButton *>(QStringLiteral("but_%1").arg(c.toUpper()))->click();
                keys->findChild<QPushButton *>(accept ? "but_Accept" : "but_Close")->click();
            }
        });
        m_timer.start(20);
    }

private:
    QTimer m_timer;
};

} // namespace

class TestH2Sensor : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void repliesRangesAndTicker();
    void stepsSaveAndStoredView();
    void dialGrabs();
    void rangeRulesBeyondTheScreen();
    void simulatedRampAndActiveTime();

private:
    void start(const QString &more);
    // Follows every reply the screen handles.
    void watch(MainMenu &w);
    // The next reply with this value (and active time, when given) from
    // reply number `from` on, or null.
    const Seen *replyWith(const QString &value, int from = 0, int timeoutMs = 6000,
                          const QString &active = QString());
    void key(QWidget *to)
    {
        QTest::keyPress(to, Qt::Key_F10);
        QTest::keyRelease(to, Qt::Key_F10);
    }
    // Milliseconds between the last two polls the unit received.
    int lastPollGap() const;

    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
    H2Sensor *m_screen = nullptr;
    QList<Seen> m_seen;
    QMetaObject::Connection m_watch;
};

void TestH2Sensor::cleanup()
{
    disconnect(m_watch);
    m_seen.clear();
    m_board.reset();
    m_root.reset();
    g_debugFeatures = 0;
}

void TestH2Sensor::start(const QString &more)
{
    startPairedBoard(&m_root, &m_board, more);
}

void TestH2Sensor::watch(MainMenu &w)
{
    m_screen = w.h2sensorScreen();
    QVERIFY(m_screen);
    // Connected after the screen: it has handled the reply when this runs.
    m_watch = connect(w.getBtSinkInstance(), &Bluetooth::btSensorvalueReceived, this,
                      [this](const QString &value, const QString &active) {
                          auto text = [this](const char *name) { return m_screen->findChild<QLabel *>(name)->text(); };
                          const H2SensorLevels &l = m_screen->levels();
                          m_seen << Seen{value, active, text("labelLevel"), text("labelScaleMin"),
                                         text("labelScaleMax"), text("labelActiveTime"),
                                         m_screen->findChild<QLabel *>("labelActiveTime")->styleSheet(),
                                         m_screen->findChild<QProgressBar *>("progBarH2Level")->value(),
                                         l.reference, l.rangeMax, m_screen->dial()->currentTime(),
                                         !m_screen->isMuted()};
                      });
}

const Seen *TestH2Sensor::replyWith(const QString &value, int from, int timeoutMs, const QString &active)
{
    const Seen *found = nullptr;
    (void)QTest::qWaitFor([&] {
        for (int i = from; i < m_seen.size() && !found; ++i)
            if (m_seen.at(i).value == value && (active.isNull() || m_seen.at(i).active == active))
                found = &m_seen.at(i);
        return found != nullptr;
    }, timeoutMs);
    if (!found)
        qWarning() << "no reply with" << value << "among" << m_seen.size();
    return found;
}

int TestH2Sensor::lastPollGap() const
{
    QList<QTime> polls;
    for (const auto &entry : m_board->unitLog())
        if (entry.second == QLatin1String("BT_TX S"))
            polls << entry.first;
    return polls.size() < 2 ? -1 : polls.at(polls.size() - 2).msecsTo(polls.last());
}

void TestH2Sensor::repliesRangesAndTicker()
{
    start(QStringLiteral("[Debug]\nDebugfeatures=1\n"));
    QCOMPARE(m_board->send("unit sensor 3"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("unit value " + rawFor(500)), QStringLiteral("ok"));
    MainMenu w;
    w.show();
    EventHandler keys;
    qApp->installEventFilter(&keys);
    Modals modals;
    QVERIFY(waitForSinkDataMode(*w.getBtSinkInstance(), *m_board, *m_root));
    QTRY_COMPARE_WITH_TIMEOUT(StatusbarData()->sensorType(), 3, 5000);

    // Entered from the main page with the hydrogen sensor: no note, muted,
    // one click a second, polling every 2.5 s.
    QTest::mouseClick(w.findChild<QPushButton *>("butH2Sensor"), Qt::LeftButton);
    watch(w);
    QCOMPARE(w.getCurrentVisibleDlgNum(), 4);
    QCOMPARE(modals.seen, QStringList());
    QCOMPARE(m_root->read(kPeriod), QByteArray("1000000000"));
    QCOMPARE(m_root->read("/sys/class/pwm/pwmchip1/pwm0/duty_cycle"), QByteArray("100000"));
    QCOMPARE(m_root->read("/sys/class/pwm/pwmchip1/pwm0/enable"), QByteArray("1"));
    QCOMPARE(m_screen->pollTimer()->interval(), H2Sensor::kPollMutedMs);
    QCOMPARE(m_screen->levels().reference, 1000);

    // The first (muted) reply moves the reference from 1000 to the reading;
    // number and bar stay.
    const Seen *first = replyWith(rawFor(500), 0, 4000);
    QVERIFY(first && !first->listening);
    QCOMPARE(first->reference, 500);
    QCOMPARE(first->scaleMin, QStringLiteral("0 (500)"));
    QCOMPARE(first->scaleMax, QStringLiteral("<> 100"));
    QCOMPARE(first->number, QStringLiteral("0"));
    QTRY_VERIFY_WITH_TIMEOUT(lastPollGap() >= 0, 6000);
    QVERIFY2(lastPollGap() >= 2400 && lastPollGap() < 6000, qPrintable(QString::number(lastPollGap())));

    // A garbled value is no reading: the reference stays. The active time
    // colours the debug label and turns the dial.
    const struct { const char *line; const char *text; const char *colour; int dial; } times[] = {
        {"BT_RX SENSVAL abc 299", nullptr, nullptr, 0},
        {"BT_RX SENSVAL 2100 299", "Active: 299 s", "red", 299},
        {"BT_RX SENSVAL 2100 300", "Active: 300 s", "yellow", 300},
        {"BT_RX SENSVAL 2100 599", "Active: 599 s", "yellow", 599},
        {"BT_RX SENSVAL 2100 600", "Active: 600 s", "green", 600},
        {"BT_RX SENSVAL 2100 warm", "Active: warm s", "red", 0}};
    for (const auto &t : times) {
        const int mark = m_seen.size();
        QCOMPARE(m_board->send(QStringLiteral("bt ttyO2 send ") + t.line), QStringLiteral("ok"));
        const QString active = QString::fromLatin1(t.line).section(' ', 3, 3);
        const Seen *s = replyWith(QString::fromLatin1(t.line).section(' ', 2, 2), mark, 4000, active);
        QVERIFY(s);
        QCOMPARE(s->reference, 500);
        if (!t.text)
            continue;
        QCOMPARE(s->activeText, QString::fromLatin1(t.text));
        QCOMPARE(s->activeStyle, QStringLiteral("color: %1;").arg(t.colour));
        QCOMPARE(s->dial, t.dial);
    }

    // Listening (the instrument's key through the key filter): polls every
    // 517 ms, audio path open. At the unchanged reading the number is 0 or 1.
    key(m_screen);
    QCOMPARE(m_root->read("/sys/class/gpio/gpio17/value"), QByteArray("1"));
    QCOMPARE(m_screen->pollTimer()->interval(), H2Sensor::kPollListeningMs);
    int mark = m_seen.size();
    const Seen *same = replyWith(rawFor(500), mark);
    QVERIFY(same && same->listening);
    QVERIFY2(same->number == "0" || same->number == "1", qPrintable(same->number));
    QCOMPARE(same->bar, 0);
    QCOMPARE(same->scaleMax, QStringLiteral("<> 100"));
    QTRY_VERIFY(replyWith(rawFor(500), mark + 2, 3000));
    QVERIFY2(lastPollGap() >= 450 && lastPollGap() < 2000, qPrintable(QString::number(lastPollGap())));

    // Display 150 on the range 100: the range becomes 165 in one reply.
    QCOMPARE(m_board->send("unit value " + rawFor(650)), QStringLiteral("ok"));
    const Seen *up = replyWith(rawFor(650), m_seen.size());
    QVERIFY(up);
    QCOMPARE(up->scaleMax, QStringLiteral("<> 165"));
    QCOMPARE(up->bar, 150 * 100 / 165);
    QVERIFY(up->number == "150" || up->number == "151");

    // Below the reference: it follows down to 0, the range restarts at 100;
    // at the top of the span the range is 1000 and the ticker at 10 ms.
    QCOMPARE(m_board->send("unit value 0"), QStringLiteral("ok"));
    const Seen *low = replyWith("0", m_seen.size());
    QVERIFY(low);
    QCOMPARE(low->reference, 0);
    QCOMPARE(low->scaleMin, QStringLiteral("0 (0)"));
    QCOMPARE(low->scaleMax, QStringLiteral("<> 100"));
    QCOMPARE(m_root->read(kPeriod), QByteArray("1000000000")); // display 0: one click a second
    QCOMPARE(m_board->send("unit value 4096"), QStringLiteral("ok"));
    const Seen *top = replyWith("4096", m_seen.size());
    QVERIFY(top);
    QCOMPARE(top->scaleMax, QStringLiteral("<> 1000"));
    QCOMPARE(top->bar, 100);
    QCOMPARE(m_root->read(kPeriod), QByteArray("10000000"));

    // Display 100 on the range 1000: it shrinks by 15 % a reply while the
    // display stays below 15 % of it; the ticker follows (10 x 613 / 100 ms).
    QCOMPARE(m_board->send("unit value " + rawFor(100)), QStringLiteral("ok"));
    mark = m_seen.size();
    QStringList ranges;
    QTRY_VERIFY_WITH_TIMEOUT([&] {
        ranges.clear();
        for (const Seen &s : m_seen.mid(mark))
            if (s.value == rawFor(100))
                ranges << s.scaleMax;
        return ranges.size() >= 4;
    }(), 8000);
    QCOMPARE(ranges.mid(0, 4), QStringList({"<> 850", "<> 722", "<> 613", "<> 613"}));
    QCOMPARE(m_root->read(kPeriod), QByteArray("61000000"));

    // Zero: the reference takes the level, the history starts again.
    m_screen->findChild<QPushButton *>("butMenuZero")->click();
    QCOMPARE(m_screen->levels().reference, 100);
    QCOMPARE(m_screen->levels().dataCnt, 0);

    // The range button: 50 .. 1000, then the dynamic range.
    QPushButton *scale = m_screen->findChild<QPushButton *>("butMenuScale");
    QLabel *scaleMax = m_screen->findChild<QLabel *>("labelScaleMax");
    QStringList cycle;
    for (int i = 0; i < 6; ++i) {
        scale->click();
        cycle << scaleMax->text();
    }
    QCOMPARE(cycle, QStringList({"50", "100", "200", "500", "1000", "<> 100"}));

    // Without the dynamic range and with the key as a push button: the
    // range starts at 50 and the cycle skips the dynamic range; listening
    // lasts while the key is held.
    key(m_screen);
    QVERIFY(m_screen->isMuted());
    QVERIFY(m_root->write("/home/root/settings.ini",
                          pairedSettings("[Debug]\nDebugfeatures=1\n[Dialogconfiguration]\nH2Sensor_DynamicScaling=false\n")
                              .replace("Switchmode=Switch", "Switchmode=Push-Button")));
    w.getInstanceSystemsettings()->loadSystemsettings();
    w.displayWidget(6, -1, 0);
    QCOMPARE(scaleMax->text(), QStringLiteral("50"));
    cycle.clear();
    for (int i = 0; i < 5; ++i) {
        scale->click();
        cycle << scaleMax->text();
    }
    QCOMPARE(cycle, QStringList({"100", "200", "500", "1000", "50"}));
    QTest::keyPress(m_screen, Qt::Key_F10);
    QCOMPARE(m_screen->pollTimer()->interval(), H2Sensor::kPollListeningMs);
    QCOMPARE(m_root->read("/sys/class/gpio/gpio17/value"), QByteArray("1"));
    QTest::keyRelease(m_screen, Qt::Key_F10);
    QCOMPARE(m_screen->pollTimer()->interval(), H2Sensor::kPollMutedMs);
    QCOMPARE(m_root->read("/sys/class/gpio/gpio17/value"), QByteArray("0"));
    QCOMPARE(modals.seen, QStringList());
    qApp->removeEventFilter(&keys);
}

void TestH2Sensor::stepsSaveAndStoredView()
{
    start(QString());
    QCOMPARE(m_board->send("gps fix 1"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("gps pos 52.5 13.25"), QStringLiteral("ok"));
    MainMenu w;
    EventHandler keys;
    qApp->installEventFilter(&keys);
    Modals modals;
    QVERIFY(waitForSinkDataMode(*w.getBtSinkInstance(), *m_board, *m_root));
    QTRY_VERIFY_WITH_TIMEOUT(w.getGpsInstance()->getLatitude() > 52.0, 8000);

    // The unit reports a microphone: the screen notes it and runs.
    w.displayWidget(6, 1, 0);
    watch(w);
    QCOMPARE(modals.seen, QStringList({"You must connect a H2-Sensor\nto use this measurement."}));

    // Eleven listening periods at the levels 110, 120, ... 210. A second
    // report of listening opens no step.
    for (int period = 1; period <= 11; ++period) {
        QCOMPARE(m_board->send("unit value " + rawFor(100 + 10 * period)), QStringLiteral("ok"));
        key(m_screen);
        QVERIFY(!m_screen->isMuted());
        if (period == 1) {
            QSignalSpy unitKey(w.getBtSinkInstance(), &Bluetooth::stateActiveMuteChanged);
            QCOMPARE(m_board->send("bt ttyO2 send BT_RX MUTE_STATE ACTIVE"), QStringLiteral("ok"));
            QTRY_COMPARE(unitKey.count(), 1);
        }
        QVERIFY(replyWith(rawFor(100 + 10 * period), m_seen.size()));
        QCOMPARE(m_screen->levels().currentStep, qMin(period, 10));
        if (period < 11)
            key(m_screen);
    }
    const H2SensorLevels &l = m_screen->levels();
    const int count = l.dataCnt;
    const int range = l.rangeMax;
    QVERIFY(count > 0 && count <= 299);

    // Saved while listening: the screen keeps listening; the recording
    // pauses while the name is typed and goes on.
    m_screen->findChild<QPushButton *>("butMenuSave")->click();
    QCOMPARE(modals.pausedWhileTyping, QList<bool>({true}));
    QVERIFY(!m_screen->isMuted() && !w.isAudioPathMuted());
    QVERIFY(!Audioworker()->recordingStatus().paused);
    const QDir meas(m_root->local(kMeas));
    const QStringList folders = meas.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(folders.size(), 1);
    const QString folder = folders.first();
    QVERIFY2(QRegularExpression("^H2_\\d{8}_\\d{6}_Main$").match(folder).hasMatch(), qPrintable(folder));
    {
        QSettings info(meas.filePath(folder + "/info.ini"), QSettings::IniFormat);
        QCOMPARE(info.value("Measurementinfo/Measurementtype").toString(), QStringLiteral("H2-Sensor"));
        QCOMPARE(info.value("Levels/Level_1").toDouble(), 120.0);   // period 2
        QCOMPARE(info.value("Levels/Level_9").toDouble(), 200.0);
        QCOMPARE(info.value("Levels/Level_10").toDouble(), 210.0);  // period 11
        const QVariant position = info.value("GPS-Positions/GPS-Position_10");
        QCOMPARE(position.toStringList().join(", "), QStringLiteral("52.500000, 13.250000"));
        QCOMPARE(info.value("Levels_CSV/Levels_Cnt").toInt(), count);
        QCOMPARE(info.value("Levels_CSV/Levels_Data").toString().count(';'), count);
        QCOMPARE(info.value("Levels_CSV/H2-ReferenceLevel").toInt(), l.reference);
        QCOMPARE(info.value("Levels_CSV/H2-MaxRange").toInt(), l.rangeMax);
    }

    // Cancelled while muted: nothing stored, the recording stays paused.
    key(m_screen);
    modals.accept = false;
    QTest::ignoreMessage(QtDebugMsg, "Text: verworfen");
    m_screen->findChild<QPushButton *>("butMenuSave")->click();
    QCOMPARE(modals.pausedWhileTyping, QList<bool>({true, true}));
    QVERIFY(Audioworker()->recordingStatus().paused);
    QCOMPARE(meas.entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{folder});

    // Opened from the browser: its name and curve on its range, no polling
    // of the link's watchdog.
    MeasManagement *browser = nullptr;
    auto open = [&](const QString &name) {
        w.displayWidget(7, 1, 0);
        browser = w.getInstanceMeasManagement();
        return browser->openMeasurement(name);
    };
    QVERIFY(open(folder));
    QCOMPARE(w.findChild<QStackedWidget *>("mainWidget")->currentWidget(), m_screen);
    QCOMPARE(m_screen->findChild<QStackedWidget *>("mainArea")->currentWidget()->objectName(),
             QStringLiteral("storedPage"));
    QCOMPARE(m_screen->findChild<QLabel *>("labelStoredMeasurement")->text(), QStringLiteral("Main"));
    QCOMPARE(m_screen->storedValuesCount(), count);
    QCOMPARE(m_screen->storedRangeMax(), range);
    QCOMPARE(m_screen->chart()->axisYMax(), float(range));
    QVERIFY(!m_screen->frame()->watchdogTimer()->isActive());
    QVERIFY(m_screen->findChild<QProgressBar *>("progBarH2Level")->isHidden());

    // Damaged: counts above the values present and above 1024, no range,
    // no info.ini at all. They open without a fault.
    QString many;
    for (int i = 0; i < 1500; ++i)
        many += QStringLiteral("%1; ").arg(i % 90);
    const struct { const char *folder; QByteArray ini; int values; int range; } damaged[] = {
        {"H2_20240101_120000_Few", "[Levels_CSV]\nLevels_Cnt=5000\nLevels_Data=\"10; 20; 30; \"\nH2-MaxRange=-4\n", 3, 1000},
        {"H2_20240101_120001_Many", "[Levels_CSV]\nLevels_Cnt=1500\nLevels_Data=\"" + many.toLatin1() + "\"\nH2-MaxRange=3\n", 1024, 3},
        {"H2_20240101_120002_None", QByteArray(), 0, 1000}};
    for (const auto &d : damaged) {
        const QString path = QStringLiteral("%1%2").arg(kMeas, d.folder);
        QVERIFY(d.ini.isEmpty() ? QDir().mkpath(m_root->local(path)) : m_root->write(path + "/info.ini", d.ini));
        QVERIFY(open(d.folder));
        QCOMPARE(m_screen->storedValuesCount(), d.values);
        QCOMPARE(m_screen->storedRangeMax(), d.range);
        m_screen->chart()->grab();
    }
    QCOMPARE(m_screen->findChild<QLabel *>("labelStoredMeasurement")->text(), QString());

    // Back: to the browser, polling stopped.
    m_screen->findChild<QPushButton *>("butMenuStoredBack")->click();
    QCOMPARE(w.findChild<QStackedWidget *>("mainWidget")->currentWidget(), browser);
    QVERIFY(!m_screen->pollTimer()->isActive());
    QVERIFY(w.isAudioPathMuted());
    qApp->removeEventFilter(&keys);
}

// The dial as drawn: face colour by the active time, the hand, the strip.
void TestH2Sensor::dialGrabs()
{
    TimerH2Heating dial;
    dial.resize(50, 65);
    dial.init();
    dial.setRangeVisualisation(200, 260, 100);
    auto at = [&dial](int t) {
        dial.setCurrentTime(t);
        return dial.grab().toImage();
    };
    auto colour = [](const QImage &image, int x, int y) { return QColor(image.pixel(x, y)); };
    const QColor red(Qt::red), yellow(Qt::yellow), green(Qt::green), black(Qt::black);

    // Left of the hub the face shows its colour; the hand points elsewhere.
    QCOMPARE(colour(at(299), 15, 20), red);
    QCOMPARE(colour(at(300), 15, 20), yellow);
    QCOMPARE(colour(at(600), 15, 20), green);
    const QImage full = at(2000);
    QCOMPARE(dial.currentTime(), 900);
    QCOMPARE(colour(full, 15, 20), green);
    QCOMPARE(colour(full, 25, 12), black);   // twelve o'clock
    QCOMPARE(colour(full, 25, 38), green);
    QCOMPARE(at(-5).pixel(15, 20), QColor(red).rgb());
    QCOMPARE(dial.currentTime(), 0);

    const QImage half = at(450);              // six o'clock
    QCOMPARE(colour(half, 24, 40), black);
    QCOMPARE(colour(half, 25, 12), yellow);
    QCOMPARE(colour(half, 38, 25), yellow);   // nothing at three o'clock

    // The strip: dark grey below the reference (x 10), green above it, black
    // marks at the reference and at the range's end (x 15), red at the
    // level (x 13).
    QCOMPARE(dial.referenceX(), 10);
    QCOMPARE(dial.rangeTopX(), 15);
    QCOMPARE(dial.levelX(), 13);
    const int y = 59;
    QCOMPARE(colour(half, 5, y), QColor(Qt::darkGray));
    QCOMPARE(colour(half, 10, y), black);
    QCOMPARE(colour(half, 11, y), green);
    QCOMPARE(colour(half, 13, y), red);
    QCOMPARE(colour(half, 15, y), black);
    QCOMPARE(colour(half, 30, y), green);
    // Hidden strip: the label's own background below the face.
    dial.hideRangeVisualisation();
    QVERIFY(colour(at(450), 30, y) != green);
    // A range beyond the span puts the second mark outside the strip.
    dial.showRangeVisualisation();
    dial.setRangeVisualisation(900, 950, 400);
    QCOMPARE(dial.rangeTopX(), 65);
    QCOMPARE(colour(at(450), 49, y), green);
}

// Cases the screen cannot reach through the unit but the rules define: an
// expansion capped by the span and raised to the floor, and the eleventh
// step, whose slot starts empty.
void TestH2Sensor::rangeRulesBeyondTheScreen()
{
    H2SensorLevels l;
    l.setScaleMode(H2SensorLevels::kDynamicMode, true);
    l.reference = 950;
    l.rangeMax = 40;
    l.listeningReading(1000, 0, 0);
    QCOMPARE(l.rangeMax, 100); // capped at 50, raised to 100
    QCOMPARE(l.displayLevel, 50);
    int level = -1;
    QVERIFY(!H2SensorLevels::parseLevel("nan", &level));
    QVERIFY(H2SensorLevels::parseLevel("1e30", &level));
    QCOMPARE(level, 1000);
    QVERIFY(H2SensorLevels::parseLevel("-7", &level));
    QCOMPARE(level, 0);

    l.clearSteps();
    for (int step = 1; step <= 11; ++step) {
        l.beginListening();
        if (step != 11)
            l.listeningReading(step * 10, step, -step);
    }
    QCOMPARE(l.currentStep, 10);
    QCOMPARE(l.stepLevel[1], 20.0f);
    QCOMPARE(l.stepLat[9], 10.0);
    QCOMPARE(l.stepLevel[10], 0.0f); // no reply in the eleventh period
    QCOMPARE(l.stepLong[10], 0.0);
}

// The simulated unit walked up to a leak: its reading ramps from one raw
// value to another and stays there; the active time counts on from a value
// set by hand. Bad commands change nothing.
void TestH2Sensor::simulatedRampAndActiveTime()
{
    start(QString());
    Bluetooth sink;
    QVERIFY(connectSink(sink, *m_board, *m_root));
    QSignalSpy replies(&sink, &Bluetooth::btSensorvalueReceived);
    auto poll = [&] {
        const int before = replies.count();
        sink.sendData(QStringLiteral("BT_TX S"));
        return QTest::qWaitFor([&] { return replies.count() > before; }, 3000) ? replies.last() : QVariantList();
    };
    QCOMPARE(poll().value(1).toInt(), 0); // the link just came up

    for (const char *bad : {"unit ramp 100 200", "unit ramp 100 x 2", "unit ramp 100 200 -1",
                            "unit ramp 100 200 90000", "unit active -3", "unit active soon"})
        QVERIFY2(m_board->send(bad).startsWith("error: "), bad);
    QCOMPARE(poll().value(0).toString(), QStringLiteral("0"));

    QCOMPARE(m_board->send("unit active 600"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("unit ramp 1000 3000 1.5"), QStringLiteral("ok"));
    QElapsedTimer clock;
    clock.start();
    QList<int> values;
    QVariantList reply;
    do {
        reply = poll();
        QVERIFY(!reply.isEmpty());
        values << reply.value(0).toInt();
        QVERIFY2(values.last() >= 1000 && values.last() <= 3000, qPrintable(reply.value(0).toString()));
        QTest::qWait(100);
    } while (values.last() < 3000 && clock.elapsed() < 10000);
    QCOMPARE(values.last(), 3000);
    QVERIFY(std::is_sorted(values.begin(), values.end()));
    QVERIFY2(values.size() >= 3 && values.at(1) < 3000, qPrintable(QString::number(values.size())));
    const int active = reply.value(1).toInt();
    QVERIFY2(active >= 600 && active < 600 + clock.elapsed() / 1000 + 2, qPrintable(QString::number(active)));
    QTest::qWait(300);
    QCOMPARE(poll().value(0).toString(), QStringLiteral("3000")); // held at its end

    // A fixed value ends the ramp; a ramp of no time jumps to its end.
    QCOMPARE(m_board->send("unit value 77"), QStringLiteral("ok"));
    QCOMPARE(poll().value(0).toString(), QStringLiteral("77"));
    QCOMPARE(m_board->send("unit ramp 5 9 0"), QStringLiteral("ok"));
    QCOMPARE(poll().value(0).toString(), QStringLiteral("9"));
}

QTEST_MAIN(TestH2Sensor)
#include "tst_h2sensor.moc"
