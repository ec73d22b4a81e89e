#ifndef GPSMONITOR_H
#define GPSMONITOR_H

#include "placeholderscreen.h"

// Not built yet: the screen's contents. It records the inits it receives.
class GpsMonitor : public PlaceholderScreen
{
    Q_OBJECT
public:
    explicit GpsMonitor(QWidget *parent = nullptr);
    void init();
};

#endif // GPSMONITOR_H
