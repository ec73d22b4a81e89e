#ifndef GROUPPROCESS_H
#define GROUPPROCESS_H

#include <QProcess>

// A child process that leads a process group of its own, so that ending it
// also ends everything it started: a shell script's commands, a pipeline,
// a background job. The command runner runs the board's commands with it;
// a command stopped at its time limit leaves nothing running behind it.
class GroupProcess : public QProcess
{
    Q_OBJECT
public:
    using QProcess::QProcess;

    // Sends SIGKILL to the whole group and waits at most waitMs for the
    // child's end. False when the child's process id is unknown (not
    // started, already reaped, or an emulator that hides it): then only
    // QProcess::kill() is tried, which reaches the child alone.
    bool killGroup(int waitMs = 1000);

protected:
    void setupChildProcess() override;
};

#endif // GROUPPROCESS_H
