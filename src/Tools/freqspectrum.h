#ifndef FREQSPECTRUM_H
#define FREQSPECTRUM_H

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QWidget>

class AudioCodecSetup;

// The live spectrum of the measurement signal on a logarithmic frequency
// axis (20 Hz at the left edge, 4000 Hz at the right), normalised to its own
// noise floor and averaged over three frames, with a frequency scale, an
// optional colour strip of the level bars' frequency colours and the band
// filter as a red curve with its corner frequencies.
//
// The widget draws into an image of its own. Its users call, on every
// analysis tick: refresh(), drawScale(), drawFft(spectrum, true),
// drawData(samples), then update(); on (re)entry: init() with the size of
// getRect(), clear(), drawScale().
//
// Touch: a press starts a band at the touched frequency, a drag sets its
// upper corner, the release programs the codec with the band (snapped to the
// codec's corners), records it as the main window's current filter and emits
// filterChanged().
class FreqSpectrum : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kBins = 512;
    // Bin k is drawn at k x 7.8125 Hz.
    static constexpr double kBinHz = 8000.0 / 1024.0;
    // Rows under the trace's baseline taken by the scale.
    static constexpr int kScaleRows = 30;

    explicit FreqSpectrum(QWidget *parent = nullptr);
    ~FreqSpectrum() override;

    void init(int width, int height);
    void refresh();
    void clear();
    QRect getRect() const { return QRect(0, 0, width(), height()); }
    // Hide or show the spectrum itself: while hidden the widget paints black.
    // The widget stays visible either way.
    void hide() { m_hide = true; }
    void show() { m_hide = false; }
    bool isSpectrumHidden() const { return m_hide; }
    void setScaleType(int type) { m_scaleType = type; }
    void setScaleBgGradient(bool on) { m_scaleBgGradient = on; }
    bool scaleBgGradient() const { return m_scaleBgGradient; }
    void updateFilter(unsigned int low, unsigned int high, int type);
    void getFilter(unsigned int *low, unsigned int *high, int *type) const;

    void drawScale();
    // 512 magnitudes (bins 0..511); mean selects the three-frame mean.
    void drawFft(const float *data, bool mean);
    // Draws nothing visible (a line above the image); the samples are not read.
    void drawData(const float *samples);

    const QImage &getImage() const { return image; }
    // The values drawn for bins 0..511 (0 = baseline, 1 = top).
    const float *drawnValues() const { return m_fftDataArrayMean; }

    // x of frequency f on the trace (20 Hz at 0, 4000 Hz at width).
    static double traceX(double f, int width);
    // The frequency under x, truncated to whole Hz.
    static quint32 frequencyAt(double x, int width);
    // x of frequency f on the scale (20 Hz at 0, 3835 Hz at width).
    static int scaleX(double f, int width);

signals:
    void filterChanged();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void drawFilterBand(class QPainter &p);
    // The band between start and x: low at start, high at x; a band
    // running left starts at x (moveStart) and lasts 10 Hz.
    void bandTo(double x, bool moveStart, const QPointF &position);

    AudioCodecSetup *m_audioCodec = nullptr;
    int m_rectWidth = 0;
    int m_rectHeight = 0;
    bool m_hide = false;
    QImage image;
    QPointF start;
    QPointF stop;
    float m_fftDataArray[1024];
    float m_fftDataArrayMeanTemp[1024][4];
    float m_fftDataArrayMean[1024];
    int m_meanCnt = 0;
    int m_scaleType = 1;
    quint32 m_lowCutOffFrequency = 0;
    quint32 m_highCutOffFrequency = 4000;
    int m_filterType = 0;
    bool m_scaleBgGradient = false;
};

#endif // FREQSPECTRUM_H
