#ifndef TESTMENUUARTUSBSWITCH_H
#define TESTMENUUARTUSBSWITCH_H

#include "placeholdertest.h"

// Not built yet: the "UART / USB switch" test on the test frame, opened by "cmdTestUartUsbSwitch".
class TestmenuUartUsbSwitch : public PlaceholderTest
{
    Q_OBJECT
public:
    explicit TestmenuUartUsbSwitch(QWidget *parent = nullptr);
};

#endif // TESTMENUUARTUSBSWITCH_H
