#ifndef FIFOREADER_H
#define FIFOREADER_H

#include <QByteArray>
#include <QString>

// The program's end of one of the simulator's FIFOs, opened for reading,
// non-blocking, for the lifetime of the object.
class FifoReader
{
public:
    explicit FifoReader(const QString &path);
    ~FifoReader();
    FifoReader(const FifoReader &) = delete;
    FifoReader &operator=(const FifoReader &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    // Bytes waiting in the FIFO.
    int queued() const;
    // One read of at most max bytes: what was waiting (empty when nothing).
    QByteArray read(int max = 65536);
    // Everything waiting now.
    QByteArray readAll();

private:
    int m_fd = -1;
};

#endif // FIFOREADER_H
