#ifndef AUDIOCODECSETUP_H
#define AUDIOCODECSETUP_H

#include "calllog.h"

#include <QObject>

// Control of the sound codec: routing, input, gains, line-output muting and
// the band filter.
//
// Not built yet: the mixer controls and register writes. Until then the
// object records every request and keeps the values its getters report;
// init() ends, as the real one does, by muting the audio path through the
// main window.
class AudioCodecSetup : public QObject
{
    Q_OBJECT
public:
    explicit AudioCodecSetup(QObject *parent = nullptr);

    void init();
    void setMuting(bool mute);
    bool isMuted() const { return m_muted; }
    void setMicPgaGain(long val_dB);
    void setFilter(unsigned lowCutOff, unsigned highCutOff, int type);
    void getFilter(unsigned *lowCutOff, unsigned *highCutOff, int *type) const;

    const CallLog &callLog() const { return m_log; }

private:
    CallLog m_log;
    bool m_muted = true;
    unsigned m_low = 0;
    unsigned m_high = 4000;
    int m_type = 0;
};

#endif // AUDIOCODECSETUP_H
