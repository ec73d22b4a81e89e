#include "longtermmeasurement.h"

Longtermmeasurement::Longtermmeasurement(QWidget *parent)
    : PlaceholderScreen(QStringLiteral("Longtermmeasurement"), true, parent)
{
}

void Longtermmeasurement::init(int variant)
{
    recordMeasurementInit(variant);
}
