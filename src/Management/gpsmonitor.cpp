#include "gpsmonitor.h"

GpsMonitor::GpsMonitor(QWidget *parent)
    : PlaceholderScreen(QStringLiteral("GpsMonitor"), false, parent)
{
}

void GpsMonitor::init()
{
    recordInit(QStringLiteral("init"));
}
