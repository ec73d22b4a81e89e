#include "testmenuuartusbswitch.h"

TestmenuUartUsbSwitch::TestmenuUartUsbSwitch(QWidget *parent)
    : PlaceholderTest("TestmenuUartUsbSwitch", "UART / USB switch", "cmdTestUartUsbSwitch", parent)
{
}
