#ifndef TESTMENUAUDIO_H
#define TESTMENUAUDIO_H

#include "placeholdertest.h"

// Not built yet: the "Audio" test on the test frame, opened by "cmdTestAudioChannels".
class TestmenuAudio : public PlaceholderTest
{
    Q_OBJECT
public:
    explicit TestmenuAudio(QWidget *parent = nullptr);
};

#endif // TESTMENUAUDIO_H
