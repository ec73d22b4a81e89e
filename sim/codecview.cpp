#include "codecview.h"

#include "controlchannel.h"

#include <QFile>
#include <QStringList>

namespace Sim {

namespace {
// The journal grows by about 200 lines per filter change; what a person
// wants is the newest state, so only its tail is read.
const qint64 kMaxJournalBytes = 4 * 1024 * 1024;
} // namespace

CodecView::CodecView(const QString &root)
    : m_root(root)
{
}

QString CodecView::mixerReport() const
{
    QFile f(m_root + QStringLiteral("/.tq3900/mixer.state"));
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("mixer: untouched");
    QStringList out;
    for (const QString &line : QString::fromUtf8(f.read(64 * 1024)).split(QLatin1Char('\n'))) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() == 2 && fields[0] == QLatin1String("transactions"))
            out << QStringLiteral("mixer: %1 transactions").arg(fields[1]);
        else if (fields.size() >= 3)
            out << fields[0] + QStringLiteral(": ") + fields[2];
    }
    return out.join(QLatin1Char('\n'));
}

QMap<int, QMap<int, int>> CodecView::registers(int *writes, int *page) const
{
    QMap<int, QMap<int, int>> pages;
    int count = 0;
    int current = 0;
    QFile f(m_root + QStringLiteral("/.tq3900/registers.log"));
    if (f.open(QIODevice::ReadOnly)) {
        if (f.size() > kMaxJournalBytes) {
            f.seek(f.size() - kMaxJournalBytes);
            f.readLine(); // the rest of a cut line
        }
        while (!f.atEnd()) {
            const QList<QByteArray> w = f.readLine(64).trimmed().split(' ');
            bool okReg = false, okVal = false;
            const int reg = w.value(0).toInt(&okReg, 16);
            const int val = w.value(1).toInt(&okVal, 16);
            if (w.size() != 2 || !okReg || !okVal || reg < 0 || reg > 127 || val < 0 || val > 255)
                continue;
            ++count;
            if (reg == 0)
                current = val;
            else
                pages[current][reg] = val;
        }
    }
    if (writes)
        *writes = count;
    if (page)
        *page = current;
    return pages;
}

void CodecView::registerCommands(ControlChannel &channel)
{
    channel.registerCommand(
        QStringLiteral("codec"),
        QStringLiteral("codec [page <n>]: the codec's mixer elements, or the registers written on page n"),
        // A copy: the view holds only the root, and may be a temporary.
        [view = *this](const ControlRequest &r) {
            if (r.args.isEmpty()) {
                int writes = 0, page = 0;
                view.registers(&writes, &page);
                return view.mixerReport() + QStringLiteral("\nregisters: %1 writes, page %2").arg(writes).arg(page);
            }
            bool ok = false;
            const int page = r.args.value(1).toInt(&ok);
            if (r.args.size() != 2 || r.args[0] != QLatin1String("page") || !ok || page < 0 || page > 255)
                return QStringLiteral("error: usage: codec [page <0-255>]");
            const QMap<int, int> regs = view.registers().value(page);
            if (regs.isEmpty())
                return QStringLiteral("page %1: nothing written").arg(page);
            QStringList out;
            for (auto it = regs.cbegin(); it != regs.cend(); ++it)
                out << QStringLiteral("%1 %2").arg(it.key(), 2, 16, QLatin1Char('0')).arg(it.value(), 2, 16, QLatin1Char('0'));
            return QStringLiteral("page %1: ").arg(page) + out.join(QLatin1Char(' '));
        });
}

} // namespace Sim
