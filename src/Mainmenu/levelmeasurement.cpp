#include "levelmeasurement.h"

Levelmeasurement::Levelmeasurement(QWidget *parent)
    : PlaceholderScreen(QStringLiteral("Levelmeasurement"), true, parent)
{
}

void Levelmeasurement::init(int variant)
{
    recordMeasurementInit(variant);
}
