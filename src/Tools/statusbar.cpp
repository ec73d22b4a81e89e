#include "statusbar.h"
#include "mainmenu.h"
#include "preparedpictures.h"
#include "statusbardata.h"
#include "systemclock.h"
#include "systemsettings.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <QTime>
#include <QTimer>

namespace {
const QString kIcons = QStringLiteral(":/Resources/Icons/Tools/Statusbar/");
constexpr int kRefreshMs = 1000;
constexpr int kTimeColumns = 100; // the time is right-aligned in the last 100 columns

// A rectangle from inclusive first and last column and row.
QRect cells(int left, int top, int right, int bottom)
{
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

// The bar is drawn again each second: its icons are the prepared ones, or
// else come from the pixmap cache, instead of being decoded anew each time.
void drawIcon(QPainter &p, int x, int y, const QString &name)
{
    const QPixmap prepared = PreparedPictures::instance().pixmap(kIcons + name);
    p.drawPixmap(QPoint(x, y), prepared.isNull() ? QPixmap(kIcons + name) : prepared);
}

QString activeIcon(const char *name, bool active)
{
    return QLatin1String(name) + (active ? QLatin1String("_gn_20px.bmp") : QLatin1String("_rt_20px.bmp"));
}
} // namespace

Statusbar::Statusbar(QWidget *parent)
    : QWidget(parent)
{
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    m_updateTime = new QTimer(this);
    connect(m_updateTime, &QTimer::timeout, this, &Statusbar::updateTime);
}

void Statusbar::init(int width, int height)
{
    copyState();
    m_image = QImage(width, height, QImage::Format_RGB32);
    drawStatusbar();
    // One refresh a second, however often a screen calls init.
    m_updateTime->start(kRefreshMs);
}

void Statusbar::copyState()
{
    // These calls also refresh the status data's own flags.
    Statusbardata *data = StatusbarData();
    m_btLinkHpActive = data->stateHeadphone();
    m_btLinkMicActive = data->stateMicrophone();
    m_micSensorConnected = data->micSensorConnected();
    m_sensorType = data->sensorType();
    m_stateGps = data->stateGps();
    m_mute = data->stateMute();
    m_batteryHL = data->batteryHL();
    m_batteryHLCharging = data->batteryHLCharging();
    m_batteryMicrophone = data->batteryMicrophone();
    m_batteryHeadphone = data->batteryHeadphone();
}

void Statusbar::updateTime()
{
    MainMenu *w = MainMenu::getInstanceMainMenu();
    const QString format = w ? w->getInstanceSystemsettings()->getFormatStringTime() : QStringLiteral("hh:mm");
    m_time = SystemClock::now().time().toString(format);
    copyState();
    drawStatusbar();
}

void Statusbar::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    p.drawImage(event->rect().topLeft(), m_image);
}

void Statusbar::drawStatusbar()
{
    if (m_image.isNull())
        return;
    const int w = m_image.width();
    const int h = m_image.height();
    QPainter p(&m_image);
    p.fillRect(cells(0, 0, w - 1, h - 1), Qt::black);
    drawIcon(p, 0, 5, QStringLiteral("TQ3900_20px.bmp"));

    drawAccu(&p, cells(24, 0, 35, h - 1), m_batteryHL);
    if (m_batteryHLCharging) {
        p.setPen(Qt::red);
        p.setBrush(Qt::red);
        p.drawPolygon(QPolygon({QPoint(30, 5), QPoint(30, 10), QPoint(33, 10), QPoint(29, 17),
                                QPoint(29, 12), QPoint(26, 12)}),
                      Qt::OddEvenFill);
    }

    const bool linked = m_btLinkMicActive && m_micSensorConnected;
    switch (m_sensorType) {
    case 2:
        drawIcon(p, 46, 0, activeIcon("sensor-type2", linked));
        break;
    case 3:
        drawIcon(p, 46, 0, activeIcon("h2-sensor", linked));
        break;
    case 4: // the wired sensor needs no link
        drawIcon(p, 46, 0, activeIcon("wired-sensor", m_micSensorConnected));
        break;
    case 5:
        p.setPen(QPen(linked ? Qt::green : Qt::red, 3));
        p.setBrush(Qt::black);
        p.drawRect(cells(46, 2, 61, 17));
        break;
    default: // 0, 1 and any unknown code
        drawIcon(p, 50, 0, activeIcon("microphone_k5", linked));
        break;
    }

    if (m_btLinkMicActive && m_sensorType != 4 && m_batteryMicrophone >= 0)
        drawAccu(&p, cells(70, 0, 81, h - 1), m_batteryMicrophone);

    drawIcon(p, 92, 0, activeIcon("headphone", m_btLinkHpActive));
    if (m_btLinkHpActive)
        drawAccu(&p, cells(116, 0, 127, h - 1), m_batteryHeadphone);

    drawIcon(p, 138, 0, activeIcon("satellite", m_stateGps));

    MainMenu *window = MainMenu::getInstanceMainMenu();
    const bool switchMode = window && window->isMuteKeySwitchmode();
    drawIcon(p, 190, 0, switchMode ? QStringLiteral("SwitchMode_Switch_bl_20px.bmp")
                                   : QStringLiteral("SwitchMode_Button_bl_20px.bmp"));

    if (m_mute == 1)
        drawIcon(p, 220, 0, QStringLiteral("speaker_mute_ws_20px.bmp"));
    else if (m_mute == 0)
        drawIcon(p, 220, 0, QStringLiteral("speaker_active_ws_20px.bmp"));

    p.setPen(QPen(Qt::white, 1));
    QFont font = p.font();
    font.setPointSize(14);
    font.setWeight(QFont::Normal);
    p.setFont(font);
    p.drawText(cells(w - kTimeColumns, 0, w - 1, 19), Qt::AlignRight | Qt::AlignVCenter, m_time);
    p.end();
    update();
}

void Statusbar::drawAccu(QPainter *painter, QRect rect, int percent)
{
    const int l = rect.left();
    const int r = rect.right();
    const int h = m_image.height();
    // A reading out of range must not paint outside the symbol.
    percent = qBound(0, percent, 100);
    painter->fillRect(cells(l + 3, 0, l + 8, 3), Qt::white);
    painter->fillRect(cells(l, 4, r, h - 1), Qt::white);
    painter->fillRect(cells(l + 4, 1, l + 7, 4), Qt::darkGray);
    painter->fillRect(cells(l + 1, 5, r - 1, h - 2), Qt::darkGray);
    const int n = percent * (h - 6) / 100;
    if (n > 0)
        painter->fillRect(cells(l + 1, h - 1 - n, r - 1, h - 2), Qt::green);
}
