#ifndef ANALOGINPUTWORKER_H
#define ANALOGINPUTWORKER_H

#include <QByteArray>
#include <QColor>
#include <QObject>
#include <QThread>

class AnalogInput;
class QTimer;

// Level and frequency analysis of the measurement signal.
//
// While capture runs and is not paused, a 300 ms tick asks the converter
// reader (on its own thread) for one block of 1024 samples; the block comes
// back with the reader's queued signal and is analysed here on the GUI
// thread: RMS level and positive peak of the mean-free block, a minimum level
// over a history of the last 30 ticks (without its three oldest entries),
// the lowest such minimum since the last resume, a 512-bin magnitude
// spectrum and its dominant frequency. The screens poll the getters.
//
// Levels are linear amplitudes relative to the converter's full scale (1.0 =
// a sample of 32768); audioLevelToDb() maps them onto the 0..99 display
// scale. Frequencies assume 7670 samples per second.
//
// One instance for the whole run, reached through Analoginputworker().
class AnalogInputWorker : public QObject
{
    Q_OBJECT
public:
    static constexpr int kSamples = 1024;
    static constexpr int kBins = 512;
    static constexpr int kHistory = 30;
    static constexpr int kTickMs = 300;
    static constexpr unsigned kSampleRate = 7670;
    static constexpr float kLevelFloor = 0.000151f;

    AnalogInputWorker();
    ~AnalogInputWorker() override;

    // Sets the converter up and enables it; the tick does not run yet
    // (capture starts paused).
    void startCapture();
    // Stops the tick and disables the converter.
    void stopCapture();
    // true stops the tick; false empties the level history and the spectrum
    // and starts the tick. Without a started capture it only stops the tick.
    void pauseCapture(bool pause);

    int getAudioLevel(float *level);
    int getAudioLevel(float *level, float *peak);
    int getAudioLevel(float *level, float *peak, float *minimum);
    // 1024 floats each; getFft fills bins 0..511, the rest are 0.
    int getFft(float *fft);
    int getAudioData(float *data);

    // Display level 0..99: (77 + 20 log10 level) * 1.8, clamped; 0 below 1e-7.
    static float audioLevelToDb(float level);
    // Dominant frequency rounded to 10 Hz.
    quint32 getSignificandFrequency();
    // The bin 2..508 of a mean spectrum whose five bins around it hold the
    // most (ties go to the higher bin); -1 when no sum compares (NaN).
    static int dominantBin(const float *mean);
    // The dominant frequency taken when the lowest minimum last went down,
    // rounded to 10 Hz.
    quint32 getSignificandFrequencyAtMin();
    // Colour of freq on the scale c1 (0) .. c2 (maxFreq / 2) .. c3 (maxFreq);
    // textColor becomes black above 70 % of maxFreq, else white.
    static QColor calcFrequencyColor(unsigned int freq, unsigned int maxFreq, QColor c1, QColor c2,
                                     QColor c3, QColor *textColor);
    void clearAllData();

    bool isCaptureStarted() const { return m_captureStarted; }
    bool isTickRunning() const;

public slots:
    // Tick: asks the reader for a block unless one is still on its way.
    void updateData();
    // Analyses one block: its first 2048 bytes. A shorter block is skipped
    // and every value stays as the last full block left it.
    void calculateData(const QByteArray &block);

signals:
    void updateAinData();

private:
    void onBlockReady(const QByteArray &block);
    void calculateLevel();
    void calculateFft();
    void calculateSignificandFrequency();
    void resetHistory();

    AnalogInput *m_ain = nullptr;
    QTimer *m_timerUpdate = nullptr;
    QByteArray m_analyseAudioData;
    QThread m_ainThread;
    float m_rawAudioData[kSamples];
    float m_rmsLevel = 0.0f;
    float m_rmsLevel_hist[kHistory];
    float m_rmsLevel_min = 0.0f;
    float m_rmsLevel_min_abs = 0.0f;
    float m_peakLevel = 0.0f;
    float m_fft[kSamples];
    float m_fft_mean[kSamples];
    int m_histLevelPos = 0;
    quint32 m_significandFrequency = 0;
    quint32 m_significandFrequencyAtMin = 0;
    bool m_storeMinFrequency = false;
    bool m_captureStarted = false;
    bool m_requestPending = false;
};

AnalogInputWorker *Analoginputworker();

#endif // ANALOGINPUTWORKER_H
