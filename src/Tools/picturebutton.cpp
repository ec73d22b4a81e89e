#include "picturebutton.h"

#include <QMouseEvent>

PictureButton::PictureButton(QWidget *parent)
    : QPushButton(parent)
{
}

void PictureButton::mouseReleaseEvent(QMouseEvent *event)
{
    m_pos = event->localPos();
    // The normal release handling would emit clicked(); only the pressed
    // look is undone here.
    setDown(false);
    emit mouseReleased(m_pos);
}
