#include "settingsfile.h"

#include <QBuffer>
#include <QDebug>
#include <QFile>
#include <QSaveFile>

namespace {

const int kChunkBytes = 64 * 1024;
// Problems kept for the debug output; the rest are counted as one.
const int kMaxProblems = 16;

bool isSpace(char c)
{
    return c == ' ' || c == '\t';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A value that QSettings would deserialise: "@Name(...)".
bool isSerialised(const QString &text)
{
    if (!text.startsWith(QLatin1Char('@')) || text.startsWith(QLatin1String("@@")))
        return false;
    int i = 1;
    while (i < text.size() && text.at(i).isLetter())
        ++i;
    return i > 1 && i < text.size() && text.at(i) == QLatin1Char('(');
}

} // namespace

// ---------------------------------------------------------------------------
// Reading

RegularFile::Status SettingsFile::load(const QString &path)
{
    QFile file;
    const RegularFile::Status status = RegularFile::openForReading(path, &file);
    if (status == RegularFile::Status::Ok)
        parseDevice(&file);
    return status;
}

RegularFile::Status SettingsFile::load(const QString &path, qint64 maxFileBytes, RegularFile::Links links)
{
    QFile file;
    qint64 size = 0;
    RegularFile::Status status = RegularFile::openForReading(path, &file, &size, links);
    if (status == RegularFile::Status::Ok && size > maxFileBytes)
        status = RegularFile::Status::TooLarge;
    if (status == RegularFile::Status::Ok) {
        // A file that grows while it is read is still looked at only up to the limit.
        QBuffer limited;
        limited.setData(file.read(maxFileBytes));
        limited.open(QIODevice::ReadOnly);
        parseDevice(&limited);
    }
    return status;
}

void SettingsFile::parse(const QByteArray &content)
{
    QBuffer buffer;
    buffer.setData(content);
    buffer.open(QIODevice::ReadOnly);
    parseDevice(&buffer);
}

void SettingsFile::parseDevice(QIODevice *device)
{
    m_group.clear();
    QByteArray line;
    bool overlong = false;
    qint64 scanned = 0;
    QByteArray chunk(kChunkBytes, Qt::Uninitialized);
    for (;;) {
        if (scanned >= kMaxScanBytes) {
            if (!device->atEnd())
                addProblem(QStringLiteral("file larger than %1 bytes: the rest is ignored").arg(kMaxScanBytes));
            break;
        }
        const qint64 n = device->read(chunk.data(), kChunkBytes);
        if (n <= 0)
            break;
        scanned += n;
        const char *p = chunk.constData();
        const char *end = p + n;
        while (p < end) {
            const char *stop = p;
            while (stop < end && *stop != '\n' && *stop != '\r')
                ++stop;
            if (!overlong) {
                if (line.size() + (stop - p) > m_maxLineBytes) {
                    overlong = true;
                    line.clear();
                    line.squeeze();
                } else {
                    line.append(p, int(stop - p));
                }
            }
            if (stop == end)
                break;
            // A line end: "\n", "\r" or "\r\n" (an empty line between is harmless).
            if (overlong)
                addProblem(QStringLiteral("line longer than %1 bytes skipped").arg(m_maxLineBytes));
            else
                parseLine(line);
            line.clear();
            overlong = false;
            p = stop + 1;
        }
    }
    if (overlong)
        addProblem(QStringLiteral("line longer than %1 bytes skipped").arg(m_maxLineBytes));
    else if (!line.isEmpty())
        parseLine(line);
}

void SettingsFile::parseLine(const QByteArray &line)
{
    int i = 0;
    while (i < line.size() && isSpace(line.at(i)))
        ++i;
    if (i == line.size() || line.at(i) == ';')
        return;
    if (line.at(i) == '[') {
        const int close = line.indexOf(']', i + 1);
        m_group = QString::fromUtf8(line.mid(i + 1, close < 0 ? -1 : close - i - 1)).trimmed();
        return;
    }
    const int eq = line.indexOf('=', i);
    if (eq < 0 || m_group.isEmpty())
        return;
    const QString key = QString::fromUtf8(line.mid(i, eq - i)).trimmed();
    if (key.isEmpty())
        return;
    const QString name = m_group + QLatin1Char('/') + key;
    if (!m_values.contains(name) && !m_unreadable.contains(name)
        && m_values.size() + m_unreadable.size() >= kMaxEntries) {
        addProblem(QStringLiteral("more than %1 keys: %2 ignored").arg(kMaxEntries).arg(name));
        return;
    }
    bool readable = true;
    const QString value = unescapedValue(line.mid(eq + 1), &readable);
    // The last occurrence wins, as in QSettings.
    if (readable) {
        m_unreadable.remove(name);
        if (!m_values.contains(name))
            m_order << qMakePair(m_group, key);
        m_values.insert(name, value);
    } else {
        if (m_values.remove(name))
            m_order.removeOne(qMakePair(m_group, key));
        m_unreadable.insert(name);
        addProblem(QStringLiteral("%1: serialised value ignored").arg(name));
    }
}

void SettingsFile::addProblem(const QString &problem)
{
    if (m_problems.size() < kMaxProblems)
        m_problems << problem;
    else if (m_problems.size() == kMaxProblems)
        m_problems << QStringLiteral("more problems");
}

QString SettingsFile::entryName(const char *group, const char *key)
{
    return QLatin1String(group) + QLatin1Char('/') + QLatin1String(key);
}

QList<SettingsFile::Entry> SettingsFile::entries() const
{
    QList<Entry> list;
    for (const auto &gk : m_order)
        list.append({gk.first, gk.second, m_values.value(gk.first + QLatin1Char('/') + gk.second)});
    return list;
}

bool SettingsFile::contains(const char *group, const char *key) const
{
    return m_values.contains(entryName(group, key));
}

QString SettingsFile::text(const char *group, const char *key, const QString &def) const
{
    const auto it = m_values.constFind(entryName(group, key));
    return it == m_values.constEnd() ? def : it.value();
}

int SettingsFile::integer(const char *group, const char *key, int def) const
{
    if (!contains(group, key))
        return def;
    bool ok = false;
    const int value = text(group, key, QString()).trimmed().toInt(&ok, 10);
    return ok ? value : 0;
}

bool SettingsFile::boolean(const char *group, const char *key, bool def) const
{
    if (!contains(group, key))
        return def;
    const QString value = text(group, key, QString()).trimmed();
    return !(value.isEmpty() || value == QLatin1String("0")
             || value.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0);
}

QString SettingsFile::unescapedValue(const QByteArray &raw, bool *readable)
{
    // The value syntax of QSettings' INI files: blanks before the value are
    // skipped; "..." quotes (commas, semicolons and outer blanks inside stay);
    // backslash escapes (\n, \t, \", \\, \xHH.., \ooo, ...); outside quotes a
    // semicolon starts a comment; trailing blanks of an unquoted value are
    // dropped. Commas are kept as they stand (a hand-made time-zone name
    // such as "Brussels, Copenhagen, Madrid, Paris (+1 h)" is one text).
    QString out;
    bool inQuotes = false;
    bool quoted = false;
    int chopLimit = 0;
    const int n = raw.size();
    int i = 0;
    auto skipSpaces = [&] {
        while (i < n && isSpace(raw.at(i)))
            ++i;
        chopLimit = out.size();
    };
    skipSpaces();
    while (i < n) {
        const char c = raw.at(i);
        if (c == '\\') {
            ++i;
            if (i >= n)
                break;
            const char e = raw.at(i++);
            static const char kCodes[][2] = {{'a', '\a'}, {'b', '\b'}, {'f', '\f'}, {'n', '\n'},
                                             {'r', '\r'}, {'t', '\t'}, {'v', '\v'}, {'"', '"'},
                                             {'?', '?'}, {'\'', '\''}, {'\\', '\\'}};
            bool done = false;
            for (const auto &code : kCodes) {
                if (e == code[0]) {
                    out += QLatin1Char(code[1]);
                    done = true;
                    break;
                }
            }
            if (!done && (e == 'x' || (e >= '0' && e <= '7'))) {
                // Every following digit belongs to the escape; a value beyond
                // one UTF-16 unit becomes the replacement character.
                const int base = e == 'x' ? 16 : 8;
                uint value = e == 'x' ? 0 : uint(e - '0');
                while (i < n) {
                    const int d = hexValue(raw.at(i));
                    if (d < 0 || d >= base)
                        break;
                    if (value <= 0xffff)
                        value = value * uint(base) + uint(d);
                    ++i;
                }
                out += value <= 0xffff ? QChar(ushort(value)) : QChar(QChar::ReplacementCharacter);
            }
            // Any other escaped character is dropped, as QSettings does.
            chopLimit = out.size();
            continue;
        }
        if (c == '"') {
            ++i;
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes)
                skipSpaces();
            continue;
        }
        if (c == ';' && !inQuotes)
            break; // a comment
        int j = i + 1;
        while (j < n && raw.at(j) != '\\' && raw.at(j) != '"' && raw.at(j) != ';')
            ++j;
        out += QString::fromUtf8(raw.constData() + i, j - i);
        i = j;
    }
    if (!quoted) {
        int end = out.size();
        while (end > chopLimit && (out.at(end - 1) == QLatin1Char(' ') || out.at(end - 1) == QLatin1Char('\t')))
            --end;
        out.truncate(end);
    }

    // QSettings writes a text holding a zero character as "@String(...)": a
    // plain text in a wrapper, taken as it stands. Every other serialised
    // form is not read.
    if (out.startsWith(QLatin1String("@String(")) && out.endsWith(QLatin1Char(')')))
        return out.mid(8, out.size() - 9);
    *readable = !isSerialised(out);
    if (!*readable)
        return QString();
    if (out.startsWith(QLatin1String("@@")))
        out.remove(0, 1);
    // A present key is never a null text, even when its value is empty.
    return out.isNull() ? QString(QLatin1String("")) : out;
}

// ---------------------------------------------------------------------------
// Writing

QByteArray SettingsFile::escapedValue(const QString &value)
{
    // As QSettings writes a text with the UTF-8 codec: control characters,
    // quotes and backslashes escaped, everything else as UTF-8; quoted when
    // it holds ';', ',' or '=' or starts or ends with a blank. A leading '@'
    // is doubled, so that no text can pass for a serialised value.
    //
    // A digit right after a numeric escape ("\0", "\x1f") would be read as
    // part of it. QSettings escapes such a digit in turn, and every digit
    // after that one, which writes a run of digits at four times its length;
    // an empty pair of quotes ends the escape instead (both readers skip it),
    // at two bytes however long the run.
    const QString text = value.startsWith(QLatin1Char('@')) ? QLatin1Char('@') + value : value;
    QByteArray out;
    bool needsQuotes = false;
    bool escapeNextIfDigit = false;
    for (int i = 0; i < text.size(); ++i) {
        const ushort ch = text.at(i).unicode();
        if (ch == ';' || ch == ',' || ch == '=')
            needsQuotes = true;
        if (escapeNextIfDigit && ch < 0x80 && hexValue(char(ch)) >= 0)
            out += "\"\"";
        escapeNextIfDigit = false;
        switch (ch) {
        case '\0': out += "\\0"; escapeNextIfDigit = true; break;
        case '\a': out += "\\a"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\v': out += "\\v"; break;
        case '"':
        case '\\':
            out += '\\';
            out += char(ch);
            break;
        default:
            if (ch <= 0x1f || ch == 0x7f) {
                out += "\\x" + QByteArray::number(ch, 16);
                escapeNextIfDigit = true;
            } else if (ch < 0x80) {
                out += char(ch);
            } else if (QChar::isHighSurrogate(ch) && i + 1 < text.size()
                       && text.at(i + 1).isLowSurrogate()) {
                out += text.mid(i, 2).toUtf8();
                ++i;
            } else {
                out += QString(QChar(ch)).toUtf8();
            }
        }
    }
    if (needsQuotes || out.startsWith(' ') || out.endsWith(' '))
        out = '"' + out + '"';
    return out;
}

void SettingsFile::beginGroup(const char *group)
{
    if (!m_out.isEmpty())
        m_out += '\n';
    m_out += '[';
    m_out += group;
    m_out += "]\n";
}

void SettingsFile::beginGroup(const QString &group)
{
    beginGroup(group.toUtf8().constData());
}

void SettingsFile::setText(const QString &key, const QString &value)
{
    setText(key.toUtf8().constData(), value);
}

void SettingsFile::setText(const char *key, const QString &value)
{
    m_out += key;
    m_out += '=';
    m_out += fittingValue(key, value);
    m_out += '\n';
}

QByteArray SettingsFile::fittingValue(const char *key, const QString &value) const
{
    // The reader skips a line longer than m_maxLineBytes, and escaping may
    // write a value at up to four bytes a character (a control character
    // read as one byte is written "\x1f"): a value read from a line within
    // the limit may not fit when it is written. Cut to the longest start
    // that fits rather than write a line the next start would skip, losing
    // the key.
    const int room = m_maxLineBytes - int(qstrlen(key)) - 1;
    QByteArray out = escapedValue(value);
    if (out.size() <= room)
        return out;
    int lo = 0;
    int hi = value.size();
    while (lo < hi) { // the longest start whose escaped form fits
        const int mid = (lo + hi + 1) / 2;
        if (escapedValue(value.left(mid)).size() <= room)
            lo = mid;
        else
            hi = mid - 1;
    }
    if (lo > 0 && value.at(lo - 1).isHighSurrogate())
        --lo;
    qWarning().noquote() << "Settings:" << key << "written cut to" << lo << "of" << value.size()
                         << "characters to fit a line of" << m_maxLineBytes << "bytes";
    return escapedValue(value.left(lo));
}

void SettingsFile::setInteger(const char *key, int value)
{
    setText(key, QString::number(value));
}

void SettingsFile::setBoolean(const char *key, bool value)
{
    setText(key, value ? QStringLiteral("true") : QStringLiteral("false"));
}

bool SettingsFile::save(const QString &path, const QByteArray &content, QString *note)
{
    note->clear();
    // QSaveFile writes to the target of a link; the link goes first, so that
    // the new file stands where the settings belong and nowhere else.
    if (RegularFile::isSymLink(path)) {
        if (!RegularFile::removeSymLink(path)) {
            *note = QStringLiteral("is a symbolic link that cannot be removed");
            return false;
        }
        *note = QStringLiteral("was a symbolic link: replaced by a regular file");
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *note = file.errorString();
        return false;
    }
    if (file.write(content) != content.size() || !file.commit()) {
        *note = file.errorString();
        return false;
    }
    return true;
}
