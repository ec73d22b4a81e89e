// The plugin's registration functions are made for a plugin linked into the
// program (as by Q_IMPORT_PLUGIN), not for one loaded from a library.
#define QT_STATICPLUGIN

#include "sharedpictureicons.h"

#include <QIcon>
#include <QIconEngine>
#include <QIconEnginePlugin>
#include <QPixmap>
#include <QtPlugin>

namespace {

// An icon whose pictures come from files through QPixmap::load. The pictures
// are held by a plain pixmap icon (m_pictures, made by addPixmap, so that
// it never asks for this engine again), which picks sizes, scales and draws
// the disabled look as any pixmap icon does.
class SharedPictureIconEngine final : public QIconEngine
{
public:
    SharedPictureIconEngine() = default;
    explicit SharedPictureIconEngine(const QIcon &pictures)
        : m_pictures(pictures)
    {
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        m_pictures.paint(painter, rect, Qt::AlignCenter, mode, state);
    }

    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return m_pictures.actualSize(size, mode, state);
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return m_pictures.pixmap(size, mode, state);
    }

    void addPixmap(const QPixmap &pixmap, QIcon::Mode mode, QIcon::State state) override
    {
        m_pictures.addPixmap(pixmap, mode, state);
    }

    // The whole picture of the file, whatever size is asked for: a pixmap
    // icon given a size its file does not have loads the whole picture too.
    // A file that does not read adds nothing, so the icon stays null.
    void addFile(const QString &fileName, const QSize &, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap picture;
        if (picture.load(fileName))
            m_pictures.addPixmap(picture, mode, state);
    }

    QString key() const override { return QStringLiteral("SharedPictureIconEngine"); }

    QIconEngine *clone() const override { return new SharedPictureIconEngine(m_pictures); }

    void virtual_hook(int id, void *data) override
    {
        switch (id) {
        case AvailableSizesHook: {
            auto *arg = static_cast<AvailableSizesArgument *>(data);
            arg->sizes = m_pictures.availableSizes(arg->mode, arg->state);
            break;
        }
        case IsNullHook:
            *static_cast<bool *>(data) = m_pictures.isNull();
            break;
        default:
            QIconEngine::virtual_hook(id, data);
            break;
        }
    }

private:
    QIcon m_pictures;
};

class SharedPictureIconPlugin : public QIconEnginePlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QIconEngineFactoryInterface_iid FILE "sharedpictureicons.json")
public:
    // QIcon adds the file itself right after making the engine.
    QIconEngine *create(const QString & = QString()) override { return new SharedPictureIconEngine; }
};

} // namespace

#include "sharedpictureicons.moc"

void SharedPictureIcons::install()
{
    static const bool installed = [] {
        qRegisterStaticPluginFunction(qt_static_plugin_SharedPictureIconPlugin());
        return true;
    }();
    (void)installed;
}
