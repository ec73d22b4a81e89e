#ifndef TESTMENUAUDIOLOOPBACK_H
#define TESTMENUAUDIOLOOPBACK_H

#include "placeholdertest.h"

// Not built yet: the "Audio Loopback" test on the test frame, opened by "cmdTestAudioLoopback".
class TestMenuAudioLoopback : public PlaceholderTest
{
    Q_OBJECT
public:
    explicit TestMenuAudioLoopback(QWidget *parent = nullptr);
};

#endif // TESTMENUAUDIOLOOPBACK_H
