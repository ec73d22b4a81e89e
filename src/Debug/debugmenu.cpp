#include "debugmenu.h"

DebugMenu::DebugMenu(QWidget *parent)
    : PlaceholderDialog(QStringLiteral("DebugMenu"), parent)
{
}
