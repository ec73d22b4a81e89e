#include "medialibrary.h"

#include "mediabackend.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

MediaBackend *MediaLibrary::backend()
{
    // Initialised once, also when two threads ask at the same time.
    static MediaBackend *const loaded = load(searchPath());
    return loaded;
}

MediaBackend *MediaLibrary::load(const QStringList &files)
{
    for (const QString &file : files) {
        if (!QFileInfo::exists(file)) {
            qDebug() << "Sound module: no" << file;
            continue;
        }
        QLibrary library(file);
        if (!library.load()) {
            qDebug() << "Sound module: cannot load" << file << library.errorString();
            continue;
        }
        const auto entry = reinterpret_cast<MediaBackendEntry>(library.resolve(kMediaBackendEntry));
        if (!entry) {
            qDebug() << "Sound module:" << file << "has no entry point" << kMediaBackendEntry;
            library.unload();
            continue;
        }
        MediaBackend *backend = entry(MediaBackend::kInterfaceVersion);
        if (!backend) {
            qDebug() << "Sound module:" << file << "was built for another interface than"
                     << MediaBackend::kInterfaceVersion;
            library.unload();
            continue;
        }
        qDebug() << "Sound module: loaded" << file;
        return backend;
    }
    qDebug() << "Sound module: none found in" << files << "- no sound input, output or test tone";
    return nullptr;
}

QStringList MediaLibrary::searchPath()
{
    QStringList files;
    if (QCoreApplication::instance())
        files << QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral(TQ3900_MEDIA_MODULE_NAME));
#ifdef TQ3900_MEDIA_MODULE_BUILD_PATH
    files << QStringLiteral(TQ3900_MEDIA_MODULE_BUILD_PATH);
#endif
    return files;
}
