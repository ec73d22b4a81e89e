// Long-term measurement against the simulated board: a person listens to a
// noise whose level the simulator sets, lets the input fall silent, mutes,
// switches the level axis and the window, saves, and opens the measurement
// again from the browser, also a damaged one. Observed: the samples taken at
// the 1.3 s cadence, the bar and labels, the chart's axes, the saved
// info.ini, the stored view and the mixer writes of the way back.
#include "chartlabels.h"
#include "longtermdata.h"
#include "longtermmeasurement.h"
#include "mainmenu.h"
#include "measmanagement.h"
#include "nametyper.h"
#include "pairedboard.h"
#include "sensorunitlink.h"
#include "simboard.h"
#include "testroot.h"
#include "virtualkeyboard.h"

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

// What a user reads off the chart as drawn: the rows of its horizontal grid
// lines (RGB 64, 64, 64) in one column of the data area, against the rows
// its y axis puts them on, one per main step strictly inside the axis, at
// top + height x (v - min) / (max - min), truncated; none when the grid is
// off. Empty when they agree.
QString gridFault(const LongtermData &chart, int column, bool grid)
{
    const QImage &img = chart.chartImage();
    const QRect area = chart.dataArea();
    QList<int> shown, expected;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        if (img.pixel(column, y) == qRgb(64, 64, 64))
            shown << y;
    }
    const float min = chart.axisYMin(), max = chart.axisYMax(), step = chart.axisYMainStep();
    for (float v = min + step; grid && v < max; v += step)
        expected << int(float(area.top()) + float(area.height()) * (v - min) / (max - min));
    if (shown == expected)
        return QString();
    auto list = [](const QList<int> &rows) {
        QStringList out;
        for (int r : rows)
            out << QString::number(r);
        return out.join(',');
    };
    return QStringLiteral("grid rows %1, expected %2").arg(list(shown), list(expected));
}

// Whether the curve's colour lies within a row of `row` in `column`.
bool curveNear(const LongtermData &chart, int column, float row)
{
    for (int y = qRound(row) - 1; y <= qRound(row) + 1; ++y) {
        if (chart.chartImage().pixel(column, y) == qRgb(255, 255, 100))
            return true;
    }
    return false;
}

} // namespace

class TestLongtermmeasurement : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void samplesWindowsSaveAndStoredView_data();
    void samplesWindowsSaveAndStoredView();
    void autoRangeRules();

private:
    void key(QWidget *page) { QTest::keyPress(page, Qt::Key_F10); QTest::keyRelease(page, Qt::Key_F10); }

    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
};

void TestLongtermmeasurement::init()
{
    startPairedBoard(&m_root, &m_board);
}

void TestLongtermmeasurement::cleanup()
{
    m_board.reset();
    m_root.reset();
}

void TestLongtermmeasurement::samplesWindowsSaveAndStoredView_data()
{
    QTest::addColumn<bool>("grid"); // the setting "show grid"
    QTest::newRow("grid shown") << true;
    QTest::newRow("grid off") << false;
}

void TestLongtermmeasurement::samplesWindowsSaveAndStoredView()
{
    QFETCH(bool, grid);
    if (!grid)
        QVERIFY(m_root->write("/home/root/settings.ini",
                              pairedSettings("[Dialogconfiguration]\nLongterm_ShowGrid=false\n")));
    QCOMPARE(m_board->send("signal level 42"), QStringLiteral("ok"));
    MainMenu w;
    w.show();
    QVERIFY(waitForSinkDataMode(*w.getBtSinkInstance(), *m_board, *m_root));
    NameTyper typer;
    typer.name = QStringLiteral("Night");

    // From the main page: muted, the 3-minute window, no sampling.
    QTest::mouseClick(w.findChild<QPushButton *>("butLongtermmeasurement"), Qt::LeftButton);
    Longtermmeasurement *lt = w.longtermScreen();
    QCOMPARE(w.findChild<QStackedWidget *>("mainWidget")->currentWidget(), lt);
    QCOMPARE(w.getCurrentVisibleDlgNum(), 3);
    auto label = [lt](const char *name) { return lt->findChild<QLabel *>(name); };
    QVERIFY(lt->isMuted() && w.isAudioPathMuted());
    QVERIFY(!lt->updateTimer()->isActive());
    QCOMPARE(label("labelTime")->text(), QStringLiteral("3 min"));
    QCOMPARE(lt->maxVisibleData(), 180);
    QCOMPARE(lt->liveChart()->axisXMax(), 3.0f);
    QCOMPARE(lt->liveChart()->axisYMax(), 100.0f);

    // Listening: one sample each 1.3 s at the simulated level.
    key(lt);
    QVERIFY(!lt->isMuted() && !w.isAudioPathMuted());
    QCOMPARE(lt->updateTimer()->interval(), 1300);
    QElapsedTimer clock;
    clock.start();
    QTRY_COMPARE_WITH_TIMEOUT(lt->dataCount(), 2, 4000);
    QVERIFY2(clock.elapsed() >= 2500, qPrintable(QString::number(clock.elapsed())));
    for (int i = 0; i < 2; ++i)
        QVERIFY2(qAbs(lt->recordedData()[i] - 42) < 2.5f, qPrintable(QString::number(lt->recordedData()[i])));
    const float last = lt->recordedData()[1];
    QCOMPARE(label("labelLevel")->text(), QString::number(last, 'f', 0));
    QCOMPARE(lt->findChild<QProgressBar *>("prgbMinimumLevel")->value(), int(last));

    // Silence below 1 dB: no sample, the display stays.
    QCOMPARE(m_board->send("signal silence"), QStringLiteral("ok"));
    QTest::qWait(3000);
    QCOMPARE(lt->dataCount(), 2);
    QCOMPARE(label("labelLevel")->text(), QString::number(last, 'f', 0));

    // Muted: no sampling, even with noise.
    QCOMPARE(m_board->send("signal level 60"), QStringLiteral("ok"));
    key(lt);
    QVERIFY(lt->isMuted() && !lt->updateTimer()->isActive());
    QTest::qWait(1600);
    QCOMPARE(lt->dataCount(), 2);

    // The automatic level axis around the samples of the pass, and back.
    QPushButton *scale = lt->findChild<QPushButton *>("butMenuScale");
    scale->click();
    QVERIFY(lt->drawScaled());
    QCOMPARE(lt->minDataVal(), (int(qMin(lt->recordedData()[0], last)) / 5) * 5);
    QCOMPARE(lt->maxDataVal(), (int(qMax(lt->recordedData()[0], last)) / 5) * 5 + 5);
    QCOMPARE(lt->liveChart()->axisYMin(), float(lt->minDataVal()));
    QCOMPARE(lt->liveChart()->axisYMainStep(), 10.0f);
    // Its labels whole and apart on the chart as the screen shows it.
    QCOMPARE(lt->liveChart()->size(), QSize(416, 136));
    QCOMPARE(lt->liveChart()->chartImage().size(), lt->liveChart()->size());
    QCOMPARE(chartLabelFault(*lt->liveChart()), QString());
    QVERIFY(scale->styleSheet().contains("ScaleMagnifierFull_ws_44px"));
    // Muted, no sample redraws the chart: the click itself clears it and
    // draws the pass anew, the grid at the new axis' steps and the first
    // sample at its height between the two ends. A column between the
    // first two vertical lines, clear of the curve, shows the grid.
    const QRect area = lt->liveChart()->dataArea();
    const int gridColumn = area.left() + area.width() / 12;
    const float firstSample = lt->recordedData()[0];
    QCOMPARE(gridFault(*lt->liveChart(), gridColumn, grid), QString());
    QVERIFY(curveNear(*lt->liveChart(), area.left(),
                      area.top() + area.height()
                          - (firstSample - lt->minDataVal()) * area.height() / (lt->maxDataVal() - lt->minDataVal())));
    scale->click();
    QVERIFY(!lt->drawScaled());
    QCOMPARE(lt->liveChart()->axisYMin(), 0.0f);
    QCOMPARE(lt->liveChart()->axisYMax(), 100.0f);
    QCOMPARE(lt->liveChart()->axisYMainStep(), 20.0f);
    QCOMPARE(chartLabelFault(*lt->liveChart()), QString());
    QCOMPARE(gridFault(*lt->liveChart(), gridColumn, grid), QString()); // four lines, 20 dB apart
    QVERIFY(curveNear(*lt->liveChart(), area.left(), area.top() + area.height() - firstSample * area.height() / 100));

    // The window cycle: labels and axes; a new pass starts.
    QPushButton *time = lt->findChild<QPushButton *>("butMenuTime");
    const struct { const char *label; float max, step; } windows[] = {{"10 min", 10, 2}, {"30 min", 30, 5}, {"3 min", 3, 0.5f}, {"10 min", 10, 2}};
    for (const auto &win : windows) {
        time->click();
        QCOMPARE(label("labelTime")->text(), QString::fromLatin1(win.label));
        QCOMPARE(lt->liveChart()->axisXMax(), win.max);
        QCOMPARE(lt->liveChart()->axisXMainStep(), win.step);
        QCOMPARE(lt->dataCount(), 0);
    }
    // Without a sample in the pass the automatic axis stays off.
    scale->click();
    QVERIFY(!lt->drawScaled());

    // Two samples in the 10-minute window, then saved: the current pass.
    key(lt);
    QTRY_COMPARE_WITH_TIMEOUT(lt->dataCount(), 2, 4000);
    QCOMPARE(lt->maxVisibleData(), 600);
    const float first = lt->recordedData()[0], second = lt->recordedData()[1];
    lt->findChild<QPushButton *>("butMenuSave")->click();
    QVERIFY(lt->isMuted() && w.isAudioPathMuted());
    const QDir meas(m_root->local(kMeas));
    const QStringList folders = meas.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(folders.size(), 1);
    const QString folder = folders.first();
    QVERIFY2(QRegularExpression("^LT_\\d{8}_\\d{6}_Night$").match(folder).hasMatch(), qPrintable(folder));
    {
        QSettings info(meas.filePath(folder + "/info.ini"), QSettings::IniFormat);
        QCOMPARE(info.value("Levels_CSV/Levels_Cnt").toInt(), 2);
        QCOMPARE(info.value("Levels_CSV/SelectedTime").toInt(), 1);
        QCOMPARE(info.value("Levels_CSV/MaxVisibleData").toInt(), 600);
        const QStringList values = info.value("Levels_CSV/Levels_Data").toString().split(';');
        QVERIFY(qAbs(values.value(0).toFloat() - first) <= 0.05f); // one decimal
        QVERIFY(qAbs(values.value(1).toFloat() - second) <= 0.05f);
    }
    QCOMPARE(lt->dataCount(), 2); // the pass goes on after a save

    // Opened again: the 10-minute window with its two samples.
    w.displayWidget(7, 1, 0);
    QVERIFY(w.getInstanceMeasManagement()->openMeasurement(folder));
    QCOMPARE(w.findChild<QStackedWidget *>("mainWidget")->currentWidget(), lt);
    QVERIFY(lt->findChild<QWidget *>("storedPage")->isVisible());
    QCOMPARE(label("labelTimeStored")->text(), QStringLiteral("10 min"));
    QCOMPARE(lt->storedChart()->axisXMax(), 10.0f);
    QCOMPARE(lt->storedDataCount(), 2);
    QCOMPARE(lt->storedChart()->size(), QSize(416, 185));
    QCOMPARE(lt->storedChart()->chartImage().size(), lt->storedChart()->size());
    QCOMPARE(chartLabelFault(*lt->storedChart()), QString());
    QCOMPARE(lt->maxVisibleData(), 600);
    QCOMPARE(label("labelStoredMeasurement")->text(), QStringLiteral("Night"));
    QVERIFY(!lt->updateTimer()->isActive() && !lt->frame()->watchdogTimer()->isActive());

    // Damaged files: an oversized window and a negative count, an oversized
    // count with few values. They open without a fault.
    const QString wide = QStringLiteral("LT_20240101_120000_Wide");
    QVERIFY(m_root->write(QStringLiteral("%1%2/info.ini").arg(kMeas, wide),
                          "[Measurementinfo]\nMeasurementname=Wide\n[Levels_CSV]\nLevels_Cnt=-5\n"
                          "Levels_Data=\"10;20;30\"\nSelectedTime=7\nMaxVisibleData=50000\n"));
    w.displayWidget(7, 1, 0);
    QVERIFY(w.getInstanceMeasManagement()->openMeasurement(wide));
    QCOMPARE(lt->storedDataCount(), 0);
    QVERIFY(lt->maxVisibleData() >= 0 && lt->maxVisibleData() < Longtermmeasurement::kBufferSize);
    QCOMPARE(label("labelTimeStored")->text(), QStringLiteral("3 min"));
    QVERIFY(m_root->write(QStringLiteral("%1%2/info.ini").arg(kMeas, wide),
                          "[Measurementinfo]\nMeasurementname=Wide\n[Levels_CSV]\nLevels_Cnt=50000\n"
                          "Levels_Data=\"10;20;30\"\nSelectedTime=2\nMaxVisibleData=-3\n"));
    w.displayWidget(7, 1, 0);
    QVERIFY(w.getInstanceMeasManagement()->openMeasurement(wide));
    QCOMPARE(lt->storedDataCount(), 3);
    QCOMPARE(lt->maxVisibleData(), 0);
    QCOMPARE(label("labelTimeStored")->text(), QStringLiteral("30 min"));
    lt->storedChart()->grab(); // painted without a fault

    // Back: listening routing, output off, the browser.
    const int mixMark = m_root->journal("mixer.log").size();
    lt->findChild<QPushButton *>("butMenuStoredBack")->click();
    const QStringList mixer = m_root->journal("mixer.log").mid(mixMark);
    QVERIFY2(mixer.contains("Loopback-SecDataIn := item 1"), qPrintable(mixer.join('|')));
    QCOMPARE(mixer.last(), QStringLiteral("LO DAC := 0"));
    QCOMPARE(w.findChild<QStackedWidget *>("mainWidget")->currentWidget(), w.getInstanceMeasManagement());
}

// The automatic axis on paper values: multiples of 5 around the samples,
// within 0..100.
void TestLongtermmeasurement::autoRangeRules()
{
    int lo = -1, hi = -1;
    QVERIFY(!Longtermmeasurement::autoRange(nullptr, 0, &lo, &hi));
    const float a[] = {42.7f, 38.2f, 55.0f};
    QVERIFY(Longtermmeasurement::autoRange(a, 3, &lo, &hi));
    QCOMPARE(lo, 35);
    QCOMPARE(hi, 60);
    const float b[] = {99.0f, 1.0f};
    QVERIFY(Longtermmeasurement::autoRange(b, 2, &lo, &hi));
    QCOMPARE(lo, 0);
    QCOMPARE(hi, 100);
    QVERIFY(Longtermmeasurement::autoRange(b, 1, &lo, &hi)); // only the pass counts
    QCOMPARE(lo, 95);
    QCOMPARE(hi, 100);
}

QTEST_MAIN(TestLongtermmeasurement)
#include "tst_longtermmeasurement.moc"
