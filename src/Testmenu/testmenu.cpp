#include "testmenu.h"

TestMenu::TestMenu(QWidget *parent)
    : PlaceholderDialog(QStringLiteral("TestMenu"), parent)
{
}
