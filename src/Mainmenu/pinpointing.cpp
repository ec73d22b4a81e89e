#include "pinpointing.h"

Pinpointing::Pinpointing(QWidget *parent)
    : PlaceholderScreen(QStringLiteral("Pinpointing"), true, parent)
{
}

void Pinpointing::init(int variant)
{
    recordMeasurementInit(variant);
}
