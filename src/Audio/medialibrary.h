#ifndef MEDIALIBRARY_H
#define MEDIALIBRARY_H

#include <QStringList>

class MediaBackend;

// Loads the sound module (libtq3900media.so, the only code linking Qt
// Multimedia) when sound devices or the test tone are first needed, not at
// program start: on a PC under a device root the recording never needs it,
// and the hearing-protection dialog loads it when first built.
class MediaLibrary
{
public:
    // The module's backend, loaded once on the first call (from any thread)
    // from searchPath(); nullptr, said once in the log, when no module
    // loads. Without it the board's sound input and output fail to open
    // (OpenError) as a board without a sound device, and the test tone
    // stays silent.
    static MediaBackend *backend();

    // The backend of the first of files that loads and has the entry point
    // of this interface; each failure is logged with its reason. The
    // module is never unloaded.
    static MediaBackend *load(const QStringList &files);

    // The module beside the program, then (in a build with tests) the one
    // in the build folder, where the test programs find it.
    static QStringList searchPath();
};

#endif // MEDIALIBRARY_H
