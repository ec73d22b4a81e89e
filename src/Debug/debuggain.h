#ifndef DEBUGGAIN_H
#define DEBUGGAIN_H

#include "keydialog.h"

#include <QString>

namespace Ui {
class DebugGain;
}

class AudioCodecSetup;
class Bluetooth;
class QTimer;

// The steps of the gain sliders and what they mean, without widgets.
namespace GainSteps {
// Sensor-unit microphone and headphone-module input: 3 dB steps from -27 dB.
int micDb(int step);
// Sensor-unit module output: 3 dB steps from -42 dB.
int btDacDb(int step);
// The codec's mixer amplifier, steps 0..39 (0 to -30.1 dB); 0 outside.
float mixerAmpDb(int step);
// A step as two lower-case hex digits ("0f").
QString hex2(int step);
// A dB value in its shortest form ("4.5", "3", "-0.4").
QString shortDb(float dB);
// Hundredths of a dB, truncated, as the codec's gain setters take them.
long hundredths(float dB);
} // namespace GainSteps

// Every gain along the audio path by hand: the sensor unit's microphone, the
// two modules' input and output gains, the codec's amplifiers and levels,
// its input, the headphone volume, common mode and loop-back. init() applies
// a fixed set of defaults and shows them on the overview page; the mute key
// opens and closes the listening path as on the measurement screens. Nothing
// is stored or restored.
class DebugGain : public KeyDialog
{
    Q_OBJECT
public:
    explicit DebugGain(QWidget *parent = nullptr);
    ~DebugGain() override;

    void init();
    void selectPage(int page);
    void updateOverview();

    static constexpr int kRefreshMs = 100;
    int currentPage() const { return m_currentPage; }

public slots:
    void updateBtInfo();

private slots:
    void on_butHome_clicked();
    void on_butUp_clicked();
    void on_butDown_clicked();
    void on_butInfo_clicked();
    void on_butDefault_clicked();
    void on_butCallMic_clicked();
    void on_butCallHeadphone_clicked();
    void on_butInfoMicSettings_clicked();
    void on_butIn1_clicked();
    void on_butIn2_clicked();
    void on_butIn3_clicked();
    void on_butCM_0x78_clicked();
    void on_butEnableLoopback_clicked();
    void on_butStartRecording_clicked();
    void on_butVolHpUp_clicked();
    void on_butVolHpDown_clicked();
    void on_slideGainMic_valueChanged(int value);
    void on_slideGainDacBluetooth_valueChanged(int value);
    void on_slideGainPgaAudiocodec_valueChanged(int value);
    void on_slideGainAdcLevelgain_valueChanged(int value);
    void on_slideGainDacPcmAudiocodec_valueChanged(int value);
    void on_slideGainLineOutAudiocodec_valueChanged(int value);
    void on_slideGainAdcBluetooth_valueChanged(int value);
    void on_slideGainMixerAmpAudiocodec_valueChanged(int value);
    void on_slideGainHeadphone_valueChanged(int value);

private:
    void applyDefaults();
    void selectInput(int input);
    void showHeadphoneStep();

    Ui::DebugGain *ui;
    Bluetooth *m_btSource = nullptr;
    Bluetooth *m_btSink = nullptr;
    AudioCodecSetup *m_audioCodec = nullptr;
    QTimer *m_timer = nullptr;
    int m_currentPage = 0;
    int m_lastPage = 0;
    int m_acRoutingInputPath = 0;
    int m_groundMicGain = 0;
    int m_groundMicGain_dB = 0;
    int m_btDacGain = 0;
    int m_btDacGain_dB = 0;
    int m_acPgaGain = 0;
    float m_acPgaGain_dB = 0;
    int m_acMixerAmpGain = 0;
    float m_acMixerAmpGain_dB = 0;
    int m_acAdcLevelgain = 0;
    float m_acAdcLevelgain_dB = 0;
    int m_acDacPcmGain = 0;
    float m_acDacPcmGain_dB = 0;
    int m_btAdcGain = 0;
    int m_btAdcGain_dB = 0;
    int m_acLineOutGain = 0;
    float m_acLineOutGain_dB = 0;
    int m_headphoneVolStep = 0;
};

#endif // DEBUGGAIN_H
