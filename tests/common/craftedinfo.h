#ifndef CRAFTEDINFO_H
#define CRAFTEDINFO_H

#include <QString>
#include <QStringList>

// Hostile info.ini files as a PC could leave them on the card, for the
// measurement store and its stored views.
namespace CraftedInfo {

// The kinds: "serialised" (a serialised name, a readable level and list),
// "list40mb" (40 MB of "A,A,..." as the spectrum), "link" (a symbolic link
// to a file outside the device root), "fifo", "empty" (0 bytes), "junk"
// (binary noise with line ends), "counts" (counts far above the 3 values
// present).
QStringList kinds();

// Writes the kind at path (a local path). outside: a local path outside the
// device root the link kind points to (written with a readable info.ini).
bool make(const QString &kind, const QString &path, const QString &outside);

// Resident memory of this process in kB (VmRSS), for the bounds of a test.
long residentKb();

} // namespace CraftedInfo

#endif // CRAFTEDINFO_H
