// The pressure screen. A person opens it from the debug menu, listens to the
// simulated unit's pressure sensor with the mute key (through the key
// filter; as a switch and held as a push-button), sees the unit's sensor
// announced, mutes, enters the analysis view while listening and leaves with
// the power key. Crafted packets drive the diagram's spans, auto-scale and
// the analysis pages; the save writes the "PS_" folder with copies of both
// logs. Observed: the unit's lines, the GPIO files, the labels, the chart's
// ranges, the logs and the folder.
#include "backupdialog.h"
#include "debugmenu.h"
#include "eventhandler.h"
#include "gps.h"
#include "chartlabels.h"
#include "longtermdata.h"
#include "mainmenu.h"
#include "messagedialog.h"
#include "modalaction.h"
#include "nametyper.h"
#include "pairedboard.h"
#include "popupinfo.h"
#include "pressuresensor.h"
#include "sensorunitlink.h"
#include "bluetooth.h"
#include "simboard.h"
#include "systemclock.h"
#include "systemsettings.h"
#include "testroot.h"
#include "virtualkeyboard.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QtTest>

#include <memory>

namespace {

const char kTemp[] = "/media/tq3900/temp/";
const char kMeas[] = "/media/tq3900/meas/";

// Answers the modal dialogs that open: the debug menu's pressure button,
// the name keyboard (a null name cancels; "^" presses Shift), message
// boxes (recorded and closed) and the favourite pop-up (recorded).
class Modals : public ModalPoll
{
public:
    QStringList seen;
    QString name;

private:
    void look(QWidget *modal) override
    {
        if (auto *menu = qobject_cast<DebugMenu *>(modal)) {
            seen << "debug menu";
            QPushButton *button = menu->findChild<QPushButton *>("but11");
            seen << button->text();
            button->click();
        } else if (auto *box = qobject_cast<MessageDialog *>(modal)) {
            seen << box->findChild<QLabel *>("labelInfotext")->text();
            box->findChild<QPushButton *>("butMiddle")->click();
        } else if (qobject_cast<PopupInfo *>(modal)) {
            seen << "popup";
        } else if (auto *keys = qobject_cast<VirtualKeyboard *>(modal)) {
            seen << "keyboard";
            typeName(keys, name);
        }
    }
};

// n samples of one reading.
QString samples(int reading, int n)
{
    return QString(QStringLiteral("%1;").arg(reading, 3, 16, QLatin1Char('0'))).repeated(n);
}

} // namespace

class TestPressureSensor : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void listenToTheUnitFromTheDebugMenu();
    void diagramSpansAndAnalysisPages();
    void saveFolderWithLogCopies();

private:
    // A board whose sensor unit is not paired: the crafted packets are the
    // only ones.
    void startUnpairedBoard();
    QString label(PressureSensor *ps, const char *name) const { return ps->findChild<QLabel *>(name)->text(); }
    void click(PressureSensor *ps, const char *name) { ps->findChild<QPushButton *>(name)->click(); }
    QStringList unitLinesSince(int mark) const { return m_board->unitLines().mid(mark); }
    // Sends one of the instrument's keys through the key filter, as the
    // board does.
    static void instrumentKey(Qt::Key key)
    {
        // The window takes the focus back once the debug menu has gone.
        QTRY_VERIFY(QApplication::focusWidget());
        QWidget *target = QApplication::focusWidget();
        QTest::keyPress(target, key);
        QTest::keyRelease(target, key);
    }

    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
};

void TestPressureSensor::cleanup()
{
    SystemClock::setFixedNow(QDateTime());
    m_board.reset();
    m_root.reset();
}

void TestPressureSensor::startUnpairedBoard()
{
    m_root = std::make_unique<TestRoot>();
    QVERIFY(QDir().mkpath(m_root->local(kMeas)));
    m_board = std::make_unique<SimBoard>(m_root->root());
    QVERIFY2(m_board->isRunning(), qPrintable(m_board->error()));
}

void TestPressureSensor::listenToTheUnitFromTheDebugMenu()
{
    startPairedBoard(&m_root, &m_board);
    QVERIFY(m_root->write(QString(kTemp) + "pressureHighRes.txt", "old"));
    QVERIFY(m_root->write(QString(kTemp) + "pressureLowRes.txt", "old"));
    QCOMPARE(m_board->send("pressure noise 0"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("pressure set 7.5"), QStringLiteral("ok"));
    MainMenu w;
    EventHandler keys;
    qApp->installEventFilter(&keys);
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QVERIFY(waitForSinkDataMode(*w.getBtSinkInstance(), *m_board, *m_root));
    Modals modals;

    // The debug menu's button: screen 11 one level deep, muted, placeholders,
    // the old logs gone.
    w.showWidget(101);
    // The board's window manager gives the window back its activation once
    // the menu has gone; the offscreen platform needs to be told.
    w.activateWindow();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w.pressureSensorScreen()));
    QCOMPARE(modals.seen.mid(0, 2), QStringList({"debug menu", "Pressure Sensor"}));
    PressureSensor *ps = w.pressureSensorScreen();
    QVERIFY(ps);
    QCOMPARE(w.findChild<QStackedWidget *>("mainWidget")->currentWidget(), ps);
    QCOMPARE(w.getCurrentMenuLevel(), 1);
    QCOMPARE(w.getStoredWidget(1), 11);
    QVERIFY(ps->isMuted() && w.isAudioPathMuted());
    QCOMPARE(label(ps, "labelMax"), QStringLiteral("MAX = --- bar"));
    QCOMPARE(label(ps, "labelMin"), QStringLiteral("MIN = --- bar"));
    QCOMPARE(label(ps, "labelAverage"), QStringLiteral("AVG = --- bar"));
    QCOMPARE(label(ps, "labelDeviation"), QStringLiteral("DEV = --- bar"));
    QCOMPARE(label(ps, "labelSensorType"), QStringLiteral("-- bar"));
    QVERIFY(!m_root->exists(QString(kTemp) + "pressureHighRes.txt"));
    QVERIFY(!m_root->exists(QString(kTemp) + "pressureLowRes.txt"));
    QVERIFY(!ps->dummyDataTimer()->isActive());

    // The mute key listens: "BT_TX RS", the audio path open, the unit's
    // announcement, then 100 samples a second.
    int mark = m_board->unitLines().size();
    QElapsedTimer clock;
    clock.start();
    instrumentKey(Qt::Key_F6);
    QTRY_VERIFY(unitLinesSince(mark).contains("BT_TX RS"));
    QTRY_COMPARE(gpio(*m_root, 17), QByteArray("1"));
    // The unit's microphone line: gain step 3, listening.
    QTRY_VERIFY(unitLinesSince(mark).contains("BT_TX I 0f ACTIVE SWITCH"));
    QVERIFY(!ps->isMuted());
    QTRY_COMPARE_WITH_TIMEOUT(label(ps, "labelSensorType"), QStringLiteral("25 bar"), 15000);
    QTRY_VERIFY_WITH_TIMEOUT(ps->intake().count() >= 300, 15000);
    QVERIFY2(clock.elapsed() >= 2500, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(ps->intake().count() % 100, 0);
    QTRY_COMPARE_WITH_TIMEOUT(label(ps, "labelDeviation"), QStringLiteral("ACT = 7.50 bar"), 15000);
    QCOMPARE(label(ps, "labelMax"), QStringLiteral("MAX = 7.50 bar"));
    QCOMPARE(label(ps, "labelMin"), QStringLiteral("MIN = 7.50 bar"));
    // Off between pulses (the status data's heartbeat lights it for 100 ms
    // every 2 s as well).
    QTRY_COMPARE(gpio(*m_root, PressureSensor::kDebugLed), QByteArray("0"));
    QVERIFY(m_root->sysfsWritesTo("/sys/class/gpio/gpio115/value").contains("1"));
    const QByteArray high = m_root->read(QString(kTemp) + "pressureHighRes.txt");
    QVERIFY(high.startsWith("\r\n"));
    QVERIFY(high.endsWith("7.50;7.50;"));
    QCOMPARE(m_root->read(QString(kTemp) + "pressureLowRes.txt").count("\r\n"), 1);

    // Again: "BT_TX RP", the path shut, the stream stopped, the window kept.
    mark = m_board->unitLines().size();
    instrumentKey(Qt::Key_F6);
    QTRY_VERIFY(unitLinesSince(mark).contains("BT_TX RP"));
    QTRY_COMPARE(gpio(*m_root, 17), QByteArray("0"));
    QTRY_VERIFY(unitLinesSince(mark).contains("BT_TX I 0f MUTE SWITCH"));
    QTRY_VERIFY_WITH_TIMEOUT(m_board->send("pressure").contains("; stopped;"), 15000);
    QVERIFY(ps->isMuted());
    const int kept = ps->intake().count();

    // Another sensor announced at the next listening scales what follows;
    // one with equal readings is refused and the limits stay.
    QCOMPARE(m_board->send("pressure sensor 10 500 3500"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("pressure set 4"), QStringLiteral("ok"));
    instrumentKey(Qt::Key_F6);
    QTRY_COMPARE_WITH_TIMEOUT(label(ps, "labelSensorType"), QStringLiteral("10 bar"), 15000);
    QTRY_COMPARE_WITH_TIMEOUT(label(ps, "labelDeviation"), QStringLiteral("ACT = 4.00 bar"), 15000);
    QCOMPARE(ps->maxYScaleValue(), 10.0f);
    QVERIFY(ps->intake().count() > kept);
    instrumentKey(Qt::Key_F6);
    QCOMPARE(m_board->send("pressure sensor 20 800 800"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("pressure packet 50"), QStringLiteral("ok"));
    const int before = ps->intake().count();
    instrumentKey(Qt::Key_F6);
    // Packets of 50 samples, two a second.
    QTRY_COMPARE_WITH_TIMEOUT(ps->intake().count() % 100, 50, 15000);
    QVERIFY(ps->intake().count() > before);
    QCOMPARE(label(ps, "labelSensorType"), QStringLiteral("10 bar"));
    QCOMPARE(ps->intake().range(), 10.0f);
    QCOMPARE(ps->intake().readingAtZero(), quint16(500));

    // The analysis view while listening: the stream stops, the window stays.
    mark = m_board->unitLines().size();
    click(ps, "butMenuAnalyse");
    QVERIFY(ps->isMuted());
    QTRY_VERIFY(unitLinesSince(mark).contains("BT_TX RP"));
    QVERIFY(ps->findChild<QWidget *>("subMenu_2")->isVisible());
    QVERIFY(label(ps, "labelDeviation").startsWith("DEV = "));
    click(ps, "butMenuAnalyseBack");
    QVERIFY(label(ps, "labelDeviation").startsWith("ACT = "));
    QVERIFY(!unitLinesSince(mark).contains("BT_TX RS"));

    // The mute key as a push-button: the screen listens while it is held.
    QVERIFY(m_root->write("/home/root/settings.ini",
                          pairedSettings().replace("Switchmode=Switch", "Switchmode=Push-Button")));
    w.getInstanceSystemsettings()->loadSystemsettings();
    mark = m_board->unitLines().size();
    QTest::keyPress(QApplication::focusWidget(), Qt::Key_F6);
    QTRY_VERIFY(unitLinesSince(mark).contains("BT_TX RS"));
    QTRY_COMPARE(gpio(*m_root, 17), QByteArray("1"));
    QTRY_VERIFY(unitLinesSince(mark).contains("BT_TX I 0f ACTIVE PUSHBUT"));
    QVERIFY(!ps->isMuted());
    mark = m_board->unitLines().size();
    QTest::keyRelease(QApplication::focusWidget(), Qt::Key_F6);
    QTRY_VERIFY(unitLinesSince(mark).contains("BT_TX RP"));
    QTRY_COMPARE(gpio(*m_root, 17), QByteArray("0"));
    QVERIFY(ps->isMuted());
    QVERIFY(m_root->write("/home/root/settings.ini", pairedSettings()));
    w.getInstanceSystemsettings()->loadSystemsettings();

    // A long press of the favourite key stores nothing here.
    QString favouriteName;
    const int favourite = w.getInstanceSystemsettings()->getFavouriteButton(&favouriteName);
    QWidget *target = QApplication::focusWidget();
    QTest::keyPress(target, Qt::Key_F2);
    for (int i = 0; i < 9; ++i) {
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_F2, Qt::NoModifier, QString(), true, 1);
        QApplication::sendEvent(target, &repeat);
    }
    QCOMPARE(w.getInstanceSystemsettings()->getFavouriteButton(&favouriteName), favourite);
    QVERIFY(!modals.seen.contains("popup"));

    // The power key: "BT_TX RP" and the main page; the unit's key then
    // reaches the main page only, never the pressure stream.
    mark = m_board->unitLines().size();
    instrumentKey(Qt::Key_F1);
    QTRY_COMPARE(w.findChild<QStackedWidget *>("mainWidget")->currentWidget()->objectName(), QStringLiteral("mainPage"));
    QTRY_VERIFY(unitLinesSince(mark).contains("BT_TX RP"));
    mark = m_board->unitLines().size();
    QCOMPARE(m_board->send("unit key press"), QStringLiteral("ok"));
    // The main page answers the key by keeping the path shut.
    QTRY_VERIFY(!unitLinesSince(mark).filter(QRegularExpression("^BT_TX I ")).isEmpty());
    QVERIFY(w.isAudioPathMuted());
    QVERIFY(!unitLinesSince(mark).contains("BT_TX RS"));
    QVERIFY(ps->isMuted());

    // A PC left the card unmountable: the mount point is the bare folder of
    // the root file system. Listening again logs nothing there (the logs'
    // folder is not made either), and the next lending and take-back say
    // nothing of a damaged card.
    const auto bareMountPoint = [&] {
        return QDir(m_root->local("/media/tq3900")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    };
    const QString notMounted = QStringLiteral("The data partition could not be mounted.\nThe card may need checking on a PC.");
    // Lent to the PC and taken back, the take-back's mount answering as told.
    const auto lendAndTakeBack = [&](const char *mount) {
        BackupDialog pc;
        pc.show();
        pc.findChild<QPushButton *>("butConnect")->click();
        QCOMPARE(m_board->send("usb"), QStringLiteral("exported"));
        QCOMPARE(m_board->send(QStringLiteral("usb mount ") + mount), QStringLiteral("ok"));
        pc.findChild<QPushButton *>("butDisconnect")->click();
    };
    lendAndTakeBack("fail");
    QCOMPARE(m_board->send("usb"), QStringLiteral("unmounted"));
    QCOMPARE(modals.seen.filter(notMounted).size(), 1);
    w.showWidget(101);
    w.activateWindow();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(ps));
    QCOMPARE(ps->intake().count(), 0);
    instrumentKey(Qt::Key_F6);
    QTRY_VERIFY_WITH_TIMEOUT(ps->intake().count() >= 100, 15000);
    QVERIFY(label(ps, "labelDeviation").startsWith("ACT = "));
    QCOMPARE(bareMountPoint(), QStringList());
    instrumentKey(Qt::Key_F6);
    QTRY_VERIFY(ps->isMuted());
    // Lent as it is and mounted when taken back: no word of a damaged card.
    lendAndTakeBack("ok");
    QCOMPARE(m_board->send("usb"), QStringLiteral("mounted"));
    QCOMPARE(modals.seen.filter(notMounted).size(), 1);
    qApp->removeEventFilter(&keys);
}

void TestPressureSensor::diagramSpansAndAnalysisPages()
{
    startUnpairedBoard();
    MainMenu w;
    w.displayWidget(11, 1, 0);
    PressureSensor *ps = w.pressureSensorScreen();
    Bluetooth *link = w.getBtSinkInstance();

    // Muted, a packet changes nothing, not even the debug LED.
    QVERIFY(m_root->write("/sys/class/gpio/gpio115/value", "1"));
    emit link->btPressuredataReceived(2, QStringLiteral("199;E65;"));
    QCOMPARE(gpio(*m_root, 115), QByteArray("1"));
    QCOMPARE(ps->intake().count(), 0);
    QVERIFY(!m_root->exists(QString(kTemp) + "pressureHighRes.txt"));
    QCOMPARE(label(ps, "labelMax"), QStringLiteral("MAX = --- bar"));

    // An announcement over an empty window redraws without a curve; equal
    // readings are refused; the end of a stream changes nothing.
    emit link->btEnableReceivePressuredata(true, 10, 500, 3500);
    QCOMPARE(label(ps, "labelSensorType"), QStringLiteral("10 bar"));
    QCOMPARE(ps->maxYScaleValue(), 10.0f);
    QCOMPARE(ps->chart()->axisYMax(), 10.0f);
    QCOMPARE(ps->drawnPoints(), 0);
    emit link->btEnableReceivePressuredata(true, 10, 800, 800);
    emit link->btEnableReceivePressuredata(false, 0, 0, 0);
    QCOMPARE(ps->intake().readingAtZero(), quint16(500));
    // Nor is a range no label shows: the label, the axis and the limits stay.
    emit link->btEnableReceivePressuredata(true, 2147483647, 0, 1);
    QCOMPARE(label(ps, "labelSensorType"), QStringLiteral("10 bar"));
    QCOMPARE(ps->chart()->axisYMax(), 10.0f);
    QCOMPARE(ps->intake().readingAtRange(), quint16(3500));

    // A minute rising from 3.2 to 7.9 bar (10 bar over 500 .. 3500).
    ps->switchActiveMute(false);
    for (int k = 0; k < 60; ++k) {
        QString text;
        for (int i = 0; i < 100; ++i) {
            const double bar = 3.2 + 4.7 * (k * 100 + i) / 5999.0;
            text += QStringLiteral("%1;").arg(qRound(500 + 300 * bar), 3, 16, QLatin1Char('0'));
        }
        emit link->btPressuredataReceived(100, text);
        QCOMPARE(gpio(*m_root, 115), QByteArray("0"));
    }
    QCOMPARE(ps->intake().count(), 6000);
    QCOMPARE(label(ps, "labelMin"), QStringLiteral("MIN = 3.20 bar"));
    QCOMPARE(label(ps, "labelMax"), QStringLiteral("MAX = 7.90 bar"));
    QCOMPARE(ps->drawnPoints(), 5999);

    // The live span: 60 -> 30 -> 10 -> 5 -> 1 -> 60 s; at 10 s the newest
    // 1000 samples on an axis 0 .. 10.
    const struct { float seconds; int samples; } spans[] = {{30, 3000}, {10, 1000}, {5, 500}, {1, 100}, {60, 6000}};
    for (const auto &span : spans) {
        click(ps, "butMenuScaleX");
        QCOMPARE(ps->maxXScaleValue(), span.seconds);
        QCOMPARE(ps->dataCntScaled(), span.samples);
        QCOMPARE(ps->chart()->axisXMax(), span.seconds);
        QCOMPARE(ps->dataStart(), 6000 - span.samples);
        QCOMPARE(ps->drawnPoints(), span.samples - 1);
        if (span.seconds == 10)
            QCOMPARE(ps->chart()->axisXMainStep(), 2.0f);
    }

    // Auto-scale: 3 .. 8, and back to the sensor's range.
    click(ps, "butMenuScaleY");
    QVERIFY(ps->isZoomed());
    QCOMPARE(ps->minYScaleValue(), 3.0f);
    QCOMPARE(ps->maxYScaleValue(), 8.0f);
    QCOMPARE(ps->chart()->axisYMax(), 8.0f);
    QCOMPARE(ps->chart()->size(), QSize(420, 195));
    QCOMPARE(ps->chart()->chartImage().size(), QSize(420, 195));
    QCOMPARE(chartLabelFault(*ps->chart()), QString());
    click(ps, "butMenuScaleY");
    QCOMPARE(ps->minYScaleValue(), 0.0f);
    QCOMPARE(ps->maxYScaleValue(), 10.0f);

    // Analysis: pages of 10 s; Next stops at the page ending with the newest
    // sample, Previous at 0.
    click(ps, "butMenuAnalyse");
    QCOMPARE(ps->xScaleMode(), 2);
    QCOMPARE(ps->analyseDataEnd(), 1000);
    for (int expected : {1000, 2000, 3000, 4000, 5000, 5000}) {
        click(ps, "butMenuAnalyseNext");
        QCOMPARE(ps->analyseDataStart(), expected);
        QCOMPARE(ps->minXScaleValue(), float(expected / 100));
        QCOMPARE(ps->maxXScaleValue(), float(expected / 100 + 10));
    }
    for (int expected : {4000, 3000, 2000, 1000, 0, 0}) {
        click(ps, "butMenuAnalysePrev");
        QCOMPARE(ps->analyseDataStart(), expected);
    }
    // From 5000, widths 5 s, 1 s, then 60 s: the page ends at 6000 and the
    // axis runs 50 .. 60; the statistics cover slots 5000 .. 5999.
    for (int i = 0; i < 5; ++i)
        click(ps, "butMenuAnalyseNext");
    const int widths[] = {500, 100, 6000};
    for (int width : widths) {
        click(ps, "butMenuAnalyseScaleX");
        QCOMPARE(ps->dataCntScaled(), width);
        QCOMPARE(ps->analyseDataStart(), 5000);
    }
    QCOMPARE(ps->analyseDataEnd(), 6000);
    QCOMPARE(ps->minXScaleValue(), 50.0f);
    QCOMPARE(ps->maxXScaleValue(), 60.0f);
    const PressureIntake::Statistics page = ps->intake().statistics(5000, 1000);
    QCOMPARE(label(ps, "labelMin"), QStringLiteral("MIN = %1 bar").arg(page.min, 0, 'f', 2));
    QCOMPARE(label(ps, "labelDeviation"), QStringLiteral("DEV = %1 bar").arg(page.deviation, 0, 'f', 2));
    QVERIFY(label(ps, "labelMin") != QStringLiteral("MIN = 3.20 bar"));
    // The page's own auto-scale: 7 .. 8.
    click(ps, "butMenuAnalyseScaleY");
    QCOMPARE(ps->minYScaleValue(), 7.0f);
    QCOMPARE(ps->maxYScaleValue(), 8.0f);
    click(ps, "butMenuAnalyseScaleY");
    click(ps, "butMenuAnalyseBack");
    QCOMPARE(ps->xScaleMode(), 0);
    QCOMPARE(label(ps, "labelMin"), QStringLiteral("MIN = 3.20 bar"));

    // A new entry: an empty window; all zeros auto-scale to 0 .. 1; a short
    // window pages within what was recorded, and a packet over the
    // window's size keeps the newest 6000.
    w.displayWidget(11, 1, 0);
    QCOMPARE(ps->intake().count(), 0);
    ps->switchActiveMute(false);
    emit link->btPressuredataReceived(100, samples(0, 100));
    emit link->btPressuredataReceived(100, samples(0, 100));
    click(ps, "butMenuScaleY");
    QCOMPARE(ps->minYScaleValue(), 0.0f);
    QCOMPARE(ps->maxYScaleValue(), 1.0f);
    click(ps, "butMenuScaleY");
    click(ps, "butMenuAnalyse");
    click(ps, "butMenuAnalyseNext");
    QCOMPARE(ps->analyseDataStart(), 0);
    QCOMPARE(ps->drawnPoints(), 199);
    QCOMPARE(label(ps, "labelMax"), QStringLiteral("MAX = 0.00 bar"));
    click(ps, "butMenuAnalyseBack");
    ps->switchActiveMute(false);
    emit link->btPressuredataReceived(7000, samples(3500, 7000));
    emit link->btPressuredataReceived(70, samples(500, 70));
    QCOMPARE(ps->intake().count(), 6000);
    QCOMPARE(label(ps, "labelMin"), QStringLiteral("MIN = 0.00 bar"));
    QCOMPARE(label(ps, "labelMax"), QStringLiteral("MAX = 10.00 bar"));

    // The screen's own generator (nothing starts it): 100 readings climbing
    // from 600 with a noise below 50 steps.
    QVERIFY(!ps->dummyDataTimer()->isActive());
    ps->generateDummyData();
    const PressureIntake::Statistics generated = ps->intake().statistics(5900, 100);
    QVERIFY(generated.min >= PressureIntake::scale(600, 10, 500, 3500));
    QVERIFY(generated.max < PressureIntake::scale(600 + 99 + 50, 10, 500, 3500));
}

void TestPressureSensor::saveFolderWithLogCopies()
{
    startUnpairedBoard();
    // A fix whose latitude and longitude differ: the folder names them in order.
    QCOMPARE(m_board->send("gps fix 1"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("gps pos 52.5 13.25"), QStringLiteral("ok"));
    MainMenu w;
    QTRY_VERIFY_WITH_TIMEOUT(w.getGpsInstance()->getLatitude() > 52.0, 8000);
    w.displayWidget(11, 1, 0);
    PressureSensor *ps = w.pressureSensorScreen();
    Bluetooth *link = w.getBtSinkInstance();
    Modals modals;
    SystemClock::setFixedNow(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
    const QDir meas(m_root->local(kMeas));
    auto folders = [&meas] { return meas.entryList(QDir::AllEntries | QDir::NoDotAndDotDot); };

    // Cancelled while listening: nothing stored, the screen muted.
    ps->switchActiveMute(false);
    emit link->btPressuredataReceived(3, QStringLiteral("199;E65;5DC;"));
    modals.name = QString();
    click(ps, "butMenuSave");
    QCOMPARE(modals.seen, QStringList({"keyboard"}));
    QVERIFY(ps->isMuted() && w.isAudioPathMuted());
    QCOMPARE(folders(), QStringList());

    // " Hydrant 3 " with its blanks: the folder and info.ini of that moment.
    modals.name = QStringLiteral(" ^H^ydrant 3 ");
    click(ps, "butMenuSave");
    const QString name = QStringLiteral("PS_20240305_140709_Hydrant 3");
    QCOMPARE(folders(), QStringList({name}));
    const QString folder = meas.filePath(name);
    {
        QSettings info(folder + "/info.ini", QSettings::IniFormat);
        QCOMPARE(info.value("Measurementinfo/Measurementtype").toString(), QStringLiteral("Pressuresensor"));
        QCOMPARE(info.value("Measurementinfo/Measurementname").toString(), QStringLiteral("Hydrant 3"));
        QCOMPARE(info.value("Measurementinfo/Measurementdate").toString(), QStringLiteral("05.03.2024"));
        QCOMPARE(info.value("Measurementinfo/Measurementtime").toString(), QStringLiteral("14:07:09"));
        QCOMPARE(info.value("Measurementinfo/Firmwareversion").toString(), QStringLiteral("1.9.0"));
        QCOMPARE(info.value("Pressuresensor/Sensor").toString(), QStringLiteral("25.0 bar"));
        QCOMPARE(info.value("Pressuresensor/MinCalibrationValue").toInt(), 409);
        QCOMPARE(info.value("Pressuresensor/MaxCalibrationValue").toInt(), 3685);
        QCOMPARE(info.value("GPS-Positions/GPS-Position").toStringList().join(", "),
                 QStringLiteral("52.500000, 13.250000"));
    }
    const QByteArray low = m_root->read(QString(kTemp) + "pressureLowRes.txt");
    const QByteArray high = m_root->read(QString(kTemp) + "pressureHighRes.txt");
    QVERIFY(high.endsWith(";0.00;25.00;8.33;"));
    QCOMPARE(m_root->read(QString(kMeas) + name + "/LowResData.txt"), low);
    QCOMPARE(m_root->read(QString(kMeas) + name + "/HighResData.txt"), high);
    QVERIFY(ps->isMuted());
    QCOMPARE(ps->findChild<QStackedWidget *>("subMenu")->currentWidget()->objectName(), QStringLiteral("subMenu_1"));

    // Listening on and saved again in the same second: both copies replaced.
    ps->switchActiveMute(false);
    emit link->btPressuredataReceived(1, QStringLiteral("E65;"));
    click(ps, "butMenuSave");
    QCOMPARE(folders(), QStringList({name}));
    QVERIFY(m_root->read(QString(kTemp) + "pressureHighRes.txt").endsWith("8.33;25.00;"));
    QCOMPARE(m_root->read(QString(kMeas) + name + "/HighResData.txt"),
             m_root->read(QString(kTemp) + "pressureHighRes.txt"));

    // A folder that cannot be made: the store's message, nothing else.
    QVERIFY(m_root->write(QString(kMeas) + "PS_20240305_140709_Blocked", "a file"));
    modals.seen.clear();
    modals.name = QStringLiteral("blocked");
    click(ps, "butMenuSave");
    QCOMPARE(modals.seen, QStringList({"keyboard", QCoreApplication::translate("Measurements",
                                                                                 "MeasurementCouldNotBeStored")}));
    QCOMPARE(folders().size(), 2);
}

QTEST_MAIN(TestPressureSensor)
#include "tst_pressuresensor.moc"
