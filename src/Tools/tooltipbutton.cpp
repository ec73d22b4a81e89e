#include "tooltipbutton.h"

#include <QMouseEvent>
#include <QTimer>
#include <QToolTip>

TooltipButton::TooltipButton(QWidget *parent)
    : QPushButton(parent)
    , m_tooltipTimer(new QTimer(this))
{
    m_tooltipTimer->setSingleShot(true);
    m_tooltipTimer->setInterval(kHoldMs);
    connect(m_tooltipTimer, &QTimer::timeout, this, &TooltipButton::displayTooltip);
}

void TooltipButton::mousePressEvent(QMouseEvent *event)
{
    m_point = event->screenPos().toPoint();
    m_tooltipTimer->start();
    QPushButton::mousePressEvent(event);
}

void TooltipButton::displayTooltip()
{
    if (!isDown())
        return;
    QToolTip::showText(QPoint(m_point.x() - 30, pos().y()), toolTip());
}
