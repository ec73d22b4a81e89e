#ifndef MICWRITER_H
#define MICWRITER_H

#include <QByteArray>

class TestRoot;

// The writing end of the microphone FIFO, in place of the simulator, so that
// a test knows every chunk the recording gets.
class MicWriter
{
public:
    explicit MicWriter(const TestRoot &root);
    ~MicWriter();
    MicWriter(const MicWriter &) = delete;
    MicWriter &operator=(const MicWriter &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    void close();
    bool write(const QByteArray &bytes);
    // Bytes written but not read yet.
    int queued() const;

private:
    int m_fd = -1;
};

// A chunk that tells where it came from: sample j of chunk k is k * 1000 + j.
QByteArray chunkOf(int k, int bytes);

#endif // MICWRITER_H
