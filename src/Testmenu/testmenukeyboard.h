#ifndef TESTMENUKEYBOARD_H
#define TESTMENUKEYBOARD_H

#include "placeholdertest.h"

// Not built yet: the "Keyboard" test on the test frame, opened by "cmdTestKeyboard".
class TestmenuKeyboard : public PlaceholderTest
{
    Q_OBJECT
public:
    explicit TestmenuKeyboard(QWidget *parent = nullptr);
};

#endif // TESTMENUKEYBOARD_H
