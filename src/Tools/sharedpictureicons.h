#ifndef SHAREDPICTUREICONS_H
#define SHAREDPICTUREICONS_H

// Pictures named in style sheets ("image: url(...png)") decoded once per
// file and shared by every sheet that names them.
//
// Qt makes an icon of its own for each "image:" of each sheet it parses, so
// each screen, each of the browser's hundred list buttons and each opening
// of a dialog decoded its pictures anew, and the drawn picture of every such
// icon stayed in Qt's picture cache after its dialog had gone: memory grew
// with every dialog opened until the cache's 10 MB limit.
//
// install() registers an icon engine for PNG files: it takes the file's
// picture from QPixmap::load, which keeps one decoded copy per file in the
// picture cache, and draws through a plain pixmap icon holding that copy,
// whose drawn pictures the cache then keeps once per file and size instead
// of once per icon. What is drawn is unchanged.
namespace SharedPictureIcons {

// Registers the engine for the process; the icons made afterwards use it.
// Safe to call more than once.
void install();

} // namespace SharedPictureIcons

#endif // SHAREDPICTUREICONS_H
