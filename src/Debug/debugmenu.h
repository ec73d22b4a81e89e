#ifndef DEBUGMENU_H
#define DEBUGMENU_H

#include "placeholderdialog.h"

// Not built yet: the menu's contents.
class DebugMenu : public PlaceholderDialog
{
    Q_OBJECT
public:
    explicit DebugMenu(QWidget *parent = nullptr);
};

#endif // DEBUGMENU_H
