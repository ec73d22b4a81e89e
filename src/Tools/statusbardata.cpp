#include "statusbardata.h"

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
