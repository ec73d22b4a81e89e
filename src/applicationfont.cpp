#include "applicationfont.h"

#include "deviceroot.h"

#include <QFile>
#include <QFontDatabase>

#include <fontconfig/fontconfig.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

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

namespace {
// The folders right below parent, links to folders among them, as QDir lists
// them without hidden entries. Read with the C library's own calls: this runs
// before the first frame, where the toolkit's directory iteration cost more
// than the search itself.
QStringList subfolders(const QString &parent)
{
    QStringList folders;
    DIR *dir = opendir(QFile::encodeName(parent).constData());
    if (!dir)
        return folders;
    const QString prefix = parent.endsWith(QLatin1Char('/')) ? parent : parent + QLatin1Char('/');
    while (const dirent *entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue; // ".", ".." and hidden folders
        const QString path = prefix + QFile::decodeName(entry->d_name);
        struct stat st;
        if (stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode))
            folders << path;
    }
    closedir(dir);
    return folders;
}
} // namespace

QStringList programFontFolders(const QString &fonts)
{
    // A folder named in the configuration is read with all the folders
    // below it, font by font from fontconfig's cache (some 3,600
    // instructions a font, even for one the configuration then drops):
    // /usr/share/fonts itself would read every font of the machine, the X
    // server's hundreds of bitmap fonts among them.
    const char *const marks[] = {"/DejaVuSans.ttf", "/wqy-microhei.ttc"};
    QStringList folders;
    QStringList level = {fonts};
    for (int depth = 1; depth <= 2; ++depth) {
        QStringList below;
        for (const QString &parent : qAsConst(level)) {
            for (const QString &folder : subfolders(parent)) {
                const QByteArray name = QFile::encodeName(folder);
                const bool holds = std::any_of(std::begin(marks), std::end(marks), [&name](const char *mark) {
                    return access((name + mark).constData(), F_OK) == 0;
                });
                if (holds)
                    folders << folder; // its subfolders are read with it
                else
                    below << folder;
            }
        }
        level = below;
    }
    folders.sort();
    return folders;
}

bool useProgramFontConfiguration()
{
    QFile file(QStringLiteral(":/Resources/Files/fonts.conf"));
    return file.open(QIODevice::ReadOnly) && useFontConfiguration(file.readAll(), programFontFolders());
}

bool useFontConfiguration(const QByteArray &configuration, const QStringList &folders)
{
    if (!qEnvironmentVariableIsEmpty("FONTCONFIG_FILE") || !qEnvironmentVariableIsEmpty("FONTCONFIG_PATH"))
        return false;
    FcConfig *config = FcConfigCreate();
    if (!config)
        return false;
    // The folders join the rules as elements of their own, after them.
    QByteArray text = configuration;
    QByteArray dirs;
    for (const QString &folder : folders)
        dirs += "<dir>" + folder.toHtmlEscaped().toUtf8() + "</dir>";
    const int end = text.lastIndexOf("</fontconfig>");
    if (end >= 0)
        text.insert(end, dirs);
    // The toolkit starts fontconfig with FcInit, which keeps a current
    // configuration: only without one does it read the system's.
    bool used = end >= 0
        && FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8 *>(text.constData()), FcTrue)
        && FcConfigBuildFonts(config);
    const FcFontSet *fonts = used ? FcConfigGetFonts(config, FcSetSystem) : nullptr;
    used = fonts && fonts->nfont > 0 && FcConfigSetCurrent(config);
    FcConfigDestroy(config); // once current, fontconfig holds a reference of its own
    return used;
}
