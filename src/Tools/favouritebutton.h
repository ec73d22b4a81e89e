#ifndef FAVOURITEBUTTON_H
#define FAVOURITEBUTTON_H

#include <QPixmap>
#include <QString>
#include <QWidget>

// The favourite key's functions. A short press runs the favourite (a
// measurement screen or a screenshot), a held key stores the measurement
// screen last reported as visible as the new favourite.
//
// Favourite codes: 0 screenshot, 1 pinpointing, 2 level measurement,
// 3 long-term measurement, 4 hydrogen, 5 pipe locating.
//
// Screenshots go to /media/tq3900/screenshots/ as pic_000.png, pic_001.png
// and so on; a screenshot never replaces an earlier one, and none is saved
// while the data partition is lent to a PC or not mounted (the user is told).
class FavouriteButton : public QWidget
{
    Q_OBJECT
public:
    explicit FavouriteButton(QWidget *parent = nullptr);

    void init();
    int execFavouriteFunction();
    int storeFavouriteFunction();
    int generateScreenshot();

    int favouriteNumber() const { return m_butFavNum; }

    // The number of the next screenshot file: one above the highest
    // "pic_<n>.png" in folder, at least minimum.
    static int nextScreenshotNumber(const QString &folder, int minimum);
    static QString screenshotFileName(int number);
    // The picture a screenshot saves: the 480 x 272 screen as the user sees
    // it, the dialog open on top if there is one, else the main window.
    static QPixmap screenPicture();

private:
    int m_butFavNum = 2;
    QString m_butFavText;
    int m_screenshotCnt = 0;
};

#endif // FAVOURITEBUTTON_H
