#include "progressbarminmaxmarker.h"

#include <QPainter>
#include <QPen>

ProgressBarMinMaxMarker::ProgressBarMinMaxMarker(QWidget *parent)
    : QProgressBar(parent)
{
}

void ProgressBarMinMaxMarker::paintEvent(QPaintEvent *event)
{
    QProgressBar::paintEvent(event);

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    drawMarker(painter, m_maxMarker, QColor(0xff, 0x00, 0x00));
    drawMarker(painter, m_minMarker, QColor(0x00, 0x00, 0xff));
}

void ProgressBarMinMaxMarker::drawMarker(QPainter &painter, int value, const QColor &color) const
{
    // An empty range has no scale to place a marker on.
    // 64 bits: the difference of two ints may not fit into one.
    const qint64 span = qint64(maximum()) - minimum();
    if (span <= 0 || value < minimum() || value > maximum())
        return;
    const int x = int(float(qint64(value) - minimum()) / float(span) * float(width() - 1));
    painter.setPen(QPen(color, 3));
    painter.drawLine(x, 0, x, height() - 1);
}
