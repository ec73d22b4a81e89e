#ifndef GPSMONITOR_H
#define GPSMONITOR_H

#include <QDialog>

class Gps;
class QTimer;
class Ui_GpsMonitor;

// Screen 10: the GPS receiver's position with time, date and fix quality,
// the distance from a reference position, satellite information and, with
// debug features, the raw NMEA sentences with a button that sets the
// system clock from the GPS time. The refresh runs every 1.5 s from the
// construction on, visible or not, until Stop.
class GpsMonitor : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kRefreshMs = 1500;
    // Lines of NMEA text kept on the NMEA page; the oldest drop.
    static constexpr int kMaxNmeaLines = 400;

    explicit GpsMonitor(QWidget *parent = nullptr);
    ~GpsMonitor() override;

    void init();

    // A coordinate as text: axis 0 latitude (N/S), other longitude (E/W);
    // format 0 decimal degrees, 1 degrees-minutes-seconds, 2 degrees and
    // decimal minutes, any other empty.
    static QString convertGpsFormat(double value, int axis, int format);
    // Metres between two points (degrees), flat-earth approximation.
    static double calculateGpsDistance(double lat1, double lon1, double lat2, double lon2);

    bool isRefreshRunning() const;
    int gpsFormat() const { return m_gpsFormat; }

signals:
    void gotoWidget(int widget, int dir, int variant);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

public slots:
    void updateGpsData();

private slots:
    void on_butMenuDistance_clicked();
    void on_butMenuDistanceSatInfo_clicked();
    void on_butMenuSatInfo_clicked();
    void on_butMenuSatInfoDist_clicked();
    void on_butMenuPosition_clicked();
    void on_butMenuPositionSatInfo_clicked();
    void on_butMenuPositionNmea_clicked();
    void on_butMenuNmea_clicked();
    void on_butMenuFormat_clicked();
    void on_butMenuFormatDist_clicked();
    void on_butMenuSetReference_clicked();
    void on_butMenuBack_clicked();
    void on_butMenuBackDist_clicked();
    void on_butMenuBackSatInfo_clicked();
    void on_butMenuBackNmea_clicked();
    void on_butMenuStart_clicked();
    void on_butMenuStop_clicked();
    void on_butMenuDelete_clicked();

private:
    void showPositionPage();
    void showDistancePage();
    void showSatInfoPage();
    void nextFormat();
    void backToMainPage();

    Ui_GpsMonitor *ui;
    Gps *gpsModul = nullptr;
    QTimer *m_timer;
    int m_currentPage = 1;
    int m_gpsFormat = 0;
    double m_refLatitude = 0;
    double m_refLongitude = 0;
    bool m_gpsDataValid = false;
};

#endif // GPSMONITOR_H
