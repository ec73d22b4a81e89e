#ifndef AUDIOIODEVICE_H
#define AUDIOIODEVICE_H

#include "pcmformat.h"

#include <QIODevice>

// A level device of the recording: opened when recording starts and closed
// when it stops. Nothing is written to it; a write would only signal
// update(). Reading gives nothing.
class AudioIODevice : public QIODevice
{
    Q_OBJECT
public:
    explicit AudioIODevice(const PcmFormat &format, QObject *parent = nullptr);

    const PcmFormat &format() const { return m_format; }

signals:
    void update();

protected:
    qint64 readData(char *data, qint64 maxlen) override;
    qint64 writeData(const char *data, qint64 len) override;

private:
    const PcmFormat m_format;
};

#endif // AUDIOIODEVICE_H
