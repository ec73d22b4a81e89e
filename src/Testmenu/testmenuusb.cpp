#include "testmenuusb.h"

TestmenuUsb::TestmenuUsb(QWidget *parent)
    : PlaceholderTest("TestmenuUsb", "USB", "cmdTestUsb", parent)
{
}
