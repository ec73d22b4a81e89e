#ifndef PIPELOCATING_H
#define PIPELOCATING_H

#include "measurementframe.h"
#include "pipepositions.h"

#include <QString>
#include <QWidget>

namespace Ui {
class Pipelocating;
}

class AudioCodecSetup;
class Bluetooth;
class FreqSpectrum;
class Gps;
class MeasManagement;
class QLabel;
class QProgressBar;
class QTimer;

// Pipe locating (screen 8, favourite 5): the user listens at up to ten
// positions along a buried pipe. While listening the screen shows the peak
// level and holds the highest of the last six updates; when listening ends
// that max-hold stays as the position's bar. The loudest position gets the
// pipe symbol. An eleventh position moves the row one place to the left.
// Saved as a "PL_" measurement without a sound clip; shown again from the
// browser.
//
// Listening, muting, the link watchdog, saving and leaving come from the
// shared measurement frame; the positions live in PipePositions.
class Pipelocating : public QWidget, private MeasurementFrame::Screen
{
    Q_OBJECT
public:
    static constexpr int kFavouriteNumber = 5;
    static constexpr int kTypeCode = 2;
    static constexpr int kUpdateMs = 500;
    static constexpr int kFastUpdateMs = 200;

    explicit Pipelocating(QWidget *parent = nullptr);
    ~Pipelocating() override;

    void init(int variant);

    MeasurementFrame *frame() const { return m_frame; }
    const PipePositions &positions() const { return m_positions; }
    bool isMuted() const { return m_muted; }
    QTimer *updateTimer() const { return m_updateTimer; }
    float dynamicScaleMin() const { return m_dynamicScaleMin; }
    float dynamicScaleMax() const { return m_dynamicScaleMax; }
    const float *storedLevels() const { return m_storedLevel; }

signals:
    void exit();
    void gotoWidget(int widget, int dir, int variant);

public slots:
    void updateData();
    void on_butMenuFilter_clicked();
    void on_butMenuMicrophone_clicked();
    void on_butMenuHeadphone_clicked();
    void on_butMenuHome_clicked();
    void on_butMenuSave_clicked();
    void switchActiveMute(bool mute);
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

    void muteAudioPath(bool a_mute, bool a_sendToMic);
    void updateHistoryValues();
    void adjustProgbarRange();
    void adjustProgbarRangeStored();
    void analyseInfoFile();
    void setProgressBarFrequColor(QProgressBar *bar, int frequency, bool markPipe);
    void showFilter();
    QProgressBar *liveBar(int i) const;
    QLabel *liveLabel(int i) const;
    QProgressBar *storedBar(int i) const;
    QLabel *storedLabel(int i) const;

    Ui::Pipelocating *ui;
    MeasurementFrame *m_frame = nullptr;
    Bluetooth *m_btSource = nullptr;
    Bluetooth *m_btSink = nullptr;
    QTimer *m_timerCheckBtConnection = nullptr;
    AudioCodecSetup *m_audioCodec = nullptr;
    MeasManagement *m_measManagement = nullptr;
    Gps *m_gpsModul = nullptr;
    bool m_muted = true;
    QString m_selectedMeasurementDir;
    QString m_storedMeasurementName;
    int m_storedFilterType = 0;
    unsigned int m_storedFilterLowCutOff = 0;
    unsigned int m_storedFilterHighCutOff = 4000;

    FreqSpectrum *freqSpectrum = nullptr;
    QTimer *m_updateTimer = nullptr;
    PipePositions m_positions;
    float m_dynamicScaleMin = 0.0f;
    float m_dynamicScaleMax = 100.0f;
    float m_storedLevel[PipePositions::kPositions + 1] = {};
    int m_storedFrequency[PipePositions::kPositions + 1] = {};
};

#endif // PIPELOCATING_H
