#ifndef SIM_FIFODEVICE_H
#define SIM_FIFODEVICE_H

#include <QString>

namespace Sim {

// A named FIFO the simulator delivers a device's data through, held open for
// reading and writing while it is open: the program's open never waits for a
// writer, its reads never see end of file, writes never fail for want of a
// reader, and the writer can drop what the program left in it.
class FifoDevice
{
public:
    explicit FifoDevice(const QString &path);
    ~FifoDevice();
    FifoDevice(const FifoDevice &) = delete;
    FifoDevice &operator=(const FifoDevice &) = delete;

    QString path() const { return m_path; }

    // Creates the FIFO afresh (replacing a stale one or a plain file, making
    // the folder if needed) and opens it non-blocking. On failure error (if
    // given) says what failed and why, and no FIFO is left behind.
    bool open(QString *error = nullptr);
    // Closes and removes the FIFO. Safe to call twice.
    void close();
    bool isOpen() const { return m_fd >= 0; }

    // Asks for room for bytes in the FIFO; false when the system refuses
    // (the FIFO keeps the size it had).
    bool setCapacity(int bytes);
    // Bytes waiting in the FIFO (0 when that cannot be told).
    int queuedBytes() const;
    // Drops up to bytes queued in the FIFO, oldest first; returns how many
    // were dropped.
    int discard(int bytes);
    // One write of up to size bytes, retried when interrupted. Returns the
    // bytes written, or -1 (a full FIFO, or not open).
    qint64 write(const char *data, int size);

private:
    QString m_path;
    int m_fd = -1;
};

} // namespace Sim

#endif // SIM_FIFODEVICE_H
