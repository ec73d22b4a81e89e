#ifndef TESTMENUDISPLAY_H
#define TESTMENUDISPLAY_H

#include "placeholdertest.h"

// Not built yet: the "Display" test on the test frame, opened by "cmdTestDisplay".
class TestmenuDisplay : public PlaceholderTest
{
    Q_OBJECT
public:
    explicit TestmenuDisplay(QWidget *parent = nullptr);
};

#endif // TESTMENUDISPLAY_H
