#ifndef EVENTHANDLER_H
#define EVENTHANDLER_H

#include <QObject>

class QKeyEvent;

// The application-wide event filter that turns the six hardware keys (F1 to
// F6: power, favourite, up, select, down, mute) into actions and into the
// keys the screens handle: F11 (power pressed), Escape, Up, Space, Down and
// F10 (mute/listen), and F12 (power down) and F13 (UART mode) for the main
// window. Any key press or touch while power saving is active only wakes the
// instrument. While g_hardwareTestActive is set the six keys pass unchanged.
//
// Every key is counted once: a desktop platform shows the filter one key
// event for the window and again for the focus widget (only the widget's is
// handled), and X11 reports a held key as release/press pairs marked
// auto-repeat (the auto-repeated releases are dropped).
class EventHandler : public QObject
{
    Q_OBJECT
public:
    explicit EventHandler(QObject *parent = nullptr);

    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    void muteKeyPressed();
    void shutdownDevice();

private:
    bool handlePress(QObject *watched, QKeyEvent *key);
    bool handleRelease(QObject *watched, QKeyEvent *key);

    int m_cnt = 0;
    bool m_shutdown = false;
    int m_cntFavKey = 0;
    int m_cntUpKey = 0;
    int m_cntDownKey = 0;
    int m_muteKeyCnt = 0;
};

#endif // EVENTHANDLER_H
