#ifndef TESTMENUBATTERY_H
#define TESTMENUBATTERY_H

#include "placeholdertest.h"

// Not built yet: the "Battery" test on the test frame, opened by "cmdTestBattery".
class TestmenuBattery : public PlaceholderTest
{
    Q_OBJECT
public:
    explicit TestmenuBattery(QWidget *parent = nullptr);
};

#endif // TESTMENUBATTERY_H
