#include "iconbutton.h"

#include <QKeySequence>
#include <QPainter>

IconButton::IconButton(QWidget *parent)
    : QPushButton(parent)
    , m_color(Qt::white)
{
}

void IconButton::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    setShortcut(QKeySequence::mnemonic(text));
    update();
    updateGeometry();
}

void IconButton::paintEvent(QPaintEvent *event)
{
    QPushButton::paintEvent(event);

    m_color = isDown() ? QColor(0x00, 0x00, 0x00) : QColor(0xff, 0xff, 0xff);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(m_color);
    painter.setFont(font());
    painter.drawText(QRect(QPoint(52, 0), QPoint(width() - 1, height() - 1)),
                     Qt::AlignLeft | Qt::AlignVCenter, m_text);
}
