#ifndef INFOINI_H
#define INFOINI_H

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
// and a missing folder is not created.
class InfoIni
{
public:
    // Takes over the keys of an existing file (through QSettings), so that
    // keys set afterwards replace their values and the others stay. False
    // when there is no such file.
    bool load(const QString &path);
    void setValue(const QString &group, const QString &key, const QString &value);
    bool save(const QString &path) const;

    QByteArray toBytes() const;

    // Qt's INI escapes of one value and of one key or group name.
    static QByteArray escapedValue(const QString &value);
    static QByteArray escapedKey(const QString &key);

private:
    // group -> key -> value as written (already escaped)
    QMap<QString, QMap<QString, QByteArray>> m_groups;
};

#endif // INFOINI_H
