#ifndef TESTMENUSDCARD_H
#define TESTMENUSDCARD_H

#include "placeholdertest.h"

// Not built yet: the "SD-Card / Partitioning" test on the test frame, opened by "cmdTestSdcard".
class TestmenuSdcard : public PlaceholderTest
{
    Q_OBJECT
public:
    explicit TestmenuSdcard(QWidget *parent = nullptr);
};

#endif // TESTMENUSDCARD_H
