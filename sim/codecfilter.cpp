#include "codecfilter.h"

#include <QFile>

#include <cmath>
#include <limits>

namespace Sim {

namespace {
// The journal grows by about 200 lines per filter change; only its newest
// part matters, so a long journal is read from its tail.
const qint64 kMaxJournalBytes = 4 * 1024 * 1024;
const int kFirstPage = 44;
const int kSwitchRegister = 1;
const int kTakeNewCoefficients = 5;
const int kChainStart = kFirstPage * 120 + 0x0C - 8;

bool isPassSection(const CodecFilter::Section &s)
{
    // 0x7FFFFF00 as a fraction: one within the codec's 24 bits.
    return std::abs(s.n0 - 1.0) < 1e-6 && s.n1 == 0.0 && s.n2 == 0.0 && s.d1 == 0.0 && s.d2 == 0.0;
}

bool isStable(const CodecFilter::Section &s)
{
    // Poles of 1 - d1 z^-1 - d2 z^-2 inside the unit circle.
    return std::abs(s.d2) < 1.0 && std::abs(s.d1) < 1.0 - s.d2;
}
} // namespace

CodecFilter::CodecFilter(const QString &root)
    : m_path(root + QStringLiteral("/.tq3900/registers.log")), m_sections(kSections)
{
}

void CodecFilter::refresh()
{
    QFile f(m_path);
    if (!f.open(QIODevice::ReadOnly))
        return;
    const qint64 size = f.size();
    if (size < m_offset) {
        // A fresh journal (the folder was cleared): the codec keeps what it
        // took; its writes are read from the start again.
        m_offset = 0;
        m_partial.clear();
    }
    if (size == m_offset)
        return;
    qint64 from = m_offset;
    if (size - from > kMaxJournalBytes) {
        from = size - kMaxJournalBytes;
        m_partial.clear();
        f.seek(from);
        f.readLine(); // the rest of a cut line
    } else {
        f.seek(from);
    }
    QByteArray text = m_partial + f.read(size - f.pos());
    m_offset = size;
    const int end = text.lastIndexOf('\n') + 1;
    m_partial = text.mid(end).left(64); // a line being written; never long
    text.truncate(end);
    feed(text);
}

void CodecFilter::feed(const QByteArray &text)
{
    for (const QByteArray &line : text.split('\n')) {
        const QList<QByteArray> w = line.trimmed().split(' ');
        bool okReg = false, okVal = false;
        const int reg = w.value(0).toInt(&okReg, 16);
        const int val = w.value(1).toInt(&okVal, 16);
        if (w.size() != 2 || !okReg || !okVal || reg < 0 || reg > 127 || val < 0 || val > 255)
            continue;
        if (reg == 0)
            m_page = val;
        else if (reg == kSwitchRegister && m_page == kFirstPage && val == kTakeNewCoefficients)
            takeProgramme();
        else if (reg >= 8)
            m_memory.insert(m_page * 120 + reg - 8, quint8(val));
    }
}

void CodecFilter::takeProgramme()
{
    auto coefficient = [this](int address, double *value) {
        if (!m_memory.contains(address) || !m_memory.contains(address + 1) || !m_memory.contains(address + 2))
            return false;
        const quint32 bits = quint32(m_memory.value(address)) << 24 | quint32(m_memory.value(address + 1)) << 16
                | quint32(m_memory.value(address + 2)) << 8;
        *value = double(qint32(bits)) / 2147483648.0;
        return true;
    };
    m_passThrough = true;
    m_unstable = false;
    for (int s = 0; s < kSections; ++s) {
        double c[5];
        bool whole = true;
        for (int k = 0; k < 5; ++k)
            whole = coefficient(kChainStart + 20 * s + 4 * k, &c[k]) && whole;
        Section section; // a section never written passes everything
        if (whole) {
            section.n0 = c[0];
            section.n1 = 2.0 * c[1];
            section.n2 = c[2];
            section.d1 = 2.0 * c[3];
            section.d2 = c[4];
        }
        m_sections[s] = section;
        m_passThrough = m_passThrough && isPassSection(section);
        m_unstable = m_unstable || !isStable(section);
    }
    ++m_generation;
}

std::complex<double> CodecFilter::response(double hz) const
{
    if (m_unstable)
        return 0.0;
    const std::complex<double> z1 = std::polar(1.0, -2.0 * M_PI * hz / kCodecRate);
    const std::complex<double> z2 = z1 * z1;
    std::complex<double> h = 1.0;
    for (const Section &s : m_sections)
        h *= (s.n0 + s.n1 * z1 + s.n2 * z2) / (1.0 - s.d1 * z1 - s.d2 * z2);
    return h;
}

double CodecFilter::gainDb(double hz) const
{
    const double a = std::abs(response(hz));
    return a > 0.0 ? 20.0 * std::log10(a) : -std::numeric_limits<double>::infinity();
}

CodecFilterRun::CodecFilterRun(double outputRate)
    : m_step(CodecFilter::kCodecRate / outputRate)
{
}

int CodecFilterRun::inputsNeeded() const
{
    return m_position > 1.0 ? int(std::ceil(m_position - 1.0)) : 0;
}

void CodecFilterRun::push(const CodecFilter &filter, double x)
{
    double v = 0.0;
    if (!filter.isUnstable()) {
        v = x;
        const QVector<CodecFilter::Section> &sections = filter.sections();
        for (int i = 0; i < CodecFilter::kSections; ++i) {
            const CodecFilter::Section &s = sections.at(i);
            const double y = s.n0 * v + s.n1 * m_x1[i] + s.n2 * m_x2[i] + s.d1 * m_y1[i] + s.d2 * m_y2[i];
            m_x2[i] = m_x1[i];
            m_x1[i] = v;
            m_y2[i] = m_y1[i];
            m_y1[i] = y;
            v = y;
        }
    }
    m_previous = m_current;
    m_current = v;
    m_position -= 1.0;
}

double CodecFilterRun::take()
{
    const double v = m_previous + (m_current - m_previous) * m_position;
    m_position += m_step;
    return v;
}

void CodecFilterRun::reset()
{
    for (int i = 0; i < CodecFilter::kSections; ++i)
        m_x1[i] = m_x2[i] = m_y1[i] = m_y2[i] = 0.0;
    m_previous = m_current = 0.0;
}

} // namespace Sim
