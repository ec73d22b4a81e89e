#ifndef SIMULATEDCODECMIXER_H
#define SIMULATEDCODECMIXER_H

#include "codecmixer.h"

#include <QMap>

// The codec's card off the board. It has the codec's elements with their
// kinds and ranges, keeps the value of each in "<root>/.tq3900/mixer.state"
// (read at the start of every transaction, as the real card loads its
// state, and replaced whole at its end) and journals each applied write to
// "mixer.log" as "<element> := <value>":
//
//   PGA Level := 3.00 dB        gain in dB, all channels
//   Mic PGA := 1                switch
//   LO Driver Gain := step 5    raw volume step
//   DAC mode PRB_P3 := item 1   enumeration item
//
// mixer.state has one line "transactions<TAB><count>" and then one line per
// element, "<element><TAB><raw value><TAB><as a person reads it>"; the
// simulator's "codec" command shows it. A write the element does not take
// (wrong kind, item out of range) fails with -EINVAL and changes nothing.
class SimulatedCodecMixer : public CodecMixer
{
public:
    SimulatedCodecMixer() = default;

    QVector<Result> apply(const QVector<Write> &writes) override;
    QString errorText(int code) const override;

    static QString stateFile();
    static QString journalFile() { return QStringLiteral("mixer.log"); }
};

#endif // SIMULATEDCODECMIXER_H
