#ifndef APPLICATIONFONT_H
#define APPLICATIONFONT_H

#include <QFont>

// The program's font: "Arial Unicode MS" at 20 pixels from the board's font
// files ("/usr/lib/fonts/ArialUnicode.ttf", "/home/root/fonts/ArialUnicode.ttf";
// a missing file is skipped). Where neither provides the family (a PC), the
// font the tests render with ("DejaVu Sans") is the application font, and the
// substitute of "Arial Unicode MS" for the texts that name that family.
// Call before any widget exists.
QFont loadApplicationFont();

// Makes the program's own font configuration (":/Resources/Files/fonts.conf":
// the stand-in's font files, rendered as the distribution's default
// configuration renders them on a PC) fontconfig's configuration, in place of the system's, whose
// many files fontconfig would parse at every start. Returns whether it did:
// not where the user names a configuration (FONTCONFIG_FILE,
// FONTCONFIG_PATH), nor where it finds no font file (the system's stays).
// Call before anything uses fonts: before QApplication.
bool useProgramFontConfiguration();

// The same with the configuration's text given.
bool useFontConfiguration(const QByteArray &configuration);

#endif // APPLICATIONFONT_H
