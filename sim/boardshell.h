#ifndef SIM_BOARDSHELL_H
#define SIM_BOARDSHELL_H

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QSocketNotifier;

namespace Sim {

// One shell command as the program's command runner handed it over.
struct ShellCommand
{
    QString line;      // the command as given
    QString workDir;   // its working directory, as a board path
    QStringList words; // the line split on blanks
    qint64 pid = 0;    // the process that sent it (0: unknown)
};

// What the simulated board answers to a command.
struct ShellAnswer
{
    int exitCode = 0;
    QByteArray output;
    int delayMs = 0;     // the answer is sent this much later
    bool silent = false; // no answer at all: the program's wait runs out
    // A command that prints without end: the exit code line, then output
    // again and again until the program hangs up (its wait ran out).
    bool endless = false;
};

// The board's shell as the program sees it: the command runner of a program
// running on this device root hands each command over the Unix socket
// <root>/.tq3900/shell and waits for the answer. Peers that play what a
// command does on the board (the USB gadget, the boot partition, the mixer
// tool) register a handler for the command's first word. Handlers are asked
// newest first; the first that returns true answers. A command no handler
// takes ends with exit code 0 and no output, as before the simulator played
// any command.
//
// Wire format: the runner sends "<working directory>\n<command>" and shuts
// its side; the answer is "<exit code>\n<output>", then the socket closes.
class BoardShell : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<bool(const ShellCommand &, ShellAnswer *)>;

    explicit BoardShell(const QString &root, QObject *parent = nullptr);
    ~BoardShell() override;

    static QString socketPath(const QString &root);

    // Creates the socket afresh and starts accepting; false (and why) when
    // it cannot.
    bool open(QString *error = nullptr);
    // Stops accepting, drops open requests and removes the socket.
    void close();
    bool isOpen() const { return m_listenFd >= 0; }

    void addHandler(const QString &firstWord, Handler handler);

    // Runs the handlers for one command line (what a request does).
    ShellAnswer answer(const ShellCommand &command) const;

signals:
    // A command arrived (before its answer is sent).
    void commandReceived(const QString &line, const QString &workDir);

private:
    struct Client;
    void onAcceptable();
    void onClientReadable(Client *client);
    void dispatch(Client *client);
    void sendAnswer(int fd, const ShellAnswer &answer);
    void streamEndless(Client *client);
    void dropClient(Client *client);

    QString m_root;
    int m_listenFd = -1;
    QSocketNotifier *m_notifier = nullptr;
    QMap<QString, QList<Handler>> m_handlers;
    QList<Client *> m_clients;
    quint64 m_lastId = 0;
};

} // namespace Sim

#endif // SIM_BOARDSHELL_H
