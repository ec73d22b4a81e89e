#include "logtext.h"

#include <QtGlobal>

namespace {

QtMessageHandler s_next = nullptr;

bool isControl(ushort u)
{
    return (u < 0x20 && u != '\t') || (u >= 0x7f && u <= 0x9f);
}

void escapeMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (s_next)
        s_next(type, context, LogText::escaped(text));
}

} // namespace

QString LogText::escaped(const QString &text)
{
    int i = 0;
    while (i < text.size() && !isControl(text.at(i).unicode()))
        ++i;
    if (i == text.size())
        return text; // the usual case: nothing to copy
    QString out = text.left(i);
    out.reserve(text.size() + 16);
    for (; i < text.size(); ++i) {
        const ushort u = text.at(i).unicode();
        if (isControl(u))
            out += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        else
            out += text.at(i);
    }
    return out;
}

void LogText::install()
{
    if (s_next)
        return;
    s_next = qInstallMessageHandler(escapeMessage);
}
