#include "simboard.h"

#include "controlchannel.h"
#include "devicetree.h"
#include "headphonepeer.h"
#include "sensorunitpeer.h"
#include "simulator.h"

#include <QMutex>
#include <QMutexLocker>
#include <QThread>
#include <QWaitCondition>
#include <QtTest>

const char *const SimBoard::kUnitAddress = Sim::SensorUnitPeer::kDefaultAddress;
const char *const SimBoard::kHeadphoneAddress = Sim::HeadphonePeer::kDefaultAddress;

// Builds the simulator on its own thread, runs that thread's event loop and
// tears the simulator down there again.
class SimBoardThread : public QThread
{
public:
    explicit SimBoardThread(const QString &root) : m_root(root) {}

    // Starts the thread and waits until the simulator is up or has failed.
    bool startAndWait()
    {
        QMutexLocker lock(&m_mutex);
        start();
        while (!m_ready)
            m_started.wait(&m_mutex);
        return m_sim != nullptr;
    }

    QString error() const
    {
        QMutexLocker lock(&m_mutex);
        return m_error;
    }

    Sim::Simulator *simulator() const
    {
        QMutexLocker lock(&m_mutex);
        return m_sim;
    }

protected:
    void run() override
    {
        Sim::Simulator sim(m_root);
        QString error;
        const bool ok = sim.start(&error);
        {
            QMutexLocker lock(&m_mutex);
            m_sim = ok ? &sim : nullptr;
            m_error = error;
            m_ready = true;
            m_started.wakeAll();
        }
        if (ok)
            exec();
        {
            QMutexLocker lock(&m_mutex);
            m_sim = nullptr;
        }
        sim.stop();
    }

private:
    QString m_root;
    mutable QMutex m_mutex;
    QWaitCondition m_started;
    bool m_ready = false;
    Sim::Simulator *m_sim = nullptr;
    QString m_error;
};

SimBoard::SimBoard(const QString &root)
    : m_root(root), m_thread(std::make_unique<SimBoardThread>(root))
{
    m_thread->startAndWait();
}

SimBoard::~SimBoard()
{
    m_thread->quit();
    m_thread->wait();
}

bool SimBoard::isRunning() const
{
    return m_thread->simulator() != nullptr;
}

QString SimBoard::error() const
{
    return m_thread->error();
}

QString SimBoard::send(const QString &command)
{
    Sim::Simulator *sim = m_thread->simulator();
    if (!sim)
        return QStringLiteral("error: the simulator is not running");
    QString reply;
    QMetaObject::invokeMethod(
        sim->control(), [sim, &command, &reply] { reply = sim->control()->execute(command); },
        Qt::BlockingQueuedConnection);
    return reply;
}

QList<QPair<QTime, QString>> SimBoard::readLog(const QString &name) const
{
    QList<QPair<QTime, QString>> out;
    const QString text = QString::fromUtf8(Sim::readBoardFile(m_root, QStringLiteral("/.tq3900/") + name));
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        // "<hh:mm:ss.zzz> <line>"
        out << qMakePair(QTime::fromString(line.left(12), QStringLiteral("hh:mm:ss.zzz")), line.mid(13));
    }
    return out;
}

QList<QPair<QTime, QString>> SimBoard::moduleLog(const QString &port) const
{
    return readLog(QStringLiteral("bt-%1.log").arg(port));
}

QStringList SimBoard::moduleLines(const QString &port) const
{
    QStringList out;
    for (const auto &entry : moduleLog(port))
        out << entry.second;
    return out;
}

QList<QPair<QTime, QString>> SimBoard::unitLog() const
{
    return readLog(QStringLiteral("unit.log"));
}

QStringList SimBoard::unitLines() const
{
    QStringList out;
    for (const auto &entry : unitLog())
        out << entry.second;
    return out;
}

bool SimBoard::waitForDataLink(int timeoutMs)
{
    return QTest::qWaitFor(
        [this] {
            const QString status = send(QStringLiteral("bt ttyO2 status"));
            return status.startsWith(QLatin1String("data")) && status.contains(QLatin1String("RFCOMM"))
                && !status.contains(QLatin1String("RFCOMM calling"));
        },
        timeoutMs);
}
