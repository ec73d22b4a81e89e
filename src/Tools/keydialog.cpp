#include "keydialog.h"

#include <QKeyEvent>

KeyDialog::KeyDialog(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags)
{
}

void KeyDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void KeyDialog::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && !event->isAutoRepeat()) {
        event->accept();
        escapeReleased();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void KeyDialog::escapeReleased()
{
    reject();
}
