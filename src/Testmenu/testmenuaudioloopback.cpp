#include "testmenuaudioloopback.h"

TestMenuAudioLoopback::TestMenuAudioLoopback(QWidget *parent)
    : PlaceholderTest("TestMenuAudioLoopback", "Audio Loopback", "cmdTestAudioLoopback", parent)
{
}
