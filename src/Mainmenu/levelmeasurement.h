#ifndef LEVELMEASUREMENT_H
#define LEVELMEASUREMENT_H

#include "measurementframe.h"

#include <QString>
#include <QWidget>

namespace Ui {
class Levelmeasurement;
}

class AudioCodecSetup;
class Bluetooth;
class ClipPlayer;
class FreqSpectrum;
class MeasManagement;
class QTimer;

// Level measurement (screen 1, favourite 2): the current level, the lowest
// windowed level since listening began with the dominant frequency at it,
// and in a debug configuration the peak with a short max-hold; a spectrum of
// the signal. Saved as an "LE_" measurement with the sound clip and 512
// spectrum values; shown again with its level, frequency, spectrum and
// filter, the clip played by key.
//
// Listening, muting, the link watchdog, saving and leaving come from the
// shared measurement frame.
class Levelmeasurement : public QWidget, private MeasurementFrame::Screen
{
    Q_OBJECT
public:
    static constexpr int kFavouriteNumber = 2;
    static constexpr int kTypeCode = 0;
    static constexpr int kLevelTickMs = 300;

    explicit Levelmeasurement(QWidget *parent = nullptr);
    ~Levelmeasurement() override;

    void init(int variant);

    MeasurementFrame *frame() const { return m_frame; }
    bool isMuted() const { return m_muted; }
    bool isStoredView() const { return m_storedMeasurement; }
    QTimer *levelTimer() const { return m_timerLevel; }
    FreqSpectrum *spectrum() const { return freqSpectrum; }
    const ClipPlayer *player() const { return m_player; }
    float minimumLevel() const { return m_minimumLevelAbs; }
    float maxHoldValue() const { return m_maxHoldValue; }
    const float *fftValues() const { return m_fft; }

    // The style sheet of the peak bar for a linear peak level.
    static QString peakStyle(double linearPeak);

signals:
    void exit();
    void gotoWidget(int widget, int dir, int variant);

public slots:
    void updateLevel();
    void switchActiveMute(bool mute);
    void checkBtConnection();
    void on_butMenuMainmenu_clicked();
    void on_butMenuMainmenu_2_clicked();
    void on_butMenuFilter_clicked();
    void on_butMenuMic_clicked();
    void on_butMenuHeadphone_clicked();
    void on_butMenuSave_clicked();
    void on_butMenuStoredPlay_clicked();
    void on_butMenuStoredStop_clicked();
    void on_butMenuStoredHeadphone_clicked();
    void on_butMenuStoredBack_clicked();
    void on_butDbgStartRec_clicked();
    void on_butDbgStopRec_clicked();
    void on_butDigitalLoopback_clicked() {}
    void on_butAnalogLoopback_clicked() {}
    void on_butDbgLoop_clicked() {}

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    // MeasurementFrame::Screen
    void frameMute(bool mute, bool toUnit) override { muteAudioPath(mute, toUnit); }
    bool frameIsMuted() const override { return m_muted; }
    void frameLeave() override { on_butMenuMainmenu_clicked(); }
    void frameFill(MeasInfoStructure *info) override;
    void frameHidden() override;

    void muteAudioPath(bool a_mute, bool a_sendToMic);
    void analyseInfoFile();
    void setFrequencyStyle(class QProgressBar *bar, int frequency, const QString &plainColour);
    void resetRing();

    Ui::Levelmeasurement *ui;
    MeasurementFrame *m_frame = nullptr;
    Bluetooth *m_btSource = nullptr;
    Bluetooth *m_btSink = nullptr;
    QTimer *m_timerCheckBtConnection = nullptr;
    AudioCodecSetup *m_audioCodec = nullptr;
    MeasManagement *m_measManagement = nullptr;
    bool m_muted = true;
    QString m_selectedMeasurementDir;
    QString m_storedMeasurementName;
    int m_storedFilterType = 0;
    int m_storedFilterLowCutOff = 0;
    int m_storedFilterHighCutOff = 4000;

    FreqSpectrum *freqSpectrum = nullptr;
    QTimer *m_timerLevel = nullptr;
    ClipPlayer *m_player = nullptr;
    float m_storedLevel = 0.0f;
    bool m_storedMeasurement = false;
    float m_minimumLevelAbs = 0.0f;
    float m_peakLevel = 0.0f;
    float m_currentLevel = 0.0f;
    int m_significandFrequency = 0;
    int m_significandFrequencyAtMin = 0;
    float m_lastMaxValues[6] = {};
    int m_cntMaxVal = 0;
    float m_maxHoldValue = 0.0f;
    float m_fft[1024] = {};
};

#endif // LEVELMEASUREMENT_H
