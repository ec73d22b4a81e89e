#ifndef TESTMENULED_H
#define TESTMENULED_H

#include "placeholdertest.h"

// Not built yet: the "LED" test on the test frame, opened by "cmdTestLed".
class TestmenuLed : public PlaceholderTest
{
    Q_OBJECT
public:
    explicit TestmenuLed(QWidget *parent = nullptr);
};

#endif // TESTMENULED_H
