#ifndef SIM_PTYPORT_H
#define SIM_PTYPORT_H

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class QSocketNotifier;

namespace Sim {

// One simulated serial port: a pseudo-terminal whose slave end is linked into
// the device tree as <root>/dev/<name> (the program opens that link as its
// serial port) and whose master end the peer behind the port reads and
// writes on the event loop.
//
// The master stays open for the whole run, also while nobody has the slave
// open: the program opens and closes its ports. Without a reader on the slave
// the master reports a hang-up; the port then stops reading, checks every
// 20 ms whether the slave is open again, and drops what the peer writes in
// the meantime, as a serial line without a listener loses its bytes. What the
// program left unread when it closed the port is dropped too, so that the
// next open starts clean as on a real serial port.
class PtyPort : public QObject
{
    Q_OBJECT
public:
    // Output waiting for a slow reader is kept up to this size; beyond it the
    // oldest bytes are dropped (a receiver overrun).
    static constexpr int kMaxPending = 64 * 1024;

    PtyPort(const QString &name, int baud, QObject *parent = nullptr);
    ~PtyPort() override;

    // Creates the pseudo-terminal (raw, 8N1, the given baud rate) and links
    // its slave as linkPath, replacing a stale link or file there.
    bool open(const QString &linkPath, QString *error = nullptr);
    // Removes the link (if it still points to this port's slave) and closes.
    void close();

    QString name() const { return m_name; }
    int baud() const { return m_baud; }
    QString linkPath() const { return m_linkPath; }
    QString slavePath() const { return m_slavePath; }
    bool isOpen() const { return m_master >= 0; }
    // True while some process has the slave end open.
    bool isAttached() const;

    // Queues bytes for the program. Returns false (and drops them) when
    // nobody has the port open.
    bool write(const QByteArray &bytes);

signals:
    void received(const QByteArray &bytes);

private:
    // Reads everything waiting; true when the slave has been closed.
    bool drain();
    void onReadable();
    void dropUnread();
    void onWritable();
    void checkReattached();
    void flushPending();

    QString m_name;
    int m_baud;
    QString m_linkPath;
    QString m_slavePath;
    int m_master = -1;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QTimer m_reattachTimer;
    QByteArray m_pending;
    bool m_maybeUnread = false; // written since the last flush of the slave's input
};

} // namespace Sim

#endif // SIM_PTYPORT_H
