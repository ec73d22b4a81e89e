#include "audiocodecsetup.h"
#include "mainmenu.h"

AudioCodecSetup::AudioCodecSetup(QObject *parent)
    : QObject(parent)
{
}

void AudioCodecSetup::init()
{
    m_log.record(QStringLiteral("init"));
    if (MainMenu *w = MainMenu::getInstanceMainMenu())
        w->muteAudioPath(true, true);
}

void AudioCodecSetup::setMuting(bool mute)
{
    m_muted = mute;
    m_log.record(QStringLiteral("setMuting %1").arg(mute ? 1 : 0));
}

void AudioCodecSetup::setMicPgaGain(long val_dB)
{
    m_log.record(QStringLiteral("setMicPgaGain %1").arg(val_dB));
}

void AudioCodecSetup::setFilter(unsigned lowCutOff, unsigned highCutOff, int type)
{
    m_low = lowCutOff;
    m_high = highCutOff;
    m_type = type;
    m_log.record(QStringLiteral("setFilter %1 %2 %3").arg(lowCutOff).arg(highCutOff).arg(type));
}

void AudioCodecSetup::getFilter(unsigned *lowCutOff, unsigned *highCutOff, int *type) const
{
    if (lowCutOff)
        *lowCutOff = m_low;
    if (highCutOff)
        *highCutOff = m_high;
    if (type)
        *type = m_type;
}
