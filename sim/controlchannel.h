#ifndef SIM_CONTROLCHANNEL_H
#define SIM_CONTROLCHANNEL_H

#include "linesplitter.h"

#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QSocketNotifier;

namespace Sim {

// One command line as the control channel received it.
struct ControlRequest
{
    QString line;     // the whole line, trimmed
    QString name;     // its first word
    QStringList args; // the words after the name

    // The line's text after the name and the first n arguments, as typed
    // (inner spaces kept): rest(2) of "bt ttyO2 send a  b" is "a  b".
    QString rest(int n) const;

    static ControlRequest parse(const QString &line);
};

// The simulator's control channel: the FIFO <root>/.tq3900/control takes one
// command per line; each command and its reply are appended to
// <root>/.tq3900/control.log as "> <command>" and "< <reply line>".
//
// Commands come from a registry, so each simulated device adds its own.
// "help" lists them. Replies are "ok", a result, or a line beginning with
// "error: ".
class ControlChannel : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<QString(const ControlRequest &)>;
    // A command whose reply comes later: the handler gets a function to call
    // once with the reply (later calls are ignored). Until then the channel
    // has journalled "= <command>", which tells "--send" to wait longer.
    using Reply = std::function<void(const QString &)>;
    using DeferredHandler = std::function<void(const ControlRequest &, Reply)>;
    // How long "--send" waits at most for a deferred reply.
    static constexpr int kDeferredReplyLimitMs = 130000;

    explicit ControlChannel(const QString &root, QObject *parent = nullptr);
    ~ControlChannel() override;

    static QString fifoPath(const QString &root);
    static QString logPath(const QString &root);

    // Creates the FIFO afresh and starts reading it.
    bool open(QString *error = nullptr);
    // Stops reading and removes the FIFO.
    void close();
    bool isOpen() const { return m_readFd >= 0; }

    // Adds or replaces a command; help is its one-line description.
    void registerCommand(const QString &name, const QString &help, Handler handler);
    // Adds a command that replies later (see DeferredHandler); its handler
    // must call the reply within kDeferredReplyLimitMs.
    void registerDeferredCommand(const QString &name, const QString &help, DeferredHandler handler);
    bool hasCommand(const QString &name) const;
    QStringList commandNames() const;

    // Runs one command line, journals it and returns the reply. Empty lines
    // and lines starting with '#' are ignored (empty reply, no journal). A
    // deferred command returns an empty reply unless it replied at once;
    // its reply is journalled and signalled when it comes.
    QString execute(const QString &line);

signals:
    void commandExecuted(const QString &line, const QString &reply);

private:
    void onReadable();
    QString helpText() const;
    void journal(const QString &line, const QString &reply);

    struct Entry
    {
        QString help;
        Handler handler;
        DeferredHandler deferred;
    };

    QString m_root;
    QMap<QString, Entry> m_commands;
    int m_readFd = -1;
    int m_writeFd = -1;
    QSocketNotifier *m_notifier = nullptr;
    LineSplitter m_splitter;
};

// Turns the escapes \r, \n, \t, \0, \\ and \xNN in a control-channel
// text into bytes (for commands that make a peer send raw bytes). False on an
// unknown or incomplete escape.
bool unescapeControlText(const QString &text, QByteArray *out);

} // namespace Sim

#endif // SIM_CONTROLCHANNEL_H
