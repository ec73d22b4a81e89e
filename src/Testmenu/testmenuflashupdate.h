#ifndef TESTMENUFLASHUPDATE_H
#define TESTMENUFLASHUPDATE_H

#include "placeholdertest.h"

// Not built yet: the "Enable Flash Update" test on the test frame, opened by "cmdFlashUpdate".
class TestMenuFlashUpdate : public PlaceholderTest
{
    Q_OBJECT
public:
    explicit TestMenuFlashUpdate(QWidget *parent = nullptr);
};

#endif // TESTMENUFLASHUPDATE_H
