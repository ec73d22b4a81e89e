#ifndef TESTMENUAUDIO_H
#define TESTMENUAUDIO_H

#include "testdialog.h"

#include <QString>

class AudioCodecSetup;
class Bluetooth;
class QTimer;

namespace Ui {
class TestmenuAudio;
}

// The audio channel test: brings up both Bluetooth modules against the
// station's reference microphone (sink side) and reference headphone
// (source side), whose addresses come from two files, routes one of three
// codec inputs into the analysis and shows the selected channel's level and
// frequency twice a second once the headphone call is up: CH 1 the Bluetooth
// receiver, CH 2 the sensor unit's sensor value (which also sets the ticker
// PWM's period), CH 3 the external input. There are no limits: the operator
// or the station judges the values.
class TestmenuAudio : public TestDialog
{
    Q_OBJECT
public:
    // The station's standard reference devices, used when their address
    // file cannot be opened.
    static const char kDefaultMicAddress[];
    static const char kDefaultHpAddress[];
    static const char kMicAddressFile[];
    static const char kHpAddressFile[];
    static const char kPeriodFile[];
    static const char kDutyCycleFile[];
    static const char kEnableFile[];
    static constexpr int kStatePollMs = 500;
    static constexpr int kValueUpdateMs = 500;
    static constexpr int kConnectionCheckMs = 1000;
    static constexpr int kLostPollMs = 2000;

    // The address in a reference device's file: at most 17 bytes, cut at a
    // NUL or a line end, blanks around it stripped; the default when the
    // file cannot be opened as a regular file.
    static QString readAddressFile(const char *boardPath, const char *defaultAddress, const char *logName);
    // The ticker PWM period in ns for a sensor value.
    static qint64 tickerPeriodNs(int sensorValue);
    // A sensor value's text as a whole number, truncated toward zero; a
    // text that is no finite number counts as 0.
    static int sensorValueOf(const QString &text);

    // The audio path as the audio tests open it: codec without filter in
    // listening routing, path unmuted, recording and capture running, the
    // input heard at the output, microphone gain step 3.
    static void openAudioPath(AudioCodecSetup *codec, bool selectInput1);
    // The analysis chain's last level (0..99 dB) and dominant frequency.
    static void measure(float *levelDb, qint32 *frequency);

    explicit TestmenuAudio(QWidget *parent = nullptr);
    ~TestmenuAudio() override;

protected:
    bool executeOwnCommand(const QString &command) override;
    void stopTest() override;

private slots:
    void on_butSelCh_1_clicked();
    void on_butSelCh_2_clicked();
    void on_butSelCh_3_clicked();
    void on_butStartConnection_clicked();
    void on_butMute_clicked();
    void on_butPair_clicked();
    void on_butCall_clicked();
    void btModulResetReceivedSink();
    void btModulResetReceivedSource();
    void btModulPairingSinkOk();
    void btModulPairingSourceOk();
    void btReceivedSensorvalue(QString a_sensorvalue, QString a_activeTime);
    void updateStateSink();
    void updateStateSource();
    void updateValue();
    void checkConnectionSink();
    void checkConnectionSource();

private:
    void readAddressFiles();
    void selectCodecInput(int input, long pgaGain);
    QString levelAnswer(int channel, float level) const;
    QString frequencyAnswer(int channel, qint32 frequency) const;
    void pairSink();
    void pairSource();

    Ui::TestmenuAudio *ui;
    Bluetooth *m_btSource = nullptr;
    Bluetooth *m_btSink = nullptr;
    QTimer *m_timerSink;
    QTimer *m_timerSource;
    QTimer *m_timerValueUpdate;
    QTimer *m_timerCheckBtConnectionSink;
    QTimer *m_timerCheckBtConnectionSource;
    AudioCodecSetup *m_audioCodec = nullptr;
    int m_inputPath = 1;
    QString m_btIdMic;
    QString m_btIdHp;
    int m_h2level = 0;
    float m_levelCh1 = 0;
    float m_levelCh2 = 0;
    float m_levelCh3 = 0;
    qint32 m_frequCh1 = 0;
    qint32 m_frequCh2 = 0;
    qint32 m_frequCh3 = 0;
};

#endif // TESTMENUAUDIO_H
