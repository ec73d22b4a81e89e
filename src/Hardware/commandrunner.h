#ifndef COMMANDRUNNER_H
#define COMMANDRUNNER_H

#include <QByteArray>
#include <QString>

// Runs every shell command of the system.
//
// On the board each command runs through "/bin/sh -c", in a process group of
// its own: a command stopped at its time limit is ended with everything it
// started (GroupProcess). Off the board (any build
// but the board's, or a device root is set; see DeviceRoot) nothing is
// executed on the host: the command and
// its working directory are appended to the journal "commands.log" under the
// root, and the exit code and output come from a scripted answer file when the
// simulator or a test left one, else exit code 0 and no output.
//
// Answer files live in "<root>/.tq3900/answers/": first the file named after
// the whole command (every character outside [A-Za-z0-9._-] replaced by '_'),
// then the file named after the command's first word. The first line of the
// file is the exit code, the rest is the output; a first line "timeout" plays
// a command that did not end in time (exit code -1, timedOut set).
//
// Without an answer file, a simulator running on the root plays the board's
// shell: the command goes to it over the socket "<root>/.tq3900/shell" and
// the runner waits for its exit code and output, at most the caller's time-out
// (120 s for run()); no answer in time counts as a time-out. With no simulator
// the answer is exit code 0 and no output. Detached commands are only
// journalled.
class CommandRunner
{
public:
    struct Result {
        int exitCode = -1;      // -1: could not start or timed out
        bool timedOut = false;
        QByteArray output;      // standard output and standard error
    };

    // Runs the command and waits for its end: on the board at most a limit
    // of the command's (10 s for date and hwclock, 30 s for alsactl and
    // umount, 60 s for poweroff and reboot, else 120 s; a time-out is logged).
    // workDir empty: the process's current directory. Returns the exit code
    // (-1 when it could not start or timed out).
    static int run(const QString &command, const QString &workDir = QString());

    // Runs the command, waits at most timeoutMs and returns what arrived.
    static Result runWithTimeout(const QString &command, int timeoutMs,
                                 const QString &workDir = QString());

    // Starts the command and returns at once; false when it could not start.
    static bool startDetached(const QString &command, const QString &workDir = QString());

    // The name of the answer file for a command (see above).
    static QString answerKey(const QString &command);

    // What a command printed, held bounded while it runs: the first
    // kHeadBytes (callers read the first lines) and the last kTailBytes (the
    // end of a long listing); what lies between is dropped. Holds at most
    // kHeadBytes + 2 x kTailBytes at any time.
    class BoundedOutput
    {
    public:
        static constexpr int kHeadBytes = 64 * 1024;
        static constexpr int kTailBytes = 64 * 1024;
        void append(const char *data, qint64 size);
        void append(const QByteArray &bytes) { append(bytes.constData(), bytes.size()); }
        // The head, then the newest kTailBytes after it.
        QByteArray bytes() const;
        // Bytes between the head and the tail that bytes() leaves out.
        qint64 dropped() const { return m_dropped + qMax(0, m_tail.size() - kTailBytes); }
        qint64 held() const { return m_head.size() + m_tail.size(); }

    private:
        QByteArray m_head;
        QByteArray m_tail;
        qint64 m_dropped = 0;
    };

private:
    static Result simulate(const QString &command, const QString &workDir, const char *mode,
                           int timeoutMs);
    static Result execute(const QString &command, const QString &workDir, int timeoutMs);
};

#endif // COMMANDRUNNER_H
