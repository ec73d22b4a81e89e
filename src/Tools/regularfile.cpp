#include "regularfile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RegularFile {

namespace {

// Opens with O_NONBLOCK, so that a FIFO without a writer (or a reader, for
// appending) cannot block, then checks what was opened. The flag is cleared
// again on a regular file, where it has no effect anyway.
Status openChecked(const QString &path, int flags, QFile *file, qint64 *size)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
    // ELOOP: a symbolic link where O_NOFOLLOW refuses one; ENXIO: a FIFO
    // without a reader opened for writing (or a device without its driver).
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR                 ? Status::Missing
            : errno == EISDIR || errno == ELOOP || errno == ENXIO ? Status::NotRegular
                                                                   : Status::Unreadable;
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return Status::Unreadable;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return Status::NotRegular;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    const QIODevice::OpenMode mode = (flags & O_APPEND)        ? QIODevice::WriteOnly | QIODevice::Append
        : (flags & O_ACCMODE) == O_RDWR   ? QIODevice::ReadWrite
        : (flags & O_ACCMODE) == O_WRONLY ? QIODevice::WriteOnly
                                          : QIODevice::ReadOnly;
    if (!file->open(fd, mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return Status::Unreadable;
    }
    if (size)
        *size = qint64(st.st_size);
    return Status::Ok;
}

} // namespace

Status openForReading(const QString &path, QFile *file, qint64 *size, Links links)
{
    return openChecked(path, links == Links::Refuse ? O_RDONLY | O_NOFOLLOW : O_RDONLY, file, size);
}

Status read(const QString &path, qint64 maxBytes, QByteArray *content, Links links)
{
    content->clear();
    QFile file;
    qint64 size = 0;
    const Status status = openForReading(path, &file, &size, links);
    if (status != Status::Ok)
        return status;
    if (size > maxBytes)
        return Status::TooLarge;
    // The file may grow while it is read: never more than the limit.
    *content = file.read(maxBytes + 1);
    if (content->size() > maxBytes) {
        content->clear();
        return Status::TooLarge;
    }
    return Status::Ok;
}

bool openForAppend(const QString &path, QFile *file)
{
    // Never through a symbolic link: a link on the card must not make the
    // program write to a file elsewhere.
    return openChecked(path, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW, file, nullptr) == Status::Ok;
}

bool openForWriting(const QString &path, QFile *file)
{
    return openChecked(path, O_RDWR | O_CREAT | O_NOFOLLOW, file, nullptr) == Status::Ok;
}

Status replaceContent(const QString &path, const QByteArray &bytes)
{
    // O_TRUNC would empty whatever the open reached (a link's target too)
    // before anything is checked: the file is emptied only once it is known
    // to be a regular file of its own.
    QFile file;
    const Status status = openChecked(path, O_WRONLY | O_CREAT | O_NOFOLLOW, &file, nullptr);
    if (status != Status::Ok)
        return status;
    if (!file.resize(0) || file.write(bytes) != bytes.size() || !file.flush())
        return Status::Unreadable;
    return Status::Ok;
}

bool isSymLink(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool removeSymLink(const QString &path)
{
    if (!isSymLink(path))
        return true;
    return ::unlink(QFile::encodeName(path).constData()) == 0 || !isSymLink(path);
}

QString describe(Status status)
{
    switch (status) {
    case Status::Ok:
        return QStringLiteral("ok");
    case Status::Missing:
        return QStringLiteral("missing");
    case Status::NotRegular:
        return QStringLiteral("not a regular file");
    case Status::TooLarge:
        return QStringLiteral("too large");
    case Status::Unreadable:
        return QStringLiteral("unreadable");
    }
    return QString();
}

} // namespace RegularFile
