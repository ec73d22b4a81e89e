#ifndef FILECOPYTHREAD_H
#define FILECOPYTHREAD_H

#include <QObject>
#include <QString>

#include <atomic>

// Copies one file away from the GUI thread. Despite its name a plain object:
// its user creates it without a parent, moves it to a QThread of its own and
// requests copies through a queued signal connected to copyFile(); the GUI
// polls getProgress() on its own timer and learns the end from
// copyFinished(ok).
//
// The source is opened as a regular file (a FIFO or device on the card is
// refused at once). The target is written beside itself under a temporary
// name and renamed over an existing target only when the whole source was
// copied, so a failed copy leaves any old target as it was and no partial
// file behind. A read or write error ends the copy at once.
class QIODevice;

class FileCopyThread : public QObject
{
    Q_OBJECT
public:
    // Files up to this size are copied in one step; larger ones chunk by
    // chunk of this size, with the percentage published after each chunk.
    static constexpr qint64 FilecopyPartsize = 65536;

    explicit FileCopyThread(QObject *parent = nullptr);
    ~FileCopyThread() override;

    // Percentage of the current copy, 0 to 100; 100 once a copy has ended,
    // whatever its result. Safe to call from any thread.
    int getProgress() const { return Progress.load(); }

    // A copy under way (or requested) stops after its current chunk and
    // reports false while this is set; the user clears it before it requests
    // the next copy. Safe to call from any thread.
    void setCancelled(bool cancelled) { m_cancelled.store(cancelled); }

public slots:
    // Copies sourceFile to targetFile (local paths). True when the target
    // now holds the whole source; emits copyFinished exactly once.
    bool copyFile(QString sourceFile, QString targetFile);

signals:
    void copyFinished(bool ok);
    // The percentage after each chunk of a chunked copy and at the end of
    // every copy (emitted on the worker's thread).
    void progressStep(int percent);

private:
    bool copyChunks(QIODevice &source, QIODevice &target);
    void publish(int percent);

    // Written by the worker only, read by the GUI.
    std::atomic<quint8> Progress{0};
    qint64 FileSize = 0;
    std::atomic<bool> m_cancelled{false};
};

#endif // FILECOPYTHREAD_H
