#include "controlchannel.h"

#include "devicetree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QRegularExpression>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <memory>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Sim {

QString ControlRequest::rest(int n) const
{
    // Skip the name and n words, each with the white space before it.
    static const QRegularExpression word(QStringLiteral("^\\s*\\S+"));
    QString text = line;
    for (int i = 0; i <= n && !text.isEmpty(); ++i) {
        const QRegularExpressionMatch m = word.match(text);
        if (!m.hasMatch())
            return QString();
        text = text.mid(m.capturedLength());
    }
    // Drop the single separator after the last skipped word only.
    if (!text.isEmpty() && text.at(0).isSpace())
        text.remove(0, 1);
    return text;
}

ControlRequest ControlRequest::parse(const QString &line)
{
    ControlRequest r;
    r.line = line.trimmed();
    r.args = r.line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    if (!r.args.isEmpty())
        r.name = r.args.takeFirst();
    return r;
}

ControlChannel::ControlChannel(const QString &root, QObject *parent)
    : QObject(parent), m_root(root)
{
    registerCommand(QStringLiteral("help"), QStringLiteral("lists the commands"),
                    [this](const ControlRequest &) { return helpText(); });
}

ControlChannel::~ControlChannel()
{
    close();
}

QString ControlChannel::fifoPath(const QString &root)
{
    return root + QStringLiteral("/.tq3900/control");
}

QString ControlChannel::logPath(const QString &root)
{
    return root + QStringLiteral("/.tq3900/control.log");
}

bool ControlChannel::open(QString *error)
{
    auto fail = [error](const QString &text) {
        if (error)
            *error = text + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    };
    if (isOpen())
        return true;
    const QString path = fifoPath(m_root);
    QDir().mkpath(QFileInfo(path).path());
    const QByteArray local = QFile::encodeName(path);
    // Always a fresh FIFO: a stale one may hold half a line of an old run.
    ::unlink(local.constData());
    if (::mkfifo(local.constData(), 0600) < 0)
        return fail(QStringLiteral("cannot create %1").arg(path));
    m_readFd = ::open(local.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_readFd < 0)
        return fail(QStringLiteral("cannot open %1").arg(path));
    // Holding a write end ourselves means the FIFO never reports end of file
    // when a client closes it, which would make the notifier fire for ever.
    m_writeFd = ::open(local.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_writeFd < 0) {
        const bool r = fail(QStringLiteral("cannot open %1 for writing").arg(path));
        ::close(m_readFd);
        m_readFd = -1;
        return r;
    }
    m_notifier = new QSocketNotifier(m_readFd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ControlChannel::onReadable);
    return true;
}

void ControlChannel::close()
{
    if (!isOpen())
        return;
    delete m_notifier;
    m_notifier = nullptr;
    ::close(m_readFd);
    ::close(m_writeFd);
    m_readFd = m_writeFd = -1;
    ::unlink(QFile::encodeName(fifoPath(m_root)).constData());
    m_splitter.clear();
}

void ControlChannel::registerCommand(const QString &name, const QString &help, Handler handler)
{
    m_commands.insert(name, Entry{help, std::move(handler), DeferredHandler()});
}

void ControlChannel::registerDeferredCommand(const QString &name, const QString &help,
                                             DeferredHandler handler)
{
    m_commands.insert(name, Entry{help, Handler(), std::move(handler)});
}

bool ControlChannel::hasCommand(const QString &name) const
{
    return m_commands.contains(name);
}

QStringList ControlChannel::commandNames() const
{
    return m_commands.keys();
}

QString ControlChannel::execute(const QString &line)
{
    const ControlRequest req = ControlRequest::parse(line);
    if (req.name.isEmpty() || req.name.startsWith(QLatin1Char('#')))
        return QString();
    const auto it = m_commands.constFind(req.name);
    if (it != m_commands.constEnd() && it->deferred) {
        appendBoardFile(m_root, QStringLiteral("/.tq3900/control.log"), "= " + req.line.toUtf8() + '\n');
        QPointer<ControlChannel> self(this);
        struct State {
            bool replied = false;
            QString reply;
        };
        auto state = std::make_shared<State>();
        it->deferred(req, [self, state, line = req.line](const QString &reply) {
            if (state->replied || !self)
                return;
            state->replied = true;
            state->reply = reply;
            self->journal(line, reply);
            emit self->commandExecuted(line, reply);
        });
        // A reply given at once (a usage error) is returned as any other.
        return state->reply;
    }
    const QString reply = it == m_commands.constEnd()
        ? QStringLiteral("error: unknown command %1; help lists the commands").arg(req.name)
        : it->handler(req);
    journal(req.line, reply);
    emit commandExecuted(req.line, reply);
    return reply;
}

void ControlChannel::onReadable()
{
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_readFd, buf, sizeof buf);
        if (n > 0) {
            for (const QByteArray &line : m_splitter.feed(QByteArray(buf, int(n)))) {
                execute(QString::fromUtf8(line));
                if (!isOpen()) // a command closed the channel
                    return;
            }
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return; // EAGAIN: all read (no end of file: we hold a write end)
    }
}

QString ControlChannel::helpText() const
{
    // One line per command: its usage when the help starts with it (most
    // do), else the name and the help.
    QStringList lines;
    for (auto it = m_commands.constBegin(); it != m_commands.constEnd(); ++it) {
        const QString &help = it->help;
        const bool usage = help == it.key() || help.startsWith(it.key() + QLatin1Char(' '))
                || help.startsWith(it.key() + QLatin1Char(':'));
        lines << (usage ? help : it.key() + QStringLiteral(": ") + help);
    }
    return lines.join(QLatin1Char('\n'));
}

void ControlChannel::journal(const QString &line, const QString &reply)
{
    QByteArray text = "> " + line.toUtf8() + '\n';
    for (const QString &r : reply.split(QLatin1Char('\n')))
        text += "< " + r.toUtf8() + '\n';
    appendBoardFile(m_root, QStringLiteral("/.tq3900/control.log"), text);
}

bool unescapeControlText(const QString &text, QByteArray *out)
{
    const QByteArray in = text.toUtf8();
    out->clear();
    for (int i = 0; i < in.size(); ++i) {
        const char c = in.at(i);
        if (c != '\\') {
            out->append(c);
            continue;
        }
        if (++i >= in.size())
            return false;
        switch (in.at(i)) {
        case 'r': out->append('\r'); break;
        case 'n': out->append('\n'); break;
        case 't': out->append('\t'); break;
        case '0': out->append('\0'); break;
        case '\\': out->append('\\'); break;
        case 'x': {
            const QByteArray hex = in.mid(i + 1, 2);
            bool ok = false;
            const int value = hex.toInt(&ok, 16);
            if (hex.size() != 2 || !ok)
                return false;
            out->append(char(value));
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

} // namespace Sim
