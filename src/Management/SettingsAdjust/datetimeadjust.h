#ifndef DATETIMEADJUST_H
#define DATETIMEADJUST_H

#include "keydialog.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

class QLineEdit;

namespace Ui {
class DateTimeAdjust;
}

// The settings dialog that sets the date or the time of the system clock by
// hand, chooses the date format (0 day.month.year, 1 year-month-day,
// 2 month/day/year) and the clock's source (0 GPS, 1 manual). Two pages: date
// and time. On acceptance the dialog sets the system clock and the hardware
// clock itself; the caller takes format and source through the getters and
// stores them. With source GPS the arrows are disabled.
class DateTimeAdjust : public KeyDialog
{
    Q_OBJECT
public:
    explicit DateTimeAdjust(QWidget *parent = nullptr);
    ~DateTimeAdjust() override;

    // page 0: date page, any other: time page. Format and source outside
    // their ranges are kept (the switches then keep their pictures).
    void init(int page, int dateFormat, int dateTimeSource);

    int getDateFormat() const { return m_dateFormat; }
    int getDateTimeSource() const { return m_dateTimeSource; }

private slots:
    void on_butClose_clicked();
    void on_butAccept_clicked();
    void on_butFormat_DDMMYYYY_clicked();
    void on_butFormat_YYYYMMDD_clicked();
    void on_butFormat_MMDDYYYY_clicked();
    void on_butSwitchFormat_clicked();
    void on_butGps_clicked();
    void on_butManual_clicked();
    void on_butSwitchGpsMan_clicked();
    void on_butDayUp_clicked();
    void on_butDayDown_clicked();
    void on_butMonthUp_clicked();
    void on_butMonthDown_clicked();
    void on_butYearUp_clicked();
    void on_butYearDown_clicked();
    void on_butHourUp_clicked();
    void on_butMinuteUp_clicked();
    void on_butSecondUp_clicked();
    void on_butHourDown_clicked();
    void on_butMinuteDown_clicked();
    void on_butSecondDown_clicked();
    void on_butSwitchGpsManTime_clicked();
    void on_butGpsTime_clicked();
    void on_butManualTime_clicked();

private:
    void enableDateWidgets(bool enable);
    void enableTimeWidgets(bool enable);
    void updateStylesheetFormat();
    void updateStylesheetTimeSource();
    // Source 0 (GPS) or 1 (manual) from a button: shown on both switches,
    // the arrows disabled for GPS.
    void setSource(int source);
    // One arrow press: the field one up or down, wrapping past its bounds.
    void step(int &field, int delta, int min, int max, QLineEdit *edit);
    void showFields();

    Ui::DateTimeAdjust *ui;
    QDateTime m_systemTime;
    int m_dateDay = 1;
    int m_dateMonth = 7;
    int m_dateYear = 2018;
    QDate m_date;
    int m_timeHour = 10;
    int m_timeMinute = 0;
    int m_timeSecond = 0;
    QTime m_time;
    int m_dateTimeSource = 0;
    int m_dateFormat = 0;
};

#endif // DATETIMEADJUST_H
