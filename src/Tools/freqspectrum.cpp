#include "freqspectrum.h"

#include "analoginputworker.h"
#include "audiocodecsetup.h"
#include "globals.h"
#include "imagebuffer.h"
#include "mainmenu.h"
#include "statusbardata.h"

#include <QDebug>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace {

// log10(20 Hz) and the decades from 20 to 4000 Hz of the trace.
constexpr double kTraceLogStart = 1.30103;
constexpr double kTraceDecades = 2.30103;
// The scale spans 20 .. 3835 Hz.
constexpr double kScaleDecades = 2.2827353726210187;
constexpr quint32 kMaxFrequency = 4000;

// Stops of the colour strip: frequency and its place on the scale.
struct Stop
{
    unsigned int f;
    double at;
};
constexpr Stop kStripStops[] = {{0, 0},
                                {20, 0},
                                {40, 0.13187249},
                                {60, 0.20901296},
                                {80, 0.26374498},
                                {100, 0.30619845},
                                {200, 0.43807092},
                                {400, 0.56994343},
                                {600, 0.64708388},
                                {800, 0.70181590},
                                {1000, 0.74426937},
                                {2000, 0.87614185},
                                {4000, 1.0}};

constexpr int kTicks[] = {20, 40, 60, 80, 100, 200, 400, 600, 800, 1000, 2000, 4000};

} // namespace

FreqSpectrum::FreqSpectrum(QWidget *parent)
    : QWidget(parent)
{
    std::fill(std::begin(m_fftDataArray), std::end(m_fftDataArray), 0.0f);
    std::fill(std::begin(m_fftDataArrayMean), std::end(m_fftDataArrayMean), 0.0f);
    for (auto &frames : m_fftDataArrayMeanTemp)
        std::fill(std::begin(frames), std::end(frames), 0.0f);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    qDebug() << "Konstruktor FreqSpectrum" << m_lowCutOffFrequency << m_highCutOffFrequency << m_filterType;
    if (MainMenu *w = MainMenu::getInstanceMainMenu())
        m_audioCodec = w->getAudioCodecInstance();
}

FreqSpectrum::~FreqSpectrum() = default;

double FreqSpectrum::traceX(double f, int width)
{
    return (std::log10(f) - kTraceLogStart) * width / kTraceDecades;
}

quint32 FreqSpectrum::frequencyAt(double x, int width)
{
    // Bounded before the conversion: a touch dragged far beyond the right
    // edge lies beyond what an unsigned number holds (and NaN nowhere).
    const double f = std::pow(10.0, x * kTraceDecades / width + kTraceLogStart);
    if (!(f < double(kMaxFrequency)))
        return kMaxFrequency;
    return f > 0.0 ? quint32(f) : 0;
}

int FreqSpectrum::scaleX(double f, int width)
{
    return int((width / kScaleDecades) * std::log10(f / 20.0));
}

void FreqSpectrum::init(int width, int height)
{
    m_rectWidth = width;
    m_rectHeight = height;
    refresh();
    if (m_audioCodec)
        m_audioCodec->getFilter(&m_lowCutOffFrequency, &m_highCutOffFrequency, &m_filterType);
    qDebug() << "FreqSpectrum::init" << m_lowCutOffFrequency << m_highCutOffFrequency << m_filterType;
}

void FreqSpectrum::refresh()
{
    reuseImage(image, QSize(std::max(m_rectWidth, 1), std::max(m_rectHeight, 1)), QImage::Format_RGB32);
    image.fill(Qt::darkGray);
}

void FreqSpectrum::clear()
{
    std::fill(m_fftDataArray, m_fftDataArray + kBins, 0.0f);
    std::fill(m_fftDataArrayMean, m_fftDataArrayMean + kBins, 0.0f);
    for (auto &frames : m_fftDataArrayMeanTemp)
        std::fill(std::begin(frames), std::end(frames), 0.0f);
    m_meanCnt = 0;
}

void FreqSpectrum::updateFilter(unsigned int low, unsigned int high, int type)
{
    m_lowCutOffFrequency = low;
    m_highCutOffFrequency = high;
    m_filterType = type;
}

void FreqSpectrum::getFilter(unsigned int *low, unsigned int *high, int *type) const
{
    if (low)
        *low = m_lowCutOffFrequency;
    if (high)
        *high = m_highCutOffFrequency;
    if (type)
        *type = m_filterType;
}

void FreqSpectrum::drawScale()
{
    const int w = m_rectWidth, h = m_rectHeight;
    if (w <= 0 || h <= 0)
        return;
    QPainter p(&image);
    if (m_scaleBgGradient) {
        // The sensor unit's microphone hears lower frequencies: its colours
        // run up to 300 Hz, every other sensor's up to 1000 Hz.
        const unsigned int maxF = StatusbarData()->sensorType() == 1 ? 300 : 1000;
        QLinearGradient strip(0, h - 25, w, h - 25);
        for (const Stop &s : kStripStops) {
            strip.setColorAt(s.at, AnalogInputWorker::calcFrequencyColor(s.f, maxF, QColor("blue"), QColor("red"),
                                                                         QColor("yellow"), nullptr));
        }
        p.fillRect(QRect(QPoint(0, h - 25), QPoint(w - 1, h - 21)), strip);
    }
    for (int f : kTicks) {
        const int x = scaleX(f, w);
        p.setPen(QPen(Qt::white, (f == 20 || f == 100 || f == 1000) ? 2 : 1));
        p.drawLine(x, h - 20, x, h - 25);
    }
    p.setPen(QPen(Qt::white, 1));
    p.drawText(QRect(QPoint(0, h - 22), QPoint(49, h - 1)), Qt::AlignLeft, QStringLiteral("20"));
    for (int f : {100, 1000}) {
        const int x = scaleX(f, w);
        p.drawText(QRect(QPoint(x - 50, h - 22), QPoint(x + 49, h - 1)), Qt::AlignHCenter, QString::number(f));
    }
}

void FreqSpectrum::drawFft(const float *data, bool mean)
{
    // Display values in dB; nothing below 1e-7 (and nothing that is not a
    // number) counts.
    float max = 0.0f;
    for (int i = 0; i < kBins; ++i) {
        const double v = double(data[i]);
        const float d = v >= 1e-7 ? float(20.0 * std::log10(v)) : 0.0f;
        m_fftDataArray[i] = d;
        if (d > max)
            max = d;
    }
    // The noise floor: the mean of the four highest bins.
    const float *d = m_fftDataArray;
    const float floor = (((d[508] + d[509]) + d[510]) + d[511]) * 0.25f;
    const float range = max - floor;
    for (int i = 0; i < kBins; ++i) {
        // A spectrum without a peak above its floor (silence) is flat.
        float n = range > 0.0f && std::isfinite(range) ? (m_fftDataArray[i] - floor) / range : 0.0f;
        if (!(n >= 0.0f))
            n = 0.0f;
        m_fftDataArray[i] = n;
        m_fftDataArrayMeanTemp[i][m_meanCnt] = n;
    }
    if (++m_meanCnt == 3)
        m_meanCnt = 0;
    for (int i = 0; i < kBins; ++i) {
        const float *frame = m_fftDataArrayMeanTemp[i];
        m_fftDataArrayMean[i] = mean ? (frame[0] + frame[1] + frame[2]) / 3.0f : m_fftDataArray[i];
    }

    // The dominant bin for the debug marker, as the analysis finds it.
    const int dominant = qMax(2, AnalogInputWorker::dominantBin(m_fftDataArrayMean));

    const int w = m_rectWidth, h = m_rectHeight;
    if (w <= 0 || h <= 0)
        return;
    QPainter p(&image);
    const double base = h - kScaleRows;
    // Bin 0 (0 Hz) lies infinitely far left on a logarithmic axis; the
    // trace starts with bin 1 (7.8 Hz, just left of the image).
    QPolygonF trace;
    trace.reserve(kBins - 1);
    for (int i = 1; i < kBins; ++i)
        trace << QPointF(traceX(i * kBinHz, w), base - double(m_fftDataArrayMean[i]) * base);
    p.setPen(QPen(Qt::white, 1));
    p.drawPolyline(trace);
    if (g_debugFeatures == 1) {
        const double x = traceX(dominant * kBinHz, w);
        p.setPen(QPen(Qt::red, 3));
        p.drawLine(QPointF(x, base), QPointF(x, base - 0.2 * base));
    }
    drawFilterBand(p);
}

void FreqSpectrum::drawFilterBand(QPainter &p)
{
    if (m_lowCutOffFrequency == 0 && m_highCutOffFrequency == 0)
        return;
    const int w = m_rectWidth;
    const double base = m_rectHeight - kScaleRows;
    const float a = w / 10.0f, b = w / 35.0f, c = a / 1.5f;
    const double xL = traceX(m_lowCutOffFrequency == 0 ? 1.00001 : double(m_lowCutOffFrequency), w);
    const double xH = traceX(m_highCutOffFrequency == 0 ? 1.0 : double(m_highCutOffFrequency), w);
    QPainterPath band(QPointF(-3, base));
    band.lineTo(xL - a + b, base);
    band.cubicTo(QPointF(xL - a + b + c, base), QPointF(xL + b - c, 0), QPointF(xL + b, 0));
    band.lineTo(xH - b, 0);
    band.cubicTo(QPointF(xH - b + c, 0), QPointF(xH + a - b - c, base), QPointF(xH + a - b, base));
    band.lineTo(w + 3, base);
    p.setPen(QPen(Qt::red, 3));
    p.setBrush(Qt::NoBrush);
    p.drawPath(band);

    p.setPen(QPen(Qt::green, 1));
    const int half = w / 2;
    p.drawText(QRect(QPoint(0, 0), QPoint(half - 1, 29)), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("%1").arg(m_lowCutOffFrequency));
    p.drawText(QRect(QPoint(half, 0), QPoint(2 * half - 1, 29)), Qt::AlignRight | Qt::AlignTop,
               QStringLiteral("%1").arg(m_highCutOffFrequency));
}

void FreqSpectrum::drawData(const float *samples)
{
    Q_UNUSED(samples)
    const int w = m_rectWidth;
    if (w <= 0 || m_rectHeight <= 0)
        return;
    // A time-signal trace has no room in the spectrum; the line lies above
    // the image.
    QPolygon line;
    line.reserve(kBins);
    for (int i = 0; i < kBins; ++i)
        line << QPoint(i * w / kBins, -2);
    QPainter p(&image);
    p.setPen(QPen(Qt::yellow, 1));
    p.drawPolyline(line);
}

void FreqSpectrum::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    const QRect r = event->rect();
    if (m_hide) {
        p.fillRect(r, Qt::black);
        return;
    }
    // The image covers the widget from its top-left corner; a partial
    // repaint copies the matching part.
    p.drawImage(r, image, r);
}

void FreqSpectrum::bandTo(double x, bool moveStart, const QPointF &position)
{
    quint32 low = frequencyAt(start.x(), m_rectWidth);
    quint32 high = frequencyAt(x, m_rectWidth);
    if (high < low) {
        if (moveStart)
            start = position;
        low = high;
        high = high + 10;
    } else if (high - low <= 9) {
        high = high + 10;
    }
    m_lowCutOffFrequency = low;
    m_highCutOffFrequency = std::min(high, kMaxFrequency);
}

void FreqSpectrum::mousePressEvent(QMouseEvent *event)
{
    if (m_rectWidth <= 0)
        return;
    start = stop = event->localPos();
    m_filterType = 1;
    const double f = std::pow(10.0, start.x() * kTraceDecades / m_rectWidth + kTraceLogStart);
    m_lowCutOffFrequency = frequencyAt(start.x(), m_rectWidth);
    m_highCutOffFrequency = 1.4 * f < double(kMaxFrequency) ? quint32(1.4 * f) : kMaxFrequency;
    qDebug() << "Aktivate Filter";
    qDebug() << "FrequSpectrum press" << start.x() << stop.x() << m_lowCutOffFrequency << m_highCutOffFrequency
             << m_filterType;
}

void FreqSpectrum::mouseMoveEvent(QMouseEvent *event)
{
    if (m_rectWidth <= 0)
        return;
    QPainter(&image).fillRect(QRect(QPoint(0, 0), QPoint(m_rectWidth - 1, m_rectHeight - 31)), Qt::darkGray);
    // The next tick draws the band.
    bandTo(event->localPos().x(), true, event->localPos());
}

void FreqSpectrum::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_rectWidth <= 0)
        return;
    stop = event->localPos();
    if (stop.x() >= m_rectWidth)
        stop.setX(m_rectWidth - 1);
    bandTo(stop.x(), false, stop);
    drawFft(m_fftDataArray, true);
    qDebug() << "FrequSpectrum setFilter" << m_lowCutOffFrequency << m_highCutOffFrequency << m_filterType;
    if (m_audioCodec) {
        // Show the corners the codec really uses (its nearest table rows).
        m_audioCodec->setFilter(m_lowCutOffFrequency, m_highCutOffFrequency, m_filterType);
        m_audioCodec->getFilter(&m_lowCutOffFrequency, &m_highCutOffFrequency, &m_filterType);
    }
    qDebug() << "FrequSpectrum release" << start.x() << stop.x() << m_lowCutOffFrequency << m_highCutOffFrequency
             << m_filterType;
    if (MainMenu *w = MainMenu::getInstanceMainMenu())
        w->setCurrentFilter(m_lowCutOffFrequency, m_highCutOffFrequency, m_filterType);
    emit filterChanged();
}
