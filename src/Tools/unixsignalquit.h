#ifndef UNIXSIGNALQUIT_H
#define UNIXSIGNALQUIT_H

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a normal end of the event loop, so that the
// main window and the long-lived objects are torn down in order and the
// program exits with code 0. The signal handler only writes a byte to a
// socket pair; the quit happens on the event loop.
class UnixSignalQuit : public QObject
{
    Q_OBJECT
public:
    explicit UnixSignalQuit(QObject *parent = nullptr);
    ~UnixSignalQuit() override;

    bool isInstalled() const { return m_notifier != nullptr; }
    // True once a signal asked the program to end (also while a modal
    // dialog's own event loop was running).
    bool quitRequested() const { return m_quitRequested; }

private:
    static void handler(int signal);
    static int s_fds[2];
    QSocketNotifier *m_notifier = nullptr;
    bool m_quitRequested = false;
};

#endif // UNIXSIGNALQUIT_H
