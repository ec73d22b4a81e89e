#include "catalogue.h"

#include <QVector>

#include <algorithm>

namespace Catalogue {

namespace {

const uchar kMagic[16] = {0x3c, 0xb8, 0x64, 0x18, 0xca, 0xef, 0x9c, 0x95,
                          0xcd, 0x21, 0x1c, 0xbf, 0x60, 0xa1, 0xbd, 0xdd};

enum Section : uchar {
    Contexts = 0x2f,
    Hashes = 0x42,
    Messages = 0x69,
    NumerusRules = 0x88,
    Dependencies = 0x96,
    Language = 0xa7,
};

// Field tags of a message record.
enum Field : uchar {
    End = 1,
    Translation = 3,
    Obsolete1 = 5,
    SourceText = 6,
    Context = 7,
    Comment = 8,
};

quint32 read32(const uchar *p)
{
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

quint16 read16(const uchar *p)
{
    return quint16((p[0] << 8) | p[1]);
}

struct Span
{
    const uchar *data = nullptr;
    quint32 size = 0;
};

// The start offsets of the records, in order; false when a record runs past
// the section or holds a field QTranslator does not know.
bool messageRecords(const Span &messages, QVector<quint32> *starts, QString *why)
{
    const quint32 n = messages.size;
    quint32 pos = 0;
    while (pos < n) {
        starts->append(pos);
        for (;;) {
            if (pos >= n) {
                *why = QStringLiteral("message at %1 has no end").arg(starts->last());
                return false;
            }
            const uchar tag = messages.data[pos++];
            if (tag == End)
                break;
            if (tag == Obsolete1) {
                if (n - pos < 4) {
                    *why = QStringLiteral("field at %1 runs past the messages").arg(pos - 1);
                    return false;
                }
                pos += 4;
                continue;
            }
            if (tag != Translation && tag != SourceText && tag != Context && tag != Comment) {
                *why = QStringLiteral("unknown field %1 at %2").arg(tag).arg(pos - 1);
                return false;
            }
            // A length and that many bytes; the reader also looks at the byte
            // after an empty comment, which the end tag guarantees.
            if (n - pos < 4 || read32(messages.data + pos) > n - pos - 4) {
                *why = QStringLiteral("field at %1 runs past the messages").arg(pos - 1);
                return false;
            }
            const quint32 length = read32(messages.data + pos);
            if (tag == Translation && length % 2 != 0) {
                *why = QStringLiteral("translation at %1 has an odd length").arg(pos - 1);
                return false;
            }
            pos += 4 + length;
        }
    }
    return true;
}

bool checkHashes(const Span &hashes, const QVector<quint32> &recordStarts, QString *why)
{
    if (hashes.size % 8 != 0) {
        *why = QStringLiteral("hash table of %1 bytes is not made of 8-byte entries").arg(hashes.size);
        return false;
    }
    for (quint32 i = 0; i < hashes.size; i += 8) {
        const quint32 offset = read32(hashes.data + i + 4);
        if (!std::binary_search(recordStarts.begin(), recordStarts.end(), offset)) {
            *why = QStringLiteral("hash entry %1 points at %2, not at a message").arg(i / 8).arg(offset);
            return false;
        }
    }
    return true;
}

bool checkContexts(const Span &contexts, QString *why)
{
    const quint32 n = contexts.size;
    if (n < 2 || read16(contexts.data) == 0 || 2 + 2 * quint32(read16(contexts.data)) > n) {
        *why = QStringLiteral("context table does not fit its section");
        return false;
    }
    const quint32 tableSize = read16(contexts.data);
    const quint32 chainsStart = 2 + 2 * tableSize;
    // Positions known to lead to a proper chain end: chains only move
    // forwards, so each position is walked once, whatever the table points at.
    QVector<bool> good(int(n), false);
    for (quint32 bucket = 0; bucket < tableSize; ++bucket) {
        const quint32 offset = read16(contexts.data + 2 + 2 * bucket);
        if (offset == 0)
            continue;
        quint32 pos = chainsStart + 2 * offset;
        QVector<quint32> walked;
        bool ok = false;
        while (pos < n) {
            if (good[int(pos)]) {
                ok = true;
                break;
            }
            walked.append(pos);
            const quint32 length = contexts.data[pos];
            if (length == 0) {
                ok = true;
                break;
            }
            if (length > n - pos - 1)
                break;
            pos += 1 + length;
        }
        if (!ok) {
            *why = QStringLiteral("context chain of bucket %1 runs past its section").arg(bucket);
            return false;
        }
        for (quint32 p : qAsConst(walked))
            good[int(p)] = true;
    }
    return true;
}

} // namespace

bool check(const QByteArray &data, QString *why)
{
    const uchar *begin = reinterpret_cast<const uchar *>(data.constData());
    const quint32 size = quint32(data.size());
    if (qint64(data.size()) > kMaxBytes) {
        *why = QStringLiteral("larger than %1 bytes").arg(kMaxBytes);
        return false;
    }
    if (size < sizeof kMagic || !std::equal(kMagic, kMagic + sizeof kMagic, begin)) {
        *why = QStringLiteral("no catalogue (magic number missing)");
        return false;
    }

    // The sections, walked as QTranslator walks them: a zero tag or length
    // ends the walk, fewer than six bytes left are ignored, and a later
    // section of a kind replaces an earlier one.
    Span contexts, hashes, messages;
    bool hasContexts = false;
    quint32 pos = sizeof kMagic;
    while (size - pos > 5) {
        const uchar tag = begin[pos];
        const quint32 length = read32(begin + pos + 1);
        pos += 5;
        if (tag == 0 || length == 0)
            break;
        if (length > size - pos) {
            *why = QStringLiteral("section %1 at %2 runs past the end of the file").arg(tag).arg(pos - 5);
            return false;
        }
        const Span span{begin + pos, length};
        switch (tag) {
        case Contexts:
            contexts = span;
            hasContexts = true;
            break;
        case Hashes:
            hashes = span;
            break;
        case Messages:
            messages = span;
            break;
        case Dependencies:
            *why = QStringLiteral("names other catalogues");
            return false;
        default: // numerus rules and language are checked by QTranslator
            break;
        }
        pos += length;
    }

    if (hashes.size == 0 || messages.size == 0) {
        *why = QStringLiteral("holds no translations");
        return false;
    }
    QVector<quint32> recordStarts;
    if (!messageRecords(messages, &recordStarts, why) || !checkHashes(hashes, recordStarts, why))
        return false;
    if (hasContexts && !checkContexts(contexts, why))
        return false;
    return true;
}

} // namespace Catalogue
