// The firmware copy worker: progress after each chunk, the result it
// reports, an old target replaced only by a whole copy, sources that are no
// regular file, and the worker hosted on a thread as the firmware dialog
// hosts it.
#include "filecopythread.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <sys/stat.h>

Q_DECLARE_METATYPE(QList<int>)

namespace {
QByteArray randomBytes(qint64 size)
{
    QByteArray out(int(size), Qt::Uninitialized);
    QRandomGenerator gen{quint32(size)};
    for (char &c : out)
        c = char(gen.bounded(256));
    return out;
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) == content.size();
}
} // namespace

class TestFileCopyThread : public QObject
{
    Q_OBJECT

private slots:
    void copies_data();
    void copies();
    void hostedOnAThread();
};

void TestFileCopyThread::copies_data()
{
    QTest::addColumn<QString>("source");    // "file", "missing", "folder", "fifo"
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QByteArray>("oldTarget");
    QTest::addColumn<bool>("targetFolderExists");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QList<int>>("steps");

    const QList<int> end{100};
    QTest::newRow("one step, 64 KiB") << "file" << qint64(65536) << QByteArray() << true << true << end;
    QTest::newRow("empty file") << "file" << qint64(0) << QByteArray() << true << true << end;
    QTest::newRow("two chunks") << "file" << qint64(65537) << QByteArray() << true << true << QList<int>{0, 99, 100};
    QTest::newRow("16 chunks") << "file" << qint64(1000000) << QByteArray() << true << true
                               << QList<int>{0, 6, 13, 19, 26, 32, 39, 45, 52, 58, 65, 72, 78, 85, 91, 98, 100};
    QTest::newRow("longer old target, one step") << "file" << qint64(1000) << QByteArray(300000, 'o') << true << true << end;
    QTest::newRow("longer old target, chunks") << "file" << qint64(70000) << QByteArray(300000, 'o') << true << true
                                               << QList<int>{0, 93, 100};
    QTest::newRow("missing source") << "missing" << qint64(0) << QByteArray("old") << true << false << end;
    QTest::newRow("folder as source") << "folder" << qint64(0) << QByteArray("old") << true << false << end;
    QTest::newRow("FIFO as source") << "fifo" << qint64(0) << QByteArray("old") << true << false << end;
    QTest::newRow("no target folder") << "file" << qint64(200000) << QByteArray() << false << false << end;
}

void TestFileCopyThread::copies()
{
    QFETCH(QString, source);
    QFETCH(qint64, size);
    QFETCH(QByteArray, oldTarget);
    QFETCH(bool, targetFolderExists);
    QFETCH(bool, result);
    QFETCH(QList<int>, steps);

    QTemporaryDir dir;
    const QString from = dir.filePath("FW_TQE3900_2-0-0.tq3");
    const QString targetFolder = dir.filePath(targetFolderExists ? "firmware" : "absent");
    const QString to = targetFolder + "/FW_TQE3900_2-0-0.tq3";
    QVERIFY(QDir().mkpath(dir.filePath("firmware")));
    const QByteArray content = randomBytes(size);
    if (source == "file")
        QVERIFY(writeFile(from, content));
    else if (source == "folder")
        QVERIFY(QDir().mkpath(from));
    else if (source == "fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(from).constData(), 0600), 0);
    if (!oldTarget.isEmpty())
        QVERIFY(writeFile(to, oldTarget));

    FileCopyThread worker;
    QList<int> seen;
    int finished = 0;
    bool reported = !result;
    connect(&worker, &FileCopyThread::progressStep, this, [&](int p) {
        QCOMPARE(worker.getProgress(), p);
        seen << p;
    });
    connect(&worker, &FileCopyThread::copyFinished, this, [&](bool ok) {
        ++finished;
        reported = ok;
    });
    QCOMPARE(worker.copyFile(from, to), result);
    QCOMPARE(finished, 1);
    QCOMPARE(reported, result);
    QCOMPARE(seen, steps);
    QCOMPARE(worker.getProgress(), 100);

    QFile target(to);
    if (result) {
        QVERIFY(target.open(QIODevice::ReadOnly));
        QCOMPARE(target.readAll(), content);
    } else if (!oldTarget.isEmpty()) {
        // A failed copy leaves the old target as it was.
        QVERIFY(target.open(QIODevice::ReadOnly));
        QCOMPARE(target.readAll(), oldTarget);
    } else {
        QVERIFY(!target.exists());
    }
    // Nothing else is left in the target folder (no temporary file).
    QCOMPARE(QDir(dir.filePath("firmware")).entryList(QDir::Files | QDir::Hidden).size(),
             oldTarget.isEmpty() && !(result && targetFolderExists) ? 0 : 1);
    if (source == "file")
        QCOMPARE(QFileInfo(from).size(), size); // the source is never touched
}

// As the firmware dialog uses it: on a thread of its own, a copy requested
// through a queued signal; one cancelled before it starts reports false and
// leaves no target, the next one (cancel cleared) copies.
void TestFileCopyThread::hostedOnAThread()
{
    QTemporaryDir dir;
    const QByteArray content = randomBytes(3 * 65536 + 5);
    QVERIFY(writeFile(dir.filePath("source"), content));

    QThread thread;
    auto *worker = new FileCopyThread;
    worker->moveToThread(&thread);
    connect(&thread, &QThread::finished, worker, &QObject::deleteLater);
    QList<bool> results;
    QList<QThread *> threads;
    connect(worker, &FileCopyThread::copyFinished, this, [&](bool ok) {
        results << ok;
        threads << QThread::currentThread();
    });
    thread.start();

    worker->setCancelled(true);
    QMetaObject::invokeMethod(worker, "copyFile", Qt::QueuedConnection, Q_ARG(QString, dir.filePath("source")),
                              Q_ARG(QString, dir.filePath("cancelled")));
    QTRY_COMPARE(results, QList<bool>{false});
    QVERIFY(!QFile::exists(dir.filePath("cancelled")));

    worker->setCancelled(false);
    QMetaObject::invokeMethod(worker, "copyFile", Qt::QueuedConnection, Q_ARG(QString, dir.filePath("source")),
                              Q_ARG(QString, dir.filePath("copy")));
    QTRY_COMPARE(results, (QList<bool>{false, true}));
    QCOMPARE(threads.last(), QThread::currentThread()); // delivered to this thread's object
    QFile copy(dir.filePath("copy"));
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), content);

    thread.quit();
    QVERIFY(thread.wait(10000));
}

QTEST_MAIN(TestFileCopyThread)
#include "tst_filecopythread.moc"
