#include "readwaiting.h"

#include <unistd.h>

QByteArray readWaiting(int fd)
{
    QByteArray out;
    char buffer[65536];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        out.append(buffer, int(n));
    return out;
}
