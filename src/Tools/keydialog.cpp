#include "keydialog.h"

#include "mainmenu.h"

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
    if (event->key() == Qt::Key_F10 && m_muteKey) {
        event->accept();
        MainMenu *w = MainMenu::getInstanceMainMenu();
        if (event->isAutoRepeat() || !w)
            return;
        w->muteAudioPath(w->isMuteKeySwitchmode() && !w->isAudioPathMuted(), true);
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
    if (event->key() == Qt::Key_F10 && m_muteKey) {
        event->accept();
        MainMenu *w = MainMenu::getInstanceMainMenu();
        if (!event->isAutoRepeat() && w && !w->isMuteKeySwitchmode())
            w->muteAudioPath(true, true);
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void KeyDialog::escapeReleased()
{
    reject();
}
