#include "codecmixer.h"

#include "alsacodecmixer.h"
#include "deviceroot.h"
#include "simulatedcodecmixer.h"

bool CodecMixer::onBoard()
{
    return DeviceRoot::isBoard();
}

std::unique_ptr<CodecMixer> CodecMixer::create()
{
    if (onBoard())
        return std::make_unique<AlsaCodecMixer>("default");
    return std::make_unique<SimulatedCodecMixer>();
}
