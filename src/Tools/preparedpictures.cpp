#include "preparedpictures.h"

#include <QDateTime>
#include <QFileInfo>
#include <QImage>
#include <QPixmapCache>
#include <QResource>
#include <QSysInfo>
#include <QtEndian>

namespace {
// Numbers as QPixmap writes them into its cache keys: the value's bytes in
// memory order, each as two hex digits, the low one first.
template <typename T>
void appendHex(QString &key, T value)
{
    static const char digits[] = "0123456789abcdef";
    const auto *bytes = reinterpret_cast<const unsigned char *>(&value);
    for (size_t i = 0; i < sizeof(T); ++i) {
        key += QLatin1Char(digits[bytes[i] & 0xf]);
        key += QLatin1Char(digits[bytes[i] >> 4]);
    }
}

constexpr int kMaxSide = 1024;
constexpr int kMaxName = 512;
} // namespace

PreparedPictures::PreparedPictures(const QByteArray &data)
    : m_data(data)
{
    const auto *bytes = reinterpret_cast<const uchar *>(m_data.constData());
    const qint64 size = m_data.size();
    if (!m_data.startsWith("TQP1"))
        return;
    qint64 at = 4;
    while (size - at >= 8) {
        const int nameLength = qFromLittleEndian<quint16>(bytes + at);
        Record record;
        record.width = qFromLittleEndian<quint16>(bytes + at + 2);
        record.height = qFromLittleEndian<quint16>(bytes + at + 4);
        at += 8;
        const qint64 paddedName = (qint64(nameLength) + 3) & ~qint64(3);
        const qint64 pixelBytes = qint64(record.width) * record.height * 4;
        if (nameLength == 0 || nameLength > kMaxName || record.width == 0 || record.height == 0
            || record.width > kMaxSide || record.height > kMaxSide || size - at < paddedName + pixelBytes)
            break;
        record.path = QString::fromUtf8(m_data.constData() + at, nameLength);
        record.pixels = bytes + at + paddedName;
        at += paddedName + pixelBytes;
        m_records.append(record);
    }
}

PreparedPictures &PreparedPictures::instance()
{
    static PreparedPictures pictures([] {
        const QResource resource(QString::fromLatin1(kResource));
        if (!resource.isValid() || resource.compressionAlgorithm() != QResource::NoCompression)
            return QByteArray();
        // Mapped with the program: read in place, not copied.
        return QByteArray::fromRawData(reinterpret_cast<const char *>(resource.data()), int(resource.size()));
    }());
    return pictures;
}

QPixmap PreparedPictures::pixmap(const QString &path)
{
    for (Record &record : m_records) {
        if (record.path != path)
            continue;
        if (record.pixmap.isNull()) {
            // Drawn where they are stored when their place allows it (their
            // values as they stand in memory, 32-bit aligned); copied else.
            const bool inPlace = QSysInfo::ByteOrder == QSysInfo::LittleEndian
                && (reinterpret_cast<quintptr>(record.pixels) & 3) == 0;
            QImage image;
            if (inPlace) {
                image = QImage(record.pixels, record.width, record.height, record.width * 4, QImage::Format_RGB32);
            } else {
                image = QImage(record.width, record.height, QImage::Format_RGB32);
                if (image.isNull())
                    return QPixmap();
                // An RGB32 row is exactly width * 4 bytes.
                qFromLittleEndian<quint32>(record.pixels, qsizetype(record.width) * record.height, image.bits());
            }
            record.pixmap = QPixmap::fromImage(image);
        }
        return record.pixmap;
    }
    return QPixmap();
}

int PreparedPictures::seedPixmapCache(const QStringList &paths)
{
    int seeded = 0;
    for (const QString &path : paths) {
        const QPixmap picture = pixmap(path);
        if (!picture.isNull() && QPixmapCache::insert(cacheKey(path), picture))
            ++seeded;
    }
    return seeded;
}

QString PreparedPictures::cacheKey(const QString &path)
{
    const QFileInfo info(path);
    QString key = QLatin1String("qt_pixmap") + info.absoluteFilePath();
    appendHex<uint>(key, uint(info.lastModified().toSecsSinceEpoch()));
    appendHex<quint64>(key, quint64(info.size()));
    appendHex<uint>(key, 0); // a pixmap (1 would be a bitmap)
    return key;
}
