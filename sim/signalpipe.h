#ifndef SIM_SIGNALPIPE_H
#define SIM_SIGNALPIPE_H

#include <QObject>

class QSocketNotifier;

namespace Sim {

// Turns SIGINT and SIGTERM into a Qt signal on the event loop. The handler
// only writes the signal number into a pipe (all it may safely do); a socket
// notifier on the pipe's read end emits received() from the event loop.
// One instance per process.
class SignalPipe : public QObject
{
    Q_OBJECT
public:
    explicit SignalPipe(QObject *parent = nullptr);
    ~SignalPipe() override;

    // Installs the handlers. False when the pipe or a handler fails.
    bool install();

signals:
    void received(int signalNumber);

private:
    void onReadable();

    QSocketNotifier *m_notifier = nullptr;
};

} // namespace Sim

#endif // SIM_SIGNALPIPE_H
