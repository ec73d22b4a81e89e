#include "filecopythread.h"

#include "regularfile.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

FileCopyThread::FileCopyThread(QObject *parent)
    : QObject(parent)
{
}

FileCopyThread::~FileCopyThread() = default;

void FileCopyThread::publish(int percent)
{
    Progress.store(quint8(percent));
    emit progressStep(percent);
}

bool FileCopyThread::copyChunks(QIODevice &source, QIODevice &target)
{
    // One buffer per copy; the percentage trails by one chunk (the bytes
    // done before this chunk) and reaches 100 only at the end.
    QByteArray buffer(int(FilecopyPartsize), Qt::Uninitialized);
    qint64 done = 0;
    while (done < FileSize) {
        if (m_cancelled.load()) {
            qDebug() << "Copy cancelled after" << done << "bytes";
            return false;
        }
        const qint64 want = qMin(FilecopyPartsize, FileSize - done);
        const qint64 got = source.read(buffer.data(), want);
        if (got <= 0) {
            // An error, or a file that shrank while it was copied.
            qDebug() << "Read error after" << done << "bytes:" << source.errorString();
            return false;
        }
        if (target.write(buffer.constData(), got) != got) {
            qDebug() << "Write error after" << done << "bytes:" << target.errorString();
            return false;
        }
        Progress.store(quint8(done * 100 / FileSize));
        emit progressStep(Progress.load());
        done += got;
    }
    return true;
}

bool FileCopyThread::copyFile(QString sourceFile, QString targetFile)
{
    FileSize = 0;
    Progress.store(0);
    bool ok = false;

    QFile source;
    const RegularFile::Status status = RegularFile::openForReading(sourceFile, &source, &FileSize);
    if (status != RegularFile::Status::Ok) {
        qDebug() << "Copy source" << sourceFile << RegularFile::describe(status);
        FileSize = 0;
    } else {
        QSaveFile target(targetFile);
        // Never write into the old target in place: it stays whole until the
        // copy is complete.
        target.setDirectWriteFallback(false);
        if (!target.open(QIODevice::WriteOnly)) {
            qDebug() << "Copy target" << targetFile << target.errorString();
        } else {
            if (FileSize <= FilecopyPartsize) {
                qDebug() << "Copy file in one step";
                const QByteArray all = source.read(FileSize);
                ok = all.size() == FileSize && target.write(all) == FileSize;
            } else {
                qDebug() << "Copy file part by part";
                ok = copyChunks(source, target);
            }
            ok = ok && !m_cancelled.load();
            if (ok)
                ok = target.commit();
            else
                target.cancelWriting();
            const qint64 targetSize = ok ? QFileInfo(targetFile).size() : -1;
            if (ok && targetSize != FileSize) {
                qDebug() << "Error filesize is different" << FileSize << targetSize;
                ok = false;
            } else if (ok) {
                qDebug() << "Files copied. Size is equal" << FileSize << targetSize;
            }
        }
        source.close();
    }
    qDebug() << "Finished copy" << (ok ? "true" : "false");
    publish(100);
    emit copyFinished(ok);
    return ok;
}
