#ifndef GPS_H
#define GPS_H

#include "calllog.h"

#include <QObject>

// The GPS receiver on "/dev/ttyO1".
//
// Not built yet: the serial port, NMEA handling and the UBX reset frames.
// Until then the driver records every request and reports no valid fix.
class Gps : public QObject
{
    Q_OBJECT
public:
    explicit Gps(QObject *parent = nullptr);

    void initGps();
    void switchOnGpsModul();
    void switchOffGpsModul();
    bool isGpsDataValid() const { return false; }
    void enableSystemTimeSettingViaGps(bool enable);

    const CallLog &callLog() const { return m_log; }

private:
    CallLog m_log;
};

#endif // GPS_H
