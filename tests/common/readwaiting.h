#ifndef READWAITING_H
#define READWAITING_H

#include <QByteArray>

// Everything waiting to be read now on a non-blocking file descriptor: reads
// until nothing more comes (empty when nothing waits or on an error).
QByteArray readWaiting(int fd);

#endif // READWAITING_H
