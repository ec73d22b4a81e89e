#include "teststation.h"

#include "controlchannel.h"
#include "devicetree.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSaveFile>
#include <QTimer>

#include <memory>

namespace Sim {

const char TestStation::kCommandFile[] = "/media/ramdisk/production";

TestStation::TestStation(const QString &root, QObject *parent)
    : QObject(parent), m_root(root)
{
}

QString TestStation::filePath() const
{
    return m_root + QLatin1String(kCommandFile);
}

QByteArray TestStation::contents() const
{
    QFile f(filePath());
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.read(kMaxReadBytes);
}

bool TestStation::write(const QByteArray &bytes) const
{
    // Written whole under another name and renamed over the file, so the
    // instrument's reader, polling meanwhile, never finds it empty or half
    // written (it would answer "staUnknownCommand" and lose the command).
    const QString local = m_root + QLatin1String(kCommandFile);
    if (!QDir().mkpath(QFileInfo(local).path()))
        return false;
    QSaveFile f(local);
    f.setDirectWriteFallback(false);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return false;
    return f.commit();
}

QByteArray TestStation::answerIn(const QByteArray &contents, const QByteArray &written)
{
    if (contents.isEmpty() || contents.startsWith("cmd") || contents == written)
        return QByteArray();
    const int newline = contents.indexOf('\n');
    const QByteArray line = newline < 0 ? contents : contents.left(newline);
    // An instrument line is never empty; an empty first line is no answer
    // either (only an empty line was written so far).
    return line;
}

void TestStation::exchange(const QByteArray &line, int timeoutMs,
                           std::function<void(const Outcome &)> done)
{
    struct Exchange {
        QElapsedTimer clock;
        QElapsedTimer settled;
        QByteArray candidate;
        std::function<void(const Outcome &)> done;
    };
    auto ex = std::make_shared<Exchange>();
    const QByteArray written = line + '\n';
    ex->done = std::move(done);
    ex->clock.start();
    if (!write(written)) {
        Outcome o;
        o.timedOut = true;
        ex->done(o);
        return;
    }
    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this, timer, ex, timeoutMs, written]() {
        const QByteArray now = contents();
        const QByteArray answer = answerIn(now, written);
        Outcome o;
        o.contents = now;
        if (!answer.isEmpty()) {
            if (answer != ex->candidate) {
                ex->candidate = answer;
                ex->settled.start();
            } else if (ex->settled.elapsed() >= kSettleMs) {
                o.answer = answer;
                timer->deleteLater();
                timer->stop();
                ex->done(o);
                return;
            }
        } else {
            ex->candidate.clear();
        }
        if (ex->clock.elapsed() > timeoutMs) {
            o.timedOut = true;
            o.answer = answer;
            timer->stop();
            timer->deleteLater();
            ex->done(o);
        }
    });
    timer->start(kPollMs);
}

void TestStation::registerCommands(ControlChannel &control)
{
    control.registerDeferredCommand(
        QStringLiteral("station"),
        QStringLiteral("station send <line>: writes a command line (\\r \\n \\0 \\xNN allowed) into "
                       "/media/ramdisk/production and replies with the answer; station file: what it holds"),
        [this](const ControlRequest &r, ControlChannel::Reply reply) {
            const QString usage = QStringLiteral("usage: station send <line> | station file");
            const QString sub = r.args.value(0);
            if (sub == QLatin1String("file") && r.args.size() == 1) {
                if (!QFile::exists(filePath()))
                    return reply(QStringLiteral("error: no file %1").arg(QLatin1String(kCommandFile)));
                // The instrument writes Latin-1; control bytes are shown escaped.
                QString text = QString::fromLatin1(contents());
                if (text.endsWith(QLatin1Char('\n')))
                    text.chop(1);
                text.replace(QChar(0), QLatin1String("\\0")).replace(QLatin1Char('\r'), QLatin1String("\\r"));
                return reply(text.isEmpty() ? QStringLiteral("(empty)") : text);
            }
            if (sub != QLatin1String("send") || r.args.size() < 2)
                return reply(QStringLiteral("error: ") + usage);
            QByteArray line;
            if (!unescapeControlText(r.rest(1), &line))
                return reply(QStringLiteral("error: bad escape in the line"));
            exchange(line, kAnswerTimeoutMs, [reply](const Outcome &o) {
                if (o.timedOut)
                    reply(QStringLiteral("error: no answer within %1 s; the file holds \"%2\"")
                              .arg(kAnswerTimeoutMs / 1000)
                              .arg(QString::fromLatin1(o.contents.left(200)).trimmed()));
                else
                    reply(QString::fromLatin1(o.answer));
            });
        });
}

} // namespace Sim
