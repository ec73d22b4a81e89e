#ifndef GPS_H
#define GPS_H

#include <QDateTime>
#include <QGeoPositionInfo>
#include <QGeoPositionInfoSource>
#include <QGeoSatelliteInfo>
#include <QList>
#include <QObject>
#include <QString>

class NmeaPositionInfoSourceRaw;
class QSerialPort;
class QTimer;

// The GPS receiver on "/dev/ttyO1" (9600 baud, 8N1): power through GPIO 16,
// UBX reset frames to start and stop it, its NMEA stream through Qt
// Positioning's NMEA source, and the values derived from the position and
// from the raw sentences (satellites, dilution of precision, speed, course,
// height, receiver time, fix quality). A valid fix sets the system clock once
// while that is requested. Everything runs on the GUI thread.
class Gps : public QObject
{
    Q_OBJECT
public:
    static constexpr unsigned kPowerGpio = 16;
    static constexpr int kUpdateIntervalMs = 1200;
    // A port that failed is opened again after this time, as long as it fails.
    static constexpr int kReopenMs = 3000;
    // Raw text kept by readTty1Data() until getGpsData() takes it.
    static constexpr int kMaxRawText = 64 * 1024;
    // Bytes of the port still without a line end beyond which they are
    // dropped: no sentence is that long (the source reads only whole lines,
    // so without this nothing would ever take them from the port).
    static constexpr int kMaxUnreadBytes = 4096;

    explicit Gps(QObject *parent = nullptr);
    ~Gps() override;

    void initGps();
    void switchOnGpsModul();
    void switchOffGpsModul();

    double getLatitude() const;
    double getLongitude() const;
    QDateTime getDateTime() const { return m_dateTime; }
    bool isGpsDataValid() const { return m_gpsValid; }
    int getNumSatellitesInView() const { return m_listOfSatellitesInView.size(); }
    int getNumSatellitesUsed() const { return m_ggaNumSat; }
    float getGpsCourseOverGround() const { return float(m_rmcCourseOverGround); }
    // Knots, as the RMC sentence carries it.
    float getGpsSpeedOverGround() const { return float(m_rmcSpeedOverGround); }
    float getGpsHeightOverSea() const { return float(m_ggaHeightOverSea); }
    // "hh:mm:ss" from the stored RMC sentence, or "NO GPS".
    QString getRmcUtcTime() const;
    // RMC, GSA, GGA and the first five GSV slots, one a line; empty while
    // NMEA processing is off.
    QString getNmeaString() const;
    // Counts the RMC sentences received: the sentences above stay after the
    // receiver fell silent, so a change of this count tells a new one.
    quint32 rmcSentences() const;
    void clearLastGpsData();
    void enableSystemTimeSettingViaGps(bool enable) { m_enableSettingSystemtime = enable; }
    bool isSystemTimeSettingRequested() const { return m_enableSettingSystemtime; }
    bool isNmeaEnabled() const { return m_nmeaEnabled; }

    // 0 (no receiver time) to 100.
    int getGpsQuality() const;
    // Sets the system clock and the real-time clock from getDateTime(),
    // converted to local time; false (nothing run) outside 2016 to 2050.
    bool setSystemTime();
    // The gate every clock setting from the receiver goes through: a valid
    // time stamp in 2016 to 2050 (a receiver without a fix or after a week
    // roll-over reports years far off).
    static bool isClockTime(const QDateTime &utc);

    QGeoPositionInfo getGpsInfo() const { return m_posInfo; }
    float getGpsInfoPdop() const { return m_pdop; }
    float getGpsInfoHdop() const { return m_hdop; }
    float getGpsInfoVdop() const { return m_vdop; }
    QString getGpsData();
    void clearGpsData() { m_gpsData.clear(); }

    NmeaPositionInfoSourceRaw *nmeaSource() const { return m_nmeaSource; }
    bool isPortOpen() const;
    // Bytes the port holds that nobody has read yet.
    qint64 unreadBytes() const;

    // The UBX CFG-RST frame with the given reset mode (0x09 start, 0x08 stop),
    // checksum included.
    static QByteArray resetFrame(quint8 resetMode);
    // "date +%F -s y-m-d" and "date +%T -s h:m:s" for a UTC time stamp shifted
    // by offsetSecs, the date carried with the time.
    static QStringList clockCommands(const QDateTime &utc, int offsetSecs);

public slots:
    void updateSatInView(QList<QGeoSatelliteInfo> satellites);
    void readTty1Data();
    void updatePosition();
    void updateError(QGeoPositionInfoSource::Error error);
    void updateTimeout();

private:
    bool openPort();
    void portError();
    void dropWhatIsNoSentence();
    void reopenPort();
    void sendResetFrame(quint8 resetMode, const char *what);
    void clearPosition();
    void analyseRmc();
    void analyseGsa();
    void analyseGga();
    void analyseGsv();

    QSerialPort *uartPort1;
    NmeaPositionInfoSourceRaw *m_nmeaSource;
    QString m_gpsData;
    double m_latitude = 0;
    double m_longitude = 0;
    QDateTime m_dateTime;
    QGeoPositionInfo m_posInfo;
    bool m_gpsValid = false;
    bool m_enableSettingSystemtime = false;
    float m_pdop = 0;
    float m_hdop = 0;
    float m_vdop = 0;
    bool m_nmeaEnabled = true;
    QList<int> m_listOfSatellitesInView;
    int m_gsvNumberOfMessages = 0;
    int m_gsvMessageNumber = 0;
    int m_gsvSatellitesInView = 0;
    double m_rmcSpeedOverGround = 0;
    double m_rmcCourseOverGround = 0;
    int m_ggaNumSat = 0;
    double m_ggaHeightOverSea = 0;

    QTimer *m_reopenTimer;
    bool m_updatesWanted = false;  // initGps asked the source to run
    bool m_updatesStarted = false; // ... and it has been started on an open port
    bool m_portFailed = false;     // the failure has been logged
    bool m_dropping = false;       // inside an episode of bytes without a line end
};

#endif // GPS_H
