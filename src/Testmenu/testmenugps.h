#ifndef TESTMENUGPS_H
#define TESTMENUGPS_H

#include "placeholdertest.h"

// Not built yet: the "GPS" test on the test frame, opened by "cmdTestGps".
class TestmenuGps : public PlaceholderTest
{
    Q_OBJECT
public:
    explicit TestmenuGps(QWidget *parent = nullptr);
};

#endif // TESTMENUGPS_H
