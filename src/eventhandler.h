#ifndef EVENTHANDLER_H
#define EVENTHANDLER_H

#include <QObject>
#include <QPointer>
#include <QTimer>

class QKeyEvent;

// The application-wide event filter that turns the six hardware keys (F1 to
// F6: power, favourite, up, select, down, mute) into actions and into the
// keys the screens handle: F11 (power pressed), Escape, Up, Space, Down and
// F10 (mute/listen), and F12 (power down) and F13 (UART mode) for the main
// window. Any key press or touch while power saving is active only wakes the
// instrument. While g_hardwareTestActive is set the six keys pass unchanged.
// While the main window has input closed (MainMenu::isInputClosed: the
// delivery reset waits for its modules before the restart) no key, touch or
// click reaches a widget; only the power key's hold still asks for the
// power-off.
//
// Every key is counted once: a desktop platform shows the filter one key
// event for the window and again for the focus widget (only the widget's is
// handled), and X11 reports a held key as release/press pairs marked
// auto-repeat (the auto-repeated releases are dropped). A busy X client may
// not see the press of such a pair in time to mark the release; there a
// release is held back for a moment (releaseSettleMs) and dropped when a
// press of the same key with the same time stamp follows, which then counts
// as a repeat. Raw-key mode holds releases back the same way; the release
// that ends the wait reaches the widget as the raw key.
class EventHandler : public QObject
{
    Q_OBJECT
public:
    explicit EventHandler(QObject *parent = nullptr);

    bool eventFilter(QObject *watched, QEvent *event) override;

    // How long a release is held back to recognise an unmarked auto-repeat
    // pair: 50 ms on X11, 0 (handled at once) elsewhere.
    void setReleaseSettleMs(int ms) { m_releaseSettleMs = ms; }
    int releaseSettleMs() const { return m_releaseSettleMs; }

signals:
    void muteKeyPressed();
    void shutdownDevice();

private:
    bool handlePress(QObject *watched, QKeyEvent *key);
    bool handleRelease(QObject *watched, QKeyEvent *key);
    void flushPendingRelease();

    struct PendingRelease {
        bool active = false;
        bool raw = false; // held back in raw-key mode: handed on unchanged
        int key = 0;
        ulong timestamp = 0;
        QPointer<QObject> watched;
    };
    PendingRelease m_pending;
    QTimer m_settleTimer;
    int m_releaseSettleMs = 0;
    bool m_forwarding = false; // a held-back raw release is being handed on

    int m_cnt = 0;
    bool m_shutdown = false;
    int m_cntFavKey = 0;
    int m_cntUpKey = 0;
    int m_cntDownKey = 0;
    int m_muteKeyCnt = 0;
};

#endif // EVENTHANDLER_H
