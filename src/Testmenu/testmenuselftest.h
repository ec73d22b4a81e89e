#ifndef TESTMENUSELFTEST_H
#define TESTMENUSELFTEST_H

#include "placeholdertest.h"

// Not built yet: the "Selftest" test on the test frame, opened by "cmdTestSelftest".
class TestmenuSelftest : public PlaceholderTest
{
    Q_OBJECT
public:
    explicit TestmenuSelftest(QWidget *parent = nullptr);
};

#endif // TESTMENUSELFTEST_H
