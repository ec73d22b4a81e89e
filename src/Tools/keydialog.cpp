#include "keydialog.h"

#include "mainmenu.h"

#include <QKeyEvent>
#include <QShowEvent>

void placeOverMainWindow(QWidget *dialog)
{
    if (!dialog->isWindow())
        return;
    QWidget *over = MainMenu::getInstanceMainMenu();
    if (!over && dialog->parentWidget())
        over = dialog->parentWidget();
    if (!over || (over = over->window()) == dialog)
        return;
    // A window's geometry is its inside on the desktop; set the dialog's the
    // same way, so that a window frame, where there is one, goes around it.
    const QRect area = over->geometry();
    const QSize size = dialog->size();
    dialog->setGeometry(QRect(area.x() + qMax(0, (area.width() - size.width()) / 2),
                              area.y() + qMax(0, (area.height() - size.height()) / 2), size.width(),
                              size.height()));
}

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

void KeyDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        placeOverMainWindow(this);
}

void KeyDialog::escapeReleased()
{
    reject();
}
