#include "bluetooth.h"

Bluetooth::Bluetooth() = default;

void Bluetooth::initBluetooth(QString port, QString address)
{
    m_log.record(QStringLiteral("initBluetooth %1 %2").arg(port, address));
}

void Bluetooth::sendData(QString line)
{
    // A microphone line carries the unit's gain code as its second field.
    if (line.startsWith(QLatin1String("BT_TX I"))) {
        bool ok = false;
        const int code = line.section(QLatin1Char(' '), 2, 2).toInt(&ok, 16);
        if (ok)
            m_micGain = code;
    }
    m_log.record(QStringLiteral("sendData ") + line);
}

void Bluetooth::callBtDeviceA2DP(bool wanted)
{
    m_log.record(QStringLiteral("callBtDeviceA2DP %1").arg(wanted ? 1 : 0));
}

void Bluetooth::setBtDacGain(int gain)
{
    m_log.record(QStringLiteral("setBtDacGain %1").arg(gain));
}

void Bluetooth::setBtAdcGain(int gain)
{
    m_adcGain = gain;
    if (gain > 0)
        m_lastAdcGain = gain;
    m_log.record(QStringLiteral("setBtAdcGain %1").arg(gain));
}

void Bluetooth::setBtLastAdcGain()
{
    m_log.record(QStringLiteral("setBtLastAdcGain"));
    setBtAdcGain(m_lastAdcGain);
}

void Bluetooth::disconnectBtDevice()
{
    m_log.record(QStringLiteral("disconnectBtDevice"));
}

void Bluetooth::resetBluetooth(QString btId)
{
    m_log.record(QStringLiteral("resetBluetooth ") + btId);
}

void Bluetooth::initBtModulSink()
{
    m_log.record(QStringLiteral("initBtModulSink"));
}

void Bluetooth::initBtModulSource()
{
    m_log.record(QStringLiteral("initBtModulSource"));
}

void Bluetooth::setBtExtHeadphoneVolUp()
{
    m_headphoneStep = qMin(m_headphoneStep + 1, 15);
    m_log.record(QStringLiteral("setBtExtHeadphoneVolUp"));
}

void Bluetooth::setBtExtHeadphoneVolDown()
{
    m_headphoneStep = qMax(m_headphoneStep - 1, 0);
    m_log.record(QStringLiteral("setBtExtHeadphoneVolDown"));
}

void Bluetooth::setBtExtHeadphoneGain(int percent)
{
    m_log.record(QStringLiteral("setBtExtHeadphoneGain %1").arg(percent));
}

void Bluetooth::requestHeadphoneBatteryState()
{
    m_log.record(QStringLiteral("requestHeadphoneBatteryState"));
}
