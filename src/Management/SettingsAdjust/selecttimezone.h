#ifndef SELECTTIMEZONE_H
#define SELECTTIMEZONE_H

#include "keydialog.h"

#include <QPointF>
#include <QString>

namespace Ui {
class SelectTimezone;
}

// The settings dialog that chooses the time zone (one of 31 fixed zones, on a
// world map or with previous/next) and summer or winter time. Two pages: the
// time-zone page and the daylight-saving page. The caller calls init() with
// the page and the stored zone and flag, runs exec() and, on 1, stores what
// the getters return. On acceptance of a changed zone or flag the dialog moves
// the system clock (which runs on local time) by the difference itself.
class SelectTimezone : public KeyDialog
{
    Q_OBJECT
public:
    static constexpr int kZoneCount = 31;

    explicit SelectTimezone(QWidget *parent = nullptr);
    ~SelectTimezone() override;

    // page 0: time-zone page, any other: daylight-saving page. A zone number
    // outside 0..30 is kept and shown as the row of London until changed.
    void init(int page, int timezone, int daylightSavingTime);

    int getSelectedTimezone() const { return m_selectedTimezone; }
    QString getTimezoneName() const { return m_timezoneName; }
    // Seconds east of UTC of the zone shown, without summer time.
    int getTimezoneOffset() const { return m_timezoneOffset; }
    // Seconds east of UTC of any zone number; 0 outside 0..30.
    static int getTimezoneOffset(int timezone);
    int getDaylightSavingTime() const { return m_daylightSavingTime; }
    int getDaylightSavingTimeOffset() const { return m_daylightSavingTimeOffset; }

    // The zone a map release at x (map pixels) chooses: x truncated toward
    // zero; 179..189 and everything outside 0..400 choose London (12).
    static int zoneAtMapX(double x);
    // Left edge of the marker on the page for a zone number.
    static int markerX(int timezone);

private slots:
    void on_butNext_clicked();
    void on_butPrev_clicked();
    void on_butClose_clicked();
    void on_butAccept_clicked();
    void on_butSwitchDst_clicked();
    void on_butSummertime_clicked();
    void on_butWintertime_clicked();

private:
    // Connected to the map button's release by hand: its name does not
    // follow the button's object name.
    void on_mapbutton_clicked();
    void updateCurrentTimezone();
    void selectTimezoneFromClickPoint(QPointF point);
    void updateStylesheetDst();

    Ui::SelectTimezone *ui;
    int m_selectedTimezone = 0;
    int m_selectedTimezoneInit = 0;
    int m_timezoneOffset = 0;
    QString m_timezoneName;
    int m_xPosSelector = 0;
    int m_daylightSavingTime = 0;
    int m_daylightSavingTimeInit = 0;
    int m_daylightSavingTimeOffset = 0;
};

#endif // SELECTTIMEZONE_H
