#include "testmenukeyboard.h"

TestmenuKeyboard::TestmenuKeyboard(QWidget *parent)
    : PlaceholderTest("TestmenuKeyboard", "Keyboard", "cmdTestKeyboard", parent)
{
}
