#include "debuggain.h"
#include "ui_debuggain.h"

#include "audiocodecsetup.h"
#include "audioworker.h"
#include "bluetooth.h"
#include "mainmenu.h"

#include <QDebug>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace GainSteps {

int micDb(int step)
{
    return 3 * step - 27;
}

int btDacDb(int step)
{
    return 3 * step - 42;
}

float mixerAmpDb(int step)
{
    static const float table[40] = {0.0f,   -0.4f,  -0.9f,  -1.3f,  -1.8f,  -2.3f,  -2.9f,  -3.3f,
                                    -3.9f,  -4.3f,  -4.8f,  -5.2f,  -5.8f,  -6.3f,  -6.6f,  -7.2f,
                                    -7.8f,  -8.2f,  -8.5f,  -9.3f,  -9.7f,  -10.1f, -10.6f, -11.0f,
                                    -11.5f, -12.0f, -12.6f, -13.2f, -13.8f, -14.5f, -15.3f, -16.1f,
                                    -17.0f, -18.1f, -19.2f, -20.6f, -22.1f, -24.1f, -26.6f, -30.1f};
    return step >= 0 && step < 40 ? table[step] : 0.0f;
}

QString hex2(int step)
{
    return QStringLiteral("%1").arg(step, 2, 16, QLatin1Char('0'));
}

QString shortDb(float dB)
{
    return QString::number(double(dB), 'g', 6);
}

long hundredths(float dB)
{
    return long(dB * 100.0f);
}

} // namespace GainSteps

using namespace GainSteps;

namespace {

QString hexDbLabel(int dB, int step)
{
    return QStringLiteral("%1 dB (0x%2)").arg(dB).arg(hex2(step));
}

QString floatDbLabel(float dB, int step)
{
    return QStringLiteral("%1 dB (%2)").arg(shortDb(dB)).arg(step);
}

} // namespace

DebugGain::DebugGain(QWidget *parent)
    : KeyDialog(parent), ui(new Ui::DebugGain)
{
    ui->setupUi(this);
    takeMuteKey();
}

DebugGain::~DebugGain()
{
    if (m_timer)
        m_timer->stop();
    if (m_timer) // only a dialog that was initialised started the recording
        Audioworker()->stopAudioRecording();
    delete ui;
}

void DebugGain::init()
{
    MainMenu *w = MainMenu::getInstanceMainMenu();
    if (!w)
        return;
    m_btSource = w->getBtSourceInstance();
    m_btSink = w->getBtSinkInstance();
    selectPage(6);
    m_audioCodec = w->getAudioCodecInstance();
    if (m_audioCodec) {
        m_audioCodec->init();
        m_audioCodec->setFilter(std::numeric_limits<unsigned>::max(), std::numeric_limits<unsigned>::max(), 0);
    }
    applyDefaults();
    w->muteAudioPath(true, true);
    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &DebugGain::updateBtInfo);
    m_timer->start(kRefreshMs);
    // Capture and recording stay paused until the mute key opens the path.
    Audioworker()->startAudioRecording();
}

void DebugGain::applyDefaults()
{
    // Moving a slider runs its own slot as well, so a changed position sends
    // its command once more.
    if (m_audioCodec) {
        m_audioCodec->init();
        m_audioCodec->setFilter(std::numeric_limits<unsigned>::max(), std::numeric_limits<unsigned>::max(), 0);
    }

    m_groundMicGain = 15;
    m_groundMicGain_dB = micDb(15);
    ui->labGainMic->setText(hexDbLabel(m_groundMicGain_dB, m_groundMicGain));
    ui->slideGainMic->setValue(15);

    selectInput(1);

    m_btDacGain = 15;
    m_btDacGain_dB = btDacDb(15);
    ui->labelGainDacBluetooth->setText(hexDbLabel(m_btDacGain_dB, m_btDacGain));
    ui->slideGainDacBluetooth->setValue(15);
    if (m_btSink)
        m_btSink->setBtDacGain(15);

    m_acPgaGain = 6;
    m_acPgaGain_dB = 3.0f;
    ui->labelGainPgaAudiocodec->setText(floatDbLabel(m_acPgaGain_dB, m_acPgaGain));
    ui->slideGainPgaAudiocodec->setValue(6);
    if (m_audioCodec)
        m_audioCodec->setMicPgaGain(300);

    m_acAdcLevelgain = 4;
    m_acAdcLevelgain_dB = 2.0f;
    ui->labelGainAdcLevelgain->setText(floatDbLabel(m_acAdcLevelgain_dB, m_acAdcLevelgain));
    ui->slideGainAdcLevelgain->setValue(4);
    if (m_audioCodec)
        m_audioCodec->setAdcGain(200);

    m_acMixerAmpGain = 0;
    m_acMixerAmpGain_dB = 0;
    ui->labelGainMixerAmpAudiocodec->setText(floatDbLabel(0, 0));
    ui->slideGainMixerAmpAudiocodec->setValue(0);

    m_acDacPcmGain = 0;
    m_acDacPcmGain_dB = 0;
    ui->labelGainDacPcmAudiocodec->setText(floatDbLabel(0, 0));
    ui->slideGainDacPcmAudiocodec->setValue(0);
    if (m_audioCodec)
        m_audioCodec->setDacGain(0);

    m_acLineOutGain = 0;
    m_acLineOutGain_dB = 0;
    ui->labelGainLineOutAudiocodec->setText(floatDbLabel(0, 0));
    ui->slideGainLineOutAudiocodec->setValue(0);
    if (m_audioCodec)
        m_audioCodec->setLineOutGain(0);

    m_btAdcGain = 9;
    m_btAdcGain_dB = micDb(9);
    ui->labelGainAdcBluetooth->setText(hexDbLabel(m_btAdcGain_dB, m_btAdcGain));
    ui->slideGainAdcBluetooth->setValue(9);
    if (m_btSource)
        m_btSource->setBtAdcGain(9);

    m_headphoneVolStep = 8;
    if (m_btSource)
        m_btSource->sendData(QStringLiteral("AVRCP PDU 50 50"));
    ui->slideGainHeadphone->setValue(8);
    ui->labelGainHeadphone->setText(QStringLiteral("8"));

    updateOverview();
}

void DebugGain::updateOverview()
{
    QString routing;
    switch (m_acRoutingInputPath) {
    case 1:
        routing = QStringLiteral("Routing: IN1 (Bluetooth)");
        break;
    case 2:
        routing = QStringLiteral("Routing: IN2 (PWM H2-Sensor)");
        break;
    case 3:
        routing = QStringLiteral("Routing: IN3 (external Mic)");
        break;
    default:
        routing = QStringLiteral("Routing: unknown");
        break;
    }
    const QStringList lines = {
        QStringLiteral("Ground-Microphone Gain: %1 dB (0x%2)").arg(m_groundMicGain_dB).arg(hex2(m_groundMicGain)),
        routing,
        QStringLiteral("DAC Bluetooth: %1 dB (0x%2)").arg(m_btDacGain_dB).arg(hex2(m_btDacGain)),
        QStringLiteral("MicPGA Gain Codec: %1 dB (%2)").arg(shortDb(m_acPgaGain_dB)).arg(m_acPgaGain),
        QStringLiteral("ADC Level Gain Codec: %1 dB (%2)").arg(shortDb(m_acAdcLevelgain_dB)).arg(m_acAdcLevelgain),
        QStringLiteral("MixerAmp Gain Codec: %1 dB (%2)").arg(shortDb(m_acMixerAmpGain_dB)).arg(m_acMixerAmpGain),
        QStringLiteral("DAC PCM Gain Codec: %1 dB (%2)").arg(shortDb(m_acDacPcmGain_dB)).arg(m_acDacPcmGain),
        QStringLiteral("Line-Out Gain Codec: %1 dB (%2)").arg(shortDb(m_acLineOutGain_dB)).arg(m_acLineOutGain),
        QStringLiteral("ADC Bluetooth: %1 dB (0x%2)").arg(m_btAdcGain_dB).arg(hex2(m_btAdcGain)),
        QStringLiteral("Headphone Vol-Step: %1").arg(m_headphoneVolStep),
    };
    ui->textEditDefaultValues->clear();
    ui->textEditDefaultValues->setTextColor(Qt::black);
    for (const QString &line : lines)
        ui->textEditDefaultValues->append(line);
}

void DebugGain::updateBtInfo()
{
    if (m_btSink) {
        const QString text = m_btSink->getData();
        if (!text.isEmpty()) {
            ui->textMicResp->setTextColor(Qt::black);
            ui->textMicResp->append(text.trimmed());
        }
    }
    // The headphone module's text is taken so that it does not pile up.
    if (m_btSource)
        m_btSource->getData();
}

void DebugGain::selectPage(int page)
{
    QWidget *pages[] = {ui->pageBtMic, ui->pageRoutingCodec, ui->pageCodecIn, ui->pageCodecOut,
                        ui->pageBtHeadphone};
    if (page >= 1 && page <= 5) {
        ui->mainArea->setCurrentWidget(pages[page - 1]);
        m_currentPage = page;
        m_lastPage = page;
        return;
    }
    ui->mainArea->setCurrentWidget(ui->pageOverview);
    updateOverview();
    m_currentPage = 6;
}

void DebugGain::on_butHome_clicked()
{
    Audioworker()->stopAudioRecording();
    close();
}

void DebugGain::on_butUp_clicked()
{
    selectPage(m_currentPage <= 1 ? 6 : m_currentPage - 1);
}

void DebugGain::on_butDown_clicked()
{
    selectPage(m_currentPage >= 6 ? 1 : m_currentPage + 1);
}

void DebugGain::on_butInfo_clicked()
{
    selectPage(m_currentPage == 6 ? m_lastPage : 6);
}

void DebugGain::on_butDefault_clicked()
{
    applyDefaults();
}

void DebugGain::on_butCallMic_clicked()
{
    if (m_btSink)
        m_btSink->callBtDeviceA2DP(true);
}

void DebugGain::on_butCallHeadphone_clicked()
{
    if (m_btSource)
        m_btSource->callBtDeviceA2DP(false);
}

void DebugGain::on_butInfoMicSettings_clicked()
{
    if (m_btSink)
        m_btSink->sendData(QStringLiteral("BT_TX P"));
}

void DebugGain::selectInput(int input)
{
    static const char *const labels[] = {"IN 1\nBluetooth", "IN 2\nPWM H2-Sensor", "IN 3\nExternal Mic"};
    m_acRoutingInputPath = input;
    if (m_audioCodec)
        m_audioCodec->setInputPath(input);
    ui->labelSelectedInput->setText(QString::fromLatin1(labels[input - 1]));
}

void DebugGain::on_butIn1_clicked()
{
    selectInput(1);
}

void DebugGain::on_butIn2_clicked()
{
    selectInput(2);
}

void DebugGain::on_butIn3_clicked()
{
    selectInput(3);
}

void DebugGain::on_butCM_0x78_clicked()
{
    if (m_audioCodec)
        m_audioCodec->setCommonModeControl();
}

void DebugGain::on_butEnableLoopback_clicked()
{
    if (m_audioCodec)
        m_audioCodec->setLoopbackEnable(true);
}

void DebugGain::on_butStartRecording_clicked()
{
    Audioworker()->startAudioRecording();
}

void DebugGain::showHeadphoneStep()
{
    ui->slideGainHeadphone->setValue(m_headphoneVolStep);
    ui->labelGainHeadphone->setText(QString::number(m_headphoneVolStep));
}

void DebugGain::on_butVolHpUp_clicked()
{
    if (m_btSource)
        m_btSource->sendData(QStringLiteral("AVRCP UP"));
    m_headphoneVolStep = std::min(m_headphoneVolStep + 1, 15);
    showHeadphoneStep();
}

void DebugGain::on_butVolHpDown_clicked()
{
    if (m_btSource)
        m_btSource->sendData(QStringLiteral("AVRCP DN"));
    m_headphoneVolStep = std::max(m_headphoneVolStep - 1, 0);
    showHeadphoneStep();
}

void DebugGain::on_slideGainMic_valueChanged(int value)
{
    m_groundMicGain = value;
    m_groundMicGain_dB = micDb(value);
    ui->labGainMic->setText(hexDbLabel(m_groundMicGain_dB, value));
    if (m_btSink)
        m_btSink->sendData(QStringLiteral("BT_TX G ") + hex2(value));
}

void DebugGain::on_slideGainDacBluetooth_valueChanged(int value)
{
    m_btDacGain = value;
    m_btDacGain_dB = btDacDb(value);
    ui->labelGainDacBluetooth->setText(hexDbLabel(m_btDacGain_dB, value));
    if (m_btSink)
        m_btSink->sendData(QStringLiteral("SET CONTROL GAIN 10 %1\n").arg(value, 0, 16));
}

void DebugGain::on_slideGainAdcBluetooth_valueChanged(int value)
{
    m_btAdcGain = value;
    m_btAdcGain_dB = micDb(value);
    ui->labelGainAdcBluetooth->setText(hexDbLabel(m_btAdcGain_dB, value));
    if (m_btSource)
        m_btSource->sendData(QStringLiteral("SET CONTROL GAIN %1 E\n").arg(value, 0, 16));
}

void DebugGain::on_slideGainPgaAudiocodec_valueChanged(int value)
{
    m_acPgaGain = value;
    m_acPgaGain_dB = value * 0.5f;
    ui->labelGainPgaAudiocodec->setText(floatDbLabel(m_acPgaGain_dB, value));
    if (m_audioCodec)
        m_audioCodec->setMicPgaGain(hundredths(m_acPgaGain_dB));
}

void DebugGain::on_slideGainAdcLevelgain_valueChanged(int value)
{
    m_acAdcLevelgain = value;
    m_acAdcLevelgain_dB = value * 0.5f;
    ui->labelGainAdcLevelgain->setText(floatDbLabel(m_acAdcLevelgain_dB, value));
    if (m_audioCodec)
        m_audioCodec->setAdcGain(hundredths(m_acAdcLevelgain_dB));
}

void DebugGain::on_slideGainDacPcmAudiocodec_valueChanged(int value)
{
    m_acDacPcmGain = value;
    m_acDacPcmGain_dB = value * 0.5f;
    ui->labelGainDacPcmAudiocodec->setText(floatDbLabel(m_acDacPcmGain_dB, value));
    if (m_audioCodec)
        m_audioCodec->setDacGain(hundredths(m_acDacPcmGain_dB));
}

void DebugGain::on_slideGainLineOutAudiocodec_valueChanged(int value)
{
    m_acLineOutGain = value;
    m_acLineOutGain_dB = float(value);
    ui->labelGainLineOutAudiocodec->setText(floatDbLabel(m_acLineOutGain_dB, value));
    if (m_audioCodec)
        m_audioCodec->setLineOutGain(hundredths(m_acLineOutGain_dB));
}

void DebugGain::on_slideGainMixerAmpAudiocodec_valueChanged(int value)
{
    // Shown only: the codec's mixer amplifier is not changed from here.
    m_acMixerAmpGain = value;
    m_acMixerAmpGain_dB = mixerAmpDb(value);
    ui->labelGainMixerAmpAudiocodec->setText(floatDbLabel(m_acMixerAmpGain_dB, value));
}

void DebugGain::on_slideGainHeadphone_valueChanged(int)
{
}
