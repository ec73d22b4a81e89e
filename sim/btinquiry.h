#ifndef SIM_BTINQUIRY_H
#define SIM_BTINQUIRY_H

#include <QByteArray>
#include <QList>
#include <QString>

namespace Sim {

class ControlChannel;

// The Bluetooth devices in radio range of the instrument, as an inquiry of
// either module finds them, and whether each answers a pairing request. By
// default the sensor unit and the headphone behind the two modules are in
// range, with their classes of device and friendly names.
class BtInquiry
{
public:
    struct Device
    {
        QByteArray address;
        QByteArray deviceClass; // six hexadecimal digits
        QByteArray name;        // empty: the device does not tell its name
        bool pairs = true;      // answers "PAIR" with OK; else stays silent
    };

    static constexpr int kMaxDevices = 16;
    static constexpr const char *kUnitClass = "280404";
    static constexpr const char *kHeadphoneClass = "240404";

    BtInquiry();

    const QList<Device> &devices() const { return m_devices; }
    // Adds a device or replaces the one with that address.
    bool add(const Device &device);
    bool remove(const QByteArray &address);
    void clear() { m_devices.clear(); }
    const Device *find(const QByteArray &address) const;

    // How long an inquiry runs, in ms: 0 = as requested, length x 1280 ms.
    int timeMs() const { return m_timeMs; }
    void setTimeMs(int ms) { m_timeMs = ms; }
    // The time an inquiry of the given length (units of 1.28 s) takes.
    int durationMs(int length) const;

    // Adds "inquiry ..." to the control channel.
    void registerCommands(ControlChannel &channel);

private:
    QString describe() const;

    QList<Device> m_devices;
    int m_timeMs = 0;
};

} // namespace Sim

#endif // SIM_BTINQUIRY_H
