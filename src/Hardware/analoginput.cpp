#include "analoginput.h"

#include "deviceroot.h"
#include "driverhelper.h"

#include <QDebug>
#include <QMutexLocker>
#include <QThread>

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {
const char kAin1Raw[] = "/sys/bus/iio/devices/iio:device0/in_voltage1_raw";
const char kChannelEnable[] = "/sys/bus/iio/devices/iio:device0/scan_elements/in_voltage0_en";
const char kBufferLength[] = "/sys/bus/iio/devices/iio:device0/buffer/length";
const char kBufferEnable[] = "/sys/bus/iio/devices/iio:device0/buffer/enable";
const char kDataDevice[] = "/dev/iio:device0";

quintptr currentThreadId()
{
    return reinterpret_cast<quintptr>(QThread::currentThreadId());
}
} // namespace

AnalogInput::AnalogInput()
{
    ain4.setFileName(DeviceRoot::path(QString::fromLatin1(kAin1Raw)));
    m_abortFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    qDebug() << "AnalogInput" << currentThreadId();
}

AnalogInput::~AnalogInput()
{
    if (m_abortFd >= 0)
        ::close(m_abortFd);
}

bool AnalogInput::writeAttribute(const char *path, const char *value, const char *errorText)
{
    if (DriverHelper::writeFile(path, value))
        return true;
    qWarning() << errorText;
    return false;
}

void AnalogInput::initContinousMode()
{
    qDebug() << "AnalogInput::initContinousMode";
    stopCapture();
    {
        QMutexLocker lock(&m_bufferMutex);
        m_buffer.clear();
    }
    writeAttribute(kChannelEnable, "1", "Error: Could not open AIN1 Continousmode");
    writeAttribute(kBufferLength, "2048", "Error: Could not open buffer/length");
}

void AnalogInput::startCapture()
{
    qDebug() << "AnalogInput::startCapture";
    writeAttribute(kBufferEnable, "1", "Error: Could not open buffer/enable");
}

void AnalogInput::stopCapture()
{
    qDebug() << "AnalogInput::stopCapture";
    writeAttribute(kBufferEnable, "0", "Error: Could not open buffer/enable");
}

QByteArray AnalogInput::getBuffer() const
{
    QMutexLocker lock(&m_bufferMutex);
    return m_buffer;
}

void AnalogInput::initAnalogInput()
{
    if (!ain4.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        qWarning() << "Error: Could not open AIN4";
}

int AnalogInput::readAnalogInput()
{
    if (!ain4.isOpen())
        return 0;
    ain4.seek(0);
    analogValue = ain4.read(4);
    bool ok = false;
    const int value = analogValue.trimmed().toInt(&ok);
    return ok ? value : 0;
}

void AnalogInput::closeAnalogInput()
{
    ain4.close();
}

void AnalogInput::abortReads()
{
    if (m_abortFd < 0)
        return;
    const std::uint64_t one = 1;
    const ssize_t written = ::write(m_abortFd, &one, sizeof one);
    Q_UNUSED(written) // the counter cannot overflow with this few writes
}

void AnalogInput::updateBuffer()
{
    QByteArray block;
    // Non-blocking open: a simulated converter is a FIFO, whose plain open
    // would wait for a writer; the wait for data is the poll below.
    const QByteArray device = DeviceRoot::path(kDataDevice);
    const int fd = ::open(device.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        qWarning() << "Error: Could not open /dev/iio:device0";
    } else {
        struct pollfd fds[2] = {{fd, POLLIN, 0}, {m_abortFd, POLLIN, 0}};
        int ready;
        do
            ready = ::poll(fds, m_abortFd >= 0 ? 2 : 1, kReadTimeoutMs);
        while (ready < 0 && errno == EINTR);
        const bool aborted = ready > 0 && m_abortFd >= 0 && (fds[1].revents & POLLIN);
        if (ready > 0 && !aborted && (fds[0].revents & POLLIN)) {
            char data[kBlockBytes];
            ssize_t n;
            do
                n = ::read(fd, data, sizeof data);
            while (n < 0 && errno == EINTR);
            if (n > 0)
                block = QByteArray(data, int(n));
        }
        ::close(fd);
        if (block.isEmpty() && !aborted) {
            // Once per stall, not on every tick.
            if (!m_stallReported)
                qWarning() << "Error: No data from /dev/iio:device0";
            m_stallReported = true;
        } else if (!block.isEmpty()) {
            m_stallReported = false;
        }
    }
    {
        QMutexLocker lock(&m_bufferMutex);
        m_buffer = block;
    }
    emit bufferUpdated(block);
}
