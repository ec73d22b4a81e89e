#ifndef PRESSURESENSOR_H
#define PRESSURESENSOR_H

#include "pressureintake.h"

#include <QString>
#include <QWidget>

namespace Ui {
class PressureSensor;
}

class AudioCodecSetup;
class Bluetooth;
class LongtermData;
class QTimer;

// Pressure logging (screen 11): the readings of a pressure sensor on the
// sensor unit, streamed between "BT_TX RS" (listen) and "BT_TX RP" (mute),
// drawn as pressure over the last 1 to 60 seconds with MAX, MIN, AVG and
// ACT, logged to two text files and stored as a "PS_" folder. The analysis
// view pages through the recorded minute with statistics per page.
//
// The samples, statistics and logs are PressureIntake's; this class shows
// them. It has no link watchdog and no stored view.
class PressureSensor : public QWidget
{
    Q_OBJECT
public:
    // What the screen reports for the favourite key: no favourite function
    // opens this screen, so a long press stores nothing here.
    static constexpr int kNoFavourite = -1;
    static constexpr int kDebugLed = 115;

    explicit PressureSensor(QWidget *parent = nullptr);
    ~PressureSensor() override;

    void init(int variant);

    const PressureIntake &intake() const { return m_intake; }
    LongtermData *chart() const { return longtermData; }
    QTimer *dummyDataTimer() const { return m_timerDummyData; }
    bool isMuted() const { return m_muted; }
    bool isZoomed() const { return m_zoomed; }
    int xScaleMode() const { return m_XScaleMode; }
    int dataCntScaled() const { return m_dataCntScaled; }
    float minXScaleValue() const { return m_minXScaleValue; }
    float maxXScaleValue() const { return m_maxXScaleValue; }
    float minYScaleValue() const { return m_minYScaleValue; }
    float maxYScaleValue() const { return m_maxYScaleValue; }
    int analyseDataStart() const { return m_analyseDataStart; }
    int analyseDataEnd() const { return m_analyseDataEnd; }
    int dataStart() const { return m_dataStart; }
    int dataEnd() const { return m_dataEnd; }
    // Points of the curve last drawn (0: none).
    int drawnPoints() const { return m_drawnPoints; }

signals:
    void exit();
    void gotoWidget(int widget, int dir, int variant);

public slots:
    void enableReceivePressuredata(bool enable, int sensor, unsigned short adMin, unsigned short adMax);
    void pressuredataReceived(int dataCnt, QString pressuredata);
    void generateDummyData();
    void updatePressureValues(int start, int count, bool showDeviation);
    void switchActiveMute(bool mute);
    void updateDiagram(float minX, float maxX, float minY, float maxY, unsigned start, unsigned end, unsigned count);

    void on_butMenuHome_clicked();
    void on_butMenuScaleY_clicked();
    void on_butMenuScaleX_clicked();
    void on_butMenuAnalyse_clicked();
    void on_butMenuSave_clicked();
    void on_butMenuAnalyseScaleY_clicked();
    void on_butMenuAnalyseScaleX_clicked();
    void on_butMenuAnalysePrev_clicked();
    void on_butMenuAnalyseNext_clicked();
    void on_butMenuAnalyseBack_clicked();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void showPlaceholders();
    void setXSpan(int mode);
    // The newest span, or the span from the left edge while the window
    // fills; also after every packet.
    void redrawLive();
    // The analysis page from its start: end limited to the window, the axis
    // from the start's whole second.
    void redrawPage(bool limitAxisTo60);
    void pageStatistics();
    // Y auto-scale on (fitted to the statistics of count slots from start)
    // or off (0 .. the sensor's range).
    void toggleYScale(int start, int count);
    void showError();

    Ui::PressureSensor *ui;
    QTimer *m_timerDummyData = nullptr;
    Bluetooth *m_btSink = nullptr;
    Bluetooth *m_btSource = nullptr;
    AudioCodecSetup *m_audioCodec = nullptr;
    LongtermData *longtermData = nullptr;
    PressureIntake m_intake;
    bool m_muted = true;

    bool m_zoomed = false;
    float m_minYScaleValue = 0.0f;
    float m_maxYScaleValue = PressureIntake::kDefaultRange;
    int m_XScaleMode = 0;
    float m_minXScaleValue = 0.0f;
    float m_maxXScaleValue = 60.0f;
    int m_dataCntScaled = 0;
    int m_analyseDataStart = 0;
    int m_analyseDataEnd = 0;
    int m_dataStart = 0;
    int m_dataEnd = 0;
    int m_drawnPoints = 0;
};

#endif // PRESSURESENSOR_H
