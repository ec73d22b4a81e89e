#include "statusbar.h"

Statusbar::Statusbar(QWidget *parent)
    : QWidget(parent)
{
}

void Statusbar::init(int width, int height)
{
    m_size = QSize(width, height);
    resize(m_size);
}
