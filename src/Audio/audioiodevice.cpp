#include "audioiodevice.h"

AudioIODevice::AudioIODevice(const PcmFormat &format, QObject *parent)
    : QIODevice(parent), m_format(format)
{
}

qint64 AudioIODevice::readData(char *data, qint64 maxlen)
{
    Q_UNUSED(data)
    Q_UNUSED(maxlen)
    return 0;
}

qint64 AudioIODevice::writeData(const char *data, qint64 len)
{
    Q_UNUSED(data)
    emit update();
    return len;
}
