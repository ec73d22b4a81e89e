#ifndef TESTMENUINITBLUETOOTH_H
#define TESTMENUINITBLUETOOTH_H

#include "placeholdertest.h"

// Not built yet: the "Init Bluetooth" test on the test frame, opened by "cmdTestBluetooth".
class TestmenuInitBluetooth : public PlaceholderTest
{
    Q_OBJECT
public:
    explicit TestmenuInitBluetooth(QWidget *parent = nullptr);
};

#endif // TESTMENUINITBLUETOOTH_H
