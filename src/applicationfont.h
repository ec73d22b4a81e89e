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

#endif // APPLICATIONFONT_H
