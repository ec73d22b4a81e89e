#ifndef APPLICATIONFONT_H
#define APPLICATIONFONT_H

#include <QFont>
#include <QStringList>

// The program's font: "Arial Unicode MS" at 20 pixels from the board's font
// files ("/usr/lib/fonts/ArialUnicode.ttf", "/home/root/fonts/ArialUnicode.ttf";
// a missing file is skipped). Where neither provides the family (a PC), the
// font the tests render with ("DejaVu Sans") is the application font, and the
// substitute of "Arial Unicode MS" for the texts that name that family.
// Call before any widget exists.
QFont loadApplicationFont();

// The folders that hold the program's font files: DejaVu Sans's
// ("DejaVuSans.ttf") and the fallback's for Chinese, Japanese and Korean
// ("wqy-microhei.ttc"), one or two levels below FONTS, wherever the
// distribution puts them (Debian: truetype/dejavu, truetype/wqy). Only
// folder names are read to find them, never a folder of other fonts.
QStringList programFontFolders(const QString &fonts = QStringLiteral("/usr/share/fonts"));

// Makes the program's own font configuration (":/Resources/Files/fonts.conf":
// the stand-in's font files and the fallback, scalable only, rendered as the
// distribution's default configuration renders them on a PC), reading the
// folders programFontFolders() finds, fontconfig's configuration, in place
// of the system's, whose many files and font folders fontconfig would read
// at every start. Returns whether it did: not where the user names a
// configuration (FONTCONFIG_FILE, FONTCONFIG_PATH), nor where it finds no
// font file (the system's stays). Call before anything uses fonts: before
// QApplication.
bool useProgramFontConfiguration();

// The same with the configuration's text and its font folders given.
bool useFontConfiguration(const QByteArray &configuration, const QStringList &folders);

#endif // APPLICATIONFONT_H
