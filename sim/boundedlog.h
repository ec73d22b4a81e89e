#ifndef SIM_BOUNDEDLOG_H
#define SIM_BOUNDEDLOG_H

#include <QByteArray>
#include <QString>

namespace Sim {

// A log file that stays bounded whatever is written into it: once the
// current part holds maxPartBytes it becomes the one older part
// ("<path>.1", replacing the one before) and a new part begins. So the log
// takes at most about twice maxPartBytes, and the newest output is always
// there. Used by "tq3900-sim --log FILE", which scripts/run puts behind the
// program's and the simulator's output. Never writes through a link: a link
// in place of the log is moved aside like an old part.
class BoundedLog
{
public:
    static constexpr qint64 kMaxPartBytes = 4 * 1024 * 1024;

    explicit BoundedLog(const QString &path, qint64 maxPartBytes = kMaxPartBytes);
    ~BoundedLog();
    BoundedLog(const BoundedLog &) = delete;
    BoundedLog &operator=(const BoundedLog &) = delete;

    // Opens the log for appending (created when missing). False when it
    // cannot be opened.
    bool open();
    // Appends bytes; the part is changed before a write when it is full.
    bool write(const char *data, qint64 size);
    // Copies everything from fd until its end into the log. The exit status
    // for the command line: 0, or 1 when the log could not be written.
    int pump(int fd);

    QString olderPath() const { return m_path + QStringLiteral(".1"); }

private:
    bool openPart();
    bool rotate();

    QString m_path;
    qint64 m_maxPartBytes;
    qint64 m_partBytes = 0;
    int m_fd = -1;
};

} // namespace Sim

#endif // SIM_BOUNDEDLOG_H
