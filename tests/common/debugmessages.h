#ifndef DEBUGMESSAGES_H
#define DEBUGMESSAGES_H

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QtGlobal>

// Keeps every message the program writes (debug lines included), in order,
// and passes each on. Messages may come from worker threads.
namespace DebugMessages {

struct Store
{
    QMutex mutex;
    QStringList lines;
    QtMessageHandler previous = nullptr;
};

inline Store &store()
{
    static Store s;
    return s;
}

inline void catchMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    {
        QMutexLocker lock(&store().mutex);
        store().lines << text;
    }
    if (store().previous)
        store().previous(type, context, text);
}

// Once, in initTestCase().
inline void install()
{
    store().previous = qInstallMessageHandler(catchMessage);
}

inline QStringList all()
{
    QMutexLocker lock(&store().mutex);
    return store().lines;
}

inline void clear()
{
    QMutexLocker lock(&store().mutex);
    store().lines.clear();
}

} // namespace DebugMessages

#endif // DEBUGMESSAGES_H
