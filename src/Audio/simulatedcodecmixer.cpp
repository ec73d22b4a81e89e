#include "simulatedcodecmixer.h"

#include "deviceroot.h"

#include <QFile>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

enum class Kind { Switch, Volume, Enum };

struct Element
{
    const char *name;
    Kind kind;
    int max;     // highest step or item index (lowest is 0)
    long dbMin;  // volume: hundredths of a dB at step 0 ...
    long dbMax;  // ... and at step max
    int initial; // value at power-on
};

// The codec's simple elements with the ranges of the card's stored state.
const Element kElements[] = {
    {"Left Input Mixer IN1_L P", Kind::Switch, 1, 0, 0, 0},
    {"Right Input Mixer IN1_R P", Kind::Switch, 1, 0, 0, 0},
    {"Left Input Mixer IN2_L P", Kind::Switch, 1, 0, 0, 0},
    {"Right Input Mixer IN2_R P", Kind::Switch, 1, 0, 0, 0},
    {"Left Input Mixer IN3_L P", Kind::Switch, 1, 0, 0, 0},
    {"Right Input Mixer IN3_R P", Kind::Switch, 1, 0, 0, 0},
    {"Mic PGA", Kind::Switch, 1, 0, 0, 0},
    {"ADCFGA Left Mute", Kind::Switch, 1, 0, 0, 1},
    {"ADCFGA Right Mute", Kind::Switch, 1, 0, 0, 1},
    {"LOL Output Mixer L_DAC", Kind::Switch, 1, 0, 0, 0},
    {"LOR Output Mixer R_DAC", Kind::Switch, 1, 0, 0, 0},
    {"LOL Output Mixer MAL", Kind::Switch, 1, 0, 0, 0},
    {"LOR Output Mixer MAR", Kind::Switch, 1, 0, 0, 0},
    {"MAL Power", Kind::Switch, 1, 0, 0, 0},
    {"MAR Power", Kind::Switch, 1, 0, 0, 0},
    {"LO DAC", Kind::Switch, 1, 0, 0, 0},
    {"Loopback ADC ADC>DAC", Kind::Switch, 1, 0, 0, 0},
    {"Loopback-SecDataIn", Kind::Enum, 1, 0, 0, 0},
    {"DAC mode PRB_P3", Kind::Enum, 1, 0, 0, 0},
    {"FullChipCM=0,75V LineOutCM=1,65V", Kind::Enum, 1, 0, 0, 0},
    {"LO Driver Gain", Kind::Volume, 35, -600, 2900, 6},
    {"PGA Level", Kind::Volume, 95, 0, 4750, 0},
    {"ADC Level", Kind::Volume, 64, -1200, 2000, 24},
    {"PCM", Kind::Volume, 175, -6350, 2400, 127},
};

const Element *findElement(const QByteArray &name)
{
    for (const Element &e : kElements)
        if (name == e.name)
            return &e;
    return nullptr;
}

QString dB(long hundredths)
{
    return QString::number(hundredths / 100.0, 'f', 2) + QStringLiteral(" dB");
}

long stepToDb(const Element &e, int step)
{
    return e.dbMin + std::lround(double(e.dbMax - e.dbMin) * step / e.max);
}

QString shown(const Element &e, int value)
{
    switch (e.kind) {
    case Kind::Switch:
        return value ? QStringLiteral("on") : QStringLiteral("off");
    case Kind::Enum:
        return QStringLiteral("item %1").arg(value);
    case Kind::Volume:
        break;
    }
    return dB(stepToDb(e, value)) + QStringLiteral(" (step %1)").arg(value);
}

struct CardState
{
    qint64 transactions = 0;
    QMap<QByteArray, int> values;
};

CardState load()
{
    CardState s;
    for (const Element &e : kElements)
        s.values.insert(e.name, e.initial);
    QFile f(SimulatedCodecMixer::stateFile());
    if (!f.open(QIODevice::ReadOnly))
        return s;
    // Bounded: the card has a few dozen elements.
    for (int n = 0; n < 256 && !f.atEnd(); ++n) {
        const QList<QByteArray> fields = f.readLine(512).trimmed().split('\t');
        if (fields.size() < 2)
            continue;
        bool ok = false;
        const qint64 v = fields.at(1).toLongLong(&ok);
        if (!ok)
            continue;
        if (fields.at(0) == "transactions") {
            s.transactions = v;
            continue;
        }
        const Element *e = findElement(fields.at(0));
        if (e && v >= 0 && v <= e->max)
            s.values[e->name] = int(v);
    }
    return s;
}

void save(const CardState &s)
{
    QByteArray text = "transactions\t" + QByteArray::number(s.transactions) + '\n';
    for (const Element &e : kElements) {
        const int v = s.values.value(e.name);
        text += QByteArray(e.name) + '\t' + QByteArray::number(v) + '\t' + shown(e, v).toUtf8() + '\n';
    }
    // Overwritten in place and cut to length, in one write: neither
    // truncated to nothing first nor replaced by a rename, each of which makes
    // ext4 flush the file (QSaveFile even syncs it), and the start-up makes a
    // dozen transactions. The program is the only writer; the simulator only
    // reads the file for its "codec" report.
    const int fd = ::open(QFile::encodeName(SimulatedCodecMixer::stateFile()).constData(),
                          O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    if (::pwrite(fd, text.constData(), size_t(text.size()), 0) == text.size())
        (void)!::ftruncate(fd, text.size());
    ::close(fd);
}

} // namespace

QString SimulatedCodecMixer::stateFile()
{
    return DeviceRoot::journalDir() + QStringLiteral("/mixer.state");
}

QString SimulatedCodecMixer::errorText(int code) const
{
    return QString::fromLocal8Bit(std::strerror(-code));
}

QVector<CodecMixer::Result> SimulatedCodecMixer::apply(const QVector<Write> &writes)
{
    QVector<Result> results(writes.size());
    if (DeviceRoot::journalDir().isEmpty()) {
        // No root: no card.
        for (Result &r : results)
            r = {Status::NoCard, -ENODEV};
        return results;
    }
    CardState state = load();
    ++state.transactions;
    for (int i = 0; i < writes.size(); ++i) {
        const Write &w = writes.at(i);
        const Element *e = findElement(w.element);
        if (!e) {
            results[i] = {Status::NoElement, 0};
            continue;
        }
        int value = -1;
        QString journalled;
        switch (w.op) {
        case Op::GainDb:
            if (e->kind == Kind::Volume) {
                // Nearest step, clamped to the range.
                const double step = double(w.value - e->dbMin) * e->max / double(e->dbMax - e->dbMin);
                value = int(std::lround(qBound(0.0, step, double(e->max))));
                journalled = dB(w.value);
            }
            break;
        case Op::Switch:
            if (e->kind == Kind::Switch) {
                value = w.value ? 1 : 0;
                journalled = QString::number(w.value);
            }
            break;
        case Op::Volume:
            if (e->kind == Kind::Volume && w.value >= 0 && w.value <= e->max) {
                value = int(w.value);
                journalled = QStringLiteral("step %1").arg(w.value);
            }
            break;
        case Op::EnumItem:
            if (e->kind == Kind::Enum && w.value >= 0 && w.value <= e->max) {
                value = int(w.value);
                journalled = QStringLiteral("item %1").arg(w.value);
            }
            break;
        }
        if (value < 0) {
            results[i] = {Status::Failed, -EINVAL};
            continue;
        }
        state.values[e->name] = value;
        DeviceRoot::appendJournal(journalFile(), QString::fromUtf8(w.element) + QStringLiteral(" := ") + journalled);
    }
    save(state);
    return results;
}
