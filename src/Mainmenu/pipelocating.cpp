#include "pipelocating.h"

Pipelocating::Pipelocating(QWidget *parent)
    : PlaceholderScreen(QStringLiteral("Pipelocating"), true, parent)
{
}

void Pipelocating::init(int variant)
{
    recordMeasurementInit(variant);
}
