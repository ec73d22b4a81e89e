#include "driverhelper.h"
#include "deviceroot.h"

#include <QString>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool DriverHelper::writeFile(const char *path, const char *text)
{
    // Like a sysfs attribute, a file that is not there is not created.
    const QByteArray local = DeviceRoot::path(path);
    // A sysfs attribute takes the whole value from one write. A plain file
    // off the board is overwritten in place and cut to the value's length:
    // truncating it to nothing first makes ext4 flush it on close, some
    // 0.25 ms a write (the start-up's GPIO set-up alone makes 35).
    const bool board = DeviceRoot::isBoard();
    const int fd = ::open(local.constData(), O_WRONLY | O_CLOEXEC | (board ? O_TRUNC : 0));
    if (fd < 0)
        return false;
    const size_t len = std::strlen(text);
    bool ok = ::write(fd, text, len) == static_cast<ssize_t>(len);
    struct stat st;
    if (ok && !board && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > off_t(len))
        ok = ::ftruncate(fd, off_t(len)) == 0;
    const bool closed = ::close(fd) == 0;
    DeviceRoot::appendJournal(QStringLiteral("sysfs.log"),
                              QString::fromLocal8Bit(path) + QLatin1Char(' ')
                                  + QString::fromLocal8Bit(text));
    return ok && closed;
}

bool DriverHelper::writeFile(const char *path, int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return writeFile(path, text);
}

bool DriverHelper::readFile(const char *path, char *buffer, unsigned size)
{
    if (buffer && size > 0)
        buffer[0] = '\0';
    const QByteArray local = DeviceRoot::path(path);
    FILE *f = std::fopen(local.constData(), "r");
    if (!f)
        return false;
    if (buffer && size > 0) {
        const size_t n = std::fread(buffer, 1, size - 1, f);
        buffer[n] = '\0';
    }
    std::fclose(f);
    return true;
}

bool DriverHelper::readFile(const char *path, int &value)
{
    const QByteArray local = DeviceRoot::path(path);
    FILE *f = std::fopen(local.constData(), "r");
    if (!f)
        return false;
    int v = 0;
    const bool parsed = std::fscanf(f, "%d", &v) == 1;
    std::fclose(f);
    if (parsed)
        value = v;
    return parsed;
}
