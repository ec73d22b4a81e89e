#include "testmenuaudio.h"
#include "ui_testmenuaudio.h"

#include "analoginputworker.h"
#include "audiocodecsetup.h"
#include "audioworker.h"
#include "bluetooth.h"
#include "deviceroot.h"
#include "driverhelper.h"
#include "mainmenu.h"
#include "regularfile.h"
#include "testmenuremotectrl.h"

#include <QDebug>
#include <QFile>
#include <QTimer>

#include <cmath>

const char TestmenuAudio::kDefaultMicAddress[] = "02:00:00:39:0a:01";
const char TestmenuAudio::kDefaultHpAddress[] = "02:00:00:39:0a:02";
const char TestmenuAudio::kMicAddressFile[] = "/home/root/testBtIdMic";
const char TestmenuAudio::kHpAddressFile[] = "/home/root/testBtIdHp";
const char TestmenuAudio::kPeriodFile[] = "/sys/class/pwm/pwmchip1/pwm0/period";
const char TestmenuAudio::kDutyCycleFile[] = "/sys/class/pwm/pwmchip1/pwm0/duty_cycle";
const char TestmenuAudio::kEnableFile[] = "/sys/class/pwm/pwmchip1/pwm0/enable";

namespace {

constexpr int kAddressLength = 17;

} // namespace

TestmenuAudio::TestmenuAudio(QWidget *parent)
    : TestDialog(Setup{"cmdTestAudioChannels"}, parent), ui(new Ui::TestmenuAudio)
{
    ui->setupUi(this);
    MainMenu *w = MainMenu::getInstanceMainMenu();
    if (w) {
        m_btSource = w->getBtSourceInstance();
        m_btSink = w->getBtSinkInstance();
        m_audioCodec = w->getAudioCodecInstance();
    }
    if (m_btSink)
        m_btSink->disconnectBtDevice();
    if (m_btSource)
        m_btSource->disconnectBtDevice();
    if (m_btSource) {
        connect(m_btSource, &Bluetooth::btModulReset, this, &TestmenuAudio::btModulResetReceivedSource,
                Qt::UniqueConnection);
        connect(m_btSource, &Bluetooth::btPairingOk, this, &TestmenuAudio::btModulPairingSourceOk,
                Qt::UniqueConnection);
    }
    if (m_btSink) {
        connect(m_btSink, &Bluetooth::btModulReset, this, &TestmenuAudio::btModulResetReceivedSink,
                Qt::UniqueConnection);
        connect(m_btSink, &Bluetooth::btPairingOk, this, &TestmenuAudio::btModulPairingSinkOk,
                Qt::UniqueConnection);
    }
    // Each driver keeps its module's own address from the answer.
    if (m_btSource)
        m_btSource->sendData(QStringLiteral("SET BT BDADDR"));
    if (m_btSink)
        m_btSink->sendData(QStringLiteral("SET BT BDADDR"));
    openAudioPath(m_audioCodec, true);
    m_inputPath = 1;

    auto makeTimer = [this](void (TestmenuAudio::*slot)()) {
        auto *t = new QTimer(this);
        connect(t, &QTimer::timeout, this, slot, Qt::UniqueConnection);
        return t;
    };
    m_timerSink = makeTimer(&TestmenuAudio::updateStateSink);
    m_timerSource = makeTimer(&TestmenuAudio::updateStateSource);
    m_timerValueUpdate = makeTimer(&TestmenuAudio::updateValue);
    m_timerCheckBtConnectionSink = makeTimer(&TestmenuAudio::checkConnectionSink);
    m_timerCheckBtConnectionSource = makeTimer(&TestmenuAudio::checkConnectionSource);
    if (m_btSink)
        connect(m_btSink, &Bluetooth::btSensorvalueReceived, this, &TestmenuAudio::btReceivedSensorvalue,
                Qt::UniqueConnection);

    readAddressFiles();
    ui->labelStatusSink->setText(QStringLiteral("Sink-Id: %1").arg(m_btIdMic));
    ui->labelStatusSource->setText(QStringLiteral("Source-Id: %1").arg(m_btIdHp));
}

TestmenuAudio::~TestmenuAudio()
{
    m_timerSink->stop();
    m_timerSource->stop();
    m_timerValueUpdate->stop();
    m_timerCheckBtConnectionSink->stop();
    m_timerCheckBtConnectionSource->stop();
    delete ui;
}

void TestmenuAudio::openAudioPath(AudioCodecSetup *codec, bool selectInput1)
{
    // Without the main window (a test of the frame alone) there is no audio
    // path to open.
    MainMenu *w = MainMenu::getInstanceMainMenu();
    if (!w || !codec)
        return;
    codec->init();
    codec->setFilter(quint32(-1), quint32(-1), 0);
    codec->setRouting(0);
    if (selectInput1)
        codec->setInputPath(1);
    // Recording and capture start paused and run only once the path is
    // opened: the path is opened after they start, or nothing would be
    // measured until something else opened it.
    Audioworker()->startAudioRecording();
    Analoginputworker()->startCapture();
    w->muteAudioPath(false, true);
    codec->setLoopbackEnable(true);
    w->setMicGainStep(3);
}

void TestmenuAudio::measure(float *levelDb, qint32 *frequency)
{
    float rms = 0, peak = 0, minimum = 0;
    AnalogInputWorker *analysis = Analoginputworker();
    analysis->getAudioLevel(&rms, &peak, &minimum);
    *levelDb = AnalogInputWorker::audioLevelToDb(rms);
    *frequency = qint32(analysis->getSignificandFrequency());
}

QString TestmenuAudio::readAddressFile(const char *boardPath, const char *defaultAddress, const char *logName)
{
    QFile file;
    if (RegularFile::openForReading(DeviceRoot::path(QString::fromLatin1(boardPath)), &file)
        != RegularFile::Status::Ok)
        return QString::fromLatin1(defaultAddress);
    QByteArray bytes = file.read(kAddressLength);
    // A line end must never reach the module as a command of its own.
    for (char stop : {'\0', '\r', '\n'}) {
        const int at = bytes.indexOf(stop);
        if (at >= 0)
            bytes.truncate(at);
    }
    const QString address = QString::fromUtf8(bytes).trimmed();
    qDebug() << logName << address;
    return address;
}

void TestmenuAudio::readAddressFiles()
{
    m_btIdMic = readAddressFile(kMicAddressFile, kDefaultMicAddress, "BT-Id MIC from file:");
    m_btIdHp = readAddressFile(kHpAddressFile, kDefaultHpAddress, "BT-Id HP from file:");
}

qint64 TestmenuAudio::tickerPeriodNs(int v)
{
    if (v <= 0)
        return 1000000000;
    if (v > 4096)
        return 10000000;
    const qint64 n = qint64(4096.0 / double(v) * 10.0);
    if (n <= 9)
        return 10000000;
    if (n > 1000)
        return 1000000000;
    return n * 1000000;
}

int TestmenuAudio::sensorValueOf(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return 0;
    // Bounded before the conversion: a huge value from the unit must not
    // overflow the integer.
    return int(std::trunc(qBound(-1e9, value, 1e9)));
}

bool TestmenuAudio::executeOwnCommand(const QString &command)
{
    auto starts = [&command](const char *prefix) { return command.startsWith(QLatin1String(prefix)); };
    static const struct {
        const char *prefix;
        void (TestmenuAudio::*action)();
    } actions[] = {
        {"cmdAudioSelCh1", &TestmenuAudio::on_butSelCh_1_clicked},
        {"cmdAudioSelCh2", &TestmenuAudio::on_butSelCh_2_clicked},
        {"cmdAudioSelCh3", &TestmenuAudio::on_butSelCh_3_clicked},
    };
    for (const auto &a : actions) {
        if (starts(a.prefix)) {
            (this->*a.action)();
            return true;
        }
    }
    const float levels[] = {m_levelCh1, m_levelCh2, m_levelCh3};
    for (int ch = 1; ch <= 3; ++ch) {
        if (starts(qPrintable(QStringLiteral("cmdAudioGetLevelCh%1").arg(ch)))) {
            remoteCtrl->writeResult(levelAnswer(ch, levels[ch - 1]));
            return true;
        }
    }
    const qint32 frequencies[] = {m_frequCh1, m_frequCh2, m_frequCh3};
    for (int ch = 1; ch <= 3; ++ch) {
        if (starts(qPrintable(QStringLiteral("cmdAudioGetFrequencyCh%1").arg(ch)))) {
            remoteCtrl->writeResult(frequencyAnswer(ch, frequencies[ch - 1]));
            return true;
        }
    }
    static const struct {
        const char *prefix;
        void (TestmenuAudio::*action)();
    } buttons[] = {
        {"cmdAudioStartConnection", &TestmenuAudio::on_butStartConnection_clicked},
        {"cmdAudioMute", &TestmenuAudio::on_butMute_clicked},
        {"cmdAudioPair", &TestmenuAudio::on_butPair_clicked},
        {"cmdAudioCall", &TestmenuAudio::on_butCall_clicked},
    };
    for (const auto &b : buttons) {
        if (starts(b.prefix)) {
            (this->*b.action)();
            return true;
        }
    }
    return false;
}

// Levels as a whole number at least two characters wide ("54", " 5"); "-"
// for a channel that is not selected. CH 2 has no frequency.
QString TestmenuAudio::levelAnswer(int channel, float level) const
{
    const QString key = QStringLiteral("resAudioLevelCh%1=").arg(channel);
    return m_inputPath == channel ? key + QStringLiteral("%1").arg(double(level), 2, 'f', 0) : key + QLatin1Char('-');
}

QString TestmenuAudio::frequencyAnswer(int channel, qint32 frequency) const
{
    const QString key = QStringLiteral("resAudioFrequencyCh%1=").arg(channel);
    return m_inputPath == channel && channel != 2 ? key + QString::number(frequency) : key + QLatin1Char('-');
}

void TestmenuAudio::stopTest()
{
    if (MainMenu::getInstanceMainMenu())
        Audioworker()->stopAudioRecording();
}

void TestmenuAudio::selectCodecInput(int input, long pgaGain)
{
    if (m_audioCodec) {
        if (pgaGain >= 0)
            m_audioCodec->setMicPgaGain(pgaGain);
        m_audioCodec->setInputPath(input);
    }
    m_inputPath = input;
}

void TestmenuAudio::on_butSelCh_1_clicked()
{
    selectCodecInput(1, 300);
}

void TestmenuAudio::on_butSelCh_2_clicked()
{
    DriverHelper::writeFile(kPeriodFile, "50000000");
    DriverHelper::writeFile(kDutyCycleFile, "100000");
    DriverHelper::writeFile(kEnableFile, "1");
    selectCodecInput(2, -1);
    if (m_btSink)
        connect(m_btSink, &Bluetooth::btSensorvalueReceived, this, &TestmenuAudio::btReceivedSensorvalue,
                Qt::UniqueConnection);
}

void TestmenuAudio::on_butSelCh_3_clicked()
{
    selectCodecInput(3, 2250);
}

void TestmenuAudio::on_butStartConnection_clicked()
{
    m_timerSink->stop();
    m_timerSource->stop();
    m_timerValueUpdate->stop();
    if (m_btSink)
        m_btSink->disconnectBtDevice();
    if (m_btSource)
        m_btSource->disconnectBtDevice();
    readAddressFiles();
    qDebug() << "Used BT-ID's Mic:" << m_btIdMic << "Hp:" << m_btIdHp;

    ui->labelStatusSink->setText(QStringLiteral("Init started. Please wait..."));
    if (m_btSink) {
        m_btSink->sendData(QStringLiteral("SET CONTROL PAIR *"));
        m_btSink->initBtModulSink();
        m_btSink->sendData(QStringLiteral("RESET"));
        m_btSink->resetBluetooth(m_btIdMic);
    }
    ui->labelStatusSource->setText(QStringLiteral("Init started. Please wait..."));
    if (m_btSource) {
        m_btSource->sendData(QStringLiteral("SET CONTROL PAIR *"));
        m_btSource->initBtModulSource();
        m_btSource->sendData(QStringLiteral("RESET"));
        m_btSource->resetBluetooth(m_btIdHp);
    }
}

void TestmenuAudio::pairSink()
{
    const QString line = QStringLiteral("PAIR %1").arg(m_btIdMic);
    m_btSink->sendData(line);
    qDebug() << "Pair Transmitter:" << line;
}

void TestmenuAudio::pairSource()
{
    const QString line = QStringLiteral("PAIR %1").arg(m_btIdHp);
    m_btSource->sendData(line);
    qDebug() << "Pair Receiver:" << line;
}

void TestmenuAudio::btModulResetReceivedSink()
{
    ui->labelStatusSink->setText(QStringLiteral("Modul Sink reset received."));
    m_btSink->sendData(QStringLiteral("SET CONTROL PAIR *"));
    m_btSink->initBtModulSink();
    m_btSink->setBtDacGain(15);
    if (MainMenu *w = MainMenu::getInstanceMainMenu())
        w->setMicGainStep(3);
    pairSink();
}

void TestmenuAudio::btModulResetReceivedSource()
{
    ui->labelStatusSource->setText(QStringLiteral("Modul Source reset received."));
    m_btSource->sendData(QStringLiteral("SET CONTROL PAIR *"));
    m_btSource->initBtModulSource();
    pairSource();
}

void TestmenuAudio::btModulPairingSinkOk()
{
    ui->labelStatusSink->setText(QStringLiteral("Modul Sink paired. Starting call ..."));
    m_btSink->callBtDeviceA2DP(true);
    m_timerSink->start(kStatePollMs);
}

void TestmenuAudio::btModulPairingSourceOk()
{
    ui->labelStatusSource->setText(QStringLiteral("Modul Source paired. Starting call ..."));
    m_btSource->setBtAdcGain(9);
    m_btSource->callBtDeviceA2DP(false);
    m_timerSource->start(kStatePollMs);
}

void TestmenuAudio::updateStateSink()
{
    if (!m_btSink)
        return;
    if (!m_btSink->isConnectedRFCOMM()) {
        ui->labelStatusSink->setText(m_btSink->isConnectedA2DP() ? QStringLiteral("A2DP OK. Waiting for data ...")
                                                                  : QStringLiteral("Waiting for call ..."));
        return;
    }
    m_timerSink->stop();
    ui->labelStatusSink->setText(QStringLiteral("Call active to microphone"));
    selectCodecInput(1, 300);
    if (MainMenu *w = MainMenu::getInstanceMainMenu())
        w->muteAudioPath(false, true);
    m_btSink->sendData(QStringLiteral("BT_TX X DEBUG"));
    m_timerCheckBtConnectionSink->start(kConnectionCheckMs);
    showPass();
}

void TestmenuAudio::updateStateSource()
{
    if (!m_btSource)
        return;
    if (!m_btSource->isConnectedA2DP()) {
        ui->labelStatusSource->setText(QStringLiteral("Waiting for call ..."));
        return;
    }
    m_timerSource->stop();
    ui->labelStatusSource->setText(QStringLiteral("Call active to headphone"));
    m_timerValueUpdate->start(kValueUpdateMs);
    m_timerCheckBtConnectionSource->start(kConnectionCheckMs);
    showPass();
}

// While the link stays down each check restarts the 2 s poll, so the poll
// runs once the link has been back for a while.
void TestmenuAudio::checkConnectionSink()
{
    if (m_btSink && !m_btSink->isConnectedRFCOMM()) {
        ui->labelStatusSink->setText(QStringLiteral("Sink: Connection lost!"));
        m_timerSink->start(kLostPollMs);
    }
}

void TestmenuAudio::checkConnectionSource()
{
    if (m_btSource && !m_btSource->isConnectedA2DP()) {
        ui->labelStatusSource->setText(QStringLiteral("Source: Connection lost!"));
        m_timerSource->start(kLostPollMs);
    }
}

void TestmenuAudio::updateValue()
{
    float level = 0;
    qint32 frequency = 0;
    measure(&level, &frequency);
    const QString none = QStringLiteral("---");
    const QString shown = QStringLiteral("%1dB/%2Hz").arg(double(level), 2, 'f', 0).arg(frequency);
    switch (m_inputPath) {
    case 1:
        ui->labelValCh1->setText(shown);
        ui->labelValCh2->setText(none);
        ui->labelValCh3->setText(none);
        m_levelCh1 = level;
        m_frequCh1 = frequency;
        m_levelCh2 = m_levelCh3 = 0;
        m_frequCh2 = m_frequCh3 = 0;
        break;
    case 2:
        // The value and its label belong to the sensor-value reply.
        if (m_btSink)
            m_btSink->sendData(QStringLiteral("BT_TX S"));
        ui->labelValCh1->setText(none);
        ui->labelValCh3->setText(none);
        m_frequCh1 = m_frequCh2 = m_frequCh3 = 0;
        m_levelCh1 = m_levelCh3 = 0;
        break;
    case 3:
        ui->labelValCh1->setText(none);
        ui->labelValCh2->setText(none);
        ui->labelValCh3->setText(shown);
        m_levelCh3 = level;
        m_frequCh3 = frequency;
        m_levelCh1 = m_levelCh2 = 0;
        m_frequCh1 = m_frequCh2 = 0;
        break;
    default:
        ui->labelValCh1->setText(none);
        ui->labelValCh2->setText(none);
        ui->labelValCh3->setText(none);
        m_levelCh1 = m_levelCh2 = m_levelCh3 = 0;
        m_frequCh1 = m_frequCh2 = m_frequCh3 = 0;
        break;
    }
}

void TestmenuAudio::btReceivedSensorvalue(QString a_sensorvalue, QString)
{
    m_h2level = sensorValueOf(a_sensorvalue);
    ui->labelValCh2->setText(QString::number(m_h2level));
    m_levelCh2 = float(m_h2level);
    DriverHelper::writeFile(kPeriodFile, QByteArray::number(tickerPeriodNs(m_h2level)).constData());
}

void TestmenuAudio::on_butMute_clicked()
{
    MainMenu *w = MainMenu::getInstanceMainMenu();
    if (!w)
        return;
    if (w->isAudioPathMuted()) {
        w->muteAudioPath(false, true);
        ui->butMute->setText(QStringLiteral("Mute"));
    } else {
        w->muteAudioPath(true, true);
        ui->butMute->setText(QStringLiteral("Unmute"));
    }
}

void TestmenuAudio::on_butPair_clicked()
{
    if (!m_btSink || !m_btSource)
        return;
    m_btSink->disconnectBtDevice();
    m_btSource->disconnectBtDevice();
    pairSource();
    pairSink();
}

void TestmenuAudio::on_butCall_clicked()
{
    if (m_btSource) {
        m_btSource->callBtDeviceA2DP(false);
        qDebug() << "Call Receiver";
    }
    m_timerSource->start(kStatePollMs);
    if (m_btSink) {
        m_btSink->callBtDeviceA2DP(true);
        qDebug() << "Call Transmitter";
    }
    m_timerSink->start(kStatePollMs);
    selectCodecInput(1, 300);
}
