#include "fifoaudioinput.h"

#include "deviceroot.h"

#include <QDebug>
#include <QIODevice>
#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <sys/ioctl.h>
#include <unistd.h>

const char FifoAudioInputSource::kBoardPath[] = "/dev/microphone";

// The read end of the FIFO as a sequential device: readyRead() whenever
// the FIFO holds data, reads never wait.
class FifoReadDevice : public QIODevice
{
public:
    FifoReadDevice(int fd, std::function<void()> onEnd, QObject *parent)
        : QIODevice(parent), m_fd(fd), m_onEnd(std::move(onEnd)),
          m_notifier(new QSocketNotifier(fd, QSocketNotifier::Read, this))
    {
        connect(m_notifier, &QSocketNotifier::activated, this, [this] { emit readyRead(); });
    }

    ~FifoReadDevice() override { close(); }

    bool isSequential() const override { return true; }

    qint64 bytesAvailable() const override
    {
        int queued = 0;
        if (m_fd < 0 || ::ioctl(m_fd, FIONREAD, &queued) < 0)
            queued = 0;
        return queued + QIODevice::bytesAvailable();
    }

    void close() override
    {
        if (m_fd >= 0) {
            m_notifier->setEnabled(false);
            ::close(m_fd);
            m_fd = -1;
        }
        QIODevice::close();
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_fd < 0)
            return -1;
        ssize_t n;
        do
            n = ::read(m_fd, data, size_t(maxSize));
        while (n < 0 && errno == EINTR);
        if (n > 0)
            return n;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return 0;
        // End of file: the writer is gone (or a real error). The FIFO would
        // stay readable for ever, so stop watching it.
        m_notifier->setEnabled(false);
        if (m_onEnd)
            m_onEnd();
        return -1;
    }

    qint64 writeData(const char *, qint64) override { return -1; }

private:
    int m_fd;
    std::function<void()> m_onEnd;
    QSocketNotifier *m_notifier;
};

FifoAudioInputSource::FifoAudioInputSource(QObject *parent) : AudioInputSource(parent) {}

FifoAudioInputSource::~FifoAudioInputSource()
{
    closeDevice();
}

void FifoAudioInputSource::closeDevice()
{
    delete m_device;
    m_device = nullptr;
}

void FifoAudioInputSource::setState(QAudio::State state, QAudio::Error error)
{
    m_error = error;
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

QIODevice *FifoAudioInputSource::start()
{
    closeDevice();
    const QByteArray path = DeviceRoot::path(kBoardPath);
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        qWarning() << "Error: Could not open" << kBoardPath;
        setState(QAudio::StoppedState, QAudio::OpenError);
        return nullptr;
    }
    // Sound that waited in the FIFO is old: drop it.
    int queued = 0;
    if (::ioctl(fd, FIONREAD, &queued) == 0) {
        char scrap[4096];
        while (queued > 0) {
            const ssize_t n = ::read(fd, scrap, sizeof scrap);
            if (n <= 0)
                break;
            queued -= int(n);
        }
    }
    m_device = new FifoReadDevice(
        fd, [this] {
            qWarning() << "Error: No more data from" << kBoardPath;
            setState(QAudio::StoppedState, QAudio::IOError);
        },
        this);
    m_device->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    setState(QAudio::ActiveState, QAudio::NoError);
    return m_device;
}

void FifoAudioInputSource::stop()
{
    closeDevice();
    setState(QAudio::StoppedState, QAudio::NoError);
}
