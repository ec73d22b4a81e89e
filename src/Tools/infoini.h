#ifndef INFOINI_H
#define INFOINI_H

#include "regularfile.h"

#include <QByteArray>
#include <QMap>
#include <QString>

// An INI file in the bytes Qt's own INI writer gives a new file: groups in
// ascending order of their names, keys in ascending order within their group
// (code-unit order: upper-case before lower-case), one blank line between
// groups, characters outside ASCII and control characters as "\x" escapes,
// values with ";", "," or "=" or with a blank at either end in double quotes.
// Files written here read back through QSettings.
//
// Unlike QSettings it tells whether the file was written: the file is
// replaced as a whole (temporary file, renamed when complete), so a full or
// read-only partition leaves the old file or none, never a truncated one,
// and a missing folder is not created. A symbolic link in place of the file
// is replaced, never written through.
class InfoIni
{
public:
    // The longest line the store writes is a long-term measurement's 2048
    // values of up to 42 characters each; the largest file about 100 KiB.
    // Readers take lines up to kMaxLineBytes and refuse larger files.
    static constexpr int kMaxLineBytes = 128 * 1024;
    static constexpr qint64 kMaxFileBytes = 1024 * 1024;

    // Takes over the keys of an existing file, so that keys set afterwards
    // replace their values and the others stay. The file is read as the
    // stored views read it (SettingsFile, no link followed, at most
    // kMaxFileBytes): a damaged file gives what could be read. False when
    // there is no such file or it was refused; *status tells which.
    bool load(const QString &path, RegularFile::Status *status = nullptr);
    void setValue(const QString &group, const QString &key, const QString &value);
    bool save(const QString &path) const;

    QByteArray toBytes() const;

    // Qt's INI escapes of one value and of one key or group name, and the
    // way back for a key.
    static QByteArray escapedValue(const QString &value);
    static QByteArray escapedKey(const QString &key);
    static QString unescapedKey(const QString &key);

private:
    // group -> key -> value as written (already escaped)
    QMap<QString, QMap<QString, QByteArray>> m_groups;
};

#endif // INFOINI_H
