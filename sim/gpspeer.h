#ifndef SIM_GPSPEER_H
#define SIM_GPSPEER_H

#include "nmea.h"

#include <QObject>
#include <QString>
#include <QTimer>

namespace Sim {

class ControlChannel;
class PtyPort;

// The GPS receiver behind ttyO1: once a second it sends RMC, GGA, GSA and GSV
// sentences for the current fix, stamped with the current UTC time. Bytes the
// program sends to the receiver are journalled in hex to
// <root>/.tq3900/gps-<port>.log, one line per read.
class GpsPeer : public QObject
{
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 1000;

    GpsPeer(const QString &root, PtyPort *port, QObject *parent = nullptr);

    void start();
    void stop();

    const GpsFix &fix() const { return m_fix; }
    void setValid(bool valid) { m_fix.valid = valid; }
    void setPosition(double latitude, double longitude);
    void setSatellites(int count);

    QString logPath() const;

    // Adds "gps fix|pos|sats" to the control channel.
    void registerCommands(ControlChannel &channel);

    // Sends one second's sentences now.
    void sendEpoch();

    // Handles bytes as if they came from the program.
    void receive(const QByteArray &bytes);

private:
    QString m_root;
    PtyPort *m_port;
    GpsFix m_fix;
    QTimer m_timer;
};

} // namespace Sim

#endif // SIM_GPSPEER_H
