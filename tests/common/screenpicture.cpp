#include "screenpicture.h"

#include "applicationfont.h"
#include "favouritebutton.h"
#include "systemclock.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QPainter>

#include <algorithm>

namespace {

// The armhf build draws anti-aliased edges (text, curves) up to one level
// of 255 apart from the PC's: its raster engine blends with NEON where the
// PC's uses SSE2, and the two round differently. There a channel one level
// off still matches; on the PC every pixel must be the same.
#if defined(__arm__) || defined(__aarch64__)
constexpr int kLevelTolerance = 1;
#else
constexpr int kLevelTolerance = 0;
#endif

bool samePixel(QRgb a, QRgb b)
{
    return a == b
           || (qAbs(qRed(a) - qRed(b)) <= kLevelTolerance && qAbs(qGreen(a) - qGreen(b)) <= kLevelTolerance
               && qAbs(qBlue(a) - qBlue(b)) <= kLevelTolerance);
}

bool updating()
{
    return qEnvironmentVariableIntValue("TQ3900_UPDATE_PICTURES") == 1;
}

QString referencePath(const QString &name)
{
    return QStringLiteral(TQ3900_SOURCE_DIR "/tests/pictures/") + name + QStringLiteral(".png");
}

QImage normalised(const QImage &image)
{
    return image.convertToFormat(QImage::Format_RGB32);
}

// Waits until the screen has stood still (outside the masks) for longer
// than the status bar's one-second redraw, and writes that picture.
QString writeReference(const QString &name, int timeoutMs, const QVector<QRect> &masks)
{
    QDeadlineTimer deadline(qMax(timeoutMs, 5000));
    QImage last = ScreenPicture::take();
    QElapsedTimer still;
    still.start();
    while (still.elapsed() < 1500) {
        if (deadline.hasExpired())
            return QStringLiteral("The screen did not stand still for its reference %1").arg(name);
        QTest::qWait(100);
        const QImage now = ScreenPicture::take();
        if (ScreenPicture::differingPixels(last, now, masks) > 0) {
            last = now;
            still.restart();
        }
    }
    // A reference that already matches outside the masks stays as it is:
    // the masked field alone would make a new file of every run.
    const QImage kept(referencePath(name));
    if (!kept.isNull() && ScreenPicture::differingPixels(kept, last, masks) == 0) {
        qInfo("Reference unchanged: %s", qPrintable(referencePath(name)));
        return QString();
    }
    QDir().mkpath(QFileInfo(referencePath(name)).absolutePath());
    if (!last.save(referencePath(name), "PNG"))
        return QStringLiteral("Could not write the reference %1").arg(referencePath(name));
    qInfo("Reference written: %s", qPrintable(referencePath(name)));
    return QString();
}

} // namespace

namespace ScreenPicture {

void beforeApplication()
{
    useProgramFontConfiguration();
    QApplication::setAttribute(Qt::AA_Use96Dpi);
}

void afterApplication()
{
    QApplication::setFont(loadApplicationFont());
    // A blinking text cursor would be in some pictures and not in others.
    QApplication::setCursorFlashTime(0);
}

QDateTime fixedNow()
{
    return QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53));
}

void steady()
{
    SystemClock::setFixedNow(fixedNow());
    QApplication::setCursorFlashTime(0);
}

void release()
{
    SystemClock::setFixedNow(QDateTime());
}

QImage take()
{
    return normalised(FavouriteButton::screenPicture().toImage());
}

QString failureFolder()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/pictures-failed");
}

int differingPixels(const QImage &expected, const QImage &actual, const QVector<QRect> &masks, QImage *difference)
{
    const QImage a = normalised(expected);
    const QImage b = normalised(actual);
    if (a.size() != b.size()) {
        if (difference)
            *difference = QImage();
        return qMax(a.width() * a.height(), b.width() * b.height());
    }
    QImage diff;
    if (difference)
        diff = a.convertToFormat(QImage::Format_Grayscale8).convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto *ra = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *rb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if (samePixel(ra[x], rb[x]))
                continue;
            const QPoint p(x, y);
            if (std::any_of(masks.begin(), masks.end(), [&](const QRect &m) { return m.contains(p); }))
                continue;
            ++count;
            if (difference)
                diff.setPixel(x, y, qRgb(255, 0, 0));
        }
    }
    if (difference) {
        // The masks in blue, so that what was left out is seen too.
        QPainter painter(&diff);
        for (const QRect &m : masks)
            painter.fillRect(m, QColor(0, 0, 255, 80));
        painter.end();
        *difference = diff;
    }
    return count;
}

QString check(const QString &name, int timeoutMs, const QVector<QRect> &masks)
{
    if (updating())
        return writeReference(name, timeoutMs, masks);

    const QImage expected(referencePath(name));
    if (expected.isNull())
        return QStringLiteral("No reference %1 (scripts/update-pictures writes it; look at it before committing it)")
            .arg(referencePath(name));

    QDeadlineTimer deadline(timeoutMs);
    QImage actual = take();
    while (differingPixels(expected, actual, masks) > 0 && !deadline.hasExpired()) {
        QTest::qWait(50);
        actual = take();
    }
    QImage difference;
    const int count = differingPixels(expected, actual, masks, &difference);
    if (count == 0)
        return QString();

    const QString folder = failureFolder();
    QDir().mkpath(folder);
    normalised(expected).save(folder + QLatin1Char('/') + name + QStringLiteral(".expected.png"));
    actual.save(folder + QLatin1Char('/') + name + QStringLiteral(".actual.png"));
    if (!difference.isNull())
        difference.save(folder + QLatin1Char('/') + name + QStringLiteral(".diff.png"));
    return QStringLiteral("The screen differs from the reference %1 in %2 pixels (picture %3x%4); "
                          "expected, actual and difference in %5/%1.*.png")
        .arg(name)
        .arg(count)
        .arg(actual.width())
        .arg(actual.height())
        .arg(folder);
}

} // namespace ScreenPicture
