#include "eventhandler.h"
#include "backlight.h"
#include "driverhelper.h"
#include "favouritebutton.h"
#include "globals.h"
#include "mainmenu.h"
#include "statusbardata.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QDebug>
#include <QKeyEvent>
#include <QWidget>

bool g_hardwareTestActive = false;

namespace {

bool isHardwareKey(int key)
{
    return key >= Qt::Key_F1 && key <= Qt::Key_F6;
}

QKeyEvent *makeKey(QEvent::Type type, int key)
{
    return new QKeyEvent(type, key, Qt::NoModifier, QString(), false, 1);
}

void postKey(QObject *receiver, QEvent::Type type, int key)
{
    QCoreApplication::postEvent(receiver, makeKey(type, key));
}

void sendKey(QObject *receiver, QEvent::Type type, int key)
{
    QKeyEvent event(type, key, Qt::NoModifier, QString(), false, 1);
    QCoreApplication::sendEvent(receiver, &event);
}

// The instrument is on its way to a restart (the main window says so).
bool inputClosed()
{
    const MainMenu *w = MainMenu::getInstanceMainMenu();
    return w && w->isInputClosed();
}

} // namespace

EventHandler::EventHandler(QObject *parent)
    : QObject(parent)
{
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        m_releaseSettleMs = 50;
    m_settleTimer.setSingleShot(true);
    connect(&m_settleTimer, &QTimer::timeout, this, &EventHandler::flushPendingRelease);
}

void EventHandler::flushPendingRelease()
{
    m_settleTimer.stop();
    if (!m_pending.active)
        return;
    m_pending.active = false;
    if (!m_pending.watched)
        return;
    QKeyEvent release(QEvent::KeyRelease, m_pending.key, Qt::NoModifier);
    if (m_pending.raw) {
        // The raw key itself, past this filter (it would hold it back again).
        m_forwarding = true;
        QCoreApplication::sendEvent(m_pending.watched, &release);
        m_forwarding = false;
        return;
    }
    handleRelease(m_pending.watched, &release);
}

bool EventHandler::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchCancel:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
        return inputClosed();
    case QEvent::TouchEnd: {
        Statusbardata *status = StatusbarData();
        const bool sleeping = status->isPowerSavingActive();
        status->resetPowerSavingCnt();
        return sleeping || inputClosed();
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        // The window's copy of a key event is forwarded to the focus widget,
        // where it is seen again: only the widget's copy counts.
        if (!watched->isWidgetType() || m_forwarding)
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        bool unmarkedRepeat = false;
        if (m_pending.active) {
            // A press of the held-back key with the release's time stamp is
            // the second half of an auto-repeat pair; anything else ends the
            // wait, so that events keep their order.
            unmarkedRepeat = event->type() == QEvent::KeyPress && key->key() == m_pending.key
                    && key->timestamp() == m_pending.timestamp;
            if (unmarkedRepeat) {
                m_pending.active = false;
                m_settleTimer.stop();
            } else {
                flushPendingRelease();
            }
        }
        if (event->type() == QEvent::KeyPress) {
            Statusbardata *status = StatusbarData();
            if (status->isPowerSavingActive()) {
                status->resetPowerSavingCnt();
                return true; // the press only wakes the instrument
            }
            status->resetPowerSavingCnt();
            if (!isHardwareKey(key->key()))
                return inputClosed();
            if (g_hardwareTestActive)
                return false;
            if (unmarkedRepeat && !key->isAutoRepeat()) {
                QKeyEvent repeat(QEvent::KeyPress, key->key(), key->modifiers(), key->text(), true);
                return handlePress(watched, &repeat);
            }
            return handlePress(watched, key);
        }
        if (!isHardwareKey(key->key()))
            return inputClosed();
        // In raw-key mode too: a held key must not count as released.
        if (m_releaseSettleMs > 0 && !key->isAutoRepeat()) {
            m_pending.active = true;
            m_pending.raw = g_hardwareTestActive;
            m_pending.key = key->key();
            m_pending.timestamp = key->timestamp();
            m_pending.watched = watched;
            m_settleTimer.start(m_releaseSettleMs);
            return true;
        }
        if (g_hardwareTestActive)
            return false;
        return handleRelease(watched, key);
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

bool EventHandler::handlePress(QObject *watched, QKeyEvent *key)
{
    const bool repeat = key->isAutoRepeat();
    // While input is closed only the power key is counted, for its hold.
    const bool closed = inputClosed();
    if (closed && key->key() != Qt::Key_F1)
        return true;
    switch (key->key()) {
    case Qt::Key_F1: // power
        if (!repeat) {
            m_cnt = 0;
            m_shutdown = false;
        } else if (++m_cnt > 7) {
            qDebug() << "Power down";
            m_cnt = 0;
            m_shutdown = true;
            DriverHelper::writeFile(Backlight::kBrightness, "0");
        }
        if (!closed)
            postKey(watched, QEvent::KeyPress, Qt::Key_F11);
        break;
    case Qt::Key_F2: // favourite
        if (!repeat) {
            m_cntFavKey = 0;
        } else if (++m_cntFavKey == 8) {
            qDebug() << "Neue Funktion speichern";
            if (MainMenu *w = MainMenu::getInstanceMainMenu())
                w->getFavouriteButtonInsance()->storeFavouriteFunction();
        }
        break;
    case Qt::Key_F3: // up
        m_cntUpKey = repeat ? m_cntUpKey + 1 : 0;
        postKey(watched, QEvent::KeyPress, Qt::Key_Up);
        break;
    case Qt::Key_F4: // select
        postKey(watched, QEvent::KeyPress, Qt::Key_Space);
        break;
    case Qt::Key_F5: // down
        m_cntDownKey = repeat ? m_cntDownKey + 1 : 0;
        postKey(watched, QEvent::KeyPress, Qt::Key_Down);
        break;
    case Qt::Key_F6: // mute
        qDebug() << "Key MUTE pressed";
        if (!repeat) {
            m_muteKeyCnt = 0;
            postKey(watched, QEvent::KeyPress, Qt::Key_F10);
        } else {
            ++m_muteKeyCnt;
        }
        break;
    default:
        return false;
    }
    return true;
}

bool EventHandler::handleRelease(QObject *watched, QKeyEvent *key)
{
    // X11 reports a held key as release/press pairs marked auto-repeat; only
    // the final release counts.
    if (key->isAutoRepeat())
        return true;
    MainMenu *w = MainMenu::getInstanceMainMenu();
    // While input is closed only a hold of the power key acts: it asks for
    // the power-off.
    const bool closed = inputClosed();
    if (closed && !(key->key() == Qt::Key_F1 && m_shutdown))
        return true;
    switch (key->key()) {
    case Qt::Key_F1:
        if (m_shutdown) {
            qDebug() << "Send Event for shutdown";
            if (w) {
                // Past this filter, which holds every other key while input
                // is closed.
                m_forwarding = true;
                sendKey(w, QEvent::KeyRelease, Qt::Key_F12);
                m_forwarding = false;
            }
        } else {
            qDebug() << "Eventhandler IO-Key released";
            sendKey(watched, QEvent::KeyRelease, Qt::Key_Escape);
            if (w)
                w->displayFavouriteDialog(0);
        }
        break;
    case Qt::Key_F2:
        if (m_cntFavKey < 8 && w)
            w->getFavouriteButtonInsance()->execFavouriteFunction();
        break;
    case Qt::Key_F3:
    case Qt::Key_F5:
        if (m_cntUpKey > 2 && m_cntDownKey > 2) {
            qDebug() << "m_cntUpKey" << m_cntUpKey << "m_cntDownKey" << m_cntDownKey;
            // Reset first: the main window answers F13 with a modal pop-up,
            // during which the other key's release arrives.
            m_cntUpKey = 0;
            m_cntDownKey = 0;
            if (w)
                sendKey(w, QEvent::KeyRelease, Qt::Key_F13);
        } else if (key->key() == Qt::Key_F3) {
            // A long press of one key alone must not count towards UART mode
            // together with a later long press of the other.
            m_cntUpKey = 0;
            postKey(watched, QEvent::KeyRelease, Qt::Key_Up);
        } else {
            m_cntDownKey = 0;
            postKey(watched, QEvent::KeyRelease, Qt::Key_Down);
        }
        break;
    case Qt::Key_F4:
        postKey(watched, QEvent::KeyRelease, Qt::Key_Space);
        break;
    case Qt::Key_F6:
        qDebug() << "Key MUTE released";
        postKey(watched, QEvent::KeyRelease, Qt::Key_F10);
        break;
    default:
        return false;
    }
    return true;
}
