#include "analoginputworker.h"

#include "analoginput.h"
#include "fftfunctions.h"

#include <QDebug>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <complex>
#include <valarray>

namespace {
constexpr float kOneOver1024 = 0.0009765625f;
constexpr int kBlockBytes = AnalogInputWorker::kSamples * 2;
// The reader gives up on a silent converter after a second; the thread
// stops at once when told to, so this bound is only a last resort.
constexpr unsigned long kThreadStopWaitMs = 5000;

short sampleAt(const QByteArray &block, int i)
{
    const auto lo = static_cast<unsigned char>(block.at(2 * i));
    const auto hi = static_cast<unsigned char>(block.at(2 * i + 1));
    return static_cast<short>(static_cast<quint16>(lo | (hi << 8)));
}
} // namespace

AnalogInputWorker *Analoginputworker()
{
    static AnalogInputWorker worker;
    return &worker;
}

AnalogInputWorker::AnalogInputWorker()
{
    std::fill(std::begin(m_rawAudioData), std::end(m_rawAudioData), 0.0f);
    std::fill(std::begin(m_rmsLevel_hist), std::end(m_rmsLevel_hist), 0.0f);
    std::fill(std::begin(m_fft), std::end(m_fft), 0.0f);
    std::fill(std::begin(m_fft_mean), std::end(m_fft_mean), 0.0f);
    qDebug() << "AnalogInputWorker Konstruktor";

    m_timerUpdate = new QTimer(this);
    connect(m_timerUpdate, &QTimer::timeout, this, &AnalogInputWorker::updateData, Qt::UniqueConnection);

    m_ain = new AnalogInput;
    m_ain->moveToThread(&m_ainThread);
    // The reader lives on m_ainThread: the request and the block cross the
    // threads as queued calls, the block as an implicitly shared copy.
    connect(this, &AnalogInputWorker::updateAinData, m_ain, &AnalogInput::updateBuffer);
    connect(m_ain, &AnalogInput::bufferUpdated, this, &AnalogInputWorker::onBlockReady);
    m_ainThread.setObjectName(QStringLiteral("analog input"));
    m_ainThread.start(QThread::InheritPriority);
}

AnalogInputWorker::~AnalogInputWorker()
{
    qDebug() << "AnalogInputWorker Destruktor";
    m_timerUpdate->stop();
    // Torn down once: wake a read that waits for data, end the thread's
    // event loop, wait for it, then delete the reader, which no thread
    // uses any more.
    m_ain->abortReads();
    m_ainThread.quit();
    if (m_ainThread.wait(kThreadStopWaitMs)) {
        delete m_ain;
    } else {
        // Cannot happen while reads are bounded; a running QThread must not
        // be destroyed, and the reader is left to the end of the process.
        qWarning() << "AnalogInputWorker: the analog-input thread did not stop";
        m_ainThread.terminate();
        m_ainThread.wait();
    }
    m_ain = nullptr;
}

bool AnalogInputWorker::isTickRunning() const
{
    return m_timerUpdate->isActive();
}

void AnalogInputWorker::resetHistory()
{
    std::fill(m_fft, m_fft + kBins, 0.0f);
    std::fill(std::begin(m_rmsLevel_hist), std::end(m_rmsLevel_hist), 0.0f);
    m_histLevelPos = 0;
    m_rmsLevel = 0.0f;
    m_peakLevel = 0.0f;
}

void AnalogInputWorker::startCapture()
{
    m_analyseAudioData = QByteArray(2304, '\0');
    resetHistory();
    std::fill(m_fft_mean, m_fft_mean + kBins, 0.0f);
    m_ain->initContinousMode();
    m_ain->startCapture();
    m_captureStarted = true;
}

void AnalogInputWorker::stopCapture()
{
    m_timerUpdate->stop();
    m_ain->stopCapture();
    m_captureStarted = false;
}

void AnalogInputWorker::pauseCapture(bool pause)
{
    if (!m_captureStarted) {
        qDebug() << "AnalogInputWorker::pauseCapture: Wurde aufgerufen, ohne zuvor startCapture auszuführen";
        m_timerUpdate->stop();
        return;
    }
    if (pause) {
        m_timerUpdate->stop();
        return;
    }
    // A new listening period: the minimum level starts afresh; the lowest
    // minimum is reset by the first ticks.
    resetHistory();
    m_timerUpdate->start(kTickMs);
}

void AnalogInputWorker::updateData()
{
    // With a stalled converter the reader waits; requests must not pile up
    // in its queue meanwhile.
    if (m_requestPending)
        return;
    m_requestPending = true;
    emit updateAinData();
}

void AnalogInputWorker::onBlockReady(const QByteArray &block)
{
    m_requestPending = false;
    // A block that was asked for before a pause or stop belongs to no
    // listening period.
    if (!m_timerUpdate->isActive())
        return;
    calculateData(block);
}

void AnalogInputWorker::calculateData(const QByteArray &block)
{
    // A short or empty block (a stalled or interrupted read) is no
    // measurement: completed with silence it would drag the level, the
    // minimum and the lowest minimum down, and an empty one would reset the
    // lowest minimum the user pinpoints a leak by. The tick is skipped
    // whole: level, history, minima, spectrum and frequencies keep the
    // values of the last full block.
    if (block.size() < kBlockBytes) {
        qDebug() << "calculateData: short block skipped" << block.size();
        return;
    }
    m_analyseAudioData = block.left(kBlockBytes);
    calculateLevel();
    calculateFft();
}

void AnalogInputWorker::calculateLevel()
{
    float peak = 0.0f;
    float sum = 0.0f;
    for (int i = 0; i < kSamples; ++i) {
        const float x = pcmToReal(sampleAt(m_analyseAudioData, i));
        m_rawAudioData[i] = x;
        sum += x;
    }
    const float mean = sum * kOneOver1024;
    float sumOfSquares = 0.0f;
    for (int i = 0; i < kSamples; ++i) {
        const float x = m_rawAudioData[i] - mean;
        m_rawAudioData[i] = x;
        if (x > peak)
            peak = x;
        sumOfSquares += x * x;
    }
    m_peakLevel = peak;
    m_rmsLevel = std::sqrt(sumOfSquares * kOneOver1024);

    if (m_rmsLevel == 0.0f) {
        m_rmsLevel_min = 1.0f;
        m_rmsLevel_min_abs = 1.0f;
        qDebug() << "calculateLevel: Noch keine sinnvollen Werte";
        return;
    }
    if (double(m_rmsLevel) < 0.000151)
        m_rmsLevel = kLevelFloor;
    if (double(m_peakLevel) < 0.000151)
        m_peakLevel = kLevelFloor;

    const int pos = m_histLevelPos;
    m_rmsLevel_hist[pos] = m_rmsLevel;
    if (pos < 3) {
        m_rmsLevel_min = 1.0f;
        m_rmsLevel_min_abs = 1.0f;
        qDebug() << "calculateLevel: Noch kein Minimumpegel";
    } else {
        // The three oldest entries never count.
        float minimum = 1.0f;
        for (int i = 3; i < kHistory && i <= pos; ++i) {
            if (m_rmsLevel_hist[i] < minimum)
                minimum = m_rmsLevel_hist[i];
        }
        if (double(minimum) >= 1.0 || double(minimum) <= 0.00016) {
            qDebug() << "calculateLevel: Pegel kleiner als 0dB" << audioLevelToDb(minimum) << minimum
                     << m_rmsLevel_min << m_rmsLevel_min_abs;
            minimum = kLevelFloor;
        }
        m_rmsLevel_min = minimum;
        if (m_rmsLevel_min_abs > minimum) {
            m_rmsLevel_min_abs = minimum;
            m_storeMinFrequency = true;
        }
    }

    if (double(m_rmsLevel_min_abs) >= 0.528203 && double(m_rmsLevel_min_abs) <= 0.528205) {
        qDebug() << "Error 99:" << m_rmsLevel_min_abs << m_rawAudioData[0] << m_rmsLevel_hist[0]
                 << m_rmsLevel_hist[1] << m_rmsLevel_hist[2] << m_rmsLevel_hist[3] << m_rmsLevel_hist[4]
                 << m_rmsLevel_hist[5] << m_rmsLevel_hist[6];
        qDebug() << "Error 99 RAW:" << m_analyseAudioData.size() << m_analyseAudioData.left(12).toHex();
    }

    // Once full, the history moves down by one and the next value lands in
    // the newest slot.
    if (++m_histLevelPos == kHistory) {
        std::copy(m_rmsLevel_hist + 1, m_rmsLevel_hist + kHistory, m_rmsLevel_hist);
        m_histLevelPos = kHistory - 1;
    }
}

void AnalogInputWorker::calculateFft()
{
    std::valarray<std::complex<float>> block(kSamples);
    for (int i = 0; i < kSamples; ++i)
        block[i] = std::complex<float>(m_rawAudioData[i], 0.0f);
    fft(block);
    for (int k = 0; k < kBins; ++k) {
        const float re = block[k].real(), im = block[k].imag();
        m_fft[k] = std::sqrt(im * im + re * re);
    }
    std::copy(m_fft, m_fft + kBins, m_fft_mean);
    calculateSignificandFrequency();
}

int AnalogInputWorker::dominantBin(const float *m)
{
    float best = 0.0f;
    int dominant = -1;
    for (int k = 2; k <= 508; ++k) {
        float s = m[k - 2] + m[k - 1];
        s += m[k];
        s += m[k + 1];
        s += m[k + 2];
        if (s >= best) {
            best = s;
            dominant = k;
        }
    }
    return dominant;
}

void AnalogInputWorker::calculateSignificandFrequency()
{
    const int k = dominantBin(m_fft_mean);
    if (k >= 0)
        m_significandFrequency = (quint32(k) * kSampleRate) >> 10;
    if (m_storeMinFrequency || m_significandFrequencyAtMin == 0) {
        m_storeMinFrequency = false;
        m_significandFrequencyAtMin = m_significandFrequency;
    }
}

int AnalogInputWorker::getAudioLevel(float *level)
{
    *level = m_rmsLevel;
    return 0;
}

int AnalogInputWorker::getAudioLevel(float *level, float *peak)
{
    *level = m_rmsLevel;
    *peak = m_peakLevel;
    return 0;
}

int AnalogInputWorker::getAudioLevel(float *level, float *peak, float *minimum)
{
    *level = m_rmsLevel;
    *peak = m_peakLevel;
    *minimum = m_rmsLevel_min_abs;
    const float display = audioLevelToDb(m_rmsLevel_min_abs);
    if (display >= 99.0f)
        qDebug() << "getAudioLevel" << display << m_rmsLevel_min_abs << m_rmsLevel;
    return 0;
}

int AnalogInputWorker::getFft(float *fft)
{
    std::copy(std::begin(m_fft_mean), std::end(m_fft_mean), fft);
    return 0;
}

int AnalogInputWorker::getAudioData(float *data)
{
    std::copy(std::begin(m_rawAudioData), std::end(m_rawAudioData), data);
    return 0;
}

float AnalogInputWorker::audioLevelToDb(float level)
{
    if (double(level) < 1e-7)
        return 0.0f;
    float v = float(77.0 + 20.0 * std::log10(double(level)));
    v = float(double(v) * 1.8);
    if (v < 0.0f)
        return 0.0f;
    if (v > 99.0f)
        return 99.0f;
    return v;
}

quint32 AnalogInputWorker::getSignificandFrequency()
{
    return (m_significandFrequency + 5) / 10 * 10;
}

quint32 AnalogInputWorker::getSignificandFrequencyAtMin()
{
    return (m_significandFrequencyAtMin + 5) / 10 * 10;
}

QColor AnalogInputWorker::calcFrequencyColor(unsigned int freq, unsigned int maxFreq, QColor c1, QColor c2,
                                             QColor c3, QColor *textColor)
{
    // A scale shorter than 2 Hz has no middle; its half counts as 1 so that
    // nothing is divided by zero.
    const double half = double(std::max(maxFreq / 2, 1u));
    const double f = double(std::min(freq, maxFreq));
    QColor from = c2, to = c3;
    double t = (f - half) / half;
    if (f < half) {
        from = c1;
        to = c2;
        t = f / half;
    }
    auto mix = [t](int a, int b) { return int(unsigned(double(a) + double(b - a) * t)); };
    const QColor colour(mix(from.red(), to.red()), mix(from.green(), to.green()), mix(from.blue(), to.blue()), 255);
    if (textColor) {
        *textColor = freq > (maxFreq / 10) * 7 ? QColor(0, 0, 0, 255) : QColor(255, 255, 255, 255);
    }
    return colour;
}

void AnalogInputWorker::clearAllData()
{
    std::fill(std::begin(m_rawAudioData), std::end(m_rawAudioData), 0.0f);
    m_rmsLevel = 0.0f;
    std::fill(std::begin(m_rmsLevel_hist), std::end(m_rmsLevel_hist), 0.0f);
    m_peakLevel = 0.0f;
    std::fill(std::begin(m_fft), std::end(m_fft), 0.0f);
    std::fill(std::begin(m_fft_mean), std::end(m_fft_mean), 0.0f);
    m_histLevelPos = 0;
    m_significandFrequency = 0;
    m_significandFrequencyAtMin = 0;
    m_rmsLevel_min = 1.0f;
    m_rmsLevel_min_abs = 1.0f;
}
