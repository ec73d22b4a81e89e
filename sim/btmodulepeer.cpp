#include "btmodulepeer.h"

#include "devicetree.h"
#include "ptyport.h"

#include <QTime>

namespace Sim {

BtModulePeer::BtModulePeer(const QString &root, PtyPort *port, QObject *parent)
    : QObject(parent), m_root(root), m_port(port)
{
    if (m_port)
        connect(m_port, &PtyPort::received, this, &BtModulePeer::receive);
    registerStartupCommands();
}

QString BtModulePeer::portName() const
{
    return m_port ? m_port->name() : QString();
}

QString BtModulePeer::logPath() const
{
    return QStringLiteral("/.tq3900/bt-%1.log").arg(portName());
}

void BtModulePeer::registerCommand(const QByteArray &word, CommandHandler handler)
{
    m_commands.insert(word.toUpper(), std::move(handler));
}

bool BtModulePeer::hasCommand(const QByteArray &word) const
{
    return m_commands.contains(word.toUpper());
}

void BtModulePeer::setModeLine(ModuleModeLine *modeLine)
{
    m_modeLine = modeLine;
}

void BtModulePeer::registerStartupCommands()
{
    // No connections are open: the list is empty.
    registerCommand("LIST", [this](const QByteArray &, const QByteArrayList &) { sendLine("LIST 0"); });
    // The module takes settings silently.
    registerCommand("SET", [](const QByteArray &, const QByteArrayList &) {});
}

bool BtModulePeer::sendLine(const QByteArray &text)
{
    return m_port && m_port->write(text + "\r\n");
}

void BtModulePeer::receive(const QByteArray &bytes)
{
    for (const QByteArray &line : m_splitter.feed(bytes)) {
        if (line.trimmed().isEmpty())
            continue;
        journal(line);
        emit lineReceived(line);
        handleLine(line);
    }
}

void BtModulePeer::handleLine(const QByteArray &line)
{
    QByteArrayList words = line.simplified().split(' ');
    const QByteArray word = words.takeFirst().toUpper();
    const auto it = m_commands.constFind(word);
    if (it == m_commands.constEnd()) {
        sendLine("SYNTAX ERROR");
        return;
    }
    it.value()(line, words);
}

void BtModulePeer::journal(const QByteArray &line)
{
    appendBoardFile(m_root, logPath(),
                    QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz")).toLatin1() + ' ' + line + '\n');
}

} // namespace Sim
