#ifndef DEBUGAUDIOLEVELFFT_H
#define DEBUGAUDIOLEVELFFT_H

#include "keydialog.h"
#include "levelcapture.h"
#include "pcmformat.h"

#include <QAudio>

namespace Ui {
class DebugAudioLevelFft;
}

class AudioInputSource;
class FreqSpectrum;
class QIODevice;
class QTimer;

// Records ten seconds from the sound input and shows, for every 100 ms of
// captured sound, the level (RMS and peak bars) of the latest 1024 samples
// and their spectrum and waveform in the spectrum widget. It leaves the
// codec alone.
//
// The input is Qt's default audio input on the board (through the sound
// module) and the simulator's
// microphone FIFO under a device root (AudioInputSource), so a PC without a
// sound card shows the simulated signal; without an input the view says so
// in its message field. The capture goes into LevelCapture's ring buffer.
class DebugAudioLevelFft : public KeyDialog
{
    Q_OBJECT
public:
    explicit DebugAudioLevelFft(QWidget *parent = nullptr);
    ~DebugAudioLevelFft() override;

    static constexpr int kCaptureMs = 10000;
    static constexpr int kAnalysisMs = 100;

    const LevelCapture &capture() const { return m_capture; }
    float rmsLevel() const { return m_rmsLevel; }
    float peakLevel() const { return m_peakLevel; }
    bool isCapturing() const { return m_audioInput != nullptr; }
    FreqSpectrum *spectrum() const { return fftDisplay; }
    // Hands captured bytes to the view as its input device would (tests).
    void takeIn(const QByteArray &bytes);

public slots:
    void stopRecording();
    void handleStateChanged(QAudio::State state);
    void calculateLevel();
    void audioDataReady();

private slots:
    void on_butDo_clicked();
    void on_butHome_clicked();
    void on_butClear_clicked();

private:
    void analyseWhenDue();
    void message(const QString &text);

    Ui::DebugAudioLevelFft *ui;
    FreqSpectrum *fftDisplay = nullptr;
    AudioInputSource *m_audioInput = nullptr;
    QIODevice *m_audioInputIODevice = nullptr;
    LevelCapture m_capture;
    float m_rmsLevel = 0;
    float m_peakLevel = 0;
    PcmFormat m_format;
    // Bytes of 100 ms in the capture's format, and the count at which the
    // next analysis is due.
    qint64 m_analysisStep = 3200;
    qint64 m_nextAnalysis = 3200;
    QTimer *m_stopTimer = nullptr;
};

#endif // DEBUGAUDIOLEVELFFT_H
