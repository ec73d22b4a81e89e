#include "longtermdata.h"

#include "imagebuffer.h"

#include <QDebug>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace {

// More ticks, labels or grid lines than this cannot be told apart on the
// display; the bound also keeps absurd axis values from spinning.
constexpr int kMaxSteps = 4096;

// The y labels stand right-aligned at the scale's ticks.
constexpr int kYLabelFlags = Qt::AlignRight | Qt::AlignVCenter;

// Float to pixel, truncating towards zero; far-off values are held at a
// distance Qt can still clip.
int toPixel(float f)
{
    if (!(f > -1.0e6f))
        return -1000000;
    if (!(f < 1.0e6f))
        return 1000000;
    return int(f);
}

QPen thinPen(const QColor &c)
{
    return QPen(c, 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}

QPen thickPen(const QColor &c)
{
    return QPen(c, 2, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}

bool validAxis(float min, float max, float mainStep, float minorStep)
{
    if (!std::isfinite(min) || !std::isfinite(max) || !std::isfinite(mainStep) || !std::isfinite(minorStep))
        return false;
    return max != min && mainStep > 0 && minorStep > 0;
}

} // namespace

LongtermData::LongtermData(QWidget *parent)
    : QWidget(parent)
    , m_scaleColor(Qt::gray)
    , m_scaleBackgroundColor(Qt::black)
    , m_dataColor(Qt::white)
    , m_dataBackgroundColor(Qt::darkGray)
{
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

void LongtermData::init(int width, int height, QColor a_scaleColor, QColor a_dataColor)
{
    reuseImage(image, QSize(std::max(width, 0), std::max(height, 0)), QImage::Format_RGB32);
    image.fill(m_scaleBackgroundColor);
    m_rectYScale = QRect(QPoint(0, 0), QPoint(29, height - 26));
    m_rectDataArea = QRect(QPoint(30, 0), QPoint(width - 16, height - 26));
    m_rectXScale = QRect(QPoint(30, height - 25), QPoint(width - 17, height - 2));
    m_scaleColor = a_scaleColor;
    m_dataColor = a_dataColor;
    drawInit();
}

QRect LongtermData::getRect() const
{
    return QRect(0, 0, width(), height());
}

void LongtermData::setAxisX(float a_min, float a_max, float a_mainStep, float a_minorStep, bool a_visible)
{
    m_xAxis_min = a_min;
    m_xAxis_max = a_max;
    m_xAxis_mainStep = a_mainStep;
    m_xAxis_minorStep = a_minorStep;
    m_xAxis_visible = a_visible;
    drawXScale();
}

void LongtermData::setAxisY(float a_min, float a_max, float a_mainStep, float a_minorStep, bool a_visible)
{
    m_yAxis_min = a_min;
    m_yAxis_max = a_max;
    m_yAxis_mainStep = a_mainStep;
    m_yAxis_minorStep = a_minorStep;
    m_yAxis_visible = a_visible;
    drawYScale();
}

void LongtermData::refresh()
{
    drawInit();
}

bool LongtermData::beginPainting()
{
    // Before init there is nothing to draw into.
    if (image.isNull())
        return false;
    return m_painter.begin(&image);
}

void LongtermData::endPainting()
{
    m_painter.end();
    update();
}

void LongtermData::drawInit()
{
    if (!beginPainting())
        return;
    m_painter.fillRect(m_rectDataArea, m_dataBackgroundColor);
    m_painter.fillRect(m_rectXScale, m_scaleBackgroundColor);
    // With the bottom label's overhang, which an axis left out would leave.
    m_painter.fillRect(yScaleFill(), m_scaleBackgroundColor);
    // Grid lines come last, over the scales where they meet.
    if (m_xAxis_visible)
        paintXScale();
    if (m_yAxis_visible)
        paintYScale();
    if (m_hGrid_visible)
        paintHGrid(m_yAxis_min, m_yAxis_max, m_yAxis_mainStep);
    if (m_vGrid_visible)
        paintVGrid(m_xAxis_min, m_xAxis_max, m_xAxis_mainStep);
    endPainting();
}

void LongtermData::drawXScale()
{
    if (!beginPainting())
        return;
    paintXScale();
    endPainting();
}

void LongtermData::drawYScale()
{
    if (!beginPainting())
        return;
    paintYScale();
    endPainting();
}

void LongtermData::drawHGrid(float a_min, float a_max, float a_step)
{
    if (!beginPainting())
        return;
    paintHGrid(a_min, a_max, a_step);
    endPainting();
}

void LongtermData::drawVGrid(float a_min, float a_max, float a_step)
{
    if (!beginPainting())
        return;
    paintVGrid(a_min, a_max, a_step);
    endPainting();
}

void LongtermData::paintXScale()
{
    const float min = m_xAxis_min;
    const float max = m_xAxis_max;
    const float mainStep = m_xAxis_mainStep;
    const float minorStep = m_xAxis_minorStep;
    if (!validAxis(min, max, mainStep, minorStep)) {
        qDebug() << "Error: drawXScale" << min << max << mainStep << minorStep << m_xAxis_visible;
        return;
    }
    const int sx = m_rectXScale.left();
    const int sy = m_rectXScale.top();
    const float sw = float(m_rectXScale.width());
    const float range = max - min;

    // 15 columns more on the right take the overhang of the last label.
    m_painter.fillRect(QRect(QPoint(sx, sy), QPoint(m_rectXScale.right() + 15, m_rectXScale.bottom())),
                       m_scaleBackgroundColor);

    m_painter.setPen(thinPen(m_scaleColor));
    for (int k = 0; k < kMaxSteps; ++k) {
        const float v = float(k) * minorStep;
        if (!(v <= range))
            break;
        const int x = toPixel(float(sx) + sw * v / range);
        m_painter.drawLine(x, sy, x, sy + 3);
    }
    m_painter.setPen(thickPen(m_scaleColor));
    for (int k = 0; k < kMaxSteps; ++k) {
        const float v = float(k) * mainStep;
        if (!(v <= range))
            break;
        const int x = toPixel(float(sx) + sw * v / range);
        m_painter.drawLine(x, sy, x, sy + 5);
    }

    QFont font = m_painter.font();
    if (max >= 1000) {
        font.setPointSize(9);
        font.setBold(false);
    } else {
        font.setPointSize(12);
        font.setBold(true);
    }
    m_painter.setFont(font);
    m_painter.setPen(m_scaleColor);

    m_painter.drawText(QRect(QPoint(sx, sy + 5), QPoint(sx + 29, sy + 19)), Qt::AlignLeft | Qt::AlignVCenter,
                       QStringLiteral("%1").arg(double(min)));
    auto centredLabel = [&](float v, float value) {
        const int c = toPixel(float(sx) + sw * v / range - 17);
        m_painter.drawText(QRect(QPoint(c, sy + 5), QPoint(c + 33, sy + 19)), Qt::AlignCenter,
                           QStringLiteral("%1").arg(double(value)));
    };
    int k = 1;
    float v = mainStep;
    for (; k < kMaxSteps && v <= max - mainStep; ++k, v = float(k) * mainStep)
        centredLabel(v, min + v);
    // The last label, max, stands where the next main step would.
    centredLabel(v, max);
}

QRect LongtermData::yScaleFill() const
{
    // 11 rows more at the bottom take the overhang of the bottom label.
    return QRect(m_rectYScale.topLeft(), QPoint(m_rectYScale.right(), m_rectYScale.bottom() + 11));
}

void LongtermData::paintYScale()
{
    const float min = m_yAxis_min;
    const float max = m_yAxis_max;
    const float mainStep = m_yAxis_mainStep;
    const float minorStep = m_yAxis_minorStep;
    // Cleared first, also for an axis that is skipped: drawn again without a
    // refresh (a stored view's range), the previous axis' labels would stay.
    m_painter.fillRect(yScaleFill(), m_scaleBackgroundColor);
    if (!validAxis(min, max, mainStep, minorStep)) {
        qDebug() << "Error: drawYScale" << min << max << mainStep << minorStep << m_yAxis_visible;
        return;
    }
    const int sx = m_rectYScale.left();
    const int sx2 = m_rectYScale.right();
    const int sy = m_rectYScale.top();
    const float sh = float(m_rectYScale.height());
    const int w = sx2 - sx;
    const float range = max - min;

    // Ticks from the top row down, one per step counted from min; the
    // labels count down from max, so the top tick stands for max.
    auto ticks = [&](float step) {
        for (int k = 0; k < kMaxSteps; ++k) {
            const float v = min + float(k) * step;
            if (!(v <= max))
                break;
            const int y = toPixel(float(sy) + sh * (v - min) / range);
            m_painter.drawLine(w - 1, y, w + 1, y);
        }
    };
    m_painter.setPen(thinPen(m_scaleColor));
    ticks(minorStep);
    m_painter.setPen(thickPen(m_scaleColor));
    ticks(mainStep);

    const ScaleLabels layout = yScaleLabels();
    m_painter.setFont(layout.font);
    m_painter.setPen(m_scaleColor);
    for (const ScaleLabel &label : layout.labels) {
        if (label.shown)
            m_painter.drawText(label.box, kYLabelFlags, label.text);
    }
}

LongtermData::ScaleLabels LongtermData::yScaleLabels() const
{
    ScaleLabels layout;
    const float min = m_yAxis_min;
    const float max = m_yAxis_max;
    const float mainStep = m_yAxis_mainStep;
    if (image.isNull() || !validAxis(min, max, mainStep, m_yAxis_minorStep))
        return layout;
    const int sx = m_rectYScale.left();
    const int sx2 = m_rectYScale.right();
    const int sy = m_rectYScale.top();
    const float sh = float(m_rectYScale.height());
    const float range = max - min;
    // The strip and the rows below it that each redraw clears.
    const QRect area = yScaleFill() & image.rect();

    // The axis' font: 9 points for four digits and for decimals below 100,
    // else 11 points bold; the small fonts stand 2 rows higher.
    int decimals = 0;
    bool small = max >= 1000;
    if (mainStep != std::floor(mainStep) && max < 100) {
        small = true;
        decimals = max >= 10 ? 1 : 2;
    }
    struct Font
    {
        int points;
        bool bold;
        int shift;
    };
    QVector<Font> fonts;
    if (!small)
        fonts << Font{11, true, 0};
    fonts << Font{9, false, 2} << Font{8, false, 2} << Font{7, false, 2};

    const int n = int(std::min(range / mainStep + 0.5f, float(kMaxSteps)));
    for (const Font &f : fonts) {
        // The application's font, as a painter on the image has it.
        QFont font;
        font.setPointSize(f.points);
        font.setBold(f.bold);
        const QFontMetrics metrics(font, &image);
        QVector<ScaleLabel> labels;
        labels.reserve(n + 1);
        bool fits = true;
        auto add = [&](int top, float value) {
            ScaleLabel label;
            label.text = QStringLiteral("%1").arg(double(value), 0, 'f', decimals);
            label.box = QRect(QPoint(sx, top), QPoint(sx2 - 2, top + 14));
            const QRect line = metrics.boundingRect(label.box, kYLabelFlags, label.text);
            label.ink = metrics.tightBoundingRect(label.text)
                                .translated(line.left(), line.top() + metrics.ascent())
                                .adjusted(-1, -1, 1, 1);
            fits = fits && label.ink.left() >= area.left();
            labels << label;
        };
        add(sy - 2 - f.shift, max);
        for (int k = 1; k < n; ++k) {
            const float v = min + float(k) * mainStep;
            add(toPixel(float(sy) + sh * (v - min) / range - 4 - float(f.shift)), max - (v - min));
        }
        add(toPixel(float(sy) + sh - 6 - float(f.shift)), min);
        layout.font = font;
        layout.labels = labels;
        if (fits)
            break;
    }

    QVector<ScaleLabel> &labels = layout.labels;
    ScaleLabel &top = labels.first();
    ScaleLabel &bottom = labels.last();
    // At its tick the top label's text would start above the chart. (The
    // bottom label's stays within the cleared rows at any height.)
    const int down = std::max(0, area.top() - top.ink.top());
    top.box.translate(0, down);
    top.ink.translate(0, down);
    top.shown = area.contains(top.ink);
    bottom.shown = area.contains(bottom.ink) && !(top.shown && bottom.ink.intersects(top.ink));
    const ScaleLabel *above = top.shown ? &top : nullptr;
    for (int k = 1; k < labels.size() - 1; ++k) {
        ScaleLabel &label = labels[k];
        label.shown = area.contains(label.ink) && !(above && label.ink.intersects(above->ink))
                && !(bottom.shown && label.ink.intersects(bottom.ink));
        if (label.shown)
            above = &label;
    }
    return layout;
}

void LongtermData::paintHGrid(float a_min, float a_max, float a_step)
{
    if (!validAxis(a_min, a_max, a_step, a_step) || a_max < a_min)
        return;
    const float y1 = float(m_rectDataArea.top());
    const float h = float(m_rectDataArea.height());
    m_painter.setPen(thinPen(QColor(64, 64, 64)));
    for (int k = 1; k < kMaxSteps; ++k) {
        const float v = a_min + float(k) * a_step;
        if (!(v < a_max))
            break;
        const int y = toPixel(y1 + h * (v - a_min) / (a_max - a_min));
        m_painter.drawLine(m_rectDataArea.left(), y, m_rectDataArea.right(), y);
    }
}

void LongtermData::paintVGrid(float a_min, float a_max, float a_step)
{
    if (!validAxis(a_min, a_max, a_step, a_step) || a_max < a_min)
        return;
    const float range = a_max - a_min;
    const float x1 = float(m_rectDataArea.left());
    const float w = float(m_rectDataArea.width());
    m_painter.setPen(thinPen(QColor(64, 64, 64)));
    for (int k = 1; k < kMaxSteps; ++k) {
        const float v = float(k) * a_step;
        if (!(v < range))
            break;
        const int x = toPixel(x1 + w * v / range);
        m_painter.drawLine(x, m_rectDataArea.top(), x, m_rectDataArea.bottom() + 1);
    }
}

void LongtermData::drawData(float *data, int numData, int maxDataCnt, bool displayOldData)
{
    drawCurve(data, numData, maxDataCnt, displayOldData, false, 0, 100);
}

void LongtermData::drawDataScaled(float *data, int numData, int maxDataCnt, bool displayOldData, float minVal,
                                  float maxVal)
{
    drawCurve(data, numData, maxDataCnt, displayOldData, true, minVal, maxVal);
}

void LongtermData::drawCurve(const float *data, int numData, int maxDataCnt, bool displayOldData, bool scaled,
                             float minVal, float maxVal)
{
    // A stored file can carry any count and range: the counts are held to
    // the point buffer, and a range that is not one draws nothing.
    const int count = std::max(0, std::min(maxDataCnt, maxPoints));
    const int current = std::max(0, std::min(numData, count));
    if (!data || count == 0 || (scaled && !(maxVal > minVal)) || !beginPainting()) {
        update();
        return;
    }
    const int x1 = m_rectDataArea.left();
    const int y1 = m_rectDataArea.top();
    const qint64 w = m_rectDataArea.width();
    const float h = float(m_rectDataArea.height());
    const int bottom = m_rectDataArea.height() + y1;
    for (int i = 0; i < count; ++i) {
        const int x = x1 + int(qint64(i) * w / count);
        const float d = scaled ? data[i] - minVal : data[i];
        int y = bottom;
        if (d >= 0)
            y = toPixel(h - d * h / (scaled ? maxVal - minVal : 100.0f) + float(y1));
        m_points[size_t(i)] = QPoint(x, y);
    }
    if (current > 0) {
        m_painter.setPen(thinPen(m_dataColor));
        m_painter.drawPolyline(m_points.data(), current);
    }
    if (displayOldData && count > current) {
        m_painter.setPen(thinPen(Qt::black));
        m_painter.drawPolyline(m_points.data() + current, count - current);
    }
    endPainting();
}

void LongtermData::paintEvent(QPaintEvent *e)
{
    Q_UNUSED(e)
    QPainter p(this);
    if (!image.isNull())
        p.drawImage(0, 0, image);
}
