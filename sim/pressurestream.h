#ifndef SIM_PRESSURESTREAM_H
#define SIM_PRESSURESTREAM_H

#include <QByteArray>
#include <QObject>
#include <QTimer>

namespace Sim {

class ControlChannel;

// The pressure sensor attached to the sensor unit. Asked to stream ("BT_TX
// RS") the unit announces the sensor with "BT_RX RS <range in bar> <reading
// at 0 bar> <reading at full scale>" and then sends 100 samples a second as
// packets "BT_RX RD <n> <samples>" until "BT_TX RP": each sample three
// upper-case hexadecimal digits of the sensor's raw reading and ";".
//
// The pressure is set in bar, with an even noise of +/- the set amount on
// each sample (a fixed pseudo-random sequence); readings are held to the
// converter's 0..4095. A packet holds 1 to 1000 samples (a line stays under
// the link's 4096 characters) and goes out every n x 10 ms.
class PressureStream : public QObject
{
    Q_OBJECT
public:
    static constexpr int kSamplesPerSecond = 100;
    static constexpr int kMaxPacket = 1000;
    static constexpr int kMaxReading = 4095;

    explicit PressureStream(QObject *parent = nullptr);

    QByteArray announcement() const;
    // The next packet line at the current pressure.
    QByteArray nextPacket();
    // The raw reading of a pressure in bar for the sensor's limits.
    static int readingFor(double bar, int range, int atZero, int atRange);

    void start();
    void stop();
    bool isRunning() const { return m_timer.isActive(); }
    int packetsSent() const { return m_packets; }
    int packetSize() const { return m_packetSize; }

    // Each setter refuses (false) a value out of its range.
    bool setSensor(int range, int atZero, int atRange);
    bool setPressure(double bar);
    bool setNoise(double bar);
    bool setPacketSize(int samples);

    // Adds "pressure ..." to the control channel.
    void registerCommands(ControlChannel &channel);

signals:
    void line(const QByteArray &line);

private:
    double noise();

    QTimer m_timer;
    int m_range = 25;
    int m_atZero = 409;
    int m_atRange = 3685;
    double m_pressure = 5.0;
    double m_noise = 0.05;
    int m_packetSize = 100;
    int m_packets = 0;
    quint32 m_seed = 1;
};

} // namespace Sim

#endif // SIM_PRESSURESTREAM_H
