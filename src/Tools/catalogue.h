#ifndef CATALOGUE_H
#define CATALOGUE_H

#include <QByteArray>
#include <QString>

// Structure check of a compiled translation catalogue (.qm) before it is
// handed to QTranslator, which trusts the offsets and lengths inside and
// reads out of bounds on a damaged file at the first text it translates.
//
// The file is a 16-byte magic number and then sections, each a one-byte tag,
// a 32-bit big-endian length and the data:
//   0x42 hashes: pairs (32-bit hash, 32-bit offset into the messages);
//   0x69 messages: records of tagged fields, each ending with tag 1;
//   0x2f contexts: a 16-bit table size, the table of 16-bit chain offsets,
//        chains of length-prefixed context names ending with length 0;
//   0x88 numerus rules, 0xa7 language: checked by QTranslator itself;
//   0x96 dependencies: other catalogues to load by name.
// A catalogue passes when every section lies inside the file, the messages
// are a sequence of whole records with every field inside the section,
// every hash points at the start of a record, every context chain ends
// inside its section, and it names no other catalogue (a card catalogue
// stands alone: a dependency would make QTranslator open further files).
namespace Catalogue {

// Files above this size are not read (the program's catalogues are a few
// kilobytes).
constexpr qint64 kMaxBytes = 4 * 1024 * 1024;

// True when data is a catalogue QTranslator can use safely and that holds
// at least one translation; otherwise false and *why tells what is wrong.
bool check(const QByteArray &data, QString *why);

} // namespace Catalogue

#endif // CATALOGUE_H
