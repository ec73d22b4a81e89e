#include "testmenuinitbluetooth.h"

TestmenuInitBluetooth::TestmenuInitBluetooth(QWidget *parent)
    : PlaceholderTest("TestmenuInitBluetooth", "Init Bluetooth", "cmdTestBluetooth", parent)
{
}
