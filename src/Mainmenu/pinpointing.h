#ifndef PINPOINTING_H
#define PINPOINTING_H

#include "measurementframe.h"
#include "pinpointingpositions.h"

#include <QString>
#include <QWidget>

namespace Ui {
class Pinpointing;
}

class AudioCodecSetup;
class Bluetooth;
class Gps;
class MeasManagement;
class QLabel;
class QProgressBar;
class QTimer;

// Pinpointing (screen 3, favourite 1): the user listens at up to ten
// positions along a pipe; each listening becomes a position with its
// minimum level, the frequency at that minimum, the GPS position and a sound
// clip of the listening. The position with the highest minimum is marked as
// the leak. A comparison is stored as a "PP_" measurement and shown again
// with each position's clip to play.
//
// Listening, muting, the link watchdog, saving and leaving come from the
// shared measurement frame; the positions live in PinpointingPositions.
class Pinpointing : public QWidget, private MeasurementFrame::Screen
{
    Q_OBJECT
public:
    static constexpr int kFavouriteNumber = 1;
    static constexpr int kTypeCode = 1;
    static constexpr int kLevelTickMs = 300;

    explicit Pinpointing(QWidget *parent = nullptr);
    ~Pinpointing() override;

    void init(int variant);

    MeasurementFrame *frame() const { return m_frame; }
    const PinpointingPositions &positions() const { return m_positions; }
    bool isMuted() const { return m_muted; }
    bool isStoredView() const { return m_storedMeasurement; }
    int scaleMode() const { return m_scaleMode; }
    int leakPosition() const { return m_leakPos; }
    QTimer *levelTimer() const { return m_timerLevel; }
    // The headphone dialog (the form has no button of this name; the
    // settings and stored pages have their own).
    void on_butMenuHeadphone_clicked();
    // How long the GUI thread waited for the last clip to be written, ms.
    qint64 lastClipStoreMs() const { return m_lastClipStoreMs; }

signals:
    void exit();
    void gotoWidget(int widget, int dir, int variant);

public slots:
    void on_butStartStop_clicked();
    void switchActiveMute(bool mute);
    void on_butMenuSave_clicked();
    void on_butMenuScale_clicked();
    void on_butMenuDeleteLast_clicked();
    void on_butMenuSettings_clicked();
    void on_butMenuFilter_clicked();
    void on_butMenuMicrophone_clicked();
    void on_butMenuHeadphone_2_clicked();
    void on_butMenuMainmenu_clicked();
    void on_butMenuBack_clicked();
    void on_butMenuStoredPlay_clicked();
    void on_butMenuStoredStop_clicked();
    void on_butMenuStoredNext_clicked();
    void on_butMenuStoredHeadphone_clicked();
    void on_butMenuStoredBack_clicked();
    void on_butMenuMainmenu_2_clicked();
    void checkBtConnection();
    void repeatActiveMute();

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

    void updateProgbars();
    void updateLevel();
    void analyseInfoFile();
    void shiftAllMeasurementsLeft();
    int getLeakLevel(float *level, int *frequency, int count);
    void adjustProgbarRange();
    void arrangeElements(bool stored);
    void setProgressBarFrequColor(QProgressBar *bar, int frequency, QString defaultColor);
    void setProgressBarValue(QProgressBar *bar, int value);
    void hideBarsIfInvalid();
    void muteAudioPath(bool a_mute, bool a_sendToMic);

    void showFilter();
    void showScaleButton();
    void selectStoredPosition(int position);
    QProgressBar *bar(int position) const;
    QLabel *valueLabel(int position) const;

    Ui::Pinpointing *ui;
    MeasurementFrame *m_frame = nullptr;
    Bluetooth *m_btSource = nullptr;
    Bluetooth *m_btSink = nullptr;
    QTimer *m_timerCheckBtConnection = nullptr;
    QTimer *m_timerLevel = nullptr;
    AudioCodecSetup *m_audioCodec = nullptr;
    MeasManagement *m_measManagement = nullptr;
    Gps *m_gpsModul = nullptr;

    PinpointingPositions m_positions;
    bool m_muted = true;
    int m_leakPos = -1;
    float m_leakLevel = 0.0f;
    int m_leakFrequency = 0;
    bool m_storedMeasurement = false;
    bool m_linearScale = false;
    int m_scaleMode = 0;
    bool m_useDynamicScaling = false;
    float m_dynamicScaleMin = 0.0f;
    float m_dynamicScaleMax = 100.0f;
    qint64 m_lastClipStoreMs = -1;

    QString m_selectedMeasurementDir;
    QString m_storedMeasurementName;
    int m_storedFilterType = 0;
    unsigned int m_storedFilterLowCutOff = 0;
    unsigned int m_storedFilterHighCutOff = 4000;
};

#endif // PINPOINTING_H
