#ifndef H2SENSOR_H
#define H2SENSOR_H

#include "h2sensorlevels.h"
#include "measurementframe.h"

#include <QString>
#include <QWidget>

namespace Ui {
class H2Sensor;
}

class AudioCodecSetup;
class Bluetooth;
class Gps;
class LongtermData;
class MeasManagement;
class QTimer;
class TimerH2Heating;

// Hydrogen measurement (screen 6, favourite 4): polls the sensor unit for
// the hydrogen sensor's reading ("BT_TX S"), shows the level above a
// movable zero as a number, a bar and a trend of the last 300 replies on a
// fixed or a self-adjusting range, and makes it audible as a click rate of
// the PWM tone on the codec's second input. Each listening period is a step
// that keeps the absolute level and the GPS position of its last reply; the
// steps, the trend, the reference and the range are saved as an "H2_"
// measurement and shown again from the browser.
//
// Listening, muting, the link watchdog and leaving come from the shared
// measurement frame; the save is the screen's own (it pauses the recording
// and does not mute).
class H2Sensor : public QWidget, private MeasurementFrame::Screen
{
    Q_OBJECT
public:
    static constexpr int kFavouriteNumber = 4;
    static constexpr int kTypeCode = 3;
    static constexpr int kPollMutedMs = 2500;
    static constexpr int kPollListeningMs = 517;
    static constexpr int kStoredValues = 1024;

    explicit H2Sensor(QWidget *parent = nullptr);
    ~H2Sensor() override;

    void init(int variant);

    MeasurementFrame *frame() const { return m_frame; }
    bool isMuted() const { return m_muted; }
    QTimer *pollTimer() const { return m_timerRead; }
    const H2SensorLevels &levels() const { return m_levels; }
    TimerH2Heating *dial() const;
    LongtermData *chart() const { return longtermData; }
    int storedValuesCount() const { return m_h2storedValuesCnt; }
    int storedRangeMax() const { return m_h2storedRangeMax; }
    int storedReferenceLevel() const { return m_h2storedReferenceLevel; }

signals:
    void exit();
    void gotoWidget(int widget, int dir, int variant);

public slots:
    void on_butMenuZero_clicked();
    void on_butMenuScale_clicked();
    void on_butMenuHeadphone_clicked();
    void on_butMenuHome_clicked();
    void updatePwmValue();
    void btReceivedSensorvalue(QString a_sensorvalue, QString a_activeTime);
    void on_butMenuSave_clicked();
    void switchActiveMute(bool mute);
    void muteAudioPath(bool a_mute, bool a_sendToMic);
    void on_butMenuMainmenu_2_clicked();
    void on_butMenuStoredBack_clicked();
    void checkBtConnection();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    // MeasurementFrame::Screen
    void frameMute(bool mute, bool toUnit) override { muteAudioPath(mute, toUnit); }
    bool frameIsMuted() const override { return m_muted; }
    void frameLeave() override { on_butMenuHome_clicked(); }
    void frameFill(MeasInfoStructure *info) override;
    void frameHidden() override;

    void readData();
    void updateScaleMaxValue(int mode);
    void analyseInfoFile();
    // False when the main window left the screen while the note was open.
    bool showSensorNoteIfNeeded();
    void applyLayout(bool withChart);
    void setUpChart(int x, int y, int width, int height);
    void setRangeAxis(int range);
    void showScaleMin();
    void showActiveTime(const QString &activeTime, int seconds);
    void updateDial(int seconds);

    Ui::H2Sensor *ui;
    MeasurementFrame *m_frame = nullptr;
    Bluetooth *m_btSource = nullptr;
    Bluetooth *m_btSink = nullptr;
    QTimer *m_timerRead = nullptr;
    QTimer *m_timerCheckBtConnection = nullptr;
    AudioCodecSetup *m_audioCodec = nullptr;
    Gps *m_gpsModul = nullptr;
    LongtermData *longtermData = nullptr;
    MeasManagement *m_measManagement = nullptr;
    H2SensorLevels m_levels;
    bool m_muted = true;

    QString m_selectedMeasurementDir;
    QString m_storedMeasurementName;
    float m_h2storedValues[kStoredValues] = {};
    int m_h2storedValuesCnt = 0;
    int m_h2storedReferenceLevel = 0;
    int m_h2storedRangeMax = 0;
};

#endif // H2SENSOR_H
