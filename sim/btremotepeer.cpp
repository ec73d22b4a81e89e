#include "btremotepeer.h"

namespace Sim {

BtRemotePeer::BtRemotePeer(const QByteArray &address, QObject *parent)
    : QObject(parent), m_address(address)
{
}

bool BtRemotePeer::answersTo(const QByteArray &address) const
{
    return !m_address.isEmpty() && address.toLower() == m_address.toLower();
}

void BtRemotePeer::setRefused(const QByteArray &profile, bool refused)
{
    if (refused)
        m_refused.insert(profile.toUpper());
    else
        m_refused.remove(profile.toUpper());
}

void BtRemotePeer::linkChanged(const QByteArray &profile, bool up)
{
    if (up)
        m_up.insert(profile.toUpper());
    else
        m_up.remove(profile.toUpper());
}

void BtRemotePeer::receiveData(const QByteArray &)
{
}

QByteArrayList BtRemotePeer::handsFree(const QByteArray &)
{
    return {};
}

int BtRemotePeer::remoteControl(const QByteArrayList &)
{
    return -1;
}

} // namespace Sim
