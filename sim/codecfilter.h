#ifndef SIM_CODECFILTER_H
#define SIM_CODECFILTER_H

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVector>

#include <complex>

namespace Sim {

// The codec's band filter as the program programmed it, so that what the
// simulated converter and microphone deliver has passed the band as on the
// instrument.
//
// The program's register writes are read back from its journal
// <root>/.tq3900/registers.log ("<reg> <value>" in hex, register 0 selecting
// the page). The coefficient memory counts registers 8..127 of each page one
// after the other; the signal's chain starts at page 44 register 0x0C with
// six sections of five coefficients (N0, N1, N2, D1, D2), each four
// registers of which the first three hold bits 31..8 of a signed fraction.
// A section computes
//   y[n] = N0 x[n] + 2 N1 x[n-1] + N2 x[n-2] + 2 D1 y[n-1] + D2 y[n-2]
// at the codec's 16000 samples per second. As in the codec, written
// coefficients take effect only when register 1 of page 44 switches the
// buffers (value 5); until then the chain passes everything.
class CodecFilter
{
public:
    static constexpr double kCodecRate = 16000.0;
    static constexpr int kSections = 6;

    struct Section
    {
        double n0 = 1.0, n1 = 0.0, n2 = 0.0; // n1 already doubled
        double d1 = 0.0, d2 = 0.0;           // d1 already doubled
    };

    explicit CodecFilter(const QString &root);

    // Takes in what the program wrote since the last call: one look at the
    // journal's size when nothing was written.
    void refresh();

    // True while the chain passes everything (nothing programmed yet, or
    // the pass-through sections of "no filter").
    bool isPassThrough() const { return m_passThrough; }
    // True when a section's poles lie on or outside the unit circle: the
    // codec's output would run away, the simulation passes nothing.
    bool isUnstable() const { return m_unstable; }
    // Changes with every programme taken.
    quint64 generation() const { return m_generation; }
    const QVector<Section> &sections() const { return m_sections; }

    // The chain's response at a frequency in Hz.
    std::complex<double> response(double hz) const;
    // Level change in dB at a frequency (-inf for none through).
    double gainDb(double hz) const;

    // Replays journal text (whole lines); public so tests can feed lines.
    void feed(const QByteArray &text);

private:
    void takeProgramme();

    QString m_path;
    qint64 m_offset = 0;
    QByteArray m_partial;
    int m_page = 0;
    QHash<int, quint8> m_memory; // page * 120 + register - 8 -> byte
    QVector<Section> m_sections;
    bool m_passThrough = true;
    bool m_unstable = false;
    quint64 m_generation = 0;
};

// Runs samples through the chain at the codec's rate and hands them out at
// any other rate (linear interpolation between codec samples), so that
// noise is shaped by the band as the codec shapes it.
class CodecFilterRun
{
public:
    explicit CodecFilterRun(double outputRate);

    // How many codec-rate inputs the next output sample needs first: call
    // push() that many times, then take().
    int inputsNeeded() const;
    void push(const CodecFilter &filter, double x);
    double take();
    // Forget the sections' state (a new programme, or the chain bypassed).
    void reset();

private:
    double m_step;
    double m_position = 2.0; // of the next output, 0 = previous codec sample, 1 = current
    double m_previous = 0.0;
    double m_current = 0.0;
    double m_x1[CodecFilter::kSections] = {};
    double m_x2[CodecFilter::kSections] = {};
    double m_y1[CodecFilter::kSections] = {};
    double m_y2[CodecFilter::kSections] = {};
};

} // namespace Sim

#endif // SIM_CODECFILTER_H
