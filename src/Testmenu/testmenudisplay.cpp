#include "testmenudisplay.h"

TestmenuDisplay::TestmenuDisplay(QWidget *parent)
    : PlaceholderTest("TestmenuDisplay", "Display", "cmdTestDisplay", parent)
{
}
