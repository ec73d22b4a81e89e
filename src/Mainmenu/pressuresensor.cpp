#include "pressuresensor.h"

PressureSensor::PressureSensor(QWidget *parent)
    : PlaceholderScreen(QStringLiteral("PressureSensor"), true, parent)
{
}

void PressureSensor::init(int variant)
{
    recordMeasurementInit(variant);
}
