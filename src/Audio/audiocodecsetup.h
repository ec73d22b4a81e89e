#ifndef AUDIOCODECSETUP_H
#define AUDIOCODECSETUP_H

#include "codecmixer.h"

#include <QFile>
#include <QObject>
#include <QVector>

#include <memory>

// Control of the sound codec: routing, input, gains, line-output muting and
// the band filter.
//
// The named controls are simple-mixer elements of card "default" (see
// CodecMixer); each operation is one short transaction that leaves no handle
// open. Filter coefficients go through the codec driver's register file
// "/sys/bus/i2c/devices/1-0018/registers", one "<reg> <value>" write per
// open. Gains are in hundredths of a decibel (300 = +3.00 dB).
class AudioCodecSetup : public QObject
{
    Q_OBJECT
public:
    explicit AudioCodecSetup(QObject *parent = nullptr);
    ~AudioCodecSetup() override;

    // The mixer's state the program carries (a resource): copied to
    // "/var/lib/alsa/asound.state", which "alsactl --file ... restore" then
    // loads. replace: a state file already there is replaced (each start
    // begins from the carried state); else it is kept and loaded as it is.
    static void restoreMixerState(bool replace);

    // Listening routing, input by sensor type (wired sensor: IN3), path muted.
    void init();
    // 0 none, 1 IN1 (the sensor unit's receiver), 2 IN2, 3 IN3 (wired
    // sensor); anything else IN1.
    void setInputPath(int input);
    // 1: playback of a stored sound or the test tone; anything else: listening.
    void setRouting(int mode);
    void setMuting(bool mute);
    bool isMuted() const { return m_muted; }

    void setLineOutGain(long val_dB);
    void setMicPgaGain(long val_dB);
    void setAdcGain(long val_dB);
    void setDacGain(long val_dB);
    void setMicPgaEnable(int val);
    void setAdcPgaMute(int val);
    void setLineOutEnable(int val);
    void setLoopbackEnable(bool enable);
    void setCommonModeControl();
    void setAnalogLoopback();
    void setDigitalLoopback();

    // Kept values that drive no hardware.
    void setMicGain(int micGain) { m_micGain = micGain; }
    void getMicGain(int *micGain) const;
    void setHeadphoneGain(int headphoneGain) { m_headphoneGain = headphoneGain; }
    void getHeadphoneGain(int *headphoneGain) const;

    // One register write ("c 7f" for register 12, value 0x7f); 0 after the
    // write, 1 when the register file cannot be opened.
    int writeRegister(int reg, int val);
    // Bits 31..8 of value into registers offset, offset+1, offset+2.
    void writeFilterCoeffs(int offset, int value);

    // Band filter. Type 1: high-pass corner a_lowCutOffFreq, low-pass corner
    // a_highCutOffFreq, each snapped to the nearest of the 26 codec corners;
    // any other type: no filter. Programmes every section.
    void setFilter(quint32 a_lowCutOffFreq, quint32 a_highCutOffFreq, int a_filterType);
    void getFilter(quint32 *lowCutOffFreq, quint32 *highCutOffFreq, int *filterType) const;
    // The 50 Hz and pre-emphasis sections; used at the next setFilter, and
    // only with debug features.
    void setSpecialFilter(bool filter50Hz, bool filterPreemphase);
    void getAvailableLpFilterFrequencies(quint32 *m_lpFilterFrequencies, int *m_numLpFilter) const;
    void getAvailableHpFilterFrequencies(quint32 *m_hpFilterFrequencies, int *m_numHpFilter) const;

    // Row of a corner table nearest to v (the higher row at equal distance);
    // a value above the last row takes the last row.
    static int nearestFilterRow(const quint32 (*table)[6], quint32 v);

private:
    void setMixerElementGain(const char *elementName, long val_dB);
    void setMixerElementValue(const char *elementName, int val);
    void setMixerElement(const char *elementName, long val);
    void setMixerElementEnumValue(const char *elementName, unsigned int val);
    // One mixer transaction; a missing card or element is a debug line.
    QVector<CodecMixer::Result> transaction(const QVector<CodecMixer::Write> &writes);

    quint32 m_lpFreq = 4000;
    quint32 m_hpFreq = 0;
    int m_filterType = 0;
    int m_micGain = 0;
    int m_headphoneGain = 0;
    bool m_muted = true;
    QFile m_codec;
    bool m_filter50HzEnabled = false;
    bool m_filterPreemphaseEnabled = false;
    std::unique_ptr<CodecMixer> m_mixer;
};

#endif // AUDIOCODECSETUP_H
