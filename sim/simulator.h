#ifndef SIM_SIMULATOR_H
#define SIM_SIMULATOR_H

#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

namespace Sim {

class BoardShell;
class BtInquiry;
class BtModulePeer;
class ControlChannel;
class ConverterStream;
class GpsPeer;
class HeadphonePeer;
class MicrophoneStream;
class MixerTool;
class ModuleModeLine;
class PowerSupply;
class PtyPort;
class SensorUnitPeer;
class SignalSource;
class UsbStorage;
class SdCard;
class TestStation;

// The whole simulated board on one device root: the device tree, the three
// serial ports with their peers (GPS receiver on ttyO1, Bluetooth modules on
// ttyO2 and ttyO3), the module's control lines, the power supply and the
// control channel. Everything runs on the caller's event loop.
class Simulator : public QObject
{
    Q_OBJECT
public:
    explicit Simulator(const QString &root, QObject *parent = nullptr);
    ~Simulator() override;

    QString root() const { return m_root; }
    static QString pidFilePath(const QString &root);

    // Lays out the device tree, opens ports and control channel and writes
    // the pid file. On failure everything opened so far is closed again.
    bool start(QString *error = nullptr);
    // With this set, start() also puts the GPIO lines back to their
    // power-on state (the simulator program; a test may lay out lines first).
    void setPowerOnReset(bool on) { m_powerOnReset = on; }
    // With this set, start() leaves the data partition unmounted, as the
    // board boots: the program's start-up mounts it.
    void setDataPartitionUnmounted(bool on) { m_dataUnmounted = on; }
    // Closes ports and control channel and removes the links, the FIFO and
    // the pid file. Safe to call twice.
    void stop();
    bool isRunning() const { return m_running; }

    // "ttyO1 -> /dev/pts/3", one per port.
    QStringList linkLines() const;

    PtyPort *port(const QString &name) const { return m_ports.value(name); }
    BtModulePeer *btModule(const QString &name) const { return m_btModules.value(name); }
    GpsPeer *gps() const { return m_gps; }
    ModuleModeLine *modeLine() const { return m_modeLine; }
    ControlChannel *control() const { return m_control; }
    SignalSource *signalSource() const { return m_signal; }
    ConverterStream *converter() const { return m_converter; }
    MicrophoneStream *microphone() const { return m_microphone; }
    SensorUnitPeer *sensorUnit() const { return m_sensorUnit; }
    HeadphonePeer *headphone() const { return m_headphone; }
    BtInquiry *inquiry() const { return m_inquiry; }
    UsbStorage *usbStorage() const { return m_usbStorage; }
    TestStation *testStation() const { return m_testStation; }
    SdCard *sdCard() const { return m_sdCard; }
    MixerTool *mixer() const { return m_mixer; }
    // The shell the program's commands reach; peers add what a command does.
    BoardShell *boardShell() const { return m_shell; }

signals:
    // The "quit" command was given.
    void quitRequested();

private:
    bool otherSimulatorRunning(qint64 *pid) const;
    void registerCommands();

    QString m_root;
    bool m_running = false;
    bool m_powerOnReset = false;
    bool m_dataUnmounted = false;
    QMap<QString, PtyPort *> m_ports;
    QMap<QString, BtModulePeer *> m_btModules;
    GpsPeer *m_gps = nullptr;
    ModuleModeLine *m_modeLine = nullptr;
    PowerSupply *m_power = nullptr;
    ControlChannel *m_control = nullptr;
    SignalSource *m_signal = nullptr;
    ConverterStream *m_converter = nullptr;
    MicrophoneStream *m_microphone = nullptr;
    SensorUnitPeer *m_sensorUnit = nullptr;
    HeadphonePeer *m_headphone = nullptr;
    BtInquiry *m_inquiry = nullptr;
    UsbStorage *m_usbStorage = nullptr;
    TestStation *m_testStation = nullptr;
    SdCard *m_sdCard = nullptr;
    MixerTool *m_mixer = nullptr;
    BoardShell *m_shell = nullptr;
};

} // namespace Sim

#endif // SIM_SIMULATOR_H
