#ifndef ANALOGINPUT_H
#define ANALOGINPUT_H

#include <QByteArray>
#include <QFile>
#include <QMutex>
#include <QObject>

// The processor's own analog-to-digital converter, read through Linux IIO.
//
// The converter runs in buffered continuous mode on channel 0; on each
// updateBuffer() one block of up to 1024 samples (signed 16-bit little
// endian, oldest first) is read from its character device and handed on
// with bufferUpdated(). The object lives on a thread of its own (owned by
// AnalogInputWorker); the attribute writes are plain calls from the GUI
// thread and only touch sysfs files the reader does not use.
//
// A read waits at most kReadTimeoutMs for data, and abortReads() ends a
// waiting read at once, so a converter that delivers nothing can never keep
// the reader thread from finishing.
class AnalogInput : public QObject
{
    Q_OBJECT
public:
    static constexpr int kBlockBytes = 2048;
    static constexpr int kReadTimeoutMs = 1000;

    AnalogInput();
    ~AnalogInput() override;

    // Buffer off, channel 0 on, kernel buffer 2048 samples; the buffer stays
    // off until startCapture().
    void initContinousMode();
    void startCapture();
    void stopCapture();

    // A copy of the last complete block (empty before the first read).
    QByteArray getBuffer() const;

    // One-shot reading of converter channel 1; not used by the capture.
    void initAnalogInput();
    int readAnalogInput();
    void closeAnalogInput();

    // From now on every read returns at once with an empty block. Safe to
    // call from any thread; used when the reader thread is shut down.
    void abortReads();

public slots:
    // Reads one block and emits bufferUpdated() with it, also when the
    // device is missing or delivered nothing (the block is then empty).
    void updateBuffer();

signals:
    void bufferUpdated(const QByteArray &block);

private:
    bool writeAttribute(const char *path, const char *value, const char *errorText);

    QFile ain4;
    QByteArray analogValue;
    QByteArray m_buffer;
    mutable QMutex m_bufferMutex; // m_buffer is written on the reader thread
    int m_abortFd = -1;          // eventfd, readable once abortReads() ran
    bool m_stallReported = false;
};

#endif // ANALOGINPUT_H
