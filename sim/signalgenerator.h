#ifndef SIM_SIGNALGENERATOR_H
#define SIM_SIGNALGENERATOR_H

#include "codecfilter.h"

#include <QByteArray>
#include <QString>

#include <random>

namespace Sim {

class ControlChannel;

// What the sensor hears: one sine tone plus white noise, as fractions of
// full scale (1.0 = a sample of 32768). Amplitude is the tone's peak, noise
// the RMS of the added Gaussian noise; both 0 is exact silence.
struct SignalSettings
{
    double frequency = 1000.0;
    double amplitude = 0.01;
    double noise = 0.0;
    // The noise starts again from its seed every that many samples (0:
    // never). Then every stretch of that length holds the same noise,
    // rotated: an analysis block of that length sees the same spectrum
    // wherever it starts (while the codec's filter passes everything).
    int noiseRepeat = 0;
};

// The measurement signal of the simulated board, shared by everything that
// samples it (the converter stream; the recording's microphone follows the
// same settings). Adds the control command "signal".
class SignalSource
{
public:
    static constexpr double kMaxFrequency = 8000.0;

    const SignalSettings &settings() const { return m_settings; }
    // False (and nothing changed) when a value is out of range.
    bool setTone(double frequency, double amplitude);
    bool setNoise(double rms);
    // 0 .. 1 << 20 samples; false (and nothing changed) otherwise.
    bool setNoiseRepeat(int samples);
    void setSilence();
    // Scales tone and noise together so that the instrument shows the
    // display level (77 + 20 log10 rms) * 1.8 for the whole signal; 0 is
    // silence; from silence it sets noise alone. A person walking along a
    // pipe sets one level per listening position.
    void setDisplayLevel(double level);
    // RMS of the whole signal, fraction of full scale.
    double rms() const;
    static double rmsOfDisplayLevel(double level);
    QString describe() const;

    void registerCommands(ControlChannel &channel);

private:
    SignalSettings m_settings;
};

// Turns the settings into 16-bit samples at one sample rate. The tone's
// phase runs on across calls and setting changes, so the signal has no
// jumps; the noise comes from a fixed seed, so runs repeat.
//
// With the codec's filter set, what it delivers has passed the band the
// program programmed: the tone with the chain's gain and phase at its
// frequency, the noise through the chain's sections at the codec's rate.
// While the chain passes everything the samples are the unfiltered ones.
class SignalGenerator
{
public:
    SignalGenerator(const SignalSource &source, double sampleRate);

    double sampleRate() const { return m_rate; }
    // The filter is not owned; it is refreshed at every generate().
    void setCodecFilter(CodecFilter *filter) { m_filter = filter; }
    // count samples, signed 16-bit little endian, clipped to full scale.
    QByteArray generate(int count);

private:
    const SignalSource &m_source;
    double m_rate;
    double m_phase = 0.0; // in cycles, 0 <= phase < 1
    std::mt19937 m_random;
    std::normal_distribution<double> m_gauss;
    quint64 m_samples = 0; // generated so far, for the noise's repeat
    CodecFilter *m_filter = nullptr;
    CodecFilterRun m_run;
    quint64 m_filterGeneration = 0;
};

} // namespace Sim

#endif // SIM_SIGNALGENERATOR_H
