#include "testmenuflashupdate.h"

TestMenuFlashUpdate::TestMenuFlashUpdate(QWidget *parent)
    : PlaceholderTest("TestMenuFlashUpdate", "Enable Flash Update", "cmdFlashUpdate", parent)
{
}
