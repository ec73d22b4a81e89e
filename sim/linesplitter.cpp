#include "linesplitter.h"

namespace Sim {

QList<QByteArray> LineSplitter::feed(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    for (const char c : bytes) {
        if (c == '\n' && m_lastWasCr) {
            // Second half of "\r\n": the line already ended at the "\r".
            m_lastWasCr = false;
            continue;
        }
        m_lastWasCr = (c == '\r');
        if (c == '\r' || c == '\n') {
            lines.append(m_buffer);
            m_buffer.clear();
            continue;
        }
        m_buffer.append(c);
        if (m_buffer.size() >= kMaxLine) {
            lines.append(m_buffer);
            m_buffer.clear();
        }
    }
    return lines;
}

void LineSplitter::clear()
{
    m_buffer.clear();
    m_lastWasCr = false;
}

} // namespace Sim
