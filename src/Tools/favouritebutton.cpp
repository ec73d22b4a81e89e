#include "favouritebutton.h"
#include "mainmenu.h"
#include "systemsettings.h"

#include <QDebug>

FavouriteButton::FavouriteButton(QWidget *parent)
    : QWidget(parent)
{
}

void FavouriteButton::init()
{
    if (MainMenu *w = MainMenu::getInstanceMainMenu())
        m_butFavNum = w->getInstanceSystemsettings()->getFavouriteButton(&m_butFavText);
    qDebug() << "FavouriteButton initialized";
}

int FavouriteButton::execFavouriteFunction()
{
    MainMenu *w = MainMenu::getInstanceMainMenu();
    if (!w)
        return 0;
    m_butFavNum = w->getInstanceSystemsettings()->getFavouriteButton(&m_butFavText);
    m_log.record(QStringLiteral("execFavouriteFunction %1").arg(m_butFavNum));
    switch (m_butFavNum) {
    case 0:
        qDebug() << "Generate Screenshot";
        generateScreenshot();
        break;
    case 1:
        qDebug() << "Open Dialog Pinpointing";
        w->displayFavouriteDialog(3);
        break;
    case 2:
        qDebug() << "Open Dialog Levelmeasurement";
        w->displayFavouriteDialog(1);
        break;
    case 3:
        qDebug() << "Open Dialog Longterm-Measurement";
        w->displayFavouriteDialog(9);
        break;
    case 4:
        qDebug() << "Open Dialog H2-Sensor";
        w->displayFavouriteDialog(6);
        break;
    case 5:
        qDebug() << "Open Dialog Pipelocating";
        w->displayFavouriteDialog(8);
        break;
    default:
        break;
    }
    return 0;
}

int FavouriteButton::storeFavouriteFunction()
{
    m_log.record(QStringLiteral("storeFavouriteFunction"));
    return 0;
}

int FavouriteButton::generateScreenshot()
{
    m_log.record(QStringLiteral("generateScreenshot"));
    return 0;
}
