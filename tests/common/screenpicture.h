#ifndef SCREENPICTURE_H
#define SCREENPICTURE_H

#include <QApplication>
#include <QDateTime>
#include <QImage>
#include <QRect>
#include <QString>
#include <QVector>
#include <QtTest>

// The screen as the user sees it, compared with a reference picture kept in
// tests/pictures/<name>.png.
//
// The picture is the program's own (the one a screenshot saves: the dialog
// on top if one is open, else the main window). A difference fails the test
// and leaves <name>.expected.png, <name>.actual.png and <name>.diff.png (the
// reference in grey, each differing pixel in red) in the folder
// pictures-failed beside the test program; the failure names that folder.
//
// With TQ3900_UPDATE_PICTURES=1 in the environment the picture is written
// as the new reference instead, once the screen has stood still for a
// moment (scripts/update-pictures). Look at every reference before
// committing it: it is what the test holds the screen to.
namespace ScreenPicture {

// The program's font configuration and font, as its main() sets them up;
// the first before QApplication, the second after (SCREEN_PICTURE_MAIN).
void beforeApplication();
void afterApplication();

// Makes what the screen shows the same on every run: the clock stands at
// fixedNow() (2026-03-14 09:26:53). Call it before the screen is built;
// release() gives the clock back.
void steady();
void release();
QDateTime fixedNow();

// The program's picture of its screen, now.
QImage take();

// Compares the screen with the reference <name>, leaving out the pixels
// inside masks. Waits up to timeoutMs for the screen to come to the
// reference (a screen still drawing, a dialog still opening). Returns an
// empty string when they match (or the reference was written), else what
// differs and where the pictures are.
QString check(const QString &name, int timeoutMs = 3000, const QVector<QRect> &masks = {});

// The number of pixels that differ between two pictures outside masks
// (every pixel when the sizes differ), and the difference picture.
int differingPixels(const QImage &expected, const QImage &actual, const QVector<QRect> &masks,
                    QImage *difference = nullptr);

// The folder failed comparisons are written to.
QString failureFolder();

} // namespace ScreenPicture

// A test program's main() that renders with the program's own fonts.
#define SCREEN_PICTURE_MAIN(TestObject)                                                                                \
    int main(int argc, char *argv[])                                                                                   \
    {                                                                                                                  \
        ScreenPicture::beforeApplication();                                                                            \
        QApplication app(argc, argv);                                                                                  \
        ScreenPicture::afterApplication();                                                                             \
        TestObject test;                                                                                               \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }

#endif // SCREENPICTURE_H
