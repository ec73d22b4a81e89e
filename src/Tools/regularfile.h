#ifndef REGULARFILE_H
#define REGULARFILE_H

#include <QByteArray>
#include <QString>

class QFile;

// Opens files from the card and the data folders as what they must be:
// regular files. A FIFO, a device or a folder in place of a settings file or
// a catalogue is refused at once (the open never waits for a writer), and a
// size limit keeps a huge file from being read whole. A symbolic link to a
// regular file is read like the file unless the caller refuses links (files
// in the measurement store, the diagnostic files); writers that must not
// follow a link use removeSymLink first.
namespace RegularFile {

enum class Links {
    Follow, // a link to a regular file is read like the file
    Refuse, // a symbolic link in place of the file counts as NotRegular
};

enum class Status {
    Ok,
    Missing,     // no such file
    NotRegular,  // FIFO, device, socket or folder
    TooLarge,    // larger than the caller's limit
    Unreadable,  // no permission or an I/O error
};

// Opens path for reading as a regular file; file must not be open. On Ok the
// file is open (read-only) and *size holds its size.
Status openForReading(const QString &path, QFile *file, qint64 *size = nullptr,
                      Links links = Links::Follow);

// Reads the whole file when it is a regular file of at most maxBytes.
Status read(const QString &path, qint64 maxBytes, QByteArray *content, Links links = Links::Follow);

// Opens path for reading and writing without truncating it; a missing file is
// created. Never through a symbolic link; false (and nothing opened) when
// anything but a regular file stands there.
bool openForWriting(const QString &path, QFile *file);

// Replaces the whole content of path with bytes; a missing file is created.
// Never through a symbolic link, never on a FIFO, device or folder: the file
// is opened without following a link and without waiting, checked to be a
// regular file, and only then emptied and written. Status::NotRegular for a
// link or anything else in the file's place (nothing written anywhere).
Status replaceContent(const QString &path, const QByteArray &bytes);

// Opens path for appending; a missing file is created. False (and nothing
// opened) when something other than a regular file, or a symbolic link,
// stands there.
bool openForAppend(const QString &path, QFile *file);

// True when path itself is a symbolic link (wherever it points).
bool isSymLink(const QString &path);

// Removes a symbolic link at path (the link, never its target). True when no
// link stands at path afterwards.
bool removeSymLink(const QString &path);

// A short English text for the debug output ("not a regular file", ...).
QString describe(Status status);

} // namespace RegularFile

#endif // REGULARFILE_H
