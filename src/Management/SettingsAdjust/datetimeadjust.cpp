#include "datetimeadjust.h"
#include "ui_datetimeadjust.h"

#include "systemclock.h"

#include <QDebug>

namespace {

constexpr int kFirstYear = 2016;
constexpr int kLastYear = 2050;
// Year shown when the clock has not been set (it reads 1970 after a flat
// battery of the hardware clock).
constexpr int kYearOfAnUnsetClock = 2018;

const QString kSwitchStyle = QStringLiteral(
    "QPushButton {image: url(:/Resources/Icons/Management/Systemsettings/%1); "
    "\t\t\t\t\t\t\t\t\tpadding: 0px 0px; border: 0px; background-color: none; color: white;}");

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

} // namespace

DateTimeAdjust::DateTimeAdjust(QWidget *parent)
    : KeyDialog(parent)
    , ui(new Ui::DateTimeAdjust)
{
    ui->setupUi(this);
    showFields();
}

DateTimeAdjust::~DateTimeAdjust()
{
    delete ui;
}

void DateTimeAdjust::init(int page, int dateFormat, int dateTimeSource)
{
    m_dateFormat = dateFormat;
    updateStylesheetFormat();
    m_dateTimeSource = dateTimeSource;
    updateStylesheetTimeSource();

    m_systemTime = SystemClock::now();
    m_date = m_systemTime.date();
    m_time = m_systemTime.time();
    m_dateDay = m_date.day();
    m_dateMonth = m_date.month();
    m_dateYear = m_date.year() >= 2000 ? m_date.year() : kYearOfAnUnsetClock;
    m_timeHour = m_time.hour();
    m_timeMinute = m_time.minute();
    m_timeSecond = m_time.second();
    showFields();

    const bool manual = m_dateTimeSource != 0;
    enableDateWidgets(manual);
    enableTimeWidgets(manual);
    ui->mainArea->setCurrentWidget(page == 0 ? ui->pageDate : ui->pageTime);
}

void DateTimeAdjust::showFields()
{
    ui->editDay->setText(twoDigits(m_dateDay));
    ui->editMonth->setText(twoDigits(m_dateMonth));
    ui->editYear->setText(twoDigits(m_dateYear));
    ui->editHour->setText(twoDigits(m_timeHour));
    ui->editMinute->setText(twoDigits(m_timeMinute));
    ui->editSecond->setText(twoDigits(m_timeSecond));
}

void DateTimeAdjust::on_butClose_clicked()
{
    reject();
}

void DateTimeAdjust::on_butAccept_clicked()
{
    // The half of the clock this page does not edit is read now, not at
    // init, so that the clock keeps the time the dialog stayed open.
    const QDateTime reading = SystemClock::now();
    QDate date = reading.date();
    QTime time = reading.time();
    if (ui->mainArea->currentWidget() == ui->pageDate) {
        const QDate fields(m_dateYear, m_dateMonth, m_dateDay);
        qDebug() << "SetDate:" << fields.isValid() << m_dateDay << m_dateMonth << m_dateYear;
        // An impossible date (31 April, 29 February of a common year) sets
        // nothing and keeps the dialog open for a correction.
        if (!fields.isValid())
            return;
        m_date = fields;
        date = fields;
    } else {
        m_time = QTime(m_timeHour, m_timeMinute, m_timeSecond);
        qDebug() << "SetTime:" << m_time.isValid() << m_timeHour << m_timeMinute << m_timeSecond;
        time = m_time;
    }
    SystemClock::set(date, time, true);
    accept();
}

void DateTimeAdjust::on_butFormat_DDMMYYYY_clicked()
{
    m_dateFormat = 0;
    updateStylesheetFormat();
}

void DateTimeAdjust::on_butFormat_YYYYMMDD_clicked()
{
    m_dateFormat = 1;
    updateStylesheetFormat();
}

void DateTimeAdjust::on_butFormat_MMDDYYYY_clicked()
{
    m_dateFormat = 2;
    updateStylesheetFormat();
}

void DateTimeAdjust::on_butSwitchFormat_clicked()
{
    m_dateFormat = m_dateFormat == 0 ? 1 : m_dateFormat == 1 ? 2 : 0;
    updateStylesheetFormat();
}

void DateTimeAdjust::setSource(int source)
{
    m_dateTimeSource = source;
    updateStylesheetTimeSource();
    enableDateWidgets(source != 0);
    enableTimeWidgets(source != 0);
}

void DateTimeAdjust::on_butGps_clicked()
{
    setSource(0);
}

void DateTimeAdjust::on_butManual_clicked()
{
    setSource(1);
}

void DateTimeAdjust::on_butSwitchGpsMan_clicked()
{
    setSource(m_dateTimeSource == 0 ? 1 : 0);
}

void DateTimeAdjust::on_butGpsTime_clicked()
{
    setSource(0);
}

void DateTimeAdjust::on_butManualTime_clicked()
{
    setSource(1);
}

void DateTimeAdjust::on_butSwitchGpsManTime_clicked()
{
    setSource(m_dateTimeSource == 0 ? 1 : 0);
}

void DateTimeAdjust::step(int &field, int delta, int min, int max, QLineEdit *edit)
{
    // A value outside the bounds (a clock year of 2060) moves by one and
    // wraps only once it passes the bound in the direction of the press.
    field += delta;
    if (delta > 0 && field > max)
        field = min;
    else if (delta < 0 && field < min)
        field = max;
    edit->setText(twoDigits(field));
}

void DateTimeAdjust::on_butDayUp_clicked() { step(m_dateDay, 1, 1, 31, ui->editDay); }
void DateTimeAdjust::on_butDayDown_clicked() { step(m_dateDay, -1, 1, 31, ui->editDay); }
void DateTimeAdjust::on_butMonthUp_clicked() { step(m_dateMonth, 1, 1, 12, ui->editMonth); }
void DateTimeAdjust::on_butMonthDown_clicked() { step(m_dateMonth, -1, 1, 12, ui->editMonth); }
void DateTimeAdjust::on_butYearUp_clicked() { step(m_dateYear, 1, kFirstYear, kLastYear, ui->editYear); }
void DateTimeAdjust::on_butYearDown_clicked() { step(m_dateYear, -1, kFirstYear, kLastYear, ui->editYear); }
void DateTimeAdjust::on_butHourUp_clicked() { step(m_timeHour, 1, 0, 23, ui->editHour); }
void DateTimeAdjust::on_butHourDown_clicked() { step(m_timeHour, -1, 0, 23, ui->editHour); }
void DateTimeAdjust::on_butMinuteUp_clicked() { step(m_timeMinute, 1, 0, 59, ui->editMinute); }
void DateTimeAdjust::on_butMinuteDown_clicked() { step(m_timeMinute, -1, 0, 59, ui->editMinute); }
void DateTimeAdjust::on_butSecondUp_clicked() { step(m_timeSecond, 1, 0, 59, ui->editSecond); }
void DateTimeAdjust::on_butSecondDown_clicked() { step(m_timeSecond, -1, 0, 59, ui->editSecond); }

void DateTimeAdjust::enableDateWidgets(bool enable)
{
    for (QWidget *arrow : {ui->butDayUp, ui->butDayDown, ui->butMonthUp, ui->butMonthDown, ui->butYearUp,
                           ui->butYearDown})
        arrow->setEnabled(enable);
}

void DateTimeAdjust::enableTimeWidgets(bool enable)
{
    for (QWidget *arrow : {ui->butHourUp, ui->butHourDown, ui->butMinuteUp, ui->butMinuteDown, ui->butSecondUp,
                           ui->butSecondDown})
        arrow->setEnabled(enable);
}

void DateTimeAdjust::updateStylesheetFormat()
{
    static const char *const kImages[] = {"Radioswitch_top_3x40px.png", "Radioswitch_middle_3x40px.png",
                                          "Radioswitch_bottom_3x40px.png"};
    if (m_dateFormat >= 0 && m_dateFormat <= 2)
        ui->butSwitchFormat->setStyleSheet(kSwitchStyle.arg(QLatin1String(kImages[m_dateFormat])));
}

void DateTimeAdjust::updateStylesheetTimeSource()
{
    if (m_dateTimeSource != 0 && m_dateTimeSource != 1)
        return;
    const QString style = kSwitchStyle.arg(m_dateTimeSource == 0 ? QStringLiteral("Radioswitch_top_2x40px.png")
                                                                 : QStringLiteral("Radioswitch_bottom_2x40px.png"));
    ui->butSwitchGpsMan->setStyleSheet(style);
    ui->butSwitchGpsManTime->setStyleSheet(style);
}
