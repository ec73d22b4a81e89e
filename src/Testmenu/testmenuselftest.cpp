#include "testmenuselftest.h"

TestmenuSelftest::TestmenuSelftest(QWidget *parent)
    : PlaceholderTest("TestmenuSelftest", "Selftest", "cmdTestSelftest", parent)
{
}
