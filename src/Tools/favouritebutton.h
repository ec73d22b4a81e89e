#ifndef FAVOURITEBUTTON_H
#define FAVOURITEBUTTON_H

#include "calllog.h"

#include <QString>
#include <QWidget>

// The favourite key's functions: run the favourite (a measurement screen or
// a screenshot) or store the visible measurement screen as favourite.
//
// Built so far: init and running the measurement favourites. Not built yet:
// the screenshot and storing a favourite, which are recorded only.
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
    const CallLog &callLog() const { return m_log; }

private:
    int m_butFavNum = 2;
    QString m_butFavText;
    int m_screenshotCnt = 0;
    CallLog m_log;
};

#endif // FAVOURITEBUTTON_H
