#include "applicationfont.h"
#include "deviceroot.h"
#include "eventhandler.h"
#include "globals.h"
#include "logtext.h"
#include "mainmenu.h"
#include "startupplugins.h"
#include "unixsignalquit.h"

#include <QApplication>
#include <QDebug>
#include <QFontDatabase>

#include <cstdio>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <thread>

int main(int argc, char *argv[])
{
    // A PC build needs a simulated board; without one it stops here, before
    // it opens any file or runs anything.
    const QString missingRoot = DeviceRoot::missingRootMessage();
    if (!missingRoot.isEmpty()) {
        std::fprintf(stderr, "%s\n", missingRoot.toLocal8Bit().constData());
        return 2;
    }

#ifdef __GLIBC__
    // Fixed allocator thresholds in place of glibc's moving ones: once a
    // large block (a chart's picture) had been freed, glibc served blocks
    // of that size from the heap and kept twice that much free at its top,
    // so the heap of an instrument used all day crept up with each round of
    // screens. Blocks of 128 KB and more are mapped and given back when
    // freed; more than 128 KB free at the heap's top is given back.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024);
#endif
    // Text from the card or a peer never reaches the log's terminal raw.
    LogText::install();
    // Before the toolkit would read the system's font configuration.
    const bool ownFontConfiguration = useProgramFontConfiguration();
    g_hardwareTestActive = false;
    QApplication::setAttribute(Qt::AA_Use96Dpi);
    QApplication app(argc, argv);

    const QFont font = loadApplicationFont();

    // The font database (the font files fontconfig lists, read once per
    // process) is prepared on a thread of its own while the main window is
    // built. Fonts themselves are not matched there: the toolkit keeps a
    // matched font per thread. The main thread waits for it at the
    // toolkit's own lock.
    struct Joined : std::thread
    {
        using std::thread::thread;
        ~Joined() { join(); }
    };
    Joined fontPreparation([] { (void)QFontDatabase().families(); });

    // Lives to the end of the process.
    static EventHandler *eventHandler = new EventHandler();
    app.installEventFilter(eventHandler);
    UnixSignalQuit signalQuit;

    app.setFont(font);
    qDebug() << "Font" << font.family()
             << (ownFontConfiguration ? "(the program's font configuration)" : "(the system's font configuration)");

    // The main page is painted first and the rest of the start-up follows;
    // a start-up menu (which runs modally before the event loop) finds the
    // start-up through.
    const int startupMenu = MainMenu::startupMenuFor(app.arguments().mid(1));
    // No image format plugin is loaded for the main page's pictures; the
    // start-up gives the plugin folders back once the page is shown.
    StartupPlugins::hold();
    MainMenu window(startupMenu ? MainMenu::Startup::Now : MainMenu::Startup::AfterFirstFrame);
    window.show();

    window.showWidget(startupMenu);
    if (signalQuit.quitRequested())
        return 0;

    return app.exec();
}
