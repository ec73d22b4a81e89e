#ifndef TESTMENUUSB_H
#define TESTMENUUSB_H

#include "placeholdertest.h"

// Not built yet: the "USB" test on the test frame, opened by "cmdTestUsb".
class TestmenuUsb : public PlaceholderTest
{
    Q_OBJECT
public:
    explicit TestmenuUsb(QWidget *parent = nullptr);
};

#endif // TESTMENUUSB_H
