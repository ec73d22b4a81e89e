#ifndef TESTMENUSENSORDETECTION_H
#define TESTMENUSENSORDETECTION_H

#include "placeholdertest.h"

// Not built yet: the "Sensordetection" test on the test frame, opened by "cmdTestSensordetection".
class TestmenuSensordetection : public PlaceholderTest
{
    Q_OBJECT
public:
    explicit TestmenuSensordetection(QWidget *parent = nullptr);
};

#endif // TESTMENUSENSORDETECTION_H
