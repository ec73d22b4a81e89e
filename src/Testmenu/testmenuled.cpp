#include "testmenuled.h"

TestmenuLed::TestmenuLed(QWidget *parent)
    : PlaceholderTest("TestmenuLed", "LED", "cmdTestLed", parent)
{
}
