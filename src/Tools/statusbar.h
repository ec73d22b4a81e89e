#ifndef STATUSBAR_H
#define STATUSBAR_H

#include <QImage>
#include <QWidget>

class QPainter;
class QTimer;

// The strip 20 px high along the bottom of a screen. Once a second it copies
// the device state from StatusbarData() and redraws an off-screen image:
// instrument battery (with a lightning mark while charging), the sensor and
// its link, the sensor unit's battery, the headphone and its battery, GPS,
// the mute-key mode, the mute state and the time. paintEvent only copies the
// image.
class Statusbar : public QWidget
{
    Q_OBJECT
public:
    explicit Statusbar(QWidget *parent = nullptr);

    // Called by the screen that holds the bar with the bar's own size; a
    // repeated call rebuilds the image and restarts the one refresh a second.
    void init(int width, int height);
    // The image as last drawn.
    const QImage &image() const { return m_image; }

public slots:
    void updateTime();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void copyState();
    void drawStatusbar();
    // One battery symbol in columns rect.left()..rect.right(), all rows.
    void drawAccu(QPainter *painter, QRect rect, int percent);

    QTimer *m_updateTime;
    QImage m_image;
    bool m_stateGps = false;
    int m_btLinkHpActive = 0;
    int m_btLinkMicActive = 0;
    bool m_micSensorConnected = false;
    int m_sensorType = 0;
    int m_mute = 1;
    int m_batteryHL = 0;
    bool m_batteryHLCharging = false;
    int m_batteryHeadphone = 0;
    int m_batteryMicrophone = -1;
    QString m_time;
};

#endif // STATUSBAR_H
