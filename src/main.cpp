#include "deviceroot.h"
#include "eventhandler.h"
#include "globals.h"
#include "mainmenu.h"
#include "unixsignalquit.h"

#include <QApplication>
#include <QDebug>
#include <QFile>
#include <QFont>
#include <QFontDatabase>

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

    for (const char *font : {"/usr/lib/fonts/ArialUnicode.ttf", "/home/root/fonts/ArialUnicode.ttf"}) {
        const QString path = DeviceRoot::path(QString::fromLatin1(font));
        if (QFile::exists(path)) // a missing file is skipped
            QFontDatabase::addApplicationFont(path);
    }
    QFont font(QStringLiteral("Arial Unicode MS"));
    font.setPixelSize(20);
    font.setWeight(50);
    app.setFont(font);
    qDebug() << "Font" << font.family();

    MainMenu window;
    window.show();

    // A start-up menu runs modally before the event loop.
    window.showWidget(MainMenu::startupMenuFor(app.arguments().mid(1)));
    if (signalQuit.quitRequested())
        return 0;

    return app.exec();
}
