#ifndef LONGTERMMEASUREMENT_H
#define LONGTERMMEASUREMENT_H

#include "measurementframe.h"

#include <QString>
#include <QWidget>

namespace Ui {
class Longtermmeasurement;
}

class AudioCodecSetup;
class Bluetooth;
class LongtermData;
class MeasManagement;
class QTimer;

// Long-term measurement (screen 9, favourite 3): one level sample every
// 1.3 s while listening, drawn as a trend over a window of 3, 10 or 30
// minutes, with a fixed or an automatic level axis. The samples of the
// current pass are saved as an "LT_" measurement and shown again from the
// browser.
//
// Listening, muting, the link watchdog, saving and leaving come from the
// shared measurement frame.
class Longtermmeasurement : public QWidget, private MeasurementFrame::Screen
{
    Q_OBJECT
public:
    static constexpr int kFavouriteNumber = 3;
    static constexpr int kTypeCode = 4;
    static constexpr int kSampleMs = 1300;
    static constexpr int kBufferSize = 2048;

    // The window of an index (anything but 1 and 2 is 0): label, sample
    // limit and x axis in minutes.
    struct Window {
        const char *label;
        int limit;
        float max, mainStep, minorStep;
    };
    static Window window(int selectedTime);
    // The automatic level axis of samples 0..count-1: lower and upper end in
    // dB, on multiples of 5 within 0..100. False when there is no sample.
    static bool autoRange(const float *data, int count, int *lo, int *hi);

    explicit Longtermmeasurement(QWidget *parent = nullptr);
    ~Longtermmeasurement() override;

    void init(int variant);

    MeasurementFrame *frame() const { return m_frame; }
    bool isMuted() const { return m_muted; }
    QTimer *updateTimer() const { return m_updateTimer; }
    int dataCount() const { return m_dataCnt; }
    int maxVisibleData() const { return m_maxVisibleData; }
    int selectedTime() const { return m_selectedTime; }
    bool displayOldData() const { return m_displayOldData; }
    bool drawScaled() const { return m_drawScaled; }
    int minDataVal() const { return m_minDataVal; }
    int maxDataVal() const { return m_maxDataVal; }
    const float *recordedData() const { return m_recordedData; }
    int storedDataCount() const { return m_storedDataCnt; }
    LongtermData *liveChart() const { return longtermData; }
    LongtermData *storedChart() const { return storedLongtermData; }

signals:
    void exit();
    void gotoWidget(int widget, int dir, int variant);

public slots:
    void updateData();
    void switchActiveMute(bool mute);
    void checkBtConnection();
    void on_butMenuTime_clicked();
    void on_butMenuScale_clicked();
    void on_butMenuSettings_clicked();
    void on_butMenuBack_clicked();
    void on_butMenuSave_clicked();
    void on_butMenuFilter_clicked();
    void on_butMenuMicrophone_clicked();
    void on_butMenuHeadphone_clicked();
    void on_butMenuMainmenu_clicked();
    void on_butMenuMainmenu_2_clicked();
    void on_butMenuMainmenu_3_clicked();
    void on_butMenuStoredBack_clicked();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    // MeasurementFrame::Screen
    void frameMute(bool mute, bool toUnit) override { muteAudioPath(mute, toUnit); }
    bool frameIsMuted() const override { return m_muted; }
    void frameLeave() override { on_butMenuMainmenu_clicked(); }
    void frameFill(MeasInfoStructure *info) override;
    void frameHidden() override;

    void muteAudioPath(bool a_mute, bool a_sendToMic);
    void analyseInfoFile();
    void setWindow(LongtermData *chart, int selectedTime);
    void showScaleButton(bool magnified);
    void redraw();
    void showFilter();

    Ui::Longtermmeasurement *ui;
    MeasurementFrame *m_frame = nullptr;
    Bluetooth *m_btSource = nullptr;
    Bluetooth *m_btSink = nullptr;
    QTimer *m_timerCheckBtConnection = nullptr;
    AudioCodecSetup *m_audioCodec = nullptr;
    MeasManagement *m_measManagement = nullptr;
    bool m_muted = true;
    QString m_selectedMeasurementDir;
    QString m_storedMeasurementName;
    int m_storedFilterType = 0;
    unsigned int m_storedFilterLowCutOff = 0;
    unsigned int m_storedFilterHighCutOff = 4000;

    LongtermData *longtermData = nullptr;
    LongtermData *storedLongtermData = nullptr;
    QTimer *m_updateTimer = nullptr;
    float m_recordedData[kBufferSize] = {};
    int m_dataCnt = 0;
    int m_maxVisibleData = 0;
    bool m_displayOldData = false;
    int m_selectedTime = 0;
    float m_storedData[kBufferSize] = {};
    int m_storedDataCnt = 0;
    bool m_drawScaled = false;
    int m_minDataVal = 0;
    int m_maxDataVal = 100;
};

#endif // LONGTERMMEASUREMENT_H
