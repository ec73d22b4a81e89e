#include "h2sensor.h"

H2Sensor::H2Sensor(QWidget *parent)
    : PlaceholderScreen(QStringLiteral("H2Sensor"), true, parent)
{
}

void H2Sensor::init(int variant)
{
    recordMeasurementInit(variant);
}
