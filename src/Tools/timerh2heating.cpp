#include "timerh2heating.h"

#include <QPainter>
#include <QPen>

#include <cmath>

namespace {
QPen solidPen(const QColor &colour, int width)
{
    return QPen(colour, width, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}
} // namespace

TimerH2Heating::TimerH2Heating(QWidget *parent)
    : QLabel(parent)
{
}

void TimerH2Heating::init()
{
    m_xSize = width();
    m_ySize = height() - 15;
    m_center = QPoint(m_xSize / 2, m_ySize / 2);
}

void TimerH2Heating::setCurrentTime(int t)
{
    m_currentTime = qBound(0, t, m_maxTime);
    repaint();
}

void TimerH2Heating::setRangeVisualisation(int reference, int level, int range)
{
    m_h2Reference = reference;
    m_h2Level = level;
    m_h2Range = range;
}

void TimerH2Heating::setThreshold(int red, int yellow, int green)
{
    m_startRedArea = red;
    m_startYellowArea = yellow;
    m_startGreenArea = green;
}

float TimerH2Heating::time2Angle(int t) const
{
    if (m_maxTime == 0)
        return 0.0f;
    return float(double(float(t)) * 360.0 / double(float(m_maxTime)));
}

int TimerH2Heating::stripX(double value) const
{
    // Bounded so that the product stays an integer; marks beyond the widget
    // are clipped when painted.
    const double f = m_xSize / 1000.0;
    return int(qBound(-1.0e6, value * f, 1.0e6));
}

int TimerH2Heating::referenceX() const
{
    return stripX(m_h2Reference);
}

int TimerH2Heating::rangeTopX() const
{
    return stripX(double(m_h2Reference) + m_h2Range);
}

int TimerH2Heating::levelX() const
{
    return stripX(m_h2Level);
}

void TimerH2Heating::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);

    // Face.
    const QColor face = m_currentTime < m_startYellowArea ? Qt::red
                        : m_currentTime < m_startGreenArea ? Qt::yellow
                                                           : Qt::green;
    p.setPen(Qt::NoPen);
    p.setBrush(face);
    p.drawEllipse(QRect(1, 1, 48, 48));
    p.setBrush(Qt::NoBrush);

    // Hand, clockwise from twelve o'clock; its end is computed around the
    // centre of a 50-pixel face.
    const float a = time2Angle(m_currentTime) * 0.017453292f;
    p.setPen(solidPen(Qt::black, 2));
    p.drawLine(m_center, QPoint(int(25.0f + 23.0f * std::sin(a)), int(25.0f - 23.0f * std::cos(a))));

    // Hub.
    p.setPen(solidPen(Qt::black, 3));
    p.drawEllipse(QRect(QPoint(m_center.x() - 2, m_center.y() - 2), QPoint(m_center.x() + 1, m_center.y() + 1)));

    // Ring.
    p.setPen(solidPen(Qt::darkGray, 2));
    p.drawEllipse(QRect(QPoint(3, 3), QPoint(46, 46)));

    // The fixed scale: 0..300 s red, 300..600 s yellow, 600..900 s green
    // (sixteenths of a degree, counter-clockwise from three o'clock).
    const QRect arcs(1, 1, 48, 48);
    p.setPen(solidPen(Qt::red, 3));
    p.drawArc(arcs, -480, 1920);
    p.setPen(solidPen(Qt::yellow, 3));
    p.drawArc(arcs, 3360, 1920);
    p.setPen(solidPen(Qt::green, 3));
    p.drawArc(arcs, 1440, 1920);

    if (!m_showRangeVisualisation)
        return;
    const int top = m_ySize + 3;
    const int xRef = referenceX();
    const int xTop = rangeTopX();
    const int xLevel = levelX();
    p.fillRect(QRect(QPoint(0, top), QPoint(m_xSize - 1, m_ySize + 14)), Qt::darkGray);
    if (xRef <= m_xSize - 1)
        p.fillRect(QRect(QPoint(qMax(0, xRef), top), QPoint(m_xSize - 1, m_ySize + 14)), Qt::green);
    p.setPen(solidPen(Qt::black, 2));
    p.drawLine(xRef, top, xRef, m_ySize + 15);
    p.drawLine(xTop, top, xTop, m_ySize + 15);
    p.setPen(solidPen(Qt::red, 2));
    p.drawLine(xLevel, top, xLevel, m_ySize + 15);
}
