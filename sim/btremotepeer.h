#ifndef SIM_BTREMOTEPEER_H
#define SIM_BTREMOTEPEER_H

#include <QByteArray>
#include <QByteArrayList>
#include <QObject>
#include <QSet>

namespace Sim {

// A Bluetooth device at the far end of one of the instrument's modules (the
// sensor unit behind ttyO2, the headphone behind ttyO3). The module asks it
// which profiles it offers and tells it when a link opens or closes; over an
// RFCOMM data link the device exchanges text lines with the program.
//
// A profile can be refused for a while (the control channel's "drop"): the
// device then does not respond to calls for it, as a device out of reach.
class BtRemotePeer : public QObject
{
    Q_OBJECT
public:
    explicit BtRemotePeer(const QByteArray &address, QObject *parent = nullptr);

    QByteArray address() const { return m_address; }
    void setAddress(const QByteArray &address) { m_address = address; }
    // Whether a call to this address reaches the device (case does not matter).
    bool answersTo(const QByteArray &address) const;

    // The profiles the device has at all ("A2DP", "RFCOMM").
    virtual bool offers(const QByteArray &profile) const = 0;
    bool refuses(const QByteArray &profile) const { return m_refused.contains(profile.toUpper()); }
    void setRefused(const QByteArray &profile, bool refused);

    bool isLinkUp(const QByteArray &profile) const { return m_up.contains(profile.toUpper()); }
    // The module opened (up) or closed a link of this profile to the device.
    virtual void linkChanged(const QByteArray &profile, bool up);
    // One line the program sent over the data link.
    virtual void receiveData(const QByteArray &line);
    // An AT command the program sent over the hands-free link; the device
    // answers with the AT texts returned.
    virtual QByteArrayList handsFree(const QByteArray &at);
    // A remote-control command ("PDU 50 30", "UP", "DN", "PDU 31 D"); the
    // volume in percent to report as changed, or -1 for no report.
    virtual int remoteControl(const QByteArrayList &args);

signals:
    // A line the device sends over its data link.
    void dataToHost(const QByteArray &line);
    // An AT text the device sends on its own over the hands-free link.
    void handsFreeReport(const QByteArray &at);
    // The device's volume changed (percent) and it reports so.
    void volumeReport(int percent);

private:
    QByteArray m_address;
    QSet<QByteArray> m_refused;
    QSet<QByteArray> m_up;
};

} // namespace Sim

#endif // SIM_BTREMOTEPEER_H
