#include "applicationfont.h"

#include "deviceroot.h"

#include <QFile>
#include <QFontDatabase>

QFont loadApplicationFont()
{
    const QString family = QStringLiteral("Arial Unicode MS");
    bool haveFamily = false;
    for (const char *file : {"/usr/lib/fonts/ArialUnicode.ttf", "/home/root/fonts/ArialUnicode.ttf"}) {
        const QString path = DeviceRoot::path(QString::fromLatin1(file));
        if (!QFile::exists(path))
            continue;
        const int id = QFontDatabase::addApplicationFont(path);
        haveFamily = haveFamily || QFontDatabase::applicationFontFamilies(id).contains(family);
    }
    if (!haveFamily)
        QFont::insertSubstitution(family, QStringLiteral("DejaVu Sans"));
    QFont font(family);
    font.setPixelSize(20);
    font.setWeight(50);
    return font;
}
