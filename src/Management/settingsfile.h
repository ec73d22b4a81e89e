#ifndef SETTINGSFILE_H
#define SETTINGSFILE_H

#include "regularfile.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>

class QIODevice;

// The INI file of the settings store, read and written in the format QSettings
// uses ("[Group]" lines, "key=value" lines, quoted and escaped texts), but
// with a reader made for a file that may be damaged or hostile:
//
// - only a regular file is read (a FIFO or device is refused at once);
// - a line longer than kMaxLineBytes is skipped without being held, and at
//   most kMaxScanBytes of the file are looked at, so memory stays bounded
//   whatever the file holds; at most kMaxEntries keys are kept;
// - a value in serialised form ("@Variant(...)", "@ByteArray(...)", ...) is
//   unreadable: its key counts as missing and takes its default. The store's
//   values are plain texts, numbers and booleans; nothing is deserialised
//   ("@String(...)", a plain text QSettings wraps, is taken as text).
//
// Every damage found is listed in problems(), so the store can write the file
// anew. Keys in a section count; keys before the first section do not.
class SettingsFile
{
public:
    static constexpr int kMaxLineBytes = 4096;
    static constexpr qint64 kMaxScanBytes = 64 * 1024 * 1024;
    static constexpr int kMaxEntries = 256;

    // maxLineBytes: other files in this format (a measurement's info.ini)
    // have longer lines than the settings.
    explicit SettingsFile(int maxLineBytes = kMaxLineBytes)
        : m_maxLineBytes(maxLineBytes)
    {
    }

    // Reads the file; the result of opening it (Ok also for an empty file).
    RegularFile::Status load(const QString &path);
    // The same with a size limit: a larger file is refused whole (TooLarge,
    // nothing read); links as RegularFile takes them.
    RegularFile::Status load(const QString &path, qint64 maxFileBytes, RegularFile::Links links);
    // Parses bytes as the content of a file.
    void parse(const QByteArray &content);

    // True when group/key is present with a readable value.
    bool contains(const char *group, const char *key) const;
    // The value as text; def when missing or unreadable.
    QString text(const char *group, const char *key, const QString &def) const;
    // The value as a decimal number (0 when it is not one); def when missing
    // or unreadable.
    int integer(const char *group, const char *key, int def) const;
    // False for an empty text, "0" or "false" (any case), else true; def when
    // missing or unreadable.
    bool boolean(const char *group, const char *key, bool def) const;

    // Every readable entry, group and key, in the order of first appearance
    // in the file (the last value of a repeated key counts).
    struct Entry
    {
        QString group;
        QString key;
        QString value;
    };
    QList<Entry> entries() const;

    bool isDamaged() const { return !m_problems.isEmpty(); }
    QStringList problems() const { return m_problems; }

    // --- Writing ------------------------------------------------------------
    // Builds the file's content section by section.
    void beginGroup(const char *group);
    void beginGroup(const QString &group);
    void setText(const char *key, const QString &value);
    void setText(const QString &key, const QString &value);
    void setInteger(const char *key, int value);
    void setBoolean(const char *key, bool value);
    QByteArray content() const { return m_out; }

    // Writes content to path atomically (a temporary file renamed over the
    // old one). A symbolic link at path is replaced by a regular file, never
    // written through. False when the file could not be written; *note tells
    // why, or on success what was replaced (empty when nothing needs saying).
    static bool save(const QString &path, const QByteArray &content, QString *note);

    // A text as a value in the file, and back (readable false for a
    // serialised value).
    static QByteArray escapedValue(const QString &value);
    QByteArray fittingValue(const char *key, const QString &value) const;
    static QString unescapedValue(const QByteArray &raw, bool *readable);

private:
    void parseDevice(QIODevice *device);
    void parseLine(const QByteArray &line);
    void addProblem(const QString &problem);
    static QString entryName(const char *group, const char *key);

    int m_maxLineBytes;
    QString m_group;
    QHash<QString, QString> m_values;
    QSet<QString> m_unreadable;
    QList<QPair<QString, QString>> m_order; // group, key
    QStringList m_problems;
    QByteArray m_out;
};

#endif // SETTINGSFILE_H
