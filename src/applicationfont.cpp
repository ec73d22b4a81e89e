#include "applicationfont.h"

#include "deviceroot.h"

#include <QFile>
#include <QFontDatabase>

#include <fontconfig/fontconfig.h>

QFont loadApplicationFont()
{
    const QString family = QStringLiteral("Arial Unicode MS");
    const QString standIn = QStringLiteral("DejaVu Sans");
    bool haveFamily = false;
    for (const char *file : {"/usr/lib/fonts/ArialUnicode.ttf", "/home/root/fonts/ArialUnicode.ttf"}) {
        const QString path = DeviceRoot::path(QString::fromLatin1(file));
        if (!QFile::exists(path))
            continue;
        const int id = QFontDatabase::addApplicationFont(path);
        haveFamily = haveFamily || QFontDatabase::applicationFontFamilies(id).contains(family);
    }
    // A family the font database does not have costs a search of the
    // system's fonts for a stand-in, before any substitution is tried. The
    // application font is the first one the main page resolves, so without
    // the board's font it names the stand-in itself; the few texts that name
    // the board's family reach the stand-in through the substitution. (Asking
    // the database whether the stand-in is there would read the system's
    // fonts here, on the start-up's path; a missing one is searched for.)
    if (!haveFamily)
        QFont::insertSubstitution(family, standIn);
    QFont font(haveFamily ? family : standIn);
    font.setPixelSize(20);
    font.setWeight(50);
    return font;
}

bool useProgramFontConfiguration()
{
    QFile file(QStringLiteral(":/Resources/Files/fonts.conf"));
    return file.open(QIODevice::ReadOnly) && useFontConfiguration(file.readAll());
}

bool useFontConfiguration(const QByteArray &configuration)
{
    if (!qEnvironmentVariableIsEmpty("FONTCONFIG_FILE") || !qEnvironmentVariableIsEmpty("FONTCONFIG_PATH"))
        return false;
    FcConfig *config = FcConfigCreate();
    if (!config)
        return false;
    // The toolkit starts fontconfig with FcInit, which keeps a current
    // configuration: only without one does it read the system's.
    bool used = FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8 *>(configuration.constData()),
                                               FcTrue)
        && FcConfigBuildFonts(config);
    const FcFontSet *fonts = used ? FcConfigGetFonts(config, FcSetSystem) : nullptr;
    used = fonts && fonts->nfont > 0 && FcConfigSetCurrent(config);
    FcConfigDestroy(config); // once current, fontconfig holds a reference of its own
    return used;
}
