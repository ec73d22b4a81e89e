#include "settingsbutton.h"

#include <QFont>
#include <QPainter>

SettingsButton::SettingsButton(QWidget *parent)
    : QPushButton(parent)
    , m_color(Qt::white)
{
    setFont(QFont(QStringLiteral("Arial Unicode MS"), 12));
}

void SettingsButton::setText2(const QString &first, const QString &second)
{
    QPushButton::setText(QString());
    firstText = first;
    secondText = second;
    update();
}

void SettingsButton::paintEvent(QPaintEvent *event)
{
    QPushButton::paintEvent(event);

    // White text, black while the finger is on the button (its pressed
    // background is light).
    m_color = isDown() ? QColor(0x00, 0x00, 0x00) : QColor(0xff, 0xff, 0xff);

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(m_color);

    QFont title(font().defaultFamily(), font().pointSize());
    title.setWeight(75);
    painter.setFont(title);
    painter.drawText(QRect(55, 0, 356, 25), Qt::AlignLeft | Qt::AlignVCenter, firstText);

    QFont value(font().defaultFamily(), font().pointSize());
    value.setWeight(50);
    painter.setFont(value);
    painter.drawText(QRect(55, 25, 356, 25), Qt::AlignRight | Qt::AlignVCenter, secondText);
}
