#ifndef H2SENSOR_H
#define H2SENSOR_H

#include "placeholderscreen.h"

// Not built yet: the screen's contents. It records the inits it receives.
class H2Sensor : public PlaceholderScreen
{
    Q_OBJECT
public:
    explicit H2Sensor(QWidget *parent = nullptr);
    void init(int variant);
};

#endif // H2SENSOR_H
