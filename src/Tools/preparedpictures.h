#pragma once

#include <QByteArray>
#include <QPixmap>
#include <QString>
#include <QStringList>

// The pictures of the main page's first frame (the main buttons' released
// pictures and the status bar's icons), kept ready to draw.
//
// Decoding these pictures from their files and converting them to the
// screen's format was a tenth of the start's own work. The build therefore
// stores their pixels once more, as they decode, in one uncompressed
// resource (kResource) that is read in place. The status bar draws its icons
// from here; the main buttons' pictures, which style sheets name by their
// path, are put into QPixmapCache, where QPixmap looks for a file's picture
// before it reads the file. A picture not found here is read from its file
// as before: the same pixels, only later.
//
// The resource: "TQP1", then for each picture the length of its resource
// path, its width, its height and a zero (16 bits each), the path (UTF-8,
// with zero bytes to a multiple of four) and its pixels, row by row, each as
// 32 bits 0xffRRGGBB; all numbers little-endian.
class PreparedPictures
{
public:
    static constexpr const char *kResource = ":/Resources/Icons/prepared.pictures";

    // The pictures of data (the format above). Reading stops at the first
    // record that does not fit in data; the records before it are kept.
    explicit PreparedPictures(const QByteArray &data);

    // The ones of kResource; read once, on the GUI thread.
    static PreparedPictures &instance();

    // The picture stored under path, or a null pixmap.
    QPixmap pixmap(const QString &path);
    int count() const { return m_records.size(); }

    // Puts the pictures of these paths into QPixmapCache, under the keys a
    // QPixmap read from the file would find; the number put there.
    int seedPixmapCache(const QStringList &paths);

private:
    // The key under which QPixmap looks for the file's picture.
    static QString cacheKey(const QString &path);

    struct Record
    {
        QString path;
        int width = 0;
        int height = 0;
        const uchar *pixels = nullptr;
        QPixmap pixmap; // made on first use
    };
    QByteArray m_data;
    QVector<Record> m_records;
};
