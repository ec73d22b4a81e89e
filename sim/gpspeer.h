#ifndef SIM_GPSPEER_H
#define SIM_GPSPEER_H

#include "nmea.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QPointF>
#include <QString>
#include <QTimer>

namespace Sim {

class ControlChannel;
class PtyPort;

// The GPS receiver behind ttyO1. Once a second it sends RMC, GGA, GSA and the
// GSV series of every constellation in view for the current fix, stamped with
// its clock (the host's UTC time unless set), or the next second of a
// recorded NMEA log being played. A scripted track moves the position one
// point per second.
//
// It is powered by GPIO 16 and sends nothing while that line reads "0". UBX
// CFG-RST frames from the program stop (reset mode 0x08) and start (any other
// mode) its output; every UBX frame it receives is journalled in hex to
// <root>/.tq3900/gps-<port>.log, one line per frame (" bad checksum" added
// when its checksum is wrong, which the receiver ignores).
class GpsPeer : public QObject
{
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 1000;
    static constexpr unsigned kPowerGpio = 16;
    // A recorded log is read up to this size.
    static constexpr qint64 kMaxPlayBytes = 4 * 1024 * 1024;
    // Payload of a UBX frame beyond which the bytes are no frame.
    static constexpr int kMaxUbxPayload = 1024;

    GpsPeer(const QString &root, PtyPort *port, QObject *parent = nullptr);

    void start();
    void stop();

    const GpsFix &fix() const { return m_fix; }
    void setValid(bool valid) { m_fix.valid = valid; }
    void setPosition(double latitude, double longitude);
    void setSatellites(int count);

    // The receiver's UTC clock now.
    QDateTime clock() const;
    // Sets the clock (it runs on from there); an invalid time returns to the host's.
    void setClock(const QDateTime &utc);
    // Positions for the coming seconds, one each; the last one stays.
    void setTrack(const QList<QPointF> &latLon);
    // Plays the lines of a recorded NMEA log, one second at a time, in a
    // loop; false when it cannot be read or holds no sentence.
    bool play(const QString &path, QString *error = nullptr);
    void stopPlaying();
    // Sent epochs are suppressed while the output is stopped or unpowered.
    bool isOutputOn() const { return m_outputOn; }
    bool isPowered() const;

    QString logPath() const;

    // Adds the "gps" command to the control channel.
    void registerCommands(ControlChannel &channel);

    // The kinds of sentence a generated epoch holds, in the receiver's own
    // order RMC, GGA, GSA, GSV; all four unless restricted ("gps sentences").
    enum Kind { Rmc = 1, Gga = 2, Gsa = 4, Gsv = 8, AllKinds = Rmc | Gga | Gsa | Gsv };
    void setSentenceKinds(int kinds) { m_kinds = kinds & AllKinds; }
    int sentenceKinds() const { return m_kinds; }
    // The sentences of one generated epoch, of the kinds set.
    QByteArray epochSentences() const;

    // A receiver stuck on one sentence: every second it repeats the very
    // RMC sentence of the moment this was set (clock and position frozen),
    // and sends nothing else. Off: normal epochs again.
    void setRepeatRmc(bool on);
    bool isRepeatingRmc() const { return !m_repeatedRmc.isEmpty(); }

    // Sends one second's sentences now (nothing while stopped or unpowered).
    void sendEpoch();

    // Handles bytes as if they came from the program.
    void receive(const QByteArray &bytes);

private:
    void handleFrame(const QByteArray &frame, bool checksumOk);
    QString command(const QStringList &args);

    QString m_root;
    PtyPort *m_port;
    GpsFix m_fix;
    QTimer m_timer;
    QDateTime m_clockBase;      // invalid: the host's clock
    QElapsedTimer m_clockRunning;
    QList<QPointF> m_track;     // (latitude, longitude) still to come
    QList<QByteArray> m_playEpochs;
    int m_playPos = 0;
    bool m_outputOn = true;
    int m_kinds = AllKinds;
    QByteArray m_repeatedRmc;   // the sentence repeated while stuck; empty: normal
    QByteArray m_ubx;           // received bytes not yet part of a whole frame
};

} // namespace Sim

#endif // SIM_GPSPEER_H
