#include "testmenusensordetection.h"

TestmenuSensordetection::TestmenuSensordetection(QWidget *parent)
    : PlaceholderTest("TestmenuSensordetection", "Sensordetection", "cmdTestSensordetection", parent)
{
}
