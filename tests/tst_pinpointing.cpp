// Pinpointing against the simulated board: a person listens at positions
// whose noise the simulator sets, mutes, deletes, fills all ten positions
// and listens an eleventh time, saves under a name and opens the measurement
// again. Observed: the positions and their clips in the temporary sound
// folder, the bars, labels and markers on the screen, the lines the unit
// receives, the audio path, the stored folder with its info.ini and clips
// (read with sox), and the playback journal of the stored view.
#include "audiocodecsetup.h"
#include "audioworker.h"
#include "debugmessages.h"
#include "gps.h"
#include "mainmenu.h"
#include "measmanagement.h"
#include "messagedialog.h"
#include "nametyper.h"
#include "pairedboard.h"
#include "pinpointing.h"
#include "sensorunitlink.h"
#include "simboard.h"
#include "stylechanges.h"
#include "testroot.h"
#include "tst_recording_wav.h"
#include "virtualkeyboard.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

const char kTemp[] = "/home/root/meas/wav_temp/";
// A bar's colour at 300 Hz and above.
const QString kYellow = QStringLiteral("QProgressBar::chunk {background-color: rgb(255, 255, 0);}");

// The colour a bar's style gives its chunk; invalid when it names none.
QColor chunkColour(const QString &style)
{
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("chunk \\{background-color: rgb\\((\\d+), (\\d+), (\\d+)\\);\\}")).match(style);
    return m.hasMatch() ? QColor(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()) : QColor();
}

} // namespace

class TestPinpointing : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { DebugMessages::install(); }
    void init();
    void cleanup();
    void listenSaveAndReplay();
    void leakAndScaleRules();

private:
    // One listening at a display level: listen, wait, mute. The live-level
    // bar as it stood just before the mute goes to liveBar (its style and
    // place; an empty place when it was hidden).
    struct LiveBar
    {
        QRect place;
        QString style;
    };
    void listen(Pinpointing *pp, double level, int ms, LiveBar *liveBar = nullptr);
    void key(QWidget *page) { QTest::keyPress(page, Qt::Key_F10); QTest::keyRelease(page, Qt::Key_F10); }
    QByteArray clip(int n) const { return m_root->read(QStringLiteral("%1PP_Sound_%2.wav").arg(kTemp).arg(n)); }
    QByteArray hash(const QByteArray &b) const { return QCryptographicHash::hash(b, QCryptographicHash::Md5); }

    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
};

void TestPinpointing::init()
{
    startPairedBoard(&m_root, &m_board);
}

void TestPinpointing::cleanup()
{
    m_board.reset();
    m_root.reset();
}

void TestPinpointing::listen(Pinpointing *pp, double level, int ms, LiveBar *liveBar)
{
    QCOMPARE(m_board->send(level > 0 ? QStringLiteral("signal level %1").arg(level) : QStringLiteral("signal silence")),
             QStringLiteral("ok"));
    QVERIFY(pp->isMuted());
    QTest::qWait(400); // the converter's buffer holds the new sound only
    key(pp);
    QVERIFY(!pp->isMuted());
    QTest::qWait(ms);
    if (liveBar) {
        const auto *bar = pp->findChild<QProgressBar *>(QStringLiteral("progBarCurrent"));
        *liveBar = {bar->isVisible() ? bar->geometry() : QRect(), bar->styleSheet()};
    }
    key(pp);
    QVERIFY(pp->isMuted());
}

void TestPinpointing::listenSaveAndReplay()
{
    // Bars coloured by their frequencies: from red at 150 Hz to yellow at
    // 300 Hz and above.
    QVERIFY(m_root->write("/home/root/settings.ini",
                          pairedSettings("[Dialogconfiguration]\nPinpointing_UseFrequencyColorForLevelbar=true\n")));
    QCOMPARE(m_board->send("gps pos 48.125 -11.5"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("signal tone 400 0.01"), QStringLiteral("ok"));
    MainMenu w;
    w.show();
    QVERIFY(waitForSinkDataMode(*w.getBtSinkInstance(), *m_board, *m_root));
    QTRY_VERIFY_WITH_TIMEOUT(w.getGpsInstance()->isGpsDataValid()
                                 && qAbs(w.getGpsInstance()->getLatitude() - 48.125) < 1e-9, 8000);

    // From the main page to pinpointing: muted, nothing listened yet.
    QTest::mouseClick(w.findChild<QPushButton *>("butPinpointing"), Qt::LeftButton);
    Pinpointing *pp = w.pinpointingScreen();
    QCOMPARE(w.findChild<QStackedWidget *>("mainWidget")->currentWidget(), pp);
    QVERIFY(pp->isMuted() && w.isAudioPathMuted());
    QCOMPARE(pp->positions().currentStep, 0);
    auto bar = [pp](int i) { return pp->findChild<QProgressBar *>(QStringLiteral("progBarMin%1").arg(i)); };
    auto label = [pp](const char *name) { return pp->findChild<QLabel *>(name); };
    QVERIFY(bar(1)->isHidden());
    QCOMPARE(label("labelMicrophone")->geometry(), QRect(5, 65, 37, 155));
    QVERIFY(label("labelMicrophone")->isVisible());

    // Three listenings with noise and one in silence: three positions. The
    // scale follows each new quietest level, its button keeps its picture.
    QPushButton *scale = pp->findChild<QPushButton *>("butMenuScale");
    StyleChanges scaleRestyled(scale);
    listen(pp, 50, 1500);
    listen(pp, 62, 1500);
    LiveBar live3;
    listen(pp, 44, 1500, &live3);
    const QByteArray clip3 = clip(3);
    listen(pp, 0, 1500);
    const PinpointingPositions &pos = pp->positions();
    QCOMPARE(pos.currentStep, 3);
    const float levels[] = {0, 50, 62, 44};
    for (int i = 1; i <= 3; ++i) {
        QVERIFY2(qAbs(pos.minimum[i] - levels[i]) < 2.5f, qPrintable(QString::number(pos.minimum[i])));
        QVERIFY2(qAbs(pos.frequency[i] - 400) <= 10, qPrintable(QString::number(pos.frequency[i])));
        QCOMPARE(pos.latitude[i], 48.125);
        QCOMPARE(pos.longitude[i], -11.5);
        QVERIFY2(clip(i).size() > 44 + 16000, qPrintable(QString::number(clip(i).size())));
        QVERIFY(bar(i)->isVisible());
        QCOMPARE(bar(i)->value(), qBound(bar(i)->minimum(), int(pos.minimum[i] * 10), bar(i)->maximum()));
        QCOMPARE(pp->findChild<QLabel *>(QStringLiteral("labelMin%1").arg(i))->text(),
                 QString::number(qRound(pos.minimum[i])));
        QCOMPARE(bar(i)->styleSheet(), kYellow);
    }
    // While position 3 was listened to, the live level stood in its slot,
    // in the colour of the tone heard.
    QCOMPARE(live3.place, QRect(42 * 2 + 5, 60, 10, 168));
    QCOMPARE(live3.style, kYellow);
    QVERIFY(!m_root->exists(QStringLiteral("%1PP_Sound_4.wav").arg(kTemp)));
    QVERIFY(bar(4)->isHidden());
    // The leak marker stands at the loudest position, the next-position
    // marker at slot 4; the label shows position 3's values.
    QCOMPARE(pp->leakPosition(), 2);
    QCOMPARE(label("labelWaterdrop")->geometry(), QRect(50, 180, 30, 45));
    QVERIFY(label("labelWaterdrop")->isVisible());
    QCOMPARE(label("labelMicrophone")->x(), 42 * 3 + 5);
    QCOMPARE(label("labelLevel")->text(), QString::number(qRound(pos.minimum[3])));
    QCOMPARE(label("labelFrequency")->text(), QStringLiteral("%1 Hz").arg(pos.frequency[3]));

    // Dynamic scale around the quietest position; Scale zooms and back.
    const float q = pos.minimum[3], h = pos.minimum[2];
    QCOMPARE(pp->scaleMode(), 1);
    QCOMPARE(bar(1)->minimum(), int((q - 4) * 10));
    QCOMPARE(bar(1)->maximum(), int((h + 4) * 10));
    QCOMPARE(scaleRestyled.count, 0);
    scale->click();
    QCOMPARE(pp->scaleMode(), 2);
    QCOMPARE(bar(7)->minimum(), int((q - 1) * 10));
    QCOMPARE(bar(7)->maximum(), int((h + 1) * 10));
    QVERIFY(scale->styleSheet().contains("ScaleMagnifierFull_ws_44px"));
    scale->click();
    QCOMPARE(pp->scaleMode(), 1);

    // The unit reports its muted state again: no new position, clip 3 kept
    // whole; the muted path is put in place once more.
    const int gpioMark = m_root->sysfsWritesTo("/sys/class/gpio/gpio17/value").size();
    QCOMPARE(m_board->send("bt ttyO2 send BT_RX MUTE_STATE MUTE"), QStringLiteral("ok"));
    QTRY_COMPARE(m_root->sysfsWritesTo("/sys/class/gpio/gpio17/value").mid(gpioMark), QStringList{"0"});
    QCOMPARE(pos.currentStep, 3);
    QCOMPARE(hash(clip(3)), hash(clip3));

    // Delete last: nothing while listening; while muted the newest goes.
    QPushButton *deleteLast = pp->findChild<QPushButton *>("butMenuDeleteLast");
    QCOMPARE(m_board->send("signal level 56"), QStringLiteral("ok"));
    key(pp);
    QVERIFY(deleteLast->isHidden());
    QTest::qWait(1200);
    // A repeated listening report neither moves on nor empties the recording.
    QCOMPARE(m_board->send("bt ttyO2 send BT_RX MUTE_STATE ACTIVE"), QStringLiteral("ok"));
    QTest::qWait(300);
    deleteLast->click();
    QCOMPARE(pos.currentStep, 4);
    key(pp);
    QVERIFY(clip(4).size() > 44 + 32000); // more than the last second
    QVERIFY(deleteLast->isVisible());
    deleteLast->click();
    QCOMPARE(pos.currentStep, 3);
    QVERIFY(bar(4)->isHidden());
    QCOMPARE(pos.minimum[4], 0.0f);

    // Settings page and back: listening still gives valid updates.
    pp->findChild<QPushButton *>("butMenuSettings")->click();
    QVERIFY(pp->findChild<QWidget *>("subMenu_2")->isVisible());
    pp->findChild<QPushButton *>("butMenuBack")->click();
    QVERIFY(pp->findChild<QWidget *>("subMenu_1")->isVisible());
    // At 200 Hz, a third of the way from red to yellow.
    QCOMPARE(m_board->send("signal tone 200 0.01"), QStringLiteral("ok"));
    listen(pp, 53, 1500);
    QCOMPARE(pos.currentStep, 4);
    QVERIFY(qAbs(pos.minimum[4] - 53) < 2.5f);
    QVERIFY2(qAbs(pos.frequency[4] - 200) <= 10, qPrintable(QString::number(pos.frequency[4])));
    const QColor orange = chunkColour(bar(4)->styleSheet());
    QCOMPARE(orange.red(), 255);
    QCOMPARE(orange.blue(), 0);
    QVERIFY2(qAbs(orange.green() - 255 * (pos.frequency[4] - 150) / 150) <= 1, qPrintable(bar(4)->styleSheet()));
    QCOMPARE(bar(3)->styleSheet(), kYellow);
    QCOMPARE(m_board->send("signal tone 400 0.01"), QStringLiteral("ok"));

    // The filter dialog left without a choice while listening: updates and
    // recording go on.
    key(pp);
    QTimer cancel; // leaves the dialog without a choice
    connect(&cancel, &QTimer::timeout, [] {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    cancel.start(50);
    pp->findChild<QPushButton *>("butMenuFilter")->click();
    cancel.stop();
    QVERIFY(pp->levelTimer()->isActive());
    QVERIFY(!Audioworker()->recordingStatus().paused);
    QTest::qWait(1200);
    key(pp);
    QCOMPARE(pos.currentStep, 5);

    // The settings page's dialogs: the automatic band accepted while muted
    // is in the codec and on the screen; microphone and headphone open.
    QStringList dialogs;
    QTimer answer;
    connect(&answer, &QTimer::timeout, [&dialogs] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        dialogs << dialog->metaObject()->className();
        if (auto *autoBand = dialog->findChild<QPushButton *>("butAutoFilter")) {
            autoBand->click();
            dialog->findChild<QPushButton *>("butClose")->click();
        } else {
            dialog->reject();
        }
    });
    answer.start(50);
    pp->findChild<QPushButton *>("butMenuSettings")->click();
    for (const char *button : {"butMenuFilter", "butMenuMicrophone", "butMenuHeadphone_2"})
        pp->findChild<QPushButton *>(button)->click();
    answer.stop();
    QCOMPARE(dialogs, QStringList({"Filtersettings", "Micsettings", "Headphonesettings"}));
    quint32 low = 0, high = 0;
    int type = -1;
    w.getAudioCodecInstance()->getFilter(&low, &high, &type);
    QCOMPARE(type, 1);
    QCOMPARE(label("labelFilterrange")->text(), QStringLiteral("%1 Hz\n%2 Hz").arg(low).arg(high));
    QVERIFY(pp->levelTimer()->isActive());
    QVERIFY(pp->isMuted() && w.isAudioPathMuted());
    pp->findChild<QPushButton *>("butMenuBack")->click();

    // Fill all ten, then the eleventh listening: 2..10 move down with their
    // clips, position 10 is listened to anew. The signal passes the band
    // as on the instrument: the tone at 400 Hz lies inside it (noise alone
    // would lose most of its power).
    QCOMPARE(m_board->send("signal tone 400 0.01"), QStringLiteral("ok"));
    for (int i = 6; i <= 10; ++i)
        listen(pp, 40 + i, 1200);
    QCOMPARE(pos.currentStep, 10);
    QVERIFY(label("labelMicrophone")->isHidden());
    float before[11];
    QByteArray clipsBefore[11];
    for (int i = 1; i <= 10; ++i) {
        before[i] = pos.minimum[i];
        clipsBefore[i] = hash(clip(i));
    }
    QCOMPARE(m_board->send("signal level 70"), QStringLiteral("ok"));
    key(pp); // right after the mute that wrote clip 10
    QCOMPARE(pos.currentStep, 10);
    for (int i = 1; i <= 9; ++i) {
        QCOMPARE(pos.minimum[i], before[i + 1]);
        QCOMPARE(hash(clip(i)), clipsBefore[i + 1]);
    }
    QVERIFY(!m_root->exists(QStringLiteral("%1PP_Sound_10.wav").arg(kTemp)));
    // A full ten seconds of listening: the clip holds the last ten seconds.
    QTest::qWait(11000);
    key(pp);
    QCOMPARE(clip(10).size(), 44 + 320000);
    qInfo("GUI thread waited %lld ms for a ten-second clip", pp->lastClipStoreMs());
    QVERIFY(pp->lastClipStoreMs() >= 0 && pp->lastClipStoreMs() < 1000);
    QCOMPARE(pp->leakPosition(), 10);
    QCOMPARE(label("labelWaterdrop")->x(), 42 * 9 + 8);

    // Save under a name with two blanks inside.
    NameTyper typer;
    typer.name = QStringLiteral("Main  St");
    pp->findChild<QPushButton *>("butMenuSave")->click();
    QCOMPARE(typer.keyboards, 1);
    const QDir meas(m_root->local("/media/tq3900/meas"));
    const QStringList folders = meas.entryList({"PP_*"}, QDir::Dirs);
    QCOMPARE(folders.size(), 1);
    const QString folder = folders.first();
    QVERIFY2(folder.endsWith("_Main  st"), qPrintable(folder));
    QSettings info(meas.filePath(folder + "/info.ini"), QSettings::IniFormat);
    QCOMPARE(info.value("Measurementinfo/Measurementtype").toString(), QStringLiteral("Histogram"));
    QCOMPARE(info.value("Filter/Filtertype").toString(), QStringLiteral("Bandpass"));
    QCOMPARE(info.value("Filter/LowCutOff-Frequency").toUInt(), low);
    QCOMPARE(info.value("Filter/HighCutOff-Frequency").toUInt(), high);
    for (int i = 1; i <= 10; ++i) {
        QCOMPARE(info.value(QStringLiteral("Levels/Level_%1").arg(i)).toString(),
                 QString::number(double(pos.minimum[i]), 'f', 3));
        QCOMPARE(info.value(QStringLiteral("Levels/Frequency_%1").arg(i)).toInt(), pos.frequency[i]);
        QCOMPARE(info.value(QStringLiteral("GPS-Positions/GPS-Position_%1").arg(i)).toString(),
                 QStringLiteral("48.125000, -11.500000"));
        const QString copy = meas.filePath(QStringLiteral("%1/PP_Sound_%2.wav").arg(folder).arg(i));
        QCOMPARE(hash(m_root->read(QStringLiteral("/media/tq3900/meas/%1/PP_Sound_%2.wav").arg(folder).arg(i))),
                 hash(clip(i)));
        checkWithSox(copy, (clip(i).size() - 44) / 2);
    }
    QVERIFY(pp->isMuted());
    QCOMPARE(pos.currentStep, 10); // the positions stay on the screen

    // Opened again from the browser: all ten bars, the name, the leak.
    w.displayWidget(7, 1, 0);
    QVERIFY(w.getInstanceMeasManagement()->openMeasurement(folder));
    QCOMPARE(w.findChild<QStackedWidget *>("mainWidget")->currentWidget(), pp);
    QVERIFY(pp->isStoredView());
    QCOMPARE(label("labelStoredMeasurement")->text(), QStringLiteral("Main  st"));
    // Zoomed onto its positions, whatever scale the live screen had: one
    // level below the quietest, one above the loudest.
    auto checkStoredView = [&] {
        QVERIFY(pp->isStoredView());
        QCOMPARE(pp->leakPosition(), 10);
        QCOMPARE(label("labelWaterdrop")->geometry(), QRect(42 * 9 + 8, 155, 30, 45));
        QVERIFY(label("labelWaterdrop")->isVisible());
        QCOMPARE(pp->scaleMode(), 2);
        const float quietest = *std::min_element(pos.minimum + 1, pos.minimum + 11);
        const float loudest = *std::max_element(pos.minimum + 1, pos.minimum + 11);
        QVERIFY(quietest > 1 && loudest < 99);
        for (int i = 1; i <= 10; ++i) {
            QVERIFY(bar(i)->isVisible());
            QCOMPARE(bar(i)->minimum(), int((quietest - 1.0f) * 10));
            QCOMPARE(bar(i)->maximum(), int((loudest + 1.0f) * 10));
        }
    };
    checkStoredView();
    QCOMPARE(bar(1)->height(), 143);
    // The mute key does nothing here.
    const int mark = m_root->sysfsWritesTo("/sys/class/gpio/gpio17/value").size();
    key(pp);
    QCOMPARE(m_root->sysfsWritesTo("/sys/class/gpio/gpio17/value").size(), mark);
    QVERIFY(!pp->levelTimer()->isActive());

    // Next selects without playing and wraps after 10; Play plays the
    // selected position's clip from the folder as it is named.
    QPushButton *next = pp->findChild<QPushButton *>("butMenuStoredNext");
    next->click();
    QCOMPARE(pos.currentStep, 2);
    QVERIFY(bar(2)->styleSheet().contains("lightgreen"));
    QCOMPARE(label("labelSymbol")->x(), 42 + 5);
    for (int i = 0; i < 9; ++i)
        next->click();
    QCOMPARE(pos.currentStep, 1);
    // Back at position 1: its bar alone carries the selection.
    for (int i = 1; i <= 10; ++i)
        QVERIFY2(bar(i)->styleSheet().contains("lightgreen") == (i == 1), qPrintable(QString::number(i)));
    QCOMPARE(label("labelSymbol")->x(), 5);
    QVERIFY(m_root->journal("playback.log").isEmpty());
    next->click();
    pp->findChild<QPushButton *>("butMenuStoredPlay")->click();
    const QString expected = QStringLiteral("play /media/tq3900/meas/%1/PP_Sound_2.wav %2")
                                 .arg(folder)
                                 .arg(clip(2).size() - 44);
    QTRY_COMPARE(m_root->journal("playback.log").value(0), expected);
    pp->findChild<QPushButton *>("butMenuStoredStop")->click();
    QTRY_VERIFY(m_root->journal("playback.log").value(1).startsWith("stop "));

    // Back to the browser, muted.
    pp->findChild<QPushButton *>("butMenuStoredBack")->click();
    QCOMPARE(w.findChild<QStackedWidget *>("mainWidget")->currentWidget(), w.getInstanceMeasManagement());
    QVERIFY(w.isAudioPathMuted());

    // The live screen left while listening, its leak marker hidden and its
    // bars on the full range: the stored view opens as before.
    w.displayWidget(3, 1, 0);
    QVERIFY(!pp->isStoredView());
    key(pp);
    QVERIFY(!pp->isMuted());
    QVERIFY(label("labelWaterdrop")->isHidden());
    pp->findChild<QPushButton *>("butMenuMainmenu")->click();
    w.displayWidget(7, 1, 0);
    QVERIFY(w.getInstanceMeasManagement()->openMeasurement(folder));
    checkStoredView();

    // Unmounted behind the program's back: a clip of that name lying under
    // the bare mount point is no clip of the card's, and nothing plays.
    QCOMPARE(m_board->send("usb unmount"), QStringLiteral("ok"));
    QVERIFY(m_root->write(QStringLiteral("/media/tq3900/meas/%1/PP_Sound_%2.wav").arg(folder).arg(pos.currentStep),
                          clip(2)));
    const int played = m_root->journal("playback.log").size();
    DebugMessages::clear();
    pp->findChild<QPushButton *>("butMenuStoredPlay")->click();
    QTRY_VERIFY(!DebugMessages::all().filter(QRegularExpression("^Cannot open file:")).isEmpty());
    QCOMPARE(m_root->journal("playback.log").size(), played);
}

// The rules a person checks on paper: the leak among equal levels and the
// bar ranges of the two automatic scales.
void TestPinpointing::leakAndScaleRules()
{
    PinpointingPositions p;
    float level = -1;
    int freq = -1;
    QCOMPARE(p.leak(10, &level, &freq), -1);
    QCOMPARE(level, 0.0f);
    p.minimum[2] = p.minimum[5] = 60;
    p.frequency[5] = 300;
    p.minimum[3] = 40;
    QCOMPARE(p.leak(10, &level, &freq), 2);
    QCOMPARE(p.leak(1, &level, &freq), -1);

    struct Row { float a, b; int mode; float lo, hi; };
    const Row rows[] = {{40, 0, 1, 0, 100},  {40, 48, 1, 36, 50}, {40, 60, 1, 36, 64},
                        {40, 60, 2, 39, 61}, {40, 99, 2, 39, 100}, {40, 60, 7, 0, 100}};
    for (const Row &r : rows) {
        PinpointingPositions s;
        s.minimum[1] = r.a;
        s.minimum[4] = r.b;
        int mode = r.mode;
        float lo = -1, hi = -1;
        s.scaleRange(&mode, &lo, &hi);
        QCOMPARE(lo, r.lo);
        QCOMPARE(hi, r.hi);
        QCOMPARE(mode, r.mode == 7 ? 0 : r.mode);
    }
}

QTEST_MAIN(TestPinpointing)
#include "tst_pinpointing.moc"
