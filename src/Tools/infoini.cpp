#include "infoini.h"

#include "regularfile.h"
#include "settingsfile.h"

#include <QDebug>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

bool isHexDigit(uint ch)
{
    return (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F');
}

void appendEscaped(const QString &str, QByteArray &result)
{
    bool needsQuotes = false;
    // After a "\x" escape a following hex digit would join the number, so it
    // is escaped as well.
    bool escapeNextIfDigit = false;
    const int startPos = result.size();
    for (const QChar c : str) {
        const uint ch = c.unicode();
        if (ch == ';' || ch == ',' || ch == '=')
            needsQuotes = true;
        if (escapeNextIfDigit && isHexDigit(ch)) {
            result += "\\x" + QByteArray::number(ch, 16);
            continue;
        }
        escapeNextIfDigit = false;
        switch (ch) {
        case 0:
            result += "\\0";
            escapeNextIfDigit = true;
            break;
        case '\a':
            result += "\\a";
            break;
        case '\b':
            result += "\\b";
            break;
        case '\f':
            result += "\\f";
            break;
        case '\n':
            result += "\\n";
            break;
        case '\r':
            result += "\\r";
            break;
        case '\t':
            result += "\\t";
            break;
        case '\v':
            result += "\\v";
            break;
        case '"':
        case '\\':
            result += '\\';
            result += char(ch);
            break;
        default:
            if (ch <= 0x1F || ch >= 0x7F) {
                result += "\\x" + QByteArray::number(ch, 16);
                escapeNextIfDigit = true;
            } else {
                result += char(ch);
            }
        }
    }
    if (needsQuotes
        || (startPos < result.size() && (result.at(startPos) == ' ' || result.at(result.size() - 1) == ' '))) {
        result.insert(startPos, '"');
        result += '"';
    }
}

} // namespace

QByteArray InfoIni::escapedValue(const QString &value)
{
    // Qt marks its own typed values with a leading "@"; a text that begins
    // with one gets a second.
    const QString text = value.startsWith(QLatin1Char('@')) ? QLatin1Char('@') + value : value;
    QByteArray out;
    appendEscaped(text, out);
    return out;
}

QByteArray InfoIni::escapedKey(const QString &key)
{
    QByteArray out;
    for (const QChar c : key) {
        uint ch = c.unicode();
        if (ch == '/') {
            out += '\\';
        } else if ((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch == '_'
                   || ch == '-' || ch == '.') {
            out += char(ch);
        } else if (ch <= 0xFF) {
            out += '%';
            out += kHexDigits[ch / 16];
            out += kHexDigits[ch % 16];
        } else {
            out += "%U";
            QByteArray code;
            for (int i = 0; i < 4; ++i) {
                code.prepend(kHexDigits[ch % 16]);
                ch >>= 4;
            }
            out += code;
        }
    }
    return out;
}

QString InfoIni::unescapedKey(const QString &key)
{
    QString out;
    for (int i = 0; i < key.size(); ++i) {
        const QChar c = key.at(i);
        if (c == QLatin1Char('\\')) {
            out += QLatin1Char('/');
            continue;
        }
        if (c == QLatin1Char('%')) {
            // "%HH" or "%UHHHH"
            const bool wide = i + 1 < key.size() && key.at(i + 1) == QLatin1Char('U');
            const int digits = wide ? 4 : 2;
            const int from = i + 1 + (wide ? 1 : 0);
            bool ok = from + digits <= key.size();
            const uint code = ok ? key.mid(from, digits).toUInt(&ok, 16) : 0;
            if (ok) {
                out += QChar(ushort(code));
                i = from + digits - 1;
                continue;
            }
        }
        out += c;
    }
    return out;
}

bool InfoIni::load(const QString &path, RegularFile::Status *loaded)
{
    SettingsFile existing(kMaxLineBytes);
    const RegularFile::Status status = existing.load(path, kMaxFileBytes, RegularFile::Links::Refuse);
    if (loaded)
        *loaded = status;
    if (status != RegularFile::Status::Ok) {
        if (status != RegularFile::Status::Missing)
            qDebug() << "Old keys not kept:" << path << RegularFile::describe(status);
        return false;
    }
    for (const SettingsFile::Entry &e : existing.entries())
        m_groups[unescapedKey(e.group)][unescapedKey(e.key)] = escapedValue(e.value);
    return true;
}

void InfoIni::setValue(const QString &group, const QString &key, const QString &value)
{
    m_groups[group][key] = escapedValue(value);
}

QByteArray InfoIni::toBytes() const
{
    QByteArray out;
    bool first = true;
    for (auto g = m_groups.cbegin(); g != m_groups.cend(); ++g) {
        if (!first)
            out += '\n';
        first = false;
        out += '[' + escapedKey(g.key()) + "]\n";
        for (auto k = g.value().cbegin(); k != g.value().cend(); ++k)
            out += escapedKey(k.key()) + '=' + k.value() + '\n';
    }
    return out;
}

bool InfoIni::save(const QString &path) const
{
    if (!QFileInfo(QFileInfo(path).absolutePath()).isDir()) {
        qDebug() << "Error: no folder for" << path;
        return false;
    }
    // QSaveFile would write to a link's target: the link goes first.
    if (!RegularFile::removeSymLink(path)) {
        qDebug() << "Error: link in place of" << path << "cannot be removed";
        return false;
    }
    const QByteArray bytes = toBytes();
    QSaveFile file(path);
    // Unbuffered, so that a short write shows in write()'s result: a buffered
    // save file commits what fitted when only its last flush fails.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        qDebug() << "Error: could not open" << path << file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        qDebug() << "Error: could not write" << path << file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}
