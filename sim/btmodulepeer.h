#ifndef SIM_BTMODULEPEER_H
#define SIM_BTMODULEPEER_H

#include "linesplitter.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QHash>
#include <QObject>
#include <QString>

#include <functional>

namespace Sim {

class ModuleModeLine;
class PtyPort;

// The serial Bluetooth module behind one port (ttyO2: sensor-unit side,
// ttyO3: headphone side). It reads the program's command lines, journals each
// to <root>/.tq3900/bt-<port>.log as "<hh:mm:ss.zzz> <line>" and answers them
// through a table of commands keyed by the line's first word (case does not
// matter, as with the module's own parser). A line whose first word has no
// entry gets "SYNTAX ERROR".
class BtModulePeer : public QObject
{
    Q_OBJECT
public:
    // line: the whole received line; args: its words after the command word.
    using CommandHandler = std::function<void(const QByteArray &line, const QByteArrayList &args)>;

    BtModulePeer(const QString &root, PtyPort *port, QObject *parent = nullptr);

    PtyPort *port() const { return m_port; }
    QString portName() const;
    QString logPath() const;

    // Adds or replaces the answer to one command word.
    void registerCommand(const QByteArray &word, CommandHandler handler);
    bool hasCommand(const QByteArray &word) const;

    // The control lines of this module, when it has any (not owned).
    void setModeLine(ModuleModeLine *modeLine);
    ModuleModeLine *modeLine() const { return m_modeLine; }

    // Writes text + "\r\n" to the program. False when nobody has the port open.
    bool sendLine(const QByteArray &text);

    // Handles bytes as if they came from the program (the port feeds them here).
    void receive(const QByteArray &bytes);

signals:
    void lineReceived(const QByteArray &line);

protected:
    // One complete, non-empty line from the program.
    virtual void handleLine(const QByteArray &line);

private:
    void registerStartupCommands();
    void journal(const QByteArray &line);

    QString m_root;
    PtyPort *m_port;
    ModuleModeLine *m_modeLine = nullptr;
    LineSplitter m_splitter;
    QHash<QByteArray, CommandHandler> m_commands;
};

} // namespace Sim

#endif // SIM_BTMODULEPEER_H
