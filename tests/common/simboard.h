#ifndef SIMBOARD_H
#define SIMBOARD_H

#include <QPair>
#include <QString>
#include <QStringList>
#include <QTime>

#include <memory>

class SimBoardThread;

// The board simulator running in this process on a thread of its own, on a
// device root (usually a TestRoot's): the serial ports with the Bluetooth
// modules, the sensor unit and the headphone behind them, the GPS receiver,
// the power supply and the control channel. The program's code runs on the
// test's thread as on the board and may block there (it waits for GPIO 59)
// while the simulated modules keep working.
//
// Start it before the objects that open the ports; destroy it after them.
class SimBoard
{
public:
    // The addresses the simulated remote devices answer to.
    static const char *const kUnitAddress;
    static const char *const kHeadphoneAddress;

    explicit SimBoard(const QString &root);
    ~SimBoard();

    bool isRunning() const;
    QString error() const;

    // Runs one control command on the simulator's thread and returns its
    // reply ("ok", a text or "error: ...").
    QString send(const QString &command);

    // Lines a module received (bt-ttyO2.log / bt-ttyO3.log), without the
    // time stamps; with them for timing checks.
    QStringList moduleLines(const QString &port) const;
    QList<QPair<QTime, QString>> moduleLog(const QString &port) const;
    // Lines the sensor unit received over its data link (unit.log).
    QStringList unitLines() const;
    QList<QPair<QTime, QString>> unitLog() const;

    // Runs the caller's event loop until the sensor-unit module is in data
    // mode on its RFCOMM link (true), or the time is up (false).
    bool waitForDataLink(int timeoutMs = 8000);

private:
    QList<QPair<QTime, QString>> readLog(const QString &name) const;

    QString m_root;
    std::unique_ptr<SimBoardThread> m_thread;
};

#endif // SIMBOARD_H
