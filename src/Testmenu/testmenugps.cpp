#include "testmenugps.h"

TestmenuGps::TestmenuGps(QWidget *parent)
    : PlaceholderTest("TestmenuGps", "GPS", "cmdTestGps", parent)
{
}
