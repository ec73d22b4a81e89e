#ifndef SIM_LINESPLITTER_H
#define SIM_LINESPLITTER_H

#include <QByteArray>
#include <QList>

namespace Sim {

// Cuts a byte stream into lines. "\r", "\n" and "\r\n" each end a line, also
// when the "\r\n" pair is split across two reads. A partial line waits for
// its end in the next feed. Empty lines are passed on (callers decide whether
// they matter); the line ends themselves are dropped.
class LineSplitter
{
public:
    // Longest line kept; a longer run without a line end is passed on in
    // chunks of this size so that a peer sending garbage cannot grow the
    // buffer without bound.
    static constexpr int kMaxLine = 4096;

    QList<QByteArray> feed(const QByteArray &bytes);
    // The partial line waiting for its end.
    const QByteArray &pending() const { return m_buffer; }
    void clear();

private:
    QByteArray m_buffer;
    bool m_lastWasCr = false;
};

} // namespace Sim

#endif // SIM_LINESPLITTER_H
