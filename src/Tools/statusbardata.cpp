#include "statusbardata.h"
#include "gpio.h"

Statusbardata *StatusbarData()
{
    static Statusbardata data;
    return &data;
}

Statusbardata::Statusbardata() = default;

void Statusbardata::init()
{
    m_log.record(QStringLiteral("init"));
}

void Statusbardata::update()
{
    if (Gpio::getValue(48))
        m_sensorType = 4;
    else if (m_sensorType == 4)
        m_sensorType = 0;
}
