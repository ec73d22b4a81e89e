#include "mixertool.h"

#include "boardshell.h"
#include "controlchannel.h"

namespace Sim {

QByteArray MixerTool::pcmReport(int volume)
{
    const QByteArray value = QByteArray::number(volume);
    const QByteArray percent = QByteArray::number((volume * 100 + kMaxVolume / 2) / kMaxVolume);
    const QByteArray channel = "Playback " + value + " [" + percent + "%]";
    return "Simple mixer control 'PCM',0\n"
           "  Capabilities: pvolume\n"
           "  Playback channels: Front Left - Front Right\n"
           "  Limits: Playback 0 - 127\n"
           "  Mono:\n"
           "  Front Left: " + channel + "\n"
           "  Front Right: " + channel + "\n";
}

void MixerTool::setReply(Reply reply, int delayMs)
{
    m_reply = reply;
    m_delayMs = qBound(0, delayMs, kMaxDelayMs);
}

bool MixerTool::answer(const ShellCommand &command, ShellAnswer *answer)
{
    const QStringList &w = command.words;
    if (w.size() < 3 || w[1] != QLatin1String("sset")
        || (w[2] != QLatin1String("\"PCM\"") && w[2] != QLatin1String("PCM")))
        return false;
    bool number = false;
    const int volume = w.value(3).toInt(&number);
    if (w.size() != 4 || !number || volume < 0 || volume > kMaxVolume) {
        answer->exitCode = 1;
        answer->output = "amixer: Invalid command!\n";
        return true;
    }
    switch (m_reply) {
    case Reply::Normal:
    case Reply::Late:
        m_volume = volume;
        answer->output = pcmReport(volume);
        if (m_reply == Reply::Late)
            answer->delayMs = m_delayMs;
        break;
    case Reply::Wrong:
        answer->output = pcmReport(m_volume);
        break;
    case Reply::Empty:
        break;
    case Reply::Silent:
        answer->silent = true;
        break;
    }
    return true;
}

void MixerTool::registerShell(BoardShell &shell)
{
    shell.addHandler(QStringLiteral("amixer"),
                     [this](const ShellCommand &c, ShellAnswer *a) { return answer(c, a); });
}

void MixerTool::registerCommands(ControlChannel &control)
{
    control.registerCommand(
        QStringLiteral("amixer"),
        QStringLiteral("amixer <normal|wrong|empty|silent|late <ms>>: how \"amixer sset \\\"PCM\\\" <n>\" answers; "
                       "amixer status: the reply and the PCM volume"),
        [this](const ControlRequest &r) {
            const QString usage =
                QStringLiteral("error: usage: amixer <normal|wrong|empty|silent|late <0-%1 ms>|status>").arg(kMaxDelayMs);
            const QString how = r.args.value(0);
            if (how == QLatin1String("status") && r.args.size() == 1) {
                static const char *const names[] = {"normal", "wrong", "empty", "late", "silent"};
                QString text = QStringLiteral("%1 PCM %2").arg(QLatin1String(names[int(m_reply)])).arg(m_volume);
                if (m_reply == Reply::Late)
                    text += QStringLiteral(" delay %1 ms").arg(m_delayMs);
                return text;
            }
            if (how == QLatin1String("late") && r.args.size() == 2) {
                bool number = false;
                const int ms = r.args[1].toInt(&number);
                if (!number || ms < 0 || ms > kMaxDelayMs)
                    return usage;
                setReply(Reply::Late, ms);
                return QStringLiteral("ok");
            }
            if (r.args.size() != 1)
                return usage;
            if (how == QLatin1String("normal"))
                setReply(Reply::Normal);
            else if (how == QLatin1String("wrong"))
                setReply(Reply::Wrong);
            else if (how == QLatin1String("empty"))
                setReply(Reply::Empty);
            else if (how == QLatin1String("silent"))
                setReply(Reply::Silent);
            else
                return usage;
            return QStringLiteral("ok");
        });
}

} // namespace Sim
