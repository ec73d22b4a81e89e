#ifndef SIM_CODECVIEW_H
#define SIM_CODECVIEW_H

#include <QMap>
#include <QString>

namespace Sim {

class ControlChannel;

// What the program has set in the sound codec, for a person at the control
// channel. The program keeps the simulated card's elements in
// <root>/.tq3900/mixer.state and journals its register-file writes
// ("<reg> <value>" in hex, register 0 selecting the page) in registers.log;
// this view reads both.
class CodecView
{
public:
    explicit CodecView(const QString &root);

    // "codec": transactions, every element, register writes and page;
    // "codec page <n>": the registers written on page n with their values.
    void registerCommands(ControlChannel &channel);

    QString mixerReport() const;
    // Replays the register journal: page -> register -> last value.
    QMap<int, QMap<int, int>> registers(int *writes = nullptr, int *page = nullptr) const;

private:
    QString m_root;
};

} // namespace Sim

#endif // SIM_CODECVIEW_H
