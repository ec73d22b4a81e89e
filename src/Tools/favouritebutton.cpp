#include "favouritebutton.h"
#include "datapartition.h"
#include "mainmenu.h"
#include "messagedialog.h"
#include "systemsettings.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QPixmap>
#include <QRegularExpression>
#include <QSaveFile>

#include <limits>

namespace {
const char kScreenshotFolder[] = "/media/tq3900/screenshots/";
} // namespace

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
    MainMenu *w = MainMenu::getInstanceMainMenu();
    if (!w)
        return 0;
    // A screen no favourite function opens reports a number the settings
    // refuse: nothing is stored, and nothing says so.
    if (w->getInstanceSystemsettings()->setFavouriteButton(w->getCurrentVisibleDlgNum()) != 0)
        return 0;
    m_butFavNum = w->getCurrentVisibleDlgNum();
    qDebug() << "New Favourite-Button fuction stored";
    w->displayPopup(1);
    return 0;
}

QPixmap FavouriteButton::screenPicture()
{
    // The main window, or the dialog open on top of it.
    QWidget *window = QApplication::activeWindow();
    if (!window)
        window = MainMenu::getInstanceMainMenu();
    if (!window)
        return QPixmap();
    return window->grab(QRect(0, 0, 480, 272));
}

int FavouriteButton::generateScreenshot()
{
    MainMenu *w = MainMenu::getInstanceMainMenu();
    // Taken before any pop-up is shown, so that none is in the picture.
    const QPixmap picture = screenPicture();
    if (picture.isNull())
        return 0;

    // While the data partition is not mounted here (lent to a PC, or its
    // mount failed) its paths lead nowhere: nothing is written, no number is
    // used, and the user is told why.
    const QString folder = DataPartition::path(QString::fromLatin1(kScreenshotFolder));
    QDir().mkpath(folder);
    // Never replace a picture already on the card, also one of an earlier run.
    m_screenshotCnt = nextScreenshotNumber(folder, m_screenshotCnt);
    const QString fileName = QString::fromLatin1(kScreenshotFolder) + screenshotFileName(m_screenshotCnt);

    // Written under a temporary name and renamed when complete: a full card
    // leaves no broken picture behind.
    QSaveFile file(folder + screenshotFileName(m_screenshotCnt));
    const bool saved = !picture.isNull() && file.open(QIODevice::WriteOnly)
                       && picture.save(&file, "PNG") && file.commit();
    if (saved) {
        ++m_screenshotCnt;
        if (w)
            w->displayPopup(2);
    } else {
        MessageDialog message(w);
        message.setIcon(1);
        message.setHeadline(tr("Warning"));
        message.setDialogType(0);
        switch (DataPartition::state()) {
        case DataPartition::State::Mounted:
            message.setInfotext(tr("TheScreenshotCouldNotBeSaved"));
            break;
        case DataPartition::State::WithPc:
            message.setInfotext(tr("TheScreenshotCouldNotBeSavedTheDataPartitionIsWithThePC"));
            break;
        case DataPartition::State::NotMounted:
            message.setInfotext(tr("TheScreenshotCouldNotBeSavedTheDataPartitionIsNotMounted"));
            break;
        }
        message.exec();
    }
    qDebug() << "Screenshot finished" << saved << fileName;
    return 0;
}

int FavouriteButton::nextScreenshotNumber(const QString &folder, int minimum)
{
    // The data partition is FAT, shared with PCs: "PIC_005.PNG" is the same
    // name as "pic_005.png" there.
    static const QRegularExpression name(QStringLiteral("^pic_(\\d+)\\.png$"),
                                         QRegularExpression::CaseInsensitiveOption);
    int next = qMax(0, minimum);
    const QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString &entry : entries) {
        const QRegularExpressionMatch match = name.match(entry);
        if (!match.hasMatch())
            continue;
        bool ok = false;
        const int number = match.captured(1).toInt(&ok);
        // A number too large for the counter cannot collide with one of ours.
        if (ok && number < std::numeric_limits<int>::max())
            next = qMax(next, number + 1);
    }
    return next;
}

QString FavouriteButton::screenshotFileName(int number)
{
    return QStringLiteral("pic_%1.png").arg(number, 3, 10, QLatin1Char('0'));
}
