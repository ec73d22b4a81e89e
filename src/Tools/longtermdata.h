#ifndef LONGTERMDATA_H
#define LONGTERMDATA_H

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <QVector>
#include <QWidget>

#include <array>

// The trend chart: a series of float samples as a polyline over a time axis,
// with an x scale below, a y scale on the left and optional grid lines.
//
// Everything is drawn into an off-screen image; the paint handler only copies
// it. Drawing calls do not clear the image: a user drawing new samples calls
// refresh() first. Layout for an image of w x h pixels (inclusive columns
// and rows): y scale 0..29 x 0..h-26, data area 30..w-16 x 0..h-26, x scale
// 30..w-17 x h-25..h-2.
class LongtermData : public QWidget
{
    Q_OBJECT
public:
    // Points one drawing call can take.
    static constexpr int maxPoints = 10000;

    explicit LongtermData(QWidget *parent = nullptr);

    void init(int width, int height, QColor a_scaleColor, QColor a_dataColor);
    QRect getRect() const;

    // Store the axis and draw its scale at once; a_visible governs only
    // later refresh() calls.
    void setAxisX(float a_min, float a_max, float a_mainStep, float a_minorStep, bool a_visible);
    void setAxisY(float a_min, float a_max, float a_mainStep, float a_minorStep, bool a_visible);
    // The axes as last set: x in minutes, y in dB.
    float axisXMax() const { return m_xAxis_max; }
    float axisXMainStep() const { return m_xAxis_mainStep; }
    float axisYMin() const { return m_yAxis_min; }
    float axisYMax() const { return m_yAxis_max; }
    float axisYMainStep() const { return m_yAxis_mainStep; }
    void displayHGrid(bool a_visible) { m_hGrid_visible = a_visible; }
    void displayVGrid(bool a_visible) { m_vGrid_visible = a_visible; }
    void setColorScale(QColor c) { m_scaleColor = c; }
    void setBackgroundColorScale(QColor c) { m_scaleBackgroundColor = c; }
    void setColorData(QColor c) { m_dataColor = c; }
    void setBackgroundColorData(QColor c) { m_dataBackgroundColor = c; }

    // Redraws the empty chart.
    void refresh();
    // Values in percent of the data area's height: 100 on the top row, 0 and
    // below one row under the last row. Points 0..numData-1 are joined in the
    // data colour, with displayOldData the rest up to maxDataCnt-1 in black
    // (the older part of a ring buffer). data holds maxDataCnt values;
    // maxDataCnt is bounded to 0..10000 and numData to 0..maxDataCnt.
    void drawData(float *data, int numData, int maxDataCnt, bool displayOldData);
    // The same, scaled between minVal (bottom) and maxVal (top); draws no
    // curve unless maxVal is above minVal.
    void drawDataScaled(float *data, int numData, int maxDataCnt, bool displayOldData, float minVal,
                        float maxVal);

    void drawInit();
    void drawXScale();
    void drawYScale();
    void drawHGrid(float a_min, float a_max, float a_step);
    void drawVGrid(float a_min, float a_max, float a_step);

    // One label of the y scale: its text, the box it is drawn in (right-
    // aligned, vertically centred) and the pixels its text can colour (the
    // glyphs and one pixel around them for the smoothing).
    struct ScaleLabel
    {
        QString text;
        QRect box;
        QRect ink;
        bool shown = false;
    };
    struct ScaleLabels
    {
        QFont font;
        QVector<ScaleLabel> labels; // from max at the top down to min
    };
    // The y scale's labels as drawYScale() draws them for the axis as set
    // (none before init or for an invalid axis). The labels stand at their
    // ticks, the top one moved down as far as its text would stand above the
    // chart. Where a label is too wide for the strip in the axis' font, the
    // whole scale takes the next smaller of 9, 8 and 7 points. A label is shown only when it lies inside the scale's area
    // (its strip and the 11 rows below it that a redraw clears) and clear
    // of the labels shown, the top one first, then the bottom one, then the
    // others from the top down: where there is no room the labels between
    // are thinned out.
    ScaleLabels yScaleLabels() const;

    const QImage &chartImage() const { return image; }
    QRect dataArea() const { return m_rectDataArea; }
    QRect xScaleArea() const { return m_rectXScale; }
    QRect yScaleArea() const { return m_rectYScale; }

protected:
    void paintEvent(QPaintEvent *e) override;

private:
    // Open the painter on the image (false before init) and close it again
    // with a repaint; the paint... steps below run between the two.
    bool beginPainting();
    void endPainting();
    void paintXScale();
    void paintYScale();
    QRect yScaleFill() const;
    void paintHGrid(float a_min, float a_max, float a_step);
    void paintVGrid(float a_min, float a_max, float a_step);
    void drawCurve(const float *data, int numData, int maxDataCnt, bool displayOldData, bool scaled,
                   float minVal, float maxVal);

    QImage image;
    QPainter m_painter;
    QRect m_rectDataArea;
    QRect m_rectYScale;
    QRect m_rectXScale;
    QColor m_scaleColor;
    QColor m_scaleBackgroundColor;
    QColor m_dataColor;
    QColor m_dataBackgroundColor;
    float m_xAxis_min = 0;
    float m_xAxis_max = 100;
    float m_xAxis_mainStep = 20;
    float m_xAxis_minorStep = 10;
    bool m_xAxis_visible = true;
    bool m_vGrid_visible = true;
    float m_yAxis_min = 0;
    float m_yAxis_max = 100;
    float m_yAxis_mainStep = 20;
    float m_yAxis_minorStep = 10;
    bool m_yAxis_visible = true;
    bool m_hGrid_visible = true;
    // The points of one drawing call; no allocation while drawing.
    std::array<QPoint, maxPoints> m_points;
};

#endif // LONGTERMDATA_H
