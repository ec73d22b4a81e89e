#ifndef TESTMENU_H
#define TESTMENU_H

#include "placeholderdialog.h"

// Not built yet: the menu's contents.
class TestMenu : public PlaceholderDialog
{
    Q_OBJECT
public:
    explicit TestMenu(QWidget *parent = nullptr);
};

#endif // TESTMENU_H
