#include "popupinfo.h"

#include "keydialog.h"

#include <QLabel>
#include <QShowEvent>
#include <QTimer>
#include <QWidget>

namespace {
const char kFavouriteStyle[] =
    "QLabel{background-image: url(:/Resources/Icons/Management/Systemsettings/Favourite_ws_40px.png)};";
const char kCameraStyle[] =
    "QLabel{background-image: url(:/Resources/Icons/Management/Systemsettings/ScreenshotCamera_ws_40px.png)};";
const char kBugStyle[] =
    "QLabel{background-image: url(:/Resources/Icons/Management/Systemsettings/Bug_ws_40px.png)};";
} // namespace

PopupInfo::PopupInfo(QWidget *parent)
    : QDialog(parent)
    , ui(new Form)
    , m_timer(new QTimer(this))
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("PopupInfo"));
    resize(50, 50);
    setWindowTitle(QStringLiteral("Dialog"));
    setStyleSheet(QStringLiteral("background-color: rgb(0, 0, 0);"));
    ui->label = new QLabel(this);
    ui->label->setObjectName(QStringLiteral("label"));
    ui->label->setGeometry(5, 5, 40, 40);
    ui->label->setStyleSheet(QLatin1String(kFavouriteStyle));
    ui->label->setText(QString());
    setGeometry(215, 111, 50, 50);
    // A coarse timer may fire up to 5 % early; the pop-up shows a full second.
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &PopupInfo::closeDlg);
}

PopupInfo::~PopupInfo()
{
    delete ui;
    m_timer->stop();
}

void PopupInfo::setPicture(int n)
{
    const char *style = n == 2 ? kCameraStyle : n == 3 ? kBugStyle : kFavouriteStyle;
    ui->label->setStyleSheet(QLatin1String(style));
    m_timer->start(1000);
}

void PopupInfo::closeDlg()
{
    m_timer->stop();
    accept();
}

void PopupInfo::keyPressEvent(QKeyEvent *event)
{
    // Not QDialog's handling: Escape must not close the pop-up.
    QWidget::keyPressEvent(event);
}

void PopupInfo::keyReleaseEvent(QKeyEvent *event)
{
    QWidget::keyReleaseEvent(event);
}

void PopupInfo::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        placeOverMainWindow(this);
}
