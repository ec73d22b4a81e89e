#ifndef PROGRESSBARMINMAXMARKER_H
#define PROGRESSBARMINMAXMARKER_H

#include <QProgressBar>

// A progress bar with a red maximum marker and a blue minimum marker, each a
// vertical line 3 px wide, drawn over the normal bar. A marker outside the
// bar's range is not drawn (-1 hides it on a bar starting at 0); where both
// meet, the minimum marker lies on top.
class ProgressBarMinMaxMarker : public QProgressBar
{
    Q_OBJECT
public:
    explicit ProgressBarMinMaxMarker(QWidget *parent = nullptr);

    // Values in the bar's scale; they show at the next repaint.
    void setMaxMarker(int value) { m_maxMarker = value; }
    int maxMarker() const { return m_maxMarker; }
    void setMinMarker(int value) { m_minMarker = value; }
    int minMarker() const { return m_minMarker; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void drawMarker(QPainter &painter, int value, const QColor &color) const;

    int m_maxMarker = -1;
    int m_minMarker = -1;
};

#endif // PROGRESSBARMINMAXMARKER_H
