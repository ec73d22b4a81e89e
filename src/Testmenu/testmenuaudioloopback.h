#ifndef TESTMENUAUDIOLOOPBACK_H
#define TESTMENUAUDIOLOOPBACK_H

#include "testdialog.h"

class AudioCodecSetup;
class Bluetooth;
class QTimer;

namespace Ui {
class TestMenuAudioLoopback;
}

// The audio loop-back test, without outside radio devices: the source module
// is configured as a simulated microphone, the instrument's own sink module
// pairs with it (once both have restarted) and connects over A2DP, the
// external input is selected, and twice a second the level and the dominant
// frequency the analysis measures from the station's test signal are judged
// against fixed limits. The station asks for the verdicts and decides.
class TestMenuAudioLoopback : public TestDialog
{
    Q_OBJECT
public:
    static constexpr float kLevelMinDb = 78.0f;
    static constexpr float kLevelMaxDb = 86.0f;
    static constexpr int kFrequencyMin = 350;
    static constexpr int kFrequencyMax = 450;
    static constexpr int kStatePollMs = 500;
    static constexpr int kMeasureMs = 500;

    static bool levelOk(float levelDb) { return levelDb >= kLevelMinDb && levelDb <= kLevelMaxDb; }
    static bool frequencyOk(qint32 hz) { return hz >= kFrequencyMin && hz <= kFrequencyMax; }

    explicit TestMenuAudioLoopback(QWidget *parent = nullptr);
    ~TestMenuAudioLoopback() override;

protected:
    bool executeOwnCommand(const QString &command) override;
    void stopTest() override;

private slots:
    void on_butEnableBtLoop_clicked();
    void btModulResetReceivedSink();
    void btModulResetReceivedSource();
    void btModulPairingSinkOk();
    void updateState();
    void updateValues();

private:
    void startPairingModuls();

    Ui::TestMenuAudioLoopback *ui;
    Bluetooth *m_btSource = nullptr;
    Bluetooth *m_btSink = nullptr;
    QTimer *m_timer;
    QTimer *m_timerValues;
    AudioCodecSetup *m_audioCodec = nullptr;
    bool m_loopbackMode = false;
    bool m_sinkResetReceived = false;
    bool m_sourceResetReceived = false;
    bool m_measuredFrequencyOk = false;
    bool m_measuredLevelOk = false;
    float m_rmsLevelValdB = 0;
    qint32 m_significandFrequency = 0;
};

#endif // TESTMENUAUDIOLOOPBACK_H
