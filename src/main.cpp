#include "applicationfont.h"
#include "deviceroot.h"
#include "eventhandler.h"
#include "globals.h"
#include "mainmenu.h"
#include "unixsignalquit.h"

#include <QApplication>
#include <QDebug>
#include <QFontDatabase>

#include <cstdio>
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

    g_hardwareTestActive = false;
    QApplication::setAttribute(Qt::AA_Use96Dpi);
    QApplication app(argc, argv);

    // The font database (on a PC the system's font configuration, read once
    // per process) is prepared on a thread of its own while the main window
    // is built; the first text drawn waits for it if need be. The database
    // is guarded by the toolkit's own lock.
    struct Joined : std::thread
    {
        using std::thread::thread;
        ~Joined() { join(); }
    } fontPreparation([] { (void)QFontDatabase().families(); });

    // Lives to the end of the process.
    static EventHandler *eventHandler = new EventHandler();
    app.installEventFilter(eventHandler);
    UnixSignalQuit signalQuit;

    const QFont font = loadApplicationFont();
    app.setFont(font);
    qDebug() << "Font" << font.family();

    // The main page is painted first and the rest of the start-up follows;
    // a start-up menu (which runs modally before the event loop) finds the
    // start-up through.
    const int startupMenu = MainMenu::startupMenuFor(app.arguments().mid(1));
    MainMenu window(startupMenu ? MainMenu::Startup::Now : MainMenu::Startup::AfterFirstFrame);
    window.show();

    window.showWidget(startupMenu);
    if (signalQuit.quitRequested())
        return 0;

    return app.exec();
}
