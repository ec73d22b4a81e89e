#include "testmenuselftest.h"
#include "ui_testmenuselftest.h"

#include "bluetooth.h"
#include "commandrunner.h"
#include "deviceroot.h"
#include "gps.h"
#include "mainmenu.h"
#include "regularfile.h"
#include "testmenuremotectrl.h"

#include <QFile>
#include <QTimer>

const char TestmenuSelftest::kChargerName[] = "/sys/class/power_supply/bq24190-battery/device/name";
const char TestmenuSelftest::kChargerStatus[] = "/sys/class/power_supply/bq24190-battery/status";
const char TestmenuSelftest::kGaugeName[] = "/sys/class/power_supply/bq27426-0/device/name";
const char TestmenuSelftest::kGaugeVoltage[] = "/sys/class/power_supply/bq27426-0/voltage_now";
const char TestmenuSelftest::kMixerFormat[] = "amixer sset \"PCM\" %1";

namespace {

// The first bytes of a driver file, lower case, without surrounding white
// space; false when the file does not open as a regular file.
bool readDriverWord(const char *boardPath, QString *word)
{
    QFile file;
    if (RegularFile::openForReading(DeviceRoot::path(QLatin1String(boardPath)), &file)
        != RegularFile::Status::Ok)
        return false;
    *word = QString::fromLatin1(file.read(TestmenuSelftest::kMaxWordBytes)).toLower().trimmed();
    return true;
}

// A chip answers through its driver: the driver's name file names it, then
// its value file is read. 0 with the value; -2 (name file not opened), -1
// (another name) or -4 (value file not opened) with the text to show.
int readChipFiles(const char *nameFile, const char *name, const char *valueFile, QString *value, QString *text)
{
    QString word;
    if (!readDriverWord(nameFile, &word)) {
        *text = QStringLiteral("ERR: File open 1");
        return -2;
    }
    if (word != QLatin1String(name)) {
        *text = QStringLiteral("ERR: Wrong name");
        return -1;
    }
    if (!readDriverWord(valueFile, value)) {
        *text = QStringLiteral("ERR: File open 2");
        return -4;
    }
    return 0;
}

bool isRecordedSentence(const QString &sentence)
{
    for (const char *prefix : {"$GPRMC", "$GNRMC", "$GPGSA", "$GNGSA"}) {
        if (sentence.startsWith(QLatin1String(prefix)))
            return true;
    }
    return false;
}

} // namespace

TestmenuSelftest::TestmenuSelftest(QWidget *parent)
    : TestDialog(Setup{"cmdTestSelftest"}, parent), ui(new Ui::TestmenuSelftest), m_timerGps(new QTimer(this))
{
    ui->setupUi(this);
    if (MainMenu *w = MainMenu::getInstanceMainMenu()) {
        m_btSink = w->getBtSinkInstance();
        m_btSource = w->getBtSourceInstance();
        m_gpsModul = w->getGpsInstance();
    }
    // Precise: a coarse timer may be 5 % off, which could put the second
    // sampling (2400 ms) after the analysis (3000 ms).
    m_timerGps->setTimerType(Qt::PreciseTimer);
    connect(m_timerGps, &QTimer::timeout, this, &TestmenuSelftest::updateGps);
}

TestmenuSelftest::~TestmenuSelftest()
{
    delete ui;
}

void TestmenuSelftest::stopTest()
{
    m_timerGps->stop();
}

bool TestmenuSelftest::allPassed() const
{
    return m_test1 && m_test2 && m_test3 && m_test4 && m_test5 && m_test6;
}

void TestmenuSelftest::offerPassIfAllPassed()
{
    if (allPassed())
        showPass();
}

// The start command first, the verdicts next, then the status questions.
void TestmenuSelftest::executeCommand(QString command)
{
    if (command.startsWith(QLatin1String("cmdSelftestStart"))) {
        on_butStart_clicked();
        return;
    }
    if (executeVerdictCommand(command))
        return;
    if (answerStatus(command))
        return;
    answerOpeningOrUnknown(command);
}

bool TestmenuSelftest::answerStatus(const QString &command)
{
    const struct {
        const char *name;
        bool passed;
    } checks[] = {
        {"ChargeController", m_test1}, {"FuelGauge", m_test2}, {"AudioCodec", m_test3},
        {"BtIn", m_test4},             {"BtOut", m_test5},     {"GPS", m_test6},
        {"Selftest", allPassed()},
    };
    for (const auto &c : checks) {
        if (command.startsWith(QLatin1String("cmdSelftestGetStatus") + QLatin1String(c.name))) {
            remoteCtrl->writeResult(QStringLiteral("resSelftestStatus%1=%2")
                                        .arg(QLatin1String(c.name), c.passed ? QLatin1String("OK")
                                                                             : QLatin1String("ERROR")));
            return true;
        }
    }
    return false;
}

void TestmenuSelftest::on_butStart_clicked()
{
    m_test1 = m_test2 = m_test3 = m_test4 = m_test5 = m_test6 = false;
    QLabel *const states[] = {ui->labelStateChargeController, ui->labelStateFuelGauge, ui->labelStateAudioCodec,
                              ui->labelStateBtIn,             ui->labelStateBtOut,     ui->labelStateGps};
    for (QLabel *label : states)
        label->setText(QStringLiteral("..."));

    // Each check in turn: its label, its pass flag, the check itself.
    const struct {
        QLabel *label;
        const char *running;
        bool *passed;
        int (TestmenuSelftest::*check)(QString *);
    } steps[] = {
        {ui->labelStateChargeController, "started", &m_test1, &TestmenuSelftest::startTestChargeController},
        {ui->labelStateFuelGauge, "...", &m_test2, &TestmenuSelftest::startTestFuelGauge},
        {ui->labelStateAudioCodec, "...", &m_test3, &TestmenuSelftest::startTestAudioCodec},
        {ui->labelStateBtIn, "...", &m_test4, &TestmenuSelftest::startTestBluetoothIn},
        {ui->labelStateBtOut, "...", &m_test5, &TestmenuSelftest::startTestBluetoothOut},
        {ui->labelStateGps, "...", &m_test6, &TestmenuSelftest::startTestGps},
    };
    for (const auto &step : steps) {
        step.label->setText(QLatin1String(step.running));
        QString text;
        const int result = (this->*step.check)(&text);
        if (result == 0) {
            step.label->setText(QStringLiteral("OK"));
            *step.passed = true;
        } else {
            step.label->setText(text);
        }
    }
    offerPassIfAllPassed();
}

int TestmenuSelftest::startTestChargeController(QString *text)
{
    QString status;
    const int opened = readChipFiles(kChargerName, "bq24190", kChargerStatus, &status, text);
    if (opened != 0)
        return opened;
    if (status == QLatin1String("charging") || status == QLatin1String("discharging") || status == QLatin1String("full")) {
        *text = QStringLiteral("OK");
        return 0;
    }
    *text = QStringLiteral("ERR: Stat:") + status;
    return -3;
}

int TestmenuSelftest::startTestFuelGauge(QString *text)
{
    QString voltage;
    const int opened = readChipFiles(kGaugeName, "bq27426", kGaugeVoltage, &voltage, text);
    if (opened != 0)
        return opened;
    // Microvolts; a text that is no number counts as 0 and fails.
    bool number = false;
    qint64 microvolts = voltage.toLongLong(&number);
    if (!number)
        microvolts = 0;
    if (microvolts >= kMinMicrovolts && microvolts <= kMaxMicrovolts) {
        *text = QStringLiteral("OK");
        return 0;
    }
    *text = QStringLiteral("ERR: Wrong voltage");
    return -3;
}

// The codec answers when the mixer tool can set its PCM control and reads
// back the value it was given; the check leaves the control at 127.
int TestmenuSelftest::startTestAudioCodec(QString *text)
{
    const struct {
        int volume;
        const char *failure;
        int result;
    } runs[] = {{22, "ERR: Mixer 1", -1}, {127, "ERR: Mixer 2", -2}};
    for (const auto &run : runs) {
        const CommandRunner::Result r =
            CommandRunner::runWithTimeout(QString::fromLatin1(kMixerFormat).arg(run.volume), kMixerWaitMs);
        const QByteArray expected = "Playback " + QByteArray::number(run.volume);
        if (!r.output.contains(expected)) {
            *text = QLatin1String(run.failure);
            return run.result;
        }
    }
    *text = QStringLiteral("OK");
    return 0;
}

int TestmenuSelftest::startTestBluetooth(Bluetooth *module, void (TestmenuSelftest::*received)(),
                                         bool *okReceived, void (TestmenuSelftest::*analyse)(), QString *text)
{
    *okReceived = false;
    if (module) {
        // Unique: a second run adds no second connection.
        connect(module, &Bluetooth::btAtOk, this, received, Qt::UniqueConnection);
        module->sendData(QStringLiteral("AT"));
    }
    // Bound to the dialog: an analysis still pending when the test closes
    // is dropped with it.
    QTimer::singleShot(kBtJudgeMs, Qt::PreciseTimer, this, analyse);
    *text = QStringLiteral("wait ...");
    return 1;
}

int TestmenuSelftest::startTestBluetoothIn(QString *text)
{
    return startTestBluetooth(m_btSink, &TestmenuSelftest::receivedAtOkSink, &m_btSinkAtOkReceived,
                              &TestmenuSelftest::analyseResultBtSink, text);
}

int TestmenuSelftest::startTestBluetoothOut(QString *text)
{
    return startTestBluetooth(m_btSource, &TestmenuSelftest::receivedAtOkSource, &m_btSourceAtOkReceived,
                              &TestmenuSelftest::analyseResultBtSource, text);
}

void TestmenuSelftest::receivedAtOkSink()
{
    m_btSinkAtOkReceived = true;
}

void TestmenuSelftest::receivedAtOkSource()
{
    m_btSourceAtOkReceived = true;
}

void TestmenuSelftest::judgeBluetooth(bool okReceived, bool *passFlag, QLabel *label)
{
    if (!okReceived) {
        label->setText(QStringLiteral("ERROR"));
        return;
    }
    label->setText(QStringLiteral("OK"));
    *passFlag = true;
    offerPassIfAllPassed();
}

void TestmenuSelftest::analyseResultBtSink()
{
    judgeBluetooth(m_btSinkAtOkReceived, &m_test4, ui->labelStateBtIn);
}

void TestmenuSelftest::analyseResultBtSource()
{
    judgeBluetooth(m_btSourceAtOkReceived, &m_test5, ui->labelStateBtOut);
}

// A receiver that talks sends new sentences each second: two samplings 1.2 s
// apart keep two different ones (RMC and GSA, or two RMC of other seconds),
// and the second finds other sentences than the first.
int TestmenuSelftest::startTestGps(QString *text)
{
    m_currentGpsLine = 1;
    m_gpsLine1.clear();
    m_gpsLine2.clear();
    m_gpsSamples = 0;
    m_timerGps->start(kGpsSampleMs);
    QTimer::singleShot(kGpsJudgeMs, Qt::PreciseTimer, this, &TestmenuSelftest::analyseResultGps);
    *text = QStringLiteral("wait ...");
    return 1;
}

void TestmenuSelftest::updateGps()
{
    const QString nmea = m_gpsModul ? m_gpsModul->getNmeaString() : QString();
    m_gpsSample[0] = m_gpsSample[1];
    m_gpsSample[1] = nmea;
    ++m_gpsSamples;
    const QStringList parts = nmea.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const QString sentence = part.trimmed();
        if (isRecordedSentence(sentence))
            keepGpsSentence(sentence);
    }
}

void TestmenuSelftest::keepGpsSentence(const QString &sentence)
{
    if (m_currentGpsLine == 1) {
        m_gpsLine1 = sentence;
        m_currentGpsLine = 2;
    } else {
        m_gpsLine2 = sentence;
        m_currentGpsLine = 1;
    }
}

void TestmenuSelftest::analyseResultGps()
{
    m_timerGps->stop();
    // The driver keeps the sentences of a receiver that fell silent: an
    // RMC and a GSA kept from then would differ forever. A receiver that
    // talks has sent a new second between the two samplings.
    const bool fresh = m_gpsSamples >= 2 && m_gpsSample[0] != m_gpsSample[1];
    if (!fresh || m_gpsLine1 == m_gpsLine2 || !isRecordedSentence(m_gpsLine1)) {
        ui->labelStateGps->setText(QStringLiteral("ERROR"));
        return;
    }
    ui->labelStateGps->setText(QStringLiteral("OK"));
    m_test6 = true;
    offerPassIfAllPassed();
}
