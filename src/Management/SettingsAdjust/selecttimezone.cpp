#include "selecttimezone.h"
#include "ui_selecttimezone.h"

#include "systemclock.h"

#include <QDebug>

namespace {

// One zone: city key (translated in the context "SelectTimezone"), the
// untranslated offset suffix, the offset from UTC in seconds and the first
// and last x of its stripe on the 400 px wide map.
struct Zone
{
    const char *city;
    const char *suffix;
    int offset;
    int mapFirst;
    int mapLast;
};

const Zone kZones[SelectTimezone::kZoneCount] = {
    {QT_TRANSLATE_NOOP("SelectTimezone", "MidwayIslands"), " (-11 h)", -39600, 0, 16},
    {QT_TRANSLATE_NOOP("SelectTimezone", "Hawaii"), " (-10 h)", -36000, 17, 33},
    {QT_TRANSLATE_NOOP("SelectTimezone", "Alaska"), " (-9 h)", -32400, 34, 50},
    {QT_TRANSLATE_NOOP("SelectTimezone", "Pacific"), " (-8 h)", -28800, 51, 67},
    {QT_TRANSLATE_NOOP("SelectTimezone", "Arizona"), " (-7 h)", -25200, 68, 83},
    {QT_TRANSLATE_NOOP("SelectTimezone", "Chicago"), " (-6 h)", -21600, 84, 99},
    {QT_TRANSLATE_NOOP("SelectTimezone", "NewYork"), " (-5 h)", -18000, 100, 114},
    {QT_TRANSLATE_NOOP("SelectTimezone", "Manaus"), " (-4 h)", -14400, 115, 119},
    {QT_TRANSLATE_NOOP("SelectTimezone", "Newfoundland"), " (-3,5 h)", -12600, 120, 131},
    {QT_TRANSLATE_NOOP("SelectTimezone", "Greenland"), " (-3 h)", -10800, 132, 148},
    {QT_TRANSLATE_NOOP("SelectTimezone", "MiddleAtlantic"), " (-2 h)", -7200, 149, 165},
    {QT_TRANSLATE_NOOP("SelectTimezone", "Azores"), " (-1 h)", -3600, 166, 178},
    {QT_TRANSLATE_NOOP("SelectTimezone", "London"), " (0 h)", 0, 179, 189},
    {QT_TRANSLATE_NOOP("SelectTimezone", "Berlin"), " (+1 h)", 3600, 190, 213},
    {QT_TRANSLATE_NOOP("SelectTimezone", "Cairo"), " (+2 h)", 7200, 214, 230},
    {QT_TRANSLATE_NOOP("SelectTimezone", "Moscow"), " (+3 h)", 10800, 231, 238},
    {QT_TRANSLATE_NOOP("SelectTimezone", "Teheran"), " (+3,5 h)", 12600, 239, 247},
    {QT_TRANSLATE_NOOP("SelectTimezone", "AbuDhabi"), " (+4 h)", 14400, 248, 255},
    {QT_TRANSLATE_NOOP("SelectTimezone", "Kabul"), " (+4,5 h)", 16200, 256, 264},
    {QT_TRANSLATE_NOOP("SelectTimezone", "Islamabad"), " (+5 h)", 18000, 265, 272},
    {QT_TRANSLATE_NOOP("SelectTimezone", "NewDelhi"), " (+5,5 h)", 19800, 273, 276},
    {QT_TRANSLATE_NOOP("SelectTimezone", "Katmandu"), " (+5,75 h)", 20700, 277, 281},
    {QT_TRANSLATE_NOOP("SelectTimezone", "Nowosibirsk"), " (+6 h)", 21600, 282, 289},
    {QT_TRANSLATE_NOOP("SelectTimezone", "Yangon"), " (+6,5 h)", 23400, 290, 295},
    {QT_TRANSLATE_NOOP("SelectTimezone", "Bangkok"), " (+7 h)", 25200, 296, 312},
    {QT_TRANSLATE_NOOP("SelectTimezone", "HongKong"), " (+8 h)", 28800, 313, 329},
    {QT_TRANSLATE_NOOP("SelectTimezone", "Tokio"), " (+9 h)", 32400, 330, 337},
    {QT_TRANSLATE_NOOP("SelectTimezone", "Darwin"), " (+9,5 h)", 34200, 338, 345},
    {QT_TRANSLATE_NOOP("SelectTimezone", "Sydney"), " (+10 h)", 36000, 346, 364},
    {QT_TRANSLATE_NOOP("SelectTimezone", "Magadan"), " (+11 h)", 39600, 365, 381},
    {QT_TRANSLATE_NOOP("SelectTimezone", "Fiji"), " (+12 h)", 43200, 382, 400},
};

constexpr int kLondon = 12;
// Left edge of the map on the page; the marker stands at this plus the first
// x of the zone's stripe.
constexpr int kMapLeft = 13;
constexpr int kMapTop = 6;
// A zone number outside the table shows the London row, its marker one
// pixel further left than London's own.
constexpr int kOutOfRangeMarkerX = 189;
constexpr int kMarkerWidth = 17;
constexpr int kMarkerHeight = 200;

bool inTable(int timezone)
{
    return timezone >= 0 && timezone < SelectTimezone::kZoneCount;
}

const QString kSwitchStyle = QStringLiteral(
    "QPushButton {image: url(:/Resources/Icons/Management/Systemsettings/Radioswitch_%1_2x40px.png); "
    "\t\t\t\t\t\t\t\t\tpadding: 0px 0px; border: 0px; background-color: none; color: white;}");

} // namespace

SelectTimezone::SelectTimezone(QWidget *parent)
    : KeyDialog(parent)
    , ui(new Ui::SelectTimezone)
{
    ui->setupUi(this);
    // The slot's name does not follow the button's object name.
    connect(ui->mapButton, &PictureButton::mouseReleased, this, &SelectTimezone::on_mapbutton_clicked);
}

SelectTimezone::~SelectTimezone()
{
    delete ui;
}

void SelectTimezone::init(int page, int timezone, int daylightSavingTime)
{
    ui->mainArea->setCurrentWidget(page == 0 ? ui->pageTimezone : ui->pageDaylightSaving);

    m_selectedTimezone = timezone;
    m_selectedTimezoneInit = timezone;
    updateCurrentTimezone();

    m_daylightSavingTime = daylightSavingTime;
    m_daylightSavingTimeInit = daylightSavingTime;
    ui->butSummertime->setText(ui->butSummertime->text() + QStringLiteral(" (+1 h)"));
    ui->butWintertime->setText(ui->butWintertime->text() + QStringLiteral(" (+0 h)"));
    m_daylightSavingTimeOffset = daylightSavingTime == 1 ? 3600 : 0;
    updateStylesheetDst();
}

int SelectTimezone::getTimezoneOffset(int timezone)
{
    return inTable(timezone) ? kZones[timezone].offset : 0;
}

int SelectTimezone::zoneAtMapX(double x)
{
    // Truncation toward zero: -0.5 still lies on the first stripe.
    const int pixel = int(x);
    for (int i = 0; i < kZoneCount; ++i)
        if (pixel >= kZones[i].mapFirst && pixel <= kZones[i].mapLast)
            return i;
    return kLondon;
}

int SelectTimezone::markerX(int timezone)
{
    return inTable(timezone) ? kMapLeft + kZones[timezone].mapFirst : kOutOfRangeMarkerX;
}

void SelectTimezone::updateCurrentTimezone()
{
    const Zone &zone = kZones[inTable(m_selectedTimezone) ? m_selectedTimezone : kLondon];
    m_xPosSelector = markerX(m_selectedTimezone);
    m_timezoneOffset = inTable(m_selectedTimezone) ? zone.offset : 0;
    m_timezoneName = tr(zone.city) + QLatin1String(zone.suffix);
    ui->timezoneSelector->setGeometry(m_xPosSelector, kMapTop, kMarkerWidth, kMarkerHeight);
    ui->editTimezone->setText(m_timezoneName);
}

void SelectTimezone::selectTimezoneFromClickPoint(QPointF point)
{
    m_selectedTimezone = zoneAtMapX(point.x());
    updateCurrentTimezone();
}

void SelectTimezone::on_butNext_clicked()
{
    ++m_selectedTimezone;
    if (m_selectedTimezone > kZoneCount - 1)
        m_selectedTimezone = 0;
    updateCurrentTimezone();
}

void SelectTimezone::on_butPrev_clicked()
{
    --m_selectedTimezone;
    if (m_selectedTimezone < 0)
        m_selectedTimezone = kZoneCount - 1;
    updateCurrentTimezone();
}

void SelectTimezone::on_butClose_clicked()
{
    reject();
}

void SelectTimezone::on_butAccept_clicked()
{
    if (m_selectedTimezone == m_selectedTimezoneInit && m_daylightSavingTime == m_daylightSavingTimeInit) {
        accept();
        return;
    }
    // The clock runs on local time: move it by the change of the zone's
    // offset and of the summer-time hour. Whole hours and minutes as the
    // offsets are given, truncated toward zero.
    const int d = m_timezoneOffset - getTimezoneOffset(m_selectedTimezoneInit);
    const int hours = d / 3600;
    const int minutes = (d % 3600) / 60;
    const int summerHours = (m_daylightSavingTimeOffset - (m_daylightSavingTimeInit == 1 ? 3600 : 0)) / 3600;
    const int shift = (hours + summerHours) * 3600 + minutes * 60;

    // Date arithmetic on the clock's own fields (no time-zone rules of the
    // host apply): an hour past midnight or before it carries into the date,
    // so "date" never gets hour 24 or minute -40.
    const QDateTime reading = SystemClock::now();
    const QDateTime shifted = QDateTime(reading.date(), reading.time(), Qt::UTC).addSecs(shift);
    qDebug() << "Timezone shift:" << d << "s, summer time" << summerHours << "h ->" << shifted;
    SystemClock::set(shifted.date(), shifted.time(), false);
    accept();
}

void SelectTimezone::on_mapbutton_clicked()
{
    selectTimezoneFromClickPoint(ui->mapButton->getReleasePos());
}

void SelectTimezone::on_butSwitchDst_clicked()
{
    if (m_daylightSavingTime == 1) {
        m_daylightSavingTime = 0;
        m_daylightSavingTimeOffset = 0;
    } else {
        m_daylightSavingTime = 1;
        m_daylightSavingTimeOffset = 3600;
    }
    updateStylesheetDst();
}

void SelectTimezone::on_butSummertime_clicked()
{
    m_daylightSavingTime = 1;
    m_daylightSavingTimeOffset = 3600;
    updateStylesheetDst();
}

void SelectTimezone::on_butWintertime_clicked()
{
    m_daylightSavingTime = 0;
    m_daylightSavingTimeOffset = 0;
    updateStylesheetDst();
}

void SelectTimezone::updateStylesheetDst()
{
    ui->butSwitchDst->setStyleSheet(
        kSwitchStyle.arg(m_daylightSavingTime == 1 ? QStringLiteral("top") : QStringLiteral("bottom")));
}
