#include "groupprocess.h"

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

void GroupProcess::setupChildProcess()
{
    // Runs in the child between fork and exec: its own group, led by itself.
    ::setpgid(0, 0);
}

bool GroupProcess::killGroup(int waitMs)
{
    const qint64 pid = processId();
    // A process id of 0 or 1 (or -1 under an emulator that hides it) must
    // never become a group to kill: kill(0) is this program's own group and
    // kill(-1) every process the user may signal.
    bool group = false;
    if (pid > 1 && state() != QProcess::NotRunning)
        group = ::kill(-pid_t(pid), SIGKILL) == 0;
    if (!group)
        kill();
    waitForFinished(waitMs);
    return group;
}
