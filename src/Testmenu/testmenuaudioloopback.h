#ifndef TESTMENUAUDIOLOOPBACK_H
#define TESTMENUAUDIOLOOPBACK_H

#include "testdialog.h"

#include <QElapsedTimer>

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
//
// Before the modules are set up, the sink module must take commands: a call
// of the unit's data link still under way (the start-up's) is waited for,
// and a module whose carrier line says it is in data mode, whatever its
// driver believes, is made to leave it (its set-up would otherwise reach the
// unit as data). Both waits are bounded; a module that does not follow
// leaves the last status text, and BT Loop pressed again starts over.
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
    // A sink module not known in command mode (a data link up, a call under
    // way) is waited for this long; then the modules are reset all the same.
    static constexpr int kCommandModeWaitMs = 20000;

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
    void freeSinkModule();

private:
    void restartModules();
    void startPairingModuls();

    Ui::TestMenuAudioLoopback *ui;
    Bluetooth *m_btSource = nullptr;
    Bluetooth *m_btSink = nullptr;
    QTimer *m_timer;
    QTimer *m_timerValues;
    QTimer *m_timerSink;
    QMetaObject::Connection m_sinkReady;
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
