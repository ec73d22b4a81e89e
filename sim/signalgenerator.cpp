#include "signalgenerator.h"

#include "controlchannel.h"

#include <algorithm>
#include <cmath>

namespace Sim {

namespace {
// The noise's seed: every run hears the same noise.
constexpr unsigned kSeed = 7670u;

bool parseReal(const QString &text, double min, double max, double *value)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < min || v > max)
        return false;
    *value = v;
    return true;
}
} // namespace

bool SignalSource::setTone(double frequency, double amplitude)
{
    if (!(frequency >= 0.0 && frequency <= kMaxFrequency) || !(amplitude >= 0.0 && amplitude <= 1.0))
        return false;
    m_settings.frequency = frequency;
    m_settings.amplitude = amplitude;
    return true;
}

bool SignalSource::setNoise(double rms)
{
    if (!(rms >= 0.0 && rms <= 1.0))
        return false;
    m_settings.noise = rms;
    return true;
}

bool SignalSource::setNoiseRepeat(int samples)
{
    if (samples < 0 || samples > (1 << 20))
        return false;
    m_settings.noiseRepeat = samples;
    return true;
}

double SignalSource::rms() const
{
    const double a = m_settings.amplitude;
    return std::sqrt(a * a / 2.0 + m_settings.noise * m_settings.noise);
}

double SignalSource::rmsOfDisplayLevel(double level)
{
    return std::pow(10.0, (level / 1.8 - 77.0) / 20.0);
}

void SignalSource::setDisplayLevel(double level)
{
    if (level <= 0.0) {
        setSilence();
        return;
    }
    const double target = rmsOfDisplayLevel(level);
    const double now = rms();
    if (now <= 0.0) {
        m_settings.noise = target;
        return;
    }
    // Tone and noise keep their proportion (the sound stays the same, only
    // louder or quieter), limited to full scale.
    const double k = target / now;
    m_settings.amplitude = std::min(1.0, m_settings.amplitude * k);
    m_settings.noise = std::min(1.0, m_settings.noise * k);
}

void SignalSource::setSilence()
{
    m_settings.amplitude = 0.0;
    m_settings.noise = 0.0;
}

QString SignalSource::describe() const
{
    const QString text = QStringLiteral("tone %1 Hz amplitude %2 noise %3")
                             .arg(m_settings.frequency)
                             .arg(m_settings.amplitude)
                             .arg(m_settings.noise);
    return m_settings.noiseRepeat > 0 ? text + QStringLiteral(" repeating every %1").arg(m_settings.noiseRepeat)
                                      : text;
}

void SignalSource::registerCommands(ControlChannel &channel)
{
    channel.registerCommand(
        QStringLiteral("signal"),
        QStringLiteral("signal [tone <Hz> <amplitude 0-1> | noise <rms 0-1> | level <0-99> | silence | "
                       "repeat <samples>]: the sensor's signal; repeat: the noise starts again from its seed every "
                       "that many samples (0: never)"),
        [this](const ControlRequest &r) {
            const QString usage = QStringLiteral(
                "usage: signal [tone <Hz 0-%1> <amplitude 0-1> | noise <rms 0-1> | level <0-99> | silence | "
                "repeat <samples 0-1048576>]")
                                      .arg(kMaxFrequency);
            const QString what = r.args.value(0);
            if (r.args.isEmpty())
                return describe();
            if (what == QLatin1String("tone") && r.args.size() == 3) {
                double hz = 0.0, amplitude = 0.0;
                if (!parseReal(r.args[1], 0.0, kMaxFrequency, &hz) || !parseReal(r.args[2], 0.0, 1.0, &amplitude))
                    return QStringLiteral("error: ") + usage;
                setTone(hz, amplitude);
                return QStringLiteral("ok");
            }
            if (what == QLatin1String("noise") && r.args.size() == 2) {
                double rms = 0.0;
                if (!parseReal(r.args[1], 0.0, 1.0, &rms))
                    return QStringLiteral("error: ") + usage;
                setNoise(rms);
                return QStringLiteral("ok");
            }
            if (what == QLatin1String("level") && r.args.size() == 2) {
                double level = 0.0;
                if (!parseReal(r.args[1], 0.0, 99.0, &level))
                    return QStringLiteral("error: ") + usage;
                setDisplayLevel(level);
                return QStringLiteral("ok");
            }
            if (what == QLatin1String("repeat") && r.args.size() == 2) {
                bool ok = false;
                const int samples = r.args[1].toInt(&ok);
                if (!ok || !setNoiseRepeat(samples))
                    return QStringLiteral("error: ") + usage;
                return QStringLiteral("ok");
            }
            if (what == QLatin1String("silence") && r.args.size() == 1) {
                setSilence();
                return QStringLiteral("ok");
            }
            return QStringLiteral("error: ") + usage;
        });
}

SignalGenerator::SignalGenerator(const SignalSource &source, double sampleRate)
    : m_source(source), m_rate(sampleRate), m_random(kSeed), m_run(sampleRate)
{
}

QByteArray SignalGenerator::generate(int count)
{
    QByteArray out;
    if (count <= 0)
        return out;
    out.resize(2 * count);
    const SignalSettings s = m_source.settings();
    const double step = s.frequency / m_rate;
    if (m_filter)
        m_filter->refresh();
    const bool filtered = m_filter && !m_filter->isPassThrough();
    if (!m_filter || m_filter->generation() != m_filterGeneration) {
        m_run.reset(); // a new programme starts from rest
        m_filterGeneration = m_filter ? m_filter->generation() : 0;
    }
    const std::complex<double> h = filtered ? m_filter->response(s.frequency) : 1.0;
    const double toneGain = std::abs(h);
    const double toneShift = std::arg(h) / (2.0 * M_PI);
    for (int i = 0; i < count; ++i, ++m_samples) {
        if (s.noiseRepeat > 0 && m_samples % quint64(s.noiseRepeat) == 0) {
            m_random.seed(kSeed);
            m_gauss.reset(); // it keeps the second value of a pair
        }
        double v = 0.0;
        if (!filtered) {
            if (s.amplitude > 0.0)
                v += s.amplitude * std::sin(2.0 * M_PI * m_phase);
            if (s.noise > 0.0)
                v += s.noise * m_gauss(m_random);
        } else {
            if (s.amplitude > 0.0)
                v += s.amplitude * toneGain * std::sin(2.0 * M_PI * (m_phase + toneShift));
            // Zeros while there is no noise, so that the sections come to rest.
            for (int n = m_run.inputsNeeded(); n > 0; --n)
                m_run.push(*m_filter, s.noise > 0.0 ? s.noise * m_gauss(m_random) : 0.0);
            v += m_run.take();
        }
        m_phase += step;
        m_phase -= std::floor(m_phase);
        const long sample = std::lround(v * 32768.0);
        const qint16 clipped = qint16(std::max(-32768L, std::min(32767L, sample)));
        out[2 * i] = char(quint16(clipped) & 0xff);
        out[2 * i + 1] = char(quint16(clipped) >> 8);
    }
    return out;
}

} // namespace Sim
