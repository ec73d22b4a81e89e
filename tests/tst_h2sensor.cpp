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
#include "chartlabels.h"
#include "longtermdata.h"
#include "mainmenu.h"
#include "measmanagement.h"
#include "messagedialog.h"
#include "modalaction.h"
#include "nametyper.h"
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
    int bar, reference, dial;
    bool listening;
};

// Answers the modal dialogs: notes the messages, types `name` and accepts
// (or cancels) the keyboard, noting whether the recording was paused then.
class Modals : public ModalPoll
{
public:
    QStringList seen;
    QString name = QStringLiteral("Main");
    bool accept = true;
    QList<bool> pausedWhileTyping;

private:
    void look(QWidget *modal) override
    {
        if (auto *box = qobject_cast<MessageDialog *>(modal)) {
            seen << box->findChild<QLabel *>("labelInfotext")->text();
            box->findChild<QPushButton *>("butMiddle")->click();
        } else if (auto *keys = qobject_cast<VirtualKeyboard *>(modal)) {
            pausedWhileTyping << Audioworker()->recordingStatus().paused;
            typeName(keys, accept ? name : QString());
        }
    }
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

private:
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
                                         l.reference, m_screen->dial()->currentTime(),
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
    startPairedBoard(&m_root, &m_board, QStringLiteral("[Debug]\nDebugfeatures=1\n"));
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
    QCOMPARE(m_root->read(kPeriod), QByteArray("1000000000"));
    QCOMPARE(m_root->read("/sys/class/pwm/pwmchip1/pwm0/duty_cycle"), QByteArray("100000"));
    QCOMPARE(m_root->read("/sys/class/pwm/pwmchip1/pwm0/enable"), QByteArray("1"));
    QCOMPARE(m_screen->pollTimer()->interval(), 2500);

    // The first (muted) reply moves the reference from 1000 to the reading.
    const Seen *first = replyWith(rawFor(500), 0, 4000);
    QVERIFY(first && !first->listening);
    QCOMPARE(first->reference, 500);
    QCOMPARE(first->scaleMin + " " + first->scaleMax + " " + first->number, QStringLiteral("0 (500) <> 100 0"));
    QTRY_VERIFY_WITH_TIMEOUT(lastPollGap() >= 0, 6000);
    QVERIFY2(lastPollGap() >= 2300 && lastPollGap() < 6000, qPrintable(QString::number(lastPollGap())));

    // A garbled value is no reading: the reference stays. The active time
    // colours the debug label and turns the dial.
    const struct { const char *value, *active, *colour; int dial; } times[] = {
        {"abc", "299", nullptr, 0},       {"2100", "299", "red", 299},   {"2100", "300", "yellow", 300},
        {"2100", "599", "yellow", 599}, {"2100", "600", "green", 600}, {"2100", "warm", "red", 0}};
    for (const auto &t : times) {
        const int mark = m_seen.size();
        QCOMPARE(m_board->send(QStringLiteral("bt ttyO2 send BT_RX SENSVAL %1 %2").arg(t.value, t.active)),
                 QStringLiteral("ok"));
        const Seen *s = replyWith(t.value, mark, 4000, t.active);
        QVERIFY(s);
        QCOMPARE(s->reference, 500);
        if (t.colour) {
            QCOMPARE(s->activeText, QStringLiteral("Active: %1 s").arg(t.active));
            QCOMPARE(s->activeStyle, QStringLiteral("color: %1;").arg(t.colour));
            QCOMPARE(s->dial, t.dial);
        }
    }

    // Listening (the instrument's key through the key filter): polls every
    // 517 ms, audio path open. At the unchanged reading the number is 0 or 1.
    key(m_screen);
    QCOMPARE(m_root->read("/sys/class/gpio/gpio17/value"), QByteArray("1"));
    QCOMPARE(m_screen->pollTimer()->interval(), 517);
    int mark = m_seen.size();
    const Seen *same = replyWith(rawFor(500), mark);
    QVERIFY(same && same->listening);
    QVERIFY2(same->number == "0" || same->number == "1", qPrintable(same->number));
    QCOMPARE(same->bar, 0);
    QVERIFY(replyWith(rawFor(500), mark + 2, 3000));
    QVERIFY2(lastPollGap() >= 450 && lastPollGap() < 2000, qPrintable(QString::number(lastPollGap())));

    // Display 150 on the range 100 expands it to 165 in one reply; below the
    // reference the reference follows down to 0 and the range restarts at
    // 100 (ticker: display 0 counts as 1, 10 x 100 ms); at the top of the
    // span the range is 1000, the ticker 10 ms; a small display on a large
    // range clicks at most once a second.
    const struct { QString raw; const char *number, *scaleMin, *scaleMax; int bar; const char *period; } rows[] = {
        {rawFor(650), "150", "0 (500)", "<> 165", 150 * 100 / 165, nullptr},
        {"0", "0", "0 (0)", "<> 100", 0, "1000000000"},
        {"4096", "1000", "0 (0)", "<> 1000", 100, "10000000"},
        // Display 5 on the range 850: 10 x 850 / 5 = 1700 ms, held to 1 s
        // (and so for the next three replies, while the range shrinks).
        {rawFor(5), "5", "0 (0)", "<> 850", 0, "1000000000"},
        {"4096", "1000", "0 (0)", "<> 1000", 100, "10000000"}};
    for (const auto &r : rows) {
        QCOMPARE(m_board->send("unit value " + r.raw), QStringLiteral("ok"));
        const Seen *s = replyWith(r.raw, m_seen.size());
        QVERIFY(s);
        QVERIFY2(s->number == r.number || s->number == QString::number(atoi(r.number) + 1), qPrintable(s->number));
        QCOMPARE(s->scaleMin + " " + s->scaleMax, QStringLiteral("%1 %2").arg(r.scaleMin, r.scaleMax));
        QCOMPARE(s->bar, r.bar);
        if (r.period)
            QCOMPARE(m_root->read(kPeriod), QByteArray(r.period));
    }

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
    // The chart on that range: its labels whole and apart.
    QCOMPARE(m_screen->chart()->size(), QSize(416, 101));
    QCOMPARE(m_screen->chart()->chartImage().size(), QSize(416, 101));
    QCOMPARE(m_screen->chart()->axisYMax(), 613.0f);
    QCOMPARE(chartLabelFault(*m_screen->chart()), QString());

    // Zero: the reference takes the level, the history starts again.
    m_screen->findChild<QPushButton *>("butMenuZero")->click();
    QCOMPARE(m_screen->levels().reference, 100);
    QCOMPARE(m_screen->levels().dataCnt, 0);

    // The range button: 50 .. 1000, then the dynamic range only when the
    // setting allows it (then the screen starts at 50). The key as a push
    // button: listening while it is held.
    QPushButton *scale = m_screen->findChild<QPushButton *>("butMenuScale");
    QLabel *scaleMax = m_screen->findChild<QLabel *>("labelScaleMax");
    auto cycle = [&] {
        QStringList seen{scaleMax->text()};
        for (int i = 0; i < 6; ++i) {
            scale->click();
            seen << scaleMax->text();
        }
        return seen;
    };
    QCOMPARE(cycle(), QStringList({"<> 100", "50", "100", "200", "500", "1000", "<> 100"}));
    key(m_screen);
    QVERIFY(m_screen->isMuted());
    QVERIFY(m_root->write("/home/root/settings.ini",
                          pairedSettings("[Debug]\nDebugfeatures=1\n[Dialogconfiguration]\nH2Sensor_DynamicScaling=false\n")
                              .replace("Switchmode=Switch", "Switchmode=Push-Button")));
    w.getInstanceSystemsettings()->loadSystemsettings();
    w.displayWidget(6, -1, 0);
    QCOMPARE(cycle(), QStringList({"50", "100", "200", "500", "1000", "50", "100"}));
    QTest::keyPress(m_screen, Qt::Key_F10);
    QCOMPARE(m_screen->pollTimer()->interval(), 517);
    QCOMPARE(m_root->read("/sys/class/gpio/gpio17/value"), QByteArray("1"));
    QTest::keyRelease(m_screen, Qt::Key_F10);
    QCOMPARE(m_screen->pollTimer()->interval(), 2500);
    QCOMPARE(m_root->read("/sys/class/gpio/gpio17/value"), QByteArray("0"));
    QCOMPARE(modals.seen, QStringList());

    // The power key inside the headphone dialog while listening: the main
    // page shows, the path is muted, the screen polls no more.
    QTest::keyPress(m_screen, Qt::Key_F10);
    QVERIFY(!m_screen->isMuted());
    QTimer powerKey;
    connect(&powerKey, &QTimer::timeout, [] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            QTest::keyPress(modal, Qt::Key_F1);
            QTest::keyRelease(modal, Qt::Key_F1);
        }
    });
    powerKey.start(50);
    m_screen->findChild<QPushButton *>("butMenuHeadphone")->click();
    powerKey.stop();
    QCOMPARE(w.findChild<QStackedWidget *>("mainWidget")->currentWidget()->objectName(), QStringLiteral("mainPage"));
    QVERIFY(m_screen->isMuted() && w.isAudioPathMuted());
    QVERIFY(!m_screen->pollTimer()->isActive());
    qApp->removeEventFilter(&keys);
}

void TestH2Sensor::stepsSaveAndStoredView()
{
    startPairedBoard(&m_root, &m_board);
    QCOMPARE(m_board->send("gps fix 1"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("gps pos 52.5 13.25"), QStringLiteral("ok"));
    MainMenu w;
    EventHandler keys;
    qApp->installEventFilter(&keys);
    Modals modals;
    QVERIFY(waitForSinkDataMode(*w.getBtSinkInstance(), *m_board, *m_root));
    QTRY_VERIFY_WITH_TIMEOUT(w.getGpsInstance()->getLatitude() > 52.0, 8000);

    // The unit reports a microphone: the screen notes it and runs. The
    // sensor has been heating for 600 s (a bad command changes nothing).
    QVERIFY(m_board->send("unit active 6x").startsWith("error: "));
    QCOMPARE(m_board->send("unit active 600"), QStringLiteral("ok"));
    w.displayWidget(6, 1, 0);
    watch(w);
    QCOMPARE(modals.seen, QStringList({"You must connect a H2-Sensor\nto use this measurement."}));
    QTRY_VERIFY_WITH_TIMEOUT(!m_seen.isEmpty(), 4000);
    QVERIFY2(m_seen.first().dial >= 600 && m_seen.first().dial < 700, qPrintable(m_seen.first().active));

    // Eleven listening periods at the levels 110, 120, ... 210, the last one
    // walked up to in a ramp (a bad ramp changes nothing). A second report
    // of listening opens no step.
    QVERIFY(m_board->send("unit ramp 100 x 2").startsWith("error: "));
    for (int period = 1; period <= 11; ++period) {
        QCOMPARE(m_board->send(period < 11 ? "unit value " + rawFor(100 + 10 * period)
                                           : "unit ramp " + rawFor(100) + " " + rawFor(210) + " 3"),
                 QStringLiteral("ok"));
        key(m_screen);
        QVERIFY(!m_screen->isMuted());
        if (period == 1) {
            QSignalSpy unitKey(w.getBtSinkInstance(), &Bluetooth::stateActiveMuteChanged);
            QCOMPARE(m_board->send("bt ttyO2 send BT_RX MUTE_STATE ACTIVE"), QStringLiteral("ok"));
            QTRY_COMPARE(unitKey.count(), 1);
        }
        const int mark = m_seen.size();
        QVERIFY(replyWith(rawFor(100 + 10 * period), mark));
        if (period == 11) { // seen on its way, then held at its end
            bool between = false;
            for (const Seen &r : m_seen.mid(mark))
                between |= r.value.toInt() > rawFor(100).toInt() && r.value.toInt() < rawFor(210).toInt()
                           && r.value != rawFor(200);
            QVERIFY(between);
        }
        QCOMPARE(m_screen->levels().currentStep, qMin(period, 10));
        if (period < 11)
            key(m_screen);
    }
    // The history keeps 300 replies' values: the 300th drops the oldest and
    // 299 stay, the newest last. The unit leaves the polls unanswered, so
    // that only these 300 replies (levels 211 .. 509, then 210) come.
    QCOMPARE(m_board->send("unit ignore S"), QStringLiteral("ok"));
    const int sent = m_seen.size();
    for (int i = 1; i <= 300; ++i)
        QCOMPARE(m_board->send(QStringLiteral("bt ttyO2 send BT_RX SENSVAL %1 777").arg(rawFor(i < 300 ? 210 + i : 210))),
                 QStringLiteral("ok"));
    QVERIFY(replyWith(rawFor(210), sent, 20000, "777"));
    QCOMPARE(m_board->send("unit ignore none"), QStringLiteral("ok"));
    const H2SensorLevels &l = m_screen->levels();
    QCOMPARE(l.dataCnt, 299);
    QCOMPARE(l.history[0], float(212 - l.reference)); // the first of the 300 dropped
    QCOMPARE(l.history[297], float(509 - l.reference));
    QCOMPARE(l.history[298], float(210 - l.reference));
    const int count = l.dataCnt;
    const int range = l.rangeMax;

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
    QCOMPARE(m_screen->chart()->size(), QSize(416, 185));
    QCOMPARE(m_screen->chart()->chartImage().size(), QSize(416, 185));
    QCOMPARE(chartLabelFault(*m_screen->chart()), QString());
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
        // The level axis drawn over the previous view's: only its own labels.
        QCOMPARE(chartLabelFault(*m_screen->chart()), QString());
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
    QCOMPARE(QList<int>({dial.referenceX(), dial.rangeTopX(), dial.levelX()}), QList<int>({10, 15, 13}));
    // Left of the hub the face's colour; the hand at twelve o'clock (900 s,
    // also for 2000 s) and at six o'clock (450 s). The strip (row 59): dark
    // grey below the reference (x 10), green above it, black marks at the
    // reference and the range's end (x 15), red at the level (x 13).
    const struct { int time, x, y; Qt::GlobalColor colour; } pixels[] = {
        {299, 15, 20, Qt::red},    {300, 15, 20, Qt::yellow}, {600, 15, 20, Qt::green},  {-5, 15, 20, Qt::red},
        {2000, 15, 20, Qt::green}, {2000, 25, 12, Qt::black}, {2000, 25, 38, Qt::green}, {450, 24, 40, Qt::black},
        {450, 25, 12, Qt::yellow}, {450, 38, 25, Qt::yellow}, {450, 5, 59, Qt::darkGray}, {450, 10, 59, Qt::black},
        {450, 11, 59, Qt::green},  {450, 13, 59, Qt::red},    {450, 15, 59, Qt::black},  {450, 30, 59, Qt::green}};
    for (const auto &p : pixels) {
        dial.setCurrentTime(p.time);
        QVERIFY2(QColor(dial.grab().toImage().pixel(p.x, p.y)) == QColor(p.colour),
                 qPrintable(QStringLiteral("%1 s at %2, %3").arg(p.time).arg(p.x).arg(p.y)));
        QCOMPARE(dial.currentTime(), qBound(0, p.time, 900));
    }
    // Hidden strip: the label's own background; a range beyond the span puts
    // the second mark outside the strip.
    dial.hideRangeVisualisation();
    QVERIFY(QColor(dial.grab().toImage().pixel(30, 59)) != QColor(Qt::green));
    dial.showRangeVisualisation();
    dial.setRangeVisualisation(900, 950, 400);
    QCOMPARE(dial.rangeTopX(), 65);
    QCOMPARE(QColor(dial.grab().toImage().pixel(49, 59)), QColor(Qt::green));
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
    QCOMPARE(l.stepLat[10], 0.0);
    QCOMPARE(l.stepLong[10], 0.0);
}

QTEST_MAIN(TestH2Sensor)
#include "tst_h2sensor.moc"
