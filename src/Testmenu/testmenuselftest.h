#ifndef TESTMENUSELFTEST_H
#define TESTMENUSELFTEST_H

#include "testdialog.h"

#include <QPointer>

namespace Ui {
class TestmenuSelftest;
}

class Bluetooth;
class Gps;
class QLabel;
class QTimer;

// The self-test: one run checks that the main chips answer. The charge
// controller, the fuel gauge (their driver files) and the audio codec (two
// runs of the mixer tool) are checked on the spot; the two Bluetooth modules
// ("AT", any "OK" within 1 s) and the GPS receiver (two samplings of its
// sentences, 1.2 s apart, that must differ) are judged later by one-shot
// timers bound to the dialog. Pass is offered once all six have passed; the
// station asks each result with a "cmdSelftestGetStatus..." command, which
// answers the flags as they stand and never runs a check.
class TestmenuSelftest : public TestDialog
{
    Q_OBJECT
public:
    static const char kChargerName[];
    static const char kChargerStatus[];
    static const char kGaugeName[];
    static const char kGaugeVoltage[];
    // The ALSA mixer line; %1 is the PCM volume.
    static const char kMixerFormat[];
    static constexpr int kMixerWaitMs = 30000;
    static constexpr int kBtJudgeMs = 1000;
    static constexpr int kGpsSampleMs = 1200;
    static constexpr int kGpsJudgeMs = 3000;
    // Bytes read of a driver file.
    static constexpr int kMaxWordBytes = 32;
    static constexpr qint64 kMinMicrovolts = 2000000;
    static constexpr qint64 kMaxMicrovolts = 4800000;

    explicit TestmenuSelftest(QWidget *parent = nullptr);
    ~TestmenuSelftest() override;

    // The checks: 0 passed, 1 started and judged later, negative failed;
    // text receives the word shown in the check's state label.
    int startTestChargeController(QString *text);
    int startTestFuelGauge(QString *text);
    int startTestAudioCodec(QString *text);
    int startTestBluetoothIn(QString *text);
    int startTestBluetoothOut(QString *text);
    int startTestGps(QString *text);

    bool allPassed() const;
    const QTimer *gpsTimer() const { return m_timerGps; }

public slots:
    void executeCommand(QString command) override;

protected:
    void stopTest() override;

private slots:
    void on_butStart_clicked();
    void receivedAtOkSink();
    void receivedAtOkSource();
    void analyseResultBtSink();
    void analyseResultBtSource();
    void updateGps();
    void analyseResultGps();

private:
    bool answerStatus(const QString &command);
    int startTestBluetooth(Bluetooth *module, void (TestmenuSelftest::*received)(), bool *okReceived,
                           void (TestmenuSelftest::*analyse)(), QString *text);
    void judgeBluetooth(bool okReceived, bool *passFlag, QLabel *label);
    void keepGpsSentence(const QString &sentence);
    void offerPassIfAllPassed();

    Ui::TestmenuSelftest *ui;
    // The long-lived links and the receiver belong to the main window.
    QPointer<Bluetooth> m_btSink;
    QPointer<Bluetooth> m_btSource;
    QPointer<Gps> m_gpsModul;
    QTimer *m_timerGps;
    bool m_btSinkAtOkReceived = false;
    bool m_btSourceAtOkReceived = false;
    QString m_gpsLine1;
    QString m_gpsLine2;
    int m_currentGpsLine = 1;
    // What the receiver's service held at the last two samplings of a run:
    // the driver keeps the last sentences of a receiver that fell silent.
    QString m_gpsSample[2];
    int m_gpsSamples = 0;
    // Charge controller, fuel gauge, audio codec, Bluetooth in, Bluetooth
    // out, GPS.
    bool m_test1 = false;
    bool m_test2 = false;
    bool m_test3 = false;
    bool m_test4 = false;
    bool m_test5 = false;
    bool m_test6 = false;
};

#endif // TESTMENUSELFTEST_H
