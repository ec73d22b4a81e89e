// The trend chart, checked on its pixels: the layout of the scales and the
// data area, the labels of both axes for the ranges its screens use, grid
// and ticks, curves in percent and scaled, the black tail of a ring buffer,
// and counts and values no file should carry.
#include "chartlabels.h"
#include "longtermdata.h"

#include <QtTest>

#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(QVector<float>)
Q_DECLARE_METATYPE(QVector<QVector<float>>)

namespace {

const QColor kScale = Qt::gray;
const QColor kData = Qt::white;
const QColor kGrid(64, 64, 64);

// The painter's own font on an image, at a size and weight.
QFont labelFont(int points, bool bold)
{
    QImage img(1, 1, QImage::Format_RGB32);
    QPainter p(&img);
    QFont f = p.font();
    f.setPointSize(points);
    f.setBold(bold);
    return f;
}

struct Label
{
    QRect box;
    int align;
    QString text;
};

// Compares a region of the chart with the labels drawn alone, in the same
// order, on the scale background; empty when equal, else where not.
QString labelsDiffer(const QImage &chart, const QRect &region, const QList<Label> &labels, const QFont &font)
{
    QImage ref(chart.size(), QImage::Format_RGB32);
    ref.fill(Qt::black);
    QPainter p(&ref);
    p.setFont(font);
    p.setPen(kScale);
    for (const Label &l : labels)
        p.drawText(l.box, l.align, l.text);
    p.end();
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x)
            if (chart.pixel(x, y) != ref.pixel(x, y))
                return QStringLiteral("differs at %1, %2").arg(x).arg(y);
    return QString();
}

// Rows of one column that show colour c.
QList<int> rowsOf(const QImage &img, int x, const QColor &c)
{
    QList<int> rows;
    for (int y = 0; y < img.height(); ++y)
        if (img.pixel(x, y) == c.rgb())
            rows << y;
    return rows;
}

} // namespace

class TestTrendChart : public QObject
{
    Q_OBJECT

private slots:
    void scalesAndLayout_data();
    void scalesAndLayout();
    void yLabelsWholeAndApart_data();
    void yLabelsWholeAndApart();
    void curves_data();
    void curves();
    void invalidAxisDrawsNoScale();
};

void TestTrendChart::scalesAndLayout_data()
{
    QTest::addColumn<QVector<float>>("xAxis");
    QTest::addColumn<QVector<float>>("yAxis");
    QTest::addColumn<QStringList>("xLabels");
    QTest::addColumn<QStringList>("yLabels"); // top to bottom
    QTest::addColumn<bool>("smallY");          // 9 points, shifted by 2
    QTest::addColumn<bool>("smallX");
    QTest::newRow("long-term, 3 minutes, percent")
        << QVector<float>{0, 3, 0.5f, 0.1f} << QVector<float>{0, 100, 20, 10}
        << QStringList{"0", "0.5", "1", "1.5", "2", "2.5", "3"} << QStringList{"100", "80", "60", "40", "20", "0"}
        << false << false;
    QTest::newRow("long-term, 30 minutes, scaled")
        << QVector<float>{0, 30, 5, 1} << QVector<float>{0, 3, 0.5f, 0.1f}
        << QStringList{"0", "5", "10", "15", "20", "25", "30"}
        << QStringList{"3.00", "2.50", "2.00", "1.50", "1.00", "0.50", "0.00"} << true << false;
    QTest::newRow("hydrogen") << QVector<float>{0, 150, 30, 10} << QVector<float>{0, 1000, 250, 125}
                              << QStringList{"0", "30", "60", "90", "120", "150"}
                              << QStringList{"1000", "750", "500", "250", "0"} << true << false;
    // The stored hydrogen view's 200 range and the pressure screen's 25 bar.
    QTest::newRow("hydrogen, 200") << QVector<float>{0, 150, 30, 10} << QVector<float>{0, 200, 40, 20}
                                   << QStringList{"0", "30", "60", "90", "120", "150"}
                                   << QStringList{"200", "160", "120", "80", "40", "0"} << false << false;
    QTest::newRow("pressure, 25 bar") << QVector<float>{0, 150, 30, 10} << QVector<float>{0, 25, 5, 1}
                                      << QStringList{"0", "30", "60", "90", "120", "150"}
                                      << QStringList{"25", "20", "15", "10", "5", "0"} << false << false;
    QTest::newRow("one decimal, wide x") << QVector<float>{0, 3000, 1000, 500} << QVector<float>{0, 12.5f, 2.5f, 0.5f}
                                         << QStringList{"0", "1000", "2000", "3000"}
                                         << QStringList{"12.5", "10.0", "7.5", "5.0", "2.5", "0.0"} << true << true;
}

void TestTrendChart::scalesAndLayout()
{
    QFETCH(QVector<float>, xAxis);
    QFETCH(QVector<float>, yAxis);
    QFETCH(QStringList, xLabels);
    QFETCH(QStringList, yLabels);
    QFETCH(bool, smallY);
    QFETCH(bool, smallX);

    LongtermData chart;
    chart.resize(416, 101);
    chart.init(416, 101, kScale, kData);
    QCOMPARE(chart.getRect(), QRect(0, 0, 416, 101));
    QCOMPARE(chart.dataArea(), QRect(QPoint(30, 0), QPoint(400, 75)));
    QCOMPARE(chart.xScaleArea(), QRect(QPoint(30, 76), QPoint(399, 99)));
    QCOMPARE(chart.yScaleArea(), QRect(QPoint(0, 0), QPoint(29, 75)));
    chart.setAxisX(xAxis[0], xAxis[1], xAxis[2], xAxis[3], true);
    chart.setAxisY(yAxis[0], yAxis[1], yAxis[2], yAxis[3], true);
    chart.refresh();
    const QImage img = chart.chartImage();
    QCOMPARE(img.size(), QSize(416, 101));

    // Data area in its colour up to its corners (the y ticks reach into its
    // first columns, the last x tick's cap into its last rows); outside it
    // the background.
    for (const QPoint &p : {QPoint(35, 75), QPoint(400, 0), QPoint(400, 73), QPoint(35, 1)})
        QVERIFY2(QColor(img.pixel(p)) == QColor(Qt::darkGray), qPrintable(QStringLiteral("%1, %2").arg(p.x()).arg(p.y())));
    for (const QPoint &p : {QPoint(401, 0), QPoint(415, 50), QPoint(200, 100), QPoint(5, 99)})
        QCOMPARE(QColor(img.pixel(p)), QColor(Qt::black));

    // Grid: a horizontal line at each y main step, a vertical one at each x
    // main step, none on the area's edges.
    const int w = 371;
    const int h = 76;
    const float yRange = yAxis[1] - yAxis[0];
    const float xRange = xAxis[1] - xAxis[0];
    for (int k = 1; k < yLabels.size() - 1; ++k)
        QCOMPARE(QColor(img.pixel(398, int(h * (k * yAxis[2]) / yRange))), kGrid);
    for (int k = 1; k < xLabels.size() - 1; ++k) {
        const int x = int(30 + w * (k * xAxis[2]) / xRange);
        QVERIFY2(QColor(img.pixel(x, 74)) == kGrid, qPrintable(QString::number(x)));
        // Main tick below it, six rows deep.
        const int tick = int(30 + 370 * (k * xAxis[2]) / xRange);
        QCOMPARE(QColor(img.pixel(tick, 80)), kScale);
    }
    QCOMPARE(rowsOf(img, 395, kGrid).size(), yLabels.size() - 2);

    // y labels from max at the top to min at the bottom, right-aligned at
    // their ticks, in the axis' font unless a label would not fit the strip;
    // x labels: the first left-aligned at the start, the others centred on
    // their main tick, the last on the right end. The compared regions leave
    // out the ticks.
    const LongtermData::ScaleLabels layout = chart.yScaleLabels();
    const QFont axisFont = smallY ? labelFont(9, false) : labelFont(11, true);
    bool fitsAxisFont = true;
    for (const QString &text : yLabels)
        fitsAxisFont = fitsAxisFont && QFontMetrics(axisFont, &img).horizontalAdvance(text) <= 27;
    if (fitsAxisFont) {
        QCOMPARE(layout.font.pointSize(), axisFont.pointSize());
        QCOMPARE(layout.font.bold(), axisFont.bold());
    } else {
        QVERIFY(layout.font.pointSize() < 11 && !layout.font.bold());
    }
    const int s = layout.font.bold() ? 0 : 2;
    QList<Label> ys;
    QCOMPARE(layout.labels.size(), yLabels.size());
    for (int k = 0; k < yLabels.size(); ++k) {
        const LongtermData::ScaleLabel &l = layout.labels[k];
        QCOMPARE(l.text, yLabels[k]);
        // The ends always; those between where there is room (below).
        QVERIFY(l.shown || (k > 0 && k < yLabels.size() - 1));
        if (!l.shown)
            continue;
        int top = int(h * (k * yAxis[2]) / yRange - 4 - s);
        // At the top, whole: its digits begin on the chart's first row or
        // just below.
        if (k == 0) {
            top = l.box.top();
            QVERIFY2(l.ink.top() == 0 && top <= 3, qPrintable(QString::number(top)));
        }
        if (k == yLabels.size() - 1)
            top = h - 6 - s;
        QCOMPARE(l.box, QRect(QPoint(0, top), QPoint(27, top + 14)));
        ys << Label{l.box, Qt::AlignRight | Qt::AlignVCenter, yLabels[k]};
    }
    QCOMPARE(labelsDiffer(img, QRect(QPoint(0, 0), QPoint(25, 100)), ys, layout.font), QString());
    QCOMPARE(chartLabelFault(chart), QString());
    QList<Label> xs{{QRect(QPoint(30, 81), QPoint(59, 95)), Qt::AlignLeft | Qt::AlignVCenter, xLabels[0]}};
    for (int k = 1; k < xLabels.size(); ++k) {
        const int c = int(30 + 370 * (k * xAxis[2]) / xRange - 17);
        xs << Label{QRect(QPoint(c, 81), QPoint(c + 33, 95)), Qt::AlignCenter, xLabels[k]};
    }
    // (Column 415 lies beyond the x scale's fill: a label reaching it is
    // drawn there again at each redraw.)
    QCOMPARE(labelsDiffer(img, QRect(QPoint(30, 82), QPoint(414, 100)), xs,
                          smallX ? labelFont(9, false) : labelFont(12, true)),
             QString());

    // What the screen shows is the image.
    if (!qEnvironmentVariableIsEmpty("TQ3900_CHART_PNG")) {
        const float curve[] = {10, 30, 55, 80, 100, 70, 40, 20, 0, -1, 45, 60};
        chart.drawData(const_cast<float *>(curve), 9, 12, true);
        chart.grab().save(qEnvironmentVariable("TQ3900_CHART_PNG") + QTest::currentDataTag() + ".png");
    }
    QCOMPARE(chart.grab().toImage().convertToFormat(QImage::Format_RGB32).pixel(200, 40), chart.chartImage().pixel(200, 40));
}

void TestTrendChart::yLabelsWholeAndApart_data()
{
    QTest::addColumn<QList<QSize>>("sizes");
    QTest::addColumn<QVector<QVector<float>>>("axes"); // min, max, main step, minor step
    QTest::addColumn<bool>("endsShown");              // max and min both labelled

    // The hydrogen screen: labels every fifth of its range, ticks every
    // tenth (integer steps); fixed ranges 50 .. 1000 and the dynamic range
    // anywhere from 100 to 1000; the stored view on any range it saved and
    // ranges from damaged files.
    auto hydrogen = [](int range) {
        return QVector<float>{0, float(range), float(range / 5), float(range / 10)};
    };
    QVector<QVector<float>> fixed, dynamic;
    for (int range : {50, 100, 200, 500, 1000})
        fixed << hydrogen(range);
    for (int range = 100; range <= 1000; ++range)
        dynamic << hydrogen(range);
    QTest::newRow("hydrogen, live, fixed") << QList<QSize>{{416, 101}} << fixed << true;
    QTest::newRow("hydrogen, live, dynamic") << QList<QSize>{{416, 101}} << dynamic << true;
    QTest::newRow("hydrogen, stored") << QList<QSize>{{416, 185}} << fixed + dynamic << true;
    QTest::newRow("hydrogen, stored, damaged") << QList<QSize>{{416, 185}}
                                               << QVector<QVector<float>>{hydrogen(5), hydrogen(17), hydrogen(12345),
                                                                          hydrogen(2147483647)}
                                               << false;

    // The long-term screen, live and stored: 0 .. 100 dB, or scaled to the
    // samples in steps of 5 dB, labels every 20 dB above 59 dB, else 10.
    QVector<QVector<float>> longterm{{0, 100, 20, 10}};
    for (int lo = 0; lo < 100; lo += 5) {
        for (int hi = lo + 5; hi <= 100; hi += 5)
            longterm << (hi - lo > 59 ? QVector<float>{float(lo), float(hi), 20, 10}
                                      : QVector<float>{float(lo), float(hi), 10, 5});
    }
    QTest::newRow("long-term") << QList<QSize>{{416, 136}, {416, 185}} << longterm << true;

    // The pressure screen: 0 to any sensor range the screen takes (1 .. 99
    // bar), or zoomed to whole bars around the samples (up to 100 bar); the
    // steps a fifth and a tenth of the span.
    QVector<QVector<float>> pressure;
    auto span = [](float lo, float hi) { return QVector<float>{lo, hi, (hi - lo) / 5, (hi - lo) / 10}; };
    for (int range = 1; range <= 99; ++range)
        pressure << span(0, float(range));
    for (int lo = 0; lo < 100; ++lo) {
        for (int hi = lo + 1; hi <= 100; ++hi)
            pressure << span(float(lo), float(hi));
    }
    QTest::newRow("pressure") << QList<QSize>{{420, 195}} << pressure << true;

    // The chart at any height up to the display's, on the screens' kinds of
    // axes; from 46 rows on there is room for both ends.
    const QVector<QVector<float>> kinds{{0, 100, 20, 10}, {0, 1000, 250, 125}, {0, 3, 0.5f, 0.1f},
                                        {0, 402, 80, 40}, {35, 65, 10, 5},     {0, 12.5f, 2.5f, 0.5f}};
    QList<QSize> low, heights;
    for (int h = 26; h < 46; ++h)
        low << QSize(416, h);
    for (int h = 46; h <= 272; ++h)
        heights << QSize(416, h);
    QTest::newRow("trend chart, low") << low << kinds << false;
    QTest::newRow("trend chart, every height") << heights << kinds << true;
}

void TestTrendChart::yLabelsWholeAndApart()
{
    QFETCH(QList<QSize>, sizes);
    QFETCH(QVector<QVector<float>>, axes);
    QFETCH(bool, endsShown);

    for (const QSize &size : sizes) {
        LongtermData chart;
        chart.resize(size);
        chart.init(size.width(), size.height(), kScale, kData);
        for (const QVector<float> &a : axes) {
            chart.setAxisY(a[0], a[1], a[2], a[3], true);
            chart.refresh();
            const QString where = QStringLiteral("%1 x %2, %3 .. %4 by %5: ")
                                      .arg(size.width())
                                      .arg(size.height())
                                      .arg(double(a[0]))
                                      .arg(double(a[1]))
                                      .arg(double(a[2]));
            const QString fault = chartLabelFault(chart);
            QVERIFY2(fault.isEmpty(), qPrintable(where + fault));
            if (!endsShown)
                continue;
            // The range's ends are always labelled, with their values.
            const LongtermData::ScaleLabels layout = chart.yScaleLabels();
            const LongtermData::ScaleLabel &top = layout.labels.first();
            const LongtermData::ScaleLabel &bottom = layout.labels.last();
            QVERIFY2(top.shown && bottom.shown, qPrintable(where + top.text + " " + bottom.text));
            QVERIFY2(qAbs(top.text.toDouble() - a[1]) < 0.01 && qAbs(bottom.text.toDouble() - a[0]) < 0.01,
                     qPrintable(where + top.text + " " + bottom.text));
        }
    }

    // The live hydrogen chart at 402, where the top label moved down onto
    // the next one: each label whole, the next one left out where it would
    // touch it.
    if (QTest::currentDataTag() == QLatin1String("hydrogen, live, dynamic")) {
        LongtermData chart;
        chart.resize(416, 101);
        chart.init(416, 101, kScale, kData);
        chart.setAxisY(0, 402, 80, 40, true);
        QStringList texts;
        for (const LongtermData::ScaleLabel &l : chart.yScaleLabels().labels)
            texts << l.text;
        QCOMPARE(texts, QStringList({"402", "322", "242", "162", "82", "0"}));
    }
}

void TestTrendChart::curves_data()
{
    QTest::addColumn<QVector<float>>("data");
    QTest::addColumn<int>("numData");
    QTest::addColumn<int>("maxDataCnt");
    QTest::addColumn<bool>("old");
    QTest::addColumn<QVector<float>>("range"); // empty: percent
    QTest::addColumn<QList<int>>("columns");
    QTest::addColumn<QList<int>>("whiteRows"); // per column, -1 none
    QTest::addColumn<QList<int>>("blackRows");

    // Ten points across the 371 columns: x = 30 + i * 371 / 10.
    const QVector<float> levels{100, 100, 50, 50, 0, 0, -1, -1, 150, 150};
    QTest::newRow("percent") << levels << 10 << 10 << false << QVector<float>() << QList<int>{48, 120, 200, 270, 340}
                             << QList<int>{0, 38, 76, 76, -1} << QList<int>{-1, -1, -1, -1, -1};
    QTest::newRow("scaled") << QVector<float>{200, 200, 150, 150, 100, 100, 50, 50, 300, 300} << 10 << 10 << false
                            << QVector<float>{100, 200} << QList<int>{48, 120, 200, 270, 340}
                            << QList<int>{0, 38, 76, 76, -1} << QList<int>{-1, -1, -1, -1, -1};
    const QVector<float> flat(10, 20.0f); // row 60
    QTest::newRow("ring buffer with tail") << flat << 4 << 10 << true << QVector<float>()
                                           << QList<int>{100, 160, 250, 360} << QList<int>{60, -1, -1, -1}
                                           << QList<int>{-1, -1, 60, 60};
    QTest::newRow("ring buffer without tail") << flat << 4 << 10 << false << QVector<float>()
                                              << QList<int>{100, 160, 250} << QList<int>{60, -1, -1}
                                              << QList<int>{-1, -1, -1};
    QTest::newRow("nothing new, all old") << flat << 0 << 10 << true << QVector<float>() << QList<int>{100, 250}
                                          << QList<int>{-1, -1} << QList<int>{60, 60};
    QTest::newRow("empty range") << flat << 10 << 10 << true << QVector<float>{5, 5} << QList<int>{100}
                                 << QList<int>{-1} << QList<int>{-1};
    QTest::newRow("upside-down range") << flat << 10 << 10 << true << QVector<float>{50, 0} << QList<int>{100}
                                       << QList<int>{-1} << QList<int>{-1};
    // Counts from a file: held to the 10000 points of the buffer.
    QTest::newRow("more than 10000") << QVector<float>(20000, 50.0f) << 30000 << 20000 << true << QVector<float>()
                                     << QList<int>{30, 399, 401} << QList<int>{38, 38, -1} << QList<int>{-1, -1, -1};
    QTest::newRow("negative counts") << flat << -5 << -1 << true << QVector<float>() << QList<int>{100}
                                     << QList<int>{-1} << QList<int>{-1};
    const float inf = std::numeric_limits<float>::infinity();
    QTest::newRow("values no sensor gives") << QVector<float>{1e30f, 1e30f, -1e30f, -1e30f, std::nanf(""), std::nanf(""), inf, inf, -inf, -inf}
                                            << 10 << 10 << false << QVector<float>()
                                            << QList<int>{48, 120, 200, 270, 340} << QList<int>{-1, 76, 76, -1, 76}
                                            << QList<int>{-1, -1, -1, -1, -1};
}

void TestTrendChart::curves()
{
    QFETCH(QVector<float>, data);
    QFETCH(int, numData);
    QFETCH(int, maxDataCnt);
    QFETCH(bool, old);
    QFETCH(QVector<float>, range);
    QFETCH(QList<int>, columns);
    QFETCH(QList<int>, whiteRows);
    QFETCH(QList<int>, blackRows);

    LongtermData chart;
    // Drawing before init draws nothing and does not fail.
    chart.drawData(data.data(), numData, maxDataCnt, old);
    QVERIFY(chart.chartImage().isNull());

    chart.init(416, 101, kScale, kData);
    chart.displayHGrid(false);
    chart.displayVGrid(false);
    chart.refresh();
    const QImage empty = chart.chartImage();
    if (range.isEmpty())
        chart.drawData(data.data(), numData, maxDataCnt, old);
    else
        chart.drawDataScaled(data.data(), numData, maxDataCnt, old, range[0], range[1]);
    const QImage img = chart.chartImage();

    for (int i = 0; i < columns.size(); ++i) {
        const int x = columns[i];
        QCOMPARE(rowsOf(img, x, kData), whiteRows[i] < 0 ? QList<int>() : QList<int>{whiteRows[i]});
        // Black in the data area's rows only (the scales are black themselves).
        QList<int> black = rowsOf(img, x, Qt::black);
        black.erase(std::remove_if(black.begin(), black.end(), [](int y) { return y > 75; }), black.end());
        if (x <= 400)
            QCOMPARE(black, blackRows[i] < 0 ? QList<int>() : QList<int>{blackRows[i]});
    }
    if (whiteRows.count(-1) == whiteRows.size() && blackRows.count(-1) == blackRows.size())
        QCOMPARE(img, empty);
}

void TestTrendChart::invalidAxisDrawsNoScale()
{
    LongtermData chart;
    chart.init(416, 101, kScale, kData);
    QImage before = chart.chartImage();
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Error: drawXScale 5 5 1 1 true$"));
    chart.setAxisX(5, 5, 1, 1, true);
    QCOMPARE(chart.chartImage(), before);
    // The y axis drawn again without a refresh: the labels of the axis
    // before go (its strip and the 11 rows below), nothing else changes.
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Error: drawYScale 0 100 0 10 true$"));
    chart.setAxisY(0, 100, 0, 10, true);
    QImage cleared = before;
    QPainter(&cleared).fillRect(0, 0, 30, 87, Qt::black);
    QVERIFY(cleared != before);
    before = cleared;
    QCOMPARE(chart.chartImage(), before);
    QCOMPARE(chartLabelFault(chart), QString());
    // A refresh with both axes invalid still draws the empty data area, and
    // no grid line (a step of 0 has none).
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Error: drawXScale"));
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Error: drawYScale"));
    chart.refresh();
    QCOMPARE(rowsOf(chart.chartImage(), 200, QColor(Qt::darkGray)).size(), 76);
    QCOMPARE(rowsOf(chart.chartImage(), 200, kScale), QList<int>());
}

QTEST_MAIN(TestTrendChart)
#include "tst_trendchart.moc"
