#include "testmenusdcard.h"

TestmenuSdcard::TestmenuSdcard(QWidget *parent)
    : PlaceholderTest("TestmenuSdcard", "SD-Card / Partitioning", "cmdTestSdcard", parent)
{
}
