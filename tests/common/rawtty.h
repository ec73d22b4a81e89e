#ifndef RAWTTY_H
#define RAWTTY_H

#include <QByteArray>
#include <QString>

// A serial port opened the way a plain POSIX program opens it: read and
// write, non-blocking, not as controlling terminal, in raw mode. Closed with
// the object.
class RawTty
{
public:
    explicit RawTty(const QString &path);
    ~RawTty();
    RawTty(const RawTty &) = delete;
    RawTty &operator=(const RawTty &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    void close();
    int fd() const { return m_fd; }
    // Writes all of bytes at once; false when that did not happen.
    bool write(const QByteArray &bytes);
    // Everything that waits to be read now (empty when nothing does).
    QByteArray readAvailable();

private:
    int m_fd = -1;
};

#endif // RAWTTY_H
