#include "gps.h"

Gps::Gps(QObject *parent)
    : QObject(parent)
{
}

void Gps::initGps()
{
    m_log.record(QStringLiteral("initGps"));
}

void Gps::switchOnGpsModul()
{
    m_log.record(QStringLiteral("switchOnGpsModul"));
}

void Gps::switchOffGpsModul()
{
    m_log.record(QStringLiteral("switchOffGpsModul"));
}

void Gps::enableSystemTimeSettingViaGps(bool enable)
{
    m_log.record(QStringLiteral("enableSystemTimeSettingViaGps %1").arg(enable ? 1 : 0));
}
