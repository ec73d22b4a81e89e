#include "applicationfont.h"
#include "deviceroot.h"
#include "eventhandler.h"
#include "globals.h"
#include "mainmenu.h"
#include "unixsignalquit.h"

#include <QApplication>
#include <QDebug>

#include <cstdio>

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
