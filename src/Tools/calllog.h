#ifndef CALLLOG_H
#define CALLLOG_H

#include <QString>
#include <QStringList>

// The requests an object has received, in order, as short texts
// ("init 0", "sendData BT_TX B"). Objects whose subsystem is not built yet
// keep one, so that the callers' order and arguments can be checked. Only
// the newest kMaxCalls are kept: a caller driven by a peer (a line per
// received message) must not grow it for ever.
class CallLog
{
public:
    static constexpr int kMaxCalls = 1000;

    void record(const QString &call)
    {
        if (m_calls.size() >= kMaxCalls)
            m_calls.removeFirst();
        m_calls << call;
    }
    const QStringList &calls() const { return m_calls; }
    int count(const QString &call) const { return m_calls.count(call); }
    void clear() { m_calls.clear(); }

private:
    QStringList m_calls;
};

#endif // CALLLOG_H
