#ifndef SIM_MIXERTOOL_H
#define SIM_MIXERTOOL_H

#include <QByteArray>
#include <QString>

namespace Sim {

class BoardShell;
class ControlChannel;
struct ShellAnswer;
struct ShellCommand;

// The ALSA mixer tool as the board's shell runs it on the codec's card:
// "amixer sset "PCM" <n>" sets the PCM playback volume (0..127) and prints
// the control with its new value on both channels ("Front Left: Playback
// <n> [..%]"). Told otherwise, it prints a value the control did not take,
// prints nothing, answers only after a delay, or never ends. Other controls
// and other amixer commands are left to other handlers.
class MixerTool
{
public:
    enum class Reply {
        Normal, // the value set, at once
        Wrong,  // the control stays where it was: the old value
        Empty,  // ends without output
        Late,   // the normal output, after the set delay
        Silent, // never ends
    };
    static constexpr int kMaxVolume = 127;
    static constexpr int kMaxDelayMs = 120000;

    // What "amixer sset "PCM" <n>" prints for a control at that value.
    static QByteArray pcmReport(int volume);

    Reply reply() const { return m_reply; }
    int volume() const { return m_volume; }
    void setReply(Reply reply, int delayMs = 0);

    // Plays one command; false when it is none of this tool's.
    bool answer(const ShellCommand &command, ShellAnswer *answer);

    void registerShell(BoardShell &shell);
    // "amixer <normal|wrong|empty|silent|late <ms>|status>".
    void registerCommands(ControlChannel &control);

private:
    Reply m_reply = Reply::Normal;
    int m_delayMs = 0;
    int m_volume = 100; // the card's stored state at power-on
};

} // namespace Sim

#endif // SIM_MIXERTOOL_H
