#ifndef STARTUPPLUGINS_H
#define STARTUPPLUGINS_H

// The toolkit's plugin folders are out of its sight while the main page is
// built and first drawn.
//
// Every picture the program shows is a PNG file, which QtGui decodes
// itself. Yet to read a file Qt asks each image format plugin it can find
// whether it reads that format, and so loads every one of them (GIF, ICO,
// JPEG, SVG: a tenth of the instructions to the first frame). With no
// plugin folder to look in, the pictures of the first frame go straight to
// the built-in decoder. Afterwards the folders are given back, and Qt finds
// its plugins again for whatever reads later. The platform plugin, its
// input method and the style are found before: hold() comes after them.
namespace StartupPlugins {

// Hides the plugin folders (QCoreApplication::libraryPaths()) until
// release(). Call once the application, its style and its font are set.
void hold();

// Gives the folders back; Qt looks into them again. Does nothing when
// they are not held.
void release();

} // namespace StartupPlugins

#endif // STARTUPPLUGINS_H
