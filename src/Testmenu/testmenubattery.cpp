#include "testmenubattery.h"

TestmenuBattery::TestmenuBattery(QWidget *parent)
    : PlaceholderTest("TestmenuBattery", "Battery", "cmdTestBattery", parent)
{
}
