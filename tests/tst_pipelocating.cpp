// Pipe locating against the simulated board: a person listens at positions
// whose noise the simulator sets, lets one position go without a level,
// gets repeated reports of the unit's key, saves, opens the measurement
// again and changes the filter. Observed: the positions with their GPS
// positions, the bars with their ranges, colours and the pipe symbol, the
// update cadence, the saved folder and its info.ini, the mixer writes of the
// way back. The position rules are checked on paper values as well.
#include "audiocodecsetup.h"
#include "gps.h"
#include "mainmenu.h"
#include "measmanagement.h"
#include "nametyper.h"
#include "pairedboard.h"
#include "pipelocating.h"
#include "progressbarminmaxmarker.h"
#include "sensorunitlink.h"
#include "simboard.h"
#include "testroot.h"
#include "virtualkeyboard.h"

#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QtTest>

#include <memory>

namespace {

const char kMeas[] = "/media/tq3900/meas/";
const QString kGreen = QStringLiteral("QProgressBar::chunk {background-color: rgb(0,255,127);}");

} // namespace

class TestPipelocating : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void positionsSaveAndStoredView();
    void eleventhPositionMovesEveryFrequency();
    void positionRules();

private:
    void listen(Pipelocating *pl, double level, int ms);
    void key(QWidget *page) { QTest::keyPress(page, Qt::Key_F10); QTest::keyRelease(page, Qt::Key_F10); }

    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
};

void TestPipelocating::init()
{
    startPairedBoard(&m_root, &m_board);
}

void TestPipelocating::cleanup()
{
    m_board.reset();
    m_root.reset();
}

void TestPipelocating::listen(Pipelocating *pl, double level, int ms)
{
    QCOMPARE(m_board->send(level > 0 ? QStringLiteral("signal level %1").arg(level) : QStringLiteral("signal silence")),
             QStringLiteral("ok"));
    QVERIFY(pl->isMuted());
    key(pl);
    QVERIFY(!pl->isMuted());
    QTest::qWait(ms);
    key(pl);
    QVERIFY(pl->isMuted());
}

void TestPipelocating::positionsSaveAndStoredView()
{
    QCOMPARE(m_board->send("gps pos 48.125 -11.5"), QStringLiteral("ok"));
    MainMenu w;
    w.show();
    QVERIFY(waitForSinkDataMode(*w.getBtSinkInstance(), *m_board, *m_root));
    QTRY_VERIFY_WITH_TIMEOUT(w.getGpsInstance()->isGpsDataValid()
                                 && qAbs(w.getGpsInstance()->getLatitude() - 48.125) < 1e-9, 8000);
    NameTyper typer;
    typer.name = QStringLiteral("Lane");

    // From the main page: muted, updating every 500 ms, no position yet.
    QTest::mouseClick(w.findChild<QPushButton *>("butPipelocating"), Qt::LeftButton);
    Pipelocating *pl = w.pipelocatingScreen();
    QCOMPARE(w.findChild<QStackedWidget *>("mainWidget")->currentWidget(), pl);
    QCOMPARE(w.getCurrentVisibleDlgNum(), 5);
    const PipePositions &pos = pl->positions();
    auto bar = [pl](int i, const char *suffix = "") {
        return pl->findChild<QProgressBar *>(QStringLiteral("progBarHist%1%2").arg(i).arg(suffix));
    };
    auto label = [pl](const QString &name) { return pl->findChild<QLabel *>(name); };
    QVERIFY(pl->isMuted() && w.isAudioPathMuted());
    QVERIFY(pl->updateTimer()->isActive());
    QCOMPARE(pl->updateTimer()->interval(), 500);
    QCOMPARE(pos.currentStep, 0);
    QVERIFY(bar(1)->isHidden());
    QVERIFY(label("labelPipesymbol")->isHidden());
    // Without the spectrum (the default) the level stands in the middle,
    // not covered by the spectrum's frame.
    QVERIFY(pl->findChild<QWidget *>("verticalLayoutWidget")->isHidden());
    QCOMPARE(label("labelLevel")->pos(), QPoint(132, 5));

    // Two positions, the second louder: it carries the pipe symbol.
    listen(pl, 40, 1300);
    listen(pl, 60, 1300);
    QCOMPARE(pos.currentStep, 2);
    QVERIFY2(pos.historyValues[2] > pos.historyValues[1] + 10, qPrintable(QString::number(pos.historyValues[1])));
    for (int i = 1; i <= 2; ++i) {
        QVERIFY(bar(i)->isVisible());
        QCOMPARE(bar(i)->value(), qBound(bar(i)->minimum(), int(pos.historyValues[i] * 10), bar(i)->maximum()));
        QCOMPARE(label(QStringLiteral("labelProgBar%1").arg(i))->text(), QString::number(qRound(pos.historyValues[i])));
        QCOMPARE(bar(i)->styleSheet(), kGreen);
        QCOMPARE(pos.lat[i], 48.125);
        QCOMPARE(pos.lon[i], -11.5);
    }
    QCOMPARE(label("labelPipesymbol")->pos(), QPoint(47 + 3, 215));
    QVERIFY(label("labelPipesymbol")->isVisible());
    // The live range around the two positions.
    float lo = 0, hi = 0;
    PipePositions::liveRange(pos.historyValues, &lo, &hi);
    QCOMPARE(pl->dynamicScaleMin(), lo);
    QCOMPARE(bar(1)->minimum(), int(lo * 10));
    QCOMPARE(bar(1)->maximum(), int(hi * 10));
    QVERIFY(qAbs(lo - (pos.historyValues[1] - 4)) < 1e-4f);
    // The peak bar holds the max-hold marker.
    QCOMPARE(pl->findChild<ProgressBarMinMaxMarker *>("prgbPeakLevelMinMax")->maxMarker(),
             int(pos.maxHoldValue * 10));

    // A listening without a level is taken back: the next one reuses it.
    listen(pl, 0, 1100);
    QCOMPARE(pos.currentStep, 2);

    // The receiver moves on; repeated mute reports of the unit neither take
    // a position back nor move its GPS position.
    QCOMPARE(m_board->send("gps pos 47.5 -10.25"), QStringLiteral("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(w.getGpsInstance()->getLatitude() - 47.5) < 1e-9, 8000);
    QCOMPARE(m_board->send("bt ttyO2 send BT_RX MUTE_STATE MUTE"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("bt ttyO2 send BT_RX MUTE_STATE MUTE"), QStringLiteral("ok"));
    QTest::qWait(500);
    QCOMPARE(pos.currentStep, 2);
    QCOMPARE(pos.lat[2], 48.125);
    QVERIFY(pos.historyValues[2] > 0);

    // Saved while muted: the positions as shown, no clip.
    const float saved1 = pos.historyValues[1], saved2 = pos.historyValues[2];
    pl->findChild<QPushButton *>("butMenuSave")->click();
    const QDir meas(m_root->local(kMeas));
    const QStringList folders = meas.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(folders.size(), 1);
    const QString folder = folders.first();
    QVERIFY2(QRegularExpression("^PL_\\d{8}_\\d{6}_Lane$").match(folder).hasMatch(), qPrintable(folder));
    QCOMPARE(QDir(meas.filePath(folder)).entryList({"*.wav"}, QDir::Files), QStringList());
    {
        QSettings info(meas.filePath(folder + "/info.ini"), QSettings::IniFormat);
        QVERIFY(qAbs(info.value("Levels/Level_1").toFloat() - saved1) < 0.01f);
        QVERIFY(qAbs(info.value("Levels/Level_2").toFloat() - saved2) < 0.01f);
        QCOMPARE(info.value("Levels/Level_3").toFloat(), 0.0f);
        QVERIFY2(info.value("GPS-Positions/GPS-Position_2").toString().contains("48.125"),
                 qPrintable(info.value("GPS-Positions/GPS-Position_2").toString()));
    }
    QVERIFY(pl->isMuted() && w.isAudioPathMuted());

    // An accepted filter dialog: updates every 200 ms until the next entry.
    QTimer accept;
    connect(&accept, &QTimer::timeout, [] {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
            dialog->accept();
    });
    accept.start(50);
    pl->findChild<QPushButton *>("butMenuFilter")->click();
    accept.stop();
    QVERIFY(pl->updateTimer()->isActive());
    QCOMPARE(pl->updateTimer()->interval(), 200);

    // Opened again from the browser: the stored bars with their range and
    // the pipe under the louder one; no timer, no warning.
    w.displayWidget(7, 1, 0);
    QVERIFY(w.getInstanceMeasManagement()->openMeasurement(folder));
    QCOMPARE(w.findChild<QStackedWidget *>("mainWidget")->currentWidget(), pl);
    QVERIFY(pl->findChild<QWidget *>("storedPage")->isVisible());
    QCOMPARE(label("labelStoredMeasurement")->text(), QStringLiteral("Lane"));
    QVERIFY(!pl->updateTimer()->isActive());
    QVERIFY(!pl->frame()->watchdogTimer()->isActive());
    QVERIFY(bar(1, "_stored")->isVisible() && bar(2, "_stored")->isVisible());
    QVERIFY(bar(3, "_stored")->isHidden());
    const float *stored = pl->storedLevels();
    QCOMPARE(bar(1, "_stored")->minimum(), int((qMax(5.0f, stored[1]) - 5) * 10));
    QCOMPARE(bar(1, "_stored")->maximum(), int((qMin(95.0f, stored[2]) + 5) * 10));
    QCOMPARE(bar(2, "_stored")->value(), int(stored[2] * 10));
    QCOMPARE(label("labelPipesymbol_stored")->pos(), QPoint(47 + 3, 182));
    QVERIFY(label("labelPipesymbol_stored")->isVisible());
    QCOMPARE(label("labelProgBar2_stored")->text(), QString::number(qRound(stored[2])));

    // A flat stored measurement gets the full range.
    const QString flat = QStringLiteral("PL_20240101_120000_Flat");
    QVERIFY(m_root->write(QStringLiteral("%1%2/info.ini").arg(kMeas, flat),
                          "[Measurementinfo]\nMeasurementname=Flat\n[Levels]\nLevel_4=50\n"));
    w.displayWidget(7, 1, 0);
    QVERIFY(w.getInstanceMeasManagement()->openMeasurement(flat));
    QCOMPARE(bar(4, "_stored")->minimum(), 0);
    QCOMPARE(bar(4, "_stored")->maximum(), 1000);
    QVERIFY(bar(1, "_stored")->isHidden() && bar(4, "_stored")->isVisible());
    QCOMPARE(label("labelPipesymbol_stored")->x(), 5 + 42 * 3 + 3);

    // Back: listening routing, output off, the browser.
    const int mixMark = m_root->journal("mixer.log").size();
    pl->findChild<QPushButton *>("butMenuStoredBack")->click();
    const QStringList mixer = m_root->journal("mixer.log").mid(mixMark);
    QVERIFY2(mixer.contains("Loopback-SecDataIn := item 1"), qPrintable(mixer.join('|')));
    QCOMPARE(mixer.last(), QStringLiteral("LO DAC := 0"));
    QCOMPARE(w.findChild<QStackedWidget *>("mainWidget")->currentWidget(), w.getInstanceMeasManagement());

    // A new live entry: position 0, 500 ms, the full range again.
    w.displayWidget(8, 1, 0);
    QCOMPARE(pos.currentStep, 0);
    QCOMPARE(pos.historyValues[2], 0.0f);
    QCOMPARE(pl->updateTimer()->interval(), 500);
    QCOMPARE(pl->dynamicScaleMax(), 100.0f);
    QCOMPARE(bar(1)->minimum(), 0);
    QCOMPARE(bar(1)->maximum(), 1000);
    QVERIFY(pl->findChild<QWidget *>("mainPage")->isVisible());
}

// Eleven listenings at tones of rising pitch, the bars coloured by their
// frequencies: at the eleventh the row moves one place to the left with
// every position's own frequency, on the bars and in the saved info.ini.
void TestPipelocating::eleventhPositionMovesEveryFrequency()
{
    QVERIFY(m_root->write("/home/root/settings.ini",
                          pairedSettings("[Dialogconfiguration]\nPipelocating_UseFrequencyColorForLevelbar=true\n")));
    MainMenu w;
    w.show();
    QVERIFY(waitForSinkDataMode(*w.getBtSinkInstance(), *m_board, *m_root));
    QTest::mouseClick(w.findChild<QPushButton *>("butPipelocating"), Qt::LeftButton);
    Pipelocating *pl = w.pipelocatingScreen();
    const PipePositions &pos = pl->positions();
    auto bar = [pl](int i) { return pl->findChild<QProgressBar *>(QStringLiteral("progBarHist%1").arg(i)); };

    int heard[12] = {};
    QString colour[12];
    for (int i = 1; i <= 11; ++i) {
        // 160 Hz to 410 Hz: the colours run from red to yellow up to 300 Hz.
        const int tone = 135 + 25 * i;
        QCOMPARE(m_board->send(QStringLiteral("signal tone %1 0.05").arg(tone)), QStringLiteral("ok"));
        key(pl);
        QCOMPARE(pos.currentStep, qMin(i, 10));
        if (i == 11) {
            for (int j = 1; j <= 9; ++j) {
                QCOMPARE(pos.historyFrequency[j], heard[j + 1]);
                QCOMPARE(bar(j)->styleSheet(), colour[j + 1]);
            }
        }
        // Until the analysis hears the new tone (the converter still holds
        // the last one for a moment).
        QTRY_VERIFY_WITH_TIMEOUT(pos.historyValues[pos.currentStep] > 0
                                     && qAbs(pos.historyFrequency[pos.currentStep] - tone) < 20,
                                 5000);
        key(pl);
        heard[i] = pos.historyFrequency[pos.currentStep];
        colour[i] = bar(qMin(i, 10))->styleSheet();
        QVERIFY(i == 1 || heard[i] != heard[i - 1]);
    }
    QVERIFY(colour[1] != colour[2] && colour[2] != kGreen);

    NameTyper typer;
    typer.name = QStringLiteral("Eleven");
    pl->findChild<QPushButton *>("butMenuSave")->click();
    const QStringList folders = QDir(m_root->local(kMeas)).entryList({"PL_*"}, QDir::Dirs);
    QCOMPARE(folders.size(), 1);
    QSettings info(m_root->local(kMeas + folders.first() + "/info.ini"), QSettings::IniFormat);
    for (int i = 1; i <= 10; ++i)
        QCOMPARE(info.value(QStringLiteral("Levels/Frequency_%1").arg(i)).toInt(), heard[i + 1]);
}

// The rules a person checks on paper: the max-hold over six updates, the
// take-back, the shift of an eleventh position, the pipe among equal levels
// and the bar ranges.
void TestPipelocating::positionRules()
{
    PipePositions p;
    p.beginListening();
    p.update(70, 300);
    for (int i = 0; i < 5; ++i)
        p.update(40 + i, 100);
    QCOMPARE(p.maxHoldValue, 70.0f); // six updates hold the loud one
    p.update(41, 100);
    QCOMPARE(p.maxHoldValue, 44.0f); // then the highest of the later ones
    QCOMPARE(p.historyValues[1], 44.0f);
    QCOMPARE(p.historyFrequency[1], 100);
    QVERIFY(p.endListening());

    // Eleven positions: the first goes to index 0, 2..11 stand in 1..10.
    PipePositions r;
    for (int i = 1; i <= 11; ++i) {
        r.beginListening();
        r.update(float(i), i * 10);
        r.setPosition(i, -i);
        QVERIFY(r.endListening());
    }
    QCOMPARE(r.currentStep, 10);
    QCOMPARE(r.historyValues[0], 1.0f);
    QCOMPARE(r.historyValues[1], 2.0f);
    QCOMPARE(r.historyValues[10], 11.0f);
    QCOMPARE(r.historyFrequency[10], 110);
    for (int i = 1; i <= 9; ++i) {
        QCOMPARE(r.historyValues[i], float(i + 1));
        QCOMPARE(r.historyFrequency[i], (i + 1) * 10);
        QCOMPARE(r.lat[i], double(i + 1));
        QCOMPARE(r.lon[i], double(-i - 1));
    }
    // Unmuted at 10 and muted before an update: the shifted copy stays.
    r.beginListening();
    QVERIFY(r.endListening());
    QCOMPARE(r.historyValues[10], 11.0f);
    QCOMPARE(r.historyValues[9], 11.0f);
    // A silent position is taken back.
    PipePositions s;
    s.beginListening();
    s.update(0, 0);
    QVERIFY(!s.endListening());
    QCOMPARE(s.currentStep, 0);

    const float ties[11] = {0, 50, 30, 50, 0};
    QCOMPARE(PipePositions::largest(ties, 4), 3);
    const float zeros[11] = {};
    QCOMPARE(PipePositions::largest(zeros, 4), 4);
    QCOMPARE(PipePositions::largest(zeros, 0), 0);

    struct Row { float a, b, lo, hi; };
    const Row live[] = {{30, 35, 26, 40}, {30, 40, 26, 40}, {30, 50, 26, 54}, {30, 0, 0, 100}, {30, 30, 0, 100},
                        {2, 99, 0, 100}};
    for (const Row &row : live) {
        float v[11] = {};
        v[1] = row.a;
        v[5] = row.b;
        float lo = -1, hi = -1;
        PipePositions::liveRange(v, &lo, &hi);
        QCOMPARE(lo, row.lo);
        QCOMPARE(hi, row.hi);
    }
    const Row stored[] = {{20, 60, 15, 65}, {2, 98, 0, 100}, {50, 50, 0, 100}, {0, 0, 0, 100}};
    for (const Row &row : stored) {
        float v[11] = {};
        v[2] = row.a;
        v[7] = row.b;
        float lo = -1, hi = -1;
        PipePositions::storedRange(v, &lo, &hi);
        QCOMPARE(lo, row.lo);
        QCOMPARE(hi, row.hi);
    }
}

QTEST_MAIN(TestPipelocating)
#include "tst_pipelocating.moc"
