#include "testmenuaudio.h"

TestmenuAudio::TestmenuAudio(QWidget *parent)
    : PlaceholderTest("TestmenuAudio", "Audio", "cmdTestAudioChannels", parent)
{
}
