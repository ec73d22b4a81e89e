#include "testmenuaudioloopback.h"
#include "ui_testmenuaudioloopback.h"

#include "audiocodecsetup.h"
#include "audioworker.h"
#include "bluetooth.h"
#include "mainmenu.h"
#include "testmenuaudio.h"
#include "testmenuremotectrl.h"

#include <QDebug>
#include <QTimer>

TestMenuAudioLoopback::TestMenuAudioLoopback(QWidget *parent)
    : TestDialog(Setup{"cmdTestAudioLoopback"}, parent), ui(new Ui::TestMenuAudioLoopback)
{
    ui->setupUi(this);
    if (MainMenu *w = MainMenu::getInstanceMainMenu()) {
        m_btSource = w->getBtSourceInstance();
        m_btSink = w->getBtSinkInstance();
        m_audioCodec = w->getAudioCodecInstance();
    }
    if (m_btSink) {
        connect(m_btSink, &Bluetooth::btModulReset, this, &TestMenuAudioLoopback::btModulResetReceivedSink,
                Qt::UniqueConnection);
        connect(m_btSink, &Bluetooth::btPairingOk, this, &TestMenuAudioLoopback::btModulPairingSinkOk,
                Qt::UniqueConnection);
    }
    if (m_btSource)
        connect(m_btSource, &Bluetooth::btModulReset, this, &TestMenuAudioLoopback::btModulResetReceivedSource,
                Qt::UniqueConnection);
    // Each driver keeps its module's own address from the answer; the sink
    // pairs with the source module's.
    if (m_btSource)
        m_btSource->sendData(QStringLiteral("SET BT BDADDR"));
    if (m_btSink)
        m_btSink->sendData(QStringLiteral("SET BT BDADDR"));
    TestmenuAudio::openAudioPath(m_audioCodec, false);

    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &TestMenuAudioLoopback::updateState);
    m_timerValues = new QTimer(this);
    connect(m_timerValues, &QTimer::timeout, this, &TestMenuAudioLoopback::updateValues);
    m_timerSink = new QTimer(this);
    m_timerSink->setSingleShot(true);
    connect(m_timerSink, &QTimer::timeout, this, &TestMenuAudioLoopback::freeSinkModule);
}

TestMenuAudioLoopback::~TestMenuAudioLoopback()
{
    m_timer->stop();
    m_timerValues->stop();
    m_timerSink->stop();
    delete ui;
}

bool TestMenuAudioLoopback::executeOwnCommand(const QString &command)
{
    auto starts = [&command](const char *prefix) { return command.startsWith(QLatin1String(prefix)); };
    auto verdict = [](bool ok) { return ok ? QStringLiteral("OK") : QStringLiteral("ERROR"); };
    if (starts("cmdAudioLoopbackBtLoop"))
        on_butEnableBtLoop_clicked();
    else if (starts("cmdAudioLoopbackGetLevelResult"))
        remoteCtrl->writeResult(QStringLiteral("resAudioLoopbackLevelResult=") + verdict(m_measuredLevelOk));
    else if (starts("cmdAudioLoopbackGetLevelValue"))
        remoteCtrl->writeResult(
            QStringLiteral("resAudioLoopbackLevelValue=%1 dB").arg(double(m_rmsLevelValdB), 0, 'g', -1));
    else if (starts("cmdAudioLoopbackGetFrequencyResult"))
        remoteCtrl->writeResult(QStringLiteral("resAudioLoopbackFrequencyResult=") + verdict(m_measuredFrequencyOk));
    else if (starts("cmdAudioLoopbackGetFrequencyValue"))
        remoteCtrl->writeResult(QStringLiteral("resAudioLoopbackFrequencyValue=%1 Hz").arg(m_significandFrequency));
    else
        return false;
    return true;
}

void TestMenuAudioLoopback::stopTest()
{
    m_timer->stop();
    m_timerValues->stop();
    m_timerSink->stop();
    disconnect(m_sinkReady);
    if (MainMenu::getInstanceMainMenu())
        Audioworker()->stopAudioRecording();
}

void TestMenuAudioLoopback::on_butEnableBtLoop_clicked()
{
    ui->labelStatus->setText(QStringLiteral("Init started. Please wait..."));
    if (!m_btSink) {
        restartModules();
        return;
    }
    // The sink's driver takes its module to command mode (out of a data
    // link, after a call under way); the modules are reset the moment it is
    // there, before the driver selects the data link again.
    if (m_btSink->isCommandModeKnown()) {
        restartModules();
        return;
    }
    disconnect(m_sinkReady);
    m_sinkReady = connect(m_btSink, &Bluetooth::commandModeReached, this, &TestMenuAudioLoopback::freeSinkModule);
    m_timerSink->start(kCommandModeWaitMs);
    m_btSink->switchBtMode(0);
}

void TestMenuAudioLoopback::freeSinkModule()
{
    if (!m_btSink->isCommandModeKnown())
        qDebug() << "Testmode: sink module not in command mode";
    disconnect(m_sinkReady);
    m_timerSink->stop();
    restartModules();
}

void TestMenuAudioLoopback::restartModules()
{
    if (m_btSink)
        m_btSink->disconnectBtDevice();
    if (m_btSource)
        m_btSource->disconnectBtDevice();
    m_sinkResetReceived = false;
    m_sourceResetReceived = false;
    ui->labelStatus->setText(QStringLiteral("Init started. Please wait..."));
    if (m_btSink) {
        m_btSink->initBtModulSink();
        m_btSink->sendData(QStringLiteral("RESET"));
        m_btSink->resetBluetooth(QString());
    }
    if (m_btSource) {
        m_btSource->sendData(QStringLiteral("SET CONTROL PAIR *"));
        m_btSource->initBtModulSourceTestmode();
        m_btSource->sendData(QStringLiteral("RESET"));
        m_btSource->resetBluetooth(QString());
    }
    m_loopbackMode = true;
}

void TestMenuAudioLoopback::btModulResetReceivedSink()
{
    m_sinkResetReceived = true;
    ui->labelStatus->setText(QStringLiteral("Modul Sink reset."));
    if (m_sinkResetReceived && m_sourceResetReceived)
        startPairingModuls();
}

void TestMenuAudioLoopback::btModulResetReceivedSource()
{
    m_sourceResetReceived = true;
    ui->labelStatus->setText(QStringLiteral("Modul Source reset."));
    if (m_sinkResetReceived && m_sourceResetReceived)
        startPairingModuls();
}

void TestMenuAudioLoopback::startPairingModuls()
{
    ui->labelStatus->setText(QStringLiteral("Moduls resetted. Pairing moduls ..."));
    const QString line = QStringLiteral("PAIR %1").arg(m_btSource->getBtIdModul());
    m_btSink->sendData(line);
    qDebug() << "Testmode:" << line;
    m_timer->start(kStatePollMs);
}

void TestMenuAudioLoopback::btModulPairingSinkOk()
{
    ui->labelStatus->setText(QStringLiteral("Modul Sink paired. Starting call ..."));
    if (m_loopbackMode)
        m_btSink->callBtDeviceA2DP(false);
    m_timer->start(kStatePollMs);
}

void TestMenuAudioLoopback::updateState()
{
    if (!m_btSink || !m_btSink->isConnectedA2DP() || !m_loopbackMode)
        return;
    ui->labelStatus->setText(QStringLiteral("Connected in Testmode"));
    qDebug() << "Connected in Testmode";
    m_timer->stop();
    if (m_audioCodec)
        m_audioCodec->setInputPath(3);
    m_btSink->setBtDacGain(15);
    if (m_btSource)
        m_btSource->setBtAdcGain(10);
    m_timerValues->start(kMeasureMs);
    showPass();
}

void TestMenuAudioLoopback::updateValues()
{
    float level = 0;
    qint32 frequency = 0;
    TestmenuAudio::measure(&level, &frequency);
    ui->labelLevel->setText(QStringLiteral("Level = %1 dB").arg(double(level), 0, 'g', -1));
    ui->labelFrequency->setText(QStringLiteral("Frequency = %1 Hz").arg(frequency));
    m_significandFrequency = frequency;
    m_rmsLevelValdB = level;
    m_measuredLevelOk = levelOk(level);
    m_measuredFrequencyOk = frequencyOk(frequency);
}
