#include "levelmeasurement.h"
#include "ui_levelmeasurement.h"

#include "analoginputworker.h"
#include "audiocodecsetup.h"
#include "audioworker.h"
#include "bluetooth.h"
#include "clipplayer.h"
#include "freqspectrum.h"
#include "globals.h"
#include "mainmenu.h"
#include "measurements.h"
#include "stylesheet.h"
#include "systemsettings.h"

#include <QDebug>
#include <QKeyEvent>
#include <QTimer>

#include <cmath>
#include <cstring>
#include <memory>

namespace {
QString noDecimals(float value)
{
    return QStringLiteral("%1").arg(double(value), 0, 'f', 0);
}

int tenths(float level)
{
    return int(level * 10);
}
} // namespace

Levelmeasurement::Levelmeasurement(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::Levelmeasurement)
{
    ui->setupUi(this);
    m_frame = new MeasurementFrame(this, this, kFavouriteNumber, kTypeCode);
    connect(m_frame, &MeasurementFrame::exit, this, &Levelmeasurement::exit);
    connect(m_frame, &MeasurementFrame::gotoWidget, this, &Levelmeasurement::gotoWidget);
    m_timerCheckBtConnection = m_frame->watchdogTimer();

    freqSpectrum = new FreqSpectrum();
    ui->spectrumLayout->addWidget(freqSpectrum);
    m_timerLevel = new QTimer(this);
    connect(m_timerLevel, &QTimer::timeout, this, &Levelmeasurement::updateLevel, Qt::UniqueConnection);
    ui->widgetStatusbar->init(ui->widgetStatusbar->width(), ui->widgetStatusbar->height());
    if (MainMenu *w = MainMenu::getInstanceMainMenu()) {
        m_btSink = w->getBtSinkInstance();
        m_btSource = w->getBtSourceInstance();
    }
}

Levelmeasurement::~Levelmeasurement()
{
    m_timerLevel->stop();
    delete m_player;
    delete ui;
    delete freqSpectrum;
}

QString Levelmeasurement::peakStyle(double linearPeak)
{
    if (linearPeak > 0.056)
        return QStringLiteral("QProgressBar::chunk {background-color: red;}");
    if (linearPeak > 0.04)
        return QStringLiteral("QProgressBar::chunk {background-color: orange;}");
    return QStringLiteral("QProgressBar::chunk {background-color: lightgreen;}");
}

void Levelmeasurement::resetRing()
{
    for (float &v : m_lastMaxValues)
        v = 0.0f;
    m_cntMaxVal = 0;
}

// ---------------------------------------------------------------------------
// Entry

void Levelmeasurement::init(int variant)
{
    MainMenu *w = MainMenu::getInstanceMainMenu();
    Systemsettings *settings = w->getInstanceSystemsettings();

    ui->retranslateUi(this);
    // The power key inside the note returns to the main page: no entry then.
    if (variant == 0 && !m_frame->showHydrogenNoteIfNeeded())
        return;

    ui->labelFrequency->setVisible(settings->isShowFrequencyValueEnabled());
    ui->prgbPeakLevel->setVisible(settings->isShowPeakLevelBarEnabled() && g_debugFeatures == 1);
    if (settings->isShowFftEnabled()) {
        freqSpectrum->show();
        freqSpectrum->setVisible(true);
        ui->labelLevel->move(5, 0);
        ui->labelFrequency->move(5, 90);
    } else {
        freqSpectrum->hide();
        freqSpectrum->setVisible(false);
        ui->labelLevel->move(132, 0);
        ui->labelFrequency->move(132, 90);
    }
    // The spectrum's frame would cover the level standing in the middle.
    ui->verticalLayoutWidget->setVisible(settings->isShowFftEnabled());
    freqSpectrum->setScaleBgGradient(settings->isUseFrequColorForBarEnabled());
    for (QWidget *debug : {static_cast<QWidget *>(ui->butDigitalLoopback), static_cast<QWidget *>(ui->butAnalogLoopback),
                           static_cast<QWidget *>(ui->butDbgStartRec), static_cast<QWidget *>(ui->butDbgStopRec),
                           static_cast<QWidget *>(ui->butDbgLoop)})
        debug->setVisible(g_debugFeatures == 1);

    m_btSink = w->getBtSinkInstance();
    m_btSource = w->getBtSourceInstance();
    m_frame->callLinks();
    m_frame->connectUnitKey();
    m_audioCodec = w->getAudioCodecInstance();
    m_audioCodec->init();
    m_measManagement = w->getInstanceMeasManagement();
    m_frame->reportFavourite();

    ui->labelStoredMeasurement->setText(QString());
    for (ProgressBarMinMaxMarker *bar : {ui->prgbMinimumLevel, ui->prgbCurrentLevel}) {
        bar->setRange(0, 1000);
        bar->setMaxMarker(-1);
        bar->setMinMarker(-1);
    }
    ui->prgbCurrentLevel->show();
    ui->labelPrgbCurrentLevel->show();
    ui->prgbPeakLevel->setRange(0, 1000);
    resetRing();
    m_maxHoldValue = 0.0f;

    if (variant == 1) {
        m_storedMeasurement = true;
        m_timerLevel->stop();
        m_selectedMeasurementDir = m_frame->selectedFolder();
        ui->subMenu->setCurrentWidget(ui->subMenu_2);
        analyseInfoFile();
        ui->prgbMinimumLevel->setValue(tenths(m_storedLevel));
        ui->prgbCurrentLevel->setValue(tenths(m_storedLevel));
        ui->prgbPeakLevel->setValue(tenths(m_storedLevel));
        ui->labelPrgbCurrentLevel->setText(noDecimals(m_storedLevel));
        ui->labelLevel->setText(noDecimals(m_storedLevel));
        ui->prgbCurrentLevel->hide();
        ui->labelPrgbCurrentLevel->hide();
        ui->labelFrequency->setText(QStringLiteral("%1 Hz").arg(m_significandFrequency));
        setFrequencyStyle(ui->prgbMinimumLevel, m_significandFrequency, QStringLiteral("yellow"));
        m_audioCodec->setFilter(quint32(m_storedFilterLowCutOff), quint32(m_storedFilterHighCutOff),
                                m_storedFilterType);
        freqSpectrum->init(freqSpectrum->getRect().width(), freqSpectrum->getRect().height());
        freqSpectrum->drawScale();
        freqSpectrum->drawFft(m_fft, false);
        freqSpectrum->setDisabled(true);
        freqSpectrum->repaint();
        ui->labelStoredMeasurement->setText(m_storedMeasurementName);
        m_audioCodec->setRouting(1);
        repaint();
        m_frame->stopWatchdog();
        return;
    }

    m_storedMeasurement = false;
    ui->subMenu->setCurrentWidget(ui->subMenu_1);
    ui->prgbMinimumLevel->setValue(0);
    ui->prgbCurrentLevel->setValue(0);
    ui->prgbPeakLevel->setValue(0);
    ui->labelPrgbCurrentLevel->setText(QStringLiteral("0"));
    ui->labelLevel->setText(QStringLiteral("0"));
    m_significandFrequency = 0;
    ui->labelFrequency->setText(QStringLiteral("%1 Hz").arg(m_significandFrequency));

    unsigned low = 0, high = 4000;
    int type = 0;
    w->getCurrentFilter(&low, &high, &type);
    m_audioCodec->setFilter(low, high, type);
    // Entry is always muted; the screen's own state follows.
    m_muted = false;
    muteAudioPath(true, true);
    Analoginputworker()->clearAllData();

    freqSpectrum->init(freqSpectrum->getRect().width(), freqSpectrum->getRect().height());
    freqSpectrum->clear();
    freqSpectrum->drawScale();
    freqSpectrum->setDisabled(true);
    freqSpectrum->repaint();

    w->setMicGainStep(w->getCurrentMicGainStep());
    Audioworker()->startAudioRecording();
    m_frame->startWatchdog();
}

// ---------------------------------------------------------------------------
// Listening

void Levelmeasurement::muteAudioPath(bool a_mute, bool a_sendToMic)
{
    if (m_storedMeasurement) {
        // The keys start and stop the stored clip.
        m_timerLevel->stop();
        if (a_mute)
            on_butMenuStoredStop_clicked();
        else
            on_butMenuStoredPlay_clicked();
        return;
    }
    MainMenu *w = MainMenu::getInstanceMainMenu();
    if (a_mute == m_muted) {
        // A repeated report (the watchdog's mute, the unit's state sent
        // again) puts the muted path in place again; a repeated unmute must
        // not empty the minimum found so far.
        if (a_mute)
            w->muteAudioPath(true, a_sendToMic);
        return;
    }
    w->muteAudioPath(a_mute, a_sendToMic);
    m_muted = a_mute;
    if (a_mute) {
        m_timerLevel->stop();
        freqSpectrum->setDisabled(true);
    } else {
        Analoginputworker()->clearAllData();
        resetRing();
        m_timerLevel->start(kLevelTickMs);
        freqSpectrum->setEnabled(true);
    }
}

void Levelmeasurement::frameHidden()
{
    // The main window muted the path when it left the screen.
    m_timerLevel->stop();
    m_muted = true;
}

void Levelmeasurement::switchActiveMute(bool mute)
{
    m_frame->switchActiveMute(mute);
}

void Levelmeasurement::checkBtConnection()
{
    m_frame->checkBtConnection();
}

void Levelmeasurement::setFrequencyStyle(QProgressBar *bar, int frequency, const QString &plainColour)
{
    if (!MainMenu::getInstanceMainMenu()->getInstanceSystemsettings()->isUseFrequColorForBarEnabled()) {
        setStyleSheetIfChanged(bar, QStringLiteral("QProgressBar::chunk {background-color: %1;}").arg(plainColour));
        return;
    }
    setFrequencyBarColour(bar, frequency);
}

void Levelmeasurement::updateLevel()
{
    AnalogInputWorker *analysis = Analoginputworker();
    float rms = 0.0f, peak = 0.0f, minimum = 0.0f;
    analysis->getAudioLevel(&rms, &peak, &minimum);
    m_peakLevel = AnalogInputWorker::audioLevelToDb(peak);
    m_currentLevel = AnalogInputWorker::audioLevelToDb(rms);
    const float minLevel = AnalogInputWorker::audioLevelToDb(minimum);

    ui->prgbCurrentLevel->setValue(tenths(m_currentLevel));
    ui->labelPrgbCurrentLevel->setText(noDecimals(m_currentLevel));
    // 99 stands for a minimum not found yet: the current level stands in.
    m_minimumLevelAbs = minLevel >= 99.0f ? m_currentLevel : minLevel;
    ui->prgbMinimumLevel->setValue(tenths(m_minimumLevelAbs));
    ui->labelLevel->setText(noDecimals(m_minimumLevelAbs));

    setStyleSheetIfChanged(ui->prgbPeakLevel, peakStyle(double(peak)));

    Systemsettings *settings = MainMenu::getInstanceMainMenu()->getInstanceSystemsettings();
    if (settings->isShowPeakLevelBarEnabled()) {
        m_lastMaxValues[m_cntMaxVal] = m_peakLevel;
        m_maxHoldValue = 0.0f;
        for (float v : m_lastMaxValues)
            if (v > m_maxHoldValue)
                m_maxHoldValue = v;
        if (++m_cntMaxVal > 5)
            m_cntMaxVal = 0;
        ui->prgbPeakLevel->setValue(tenths(m_maxHoldValue));
        ui->prgbMinimumLevel->setMaxMarker(tenths(m_maxHoldValue));
        ui->prgbCurrentLevel->setMaxMarker(tenths(m_maxHoldValue));
    } else {
        ui->prgbMinimumLevel->setMaxMarker(-1);
        ui->prgbCurrentLevel->setMaxMarker(-1);
    }
    ui->prgbMinimumLevel->setMinMarker(-1);
    ui->prgbCurrentLevel->setMinMarker(-1);

    float samples[1024];
    analysis->getFft(m_fft);
    analysis->getAudioData(samples);
    freqSpectrum->refresh();
    freqSpectrum->drawScale();
    freqSpectrum->drawFft(m_fft, true);
    freqSpectrum->drawData(samples);
    freqSpectrum->update();

    m_significandFrequency = int(analysis->getSignificandFrequency());
    m_significandFrequencyAtMin = int(analysis->getSignificandFrequencyAtMin());
    ui->labelFrequency->setText(QStringLiteral("%2 Hz").arg(m_significandFrequencyAtMin));

    setFrequencyStyle(ui->prgbMinimumLevel, m_significandFrequencyAtMin, QStringLiteral("yellow"));
    setFrequencyStyle(ui->prgbCurrentLevel, m_significandFrequency, QStringLiteral("orange"));
    ui->prgbMinimumLevel->update();
    ui->prgbCurrentLevel->update();
}

// ---------------------------------------------------------------------------
// Side menu

void Levelmeasurement::on_butMenuSave_clicked()
{
    m_frame->save();
}

void Levelmeasurement::frameFill(MeasInfoStructure *info)
{
    // Returns when the clip is completely written: the store copies it next.
    Audioworker()->storeAudioData(QStringLiteral("LE_sound"));
    info->level[0] = m_minimumLevelAbs;
    info->frequency[0] = m_significandFrequency;
    for (int i = 0; i < 512; ++i)
        info->fft[i] = m_fft[i];
    info->fftSize = 512;
    info->sampleRate = 16000;
}

void Levelmeasurement::on_butMenuFilter_clicked()
{
    const bool wasRunning = m_timerLevel->isActive();
    m_timerLevel->stop();
    int type = 0;
    unsigned low = 0, high = 4000;
    const bool accepted = m_frame->runFilterDialog(&type, &low, &high);
    if (!m_frame->isShown())
        return; // left by the power key inside the dialog: the main page is muted
    // The mute key works inside the dialog on the main window's path alone;
    // the screen's state decides, so the path returns to it.
    MainMenu *w = MainMenu::getInstanceMainMenu();
    if (w->isAudioPathMuted() != m_muted)
        w->muteAudioPath(m_muted, true);
    if (accepted) {
        quint32 codecLow = 0, codecHigh = 4000;
        int codecType = 0;
        m_audioCodec->getFilter(&codecLow, &codecHigh, &codecType);
        freqSpectrum->updateFilter(codecLow, codecHigh, codecType);
        m_timerLevel->start(kLevelTickMs);
        return;
    }
    // Cancelled: as before the dialog.
    if (wasRunning && !m_muted)
        m_timerLevel->start(kLevelTickMs);
}

void Levelmeasurement::on_butMenuMic_clicked()
{
    m_frame->runMicrophoneDialog();
}

void Levelmeasurement::on_butMenuHeadphone_clicked()
{
    m_frame->runHeadphoneDialog();
}

void Levelmeasurement::on_butMenuStoredHeadphone_clicked()
{
    on_butMenuHeadphone_clicked();
}

void Levelmeasurement::on_butDbgStartRec_clicked()
{
    if (m_btSource)
        m_btSource->callBtDeviceA2DP(false);
}

void Levelmeasurement::on_butDbgStopRec_clicked()
{
    if (m_btSource)
        m_btSource->disconnectBtDevice();
}

void Levelmeasurement::on_butMenuMainmenu_clicked()
{
    ui->subMenu->setCurrentWidget(ui->subMenu_1);
    m_timerLevel->stop();
    if (m_player)
        m_player->stop();
    m_muted = true;
    m_frame->leave();
}

void Levelmeasurement::on_butMenuMainmenu_2_clicked()
{
    on_butMenuMainmenu_clicked();
}

// ---------------------------------------------------------------------------
// Stored view

void Levelmeasurement::analyseInfoFile()
{
    // A file with fewer values must not show another measurement's spectrum.
    std::memset(m_fft, 0, sizeof(m_fft));
    m_storedMeasurementName.clear();
    m_storedLevel = 0.0f;
    m_significandFrequency = 0;
    m_storedFilterType = 0;
    m_storedFilterLowCutOff = 0;
    m_storedFilterHighCutOff = 4000;
    if (m_selectedMeasurementDir.isEmpty())
        return;
    auto info = std::make_unique<MeasInfoStructure>();
    std::memset(info.get(), 0, sizeof(MeasInfoStructure));
    if (!Measurements::readInfoFile(MeasurementFrame::folderPath(m_selectedMeasurementDir) + "/info.ini",
                                    kTypeCode, info.get(), &m_storedMeasurementName))
        return;
    // Values from the card: only what a display level can be.
    m_storedLevel = std::isfinite(info->level[0]) ? qBound(0.0f, info->level[0], 99.0f) : 0.0f;
    m_significandFrequency = qMax(0, info->frequency[0]);
    const int n = qBound(0, info->fftSize, 1024);
    for (int i = 0; i < n; ++i)
        m_fft[i] = std::isfinite(info->fft[i]) ? info->fft[i] : 0.0f;
    m_storedFilterType = info->filterType;
    if (m_storedFilterType == 1 || m_storedFilterType == 2) {
        m_storedFilterLowCutOff = int(info->filterLowCutOff);
        m_storedFilterHighCutOff = int(info->filterHighCutOff);
    } else {
        m_storedFilterType = 0;
    }
}

void Levelmeasurement::on_butMenuStoredPlay_clicked()
{
    // Through the partition's owner: unmounted, the bare mount point holds no clip.
    const QString path = MeasurementFrame::folderPath(m_selectedMeasurementDir) + QStringLiteral("/LE_sound.wav");
    MainMenu::getInstanceMainMenu()->muteAudioPath(false, false);
    Analoginputworker()->stopCapture();
    if (!m_player)
        m_player = new ClipPlayer;
    m_player->setMedia(m_selectedMeasurementDir.isEmpty() ? QString() : path);
    m_player->setVolume(70);
    m_player->play();
}

void Levelmeasurement::on_butMenuStoredStop_clicked()
{
    Analoginputworker()->stopCapture();
    if (m_player)
        m_player->stop();
}

void Levelmeasurement::on_butMenuStoredBack_clicked()
{
    m_timerLevel->stop();
    delete m_player;
    m_player = nullptr;
    m_muted = true;
    m_audioCodec->setMuting(true);
    m_frame->backToBrowser();
}

// ---------------------------------------------------------------------------
// Keys

void Levelmeasurement::keyPressEvent(QKeyEvent *event)
{
    if (!m_frame->keyPress(event))
        QWidget::keyPressEvent(event);
}

void Levelmeasurement::keyReleaseEvent(QKeyEvent *event)
{
    if (!m_frame->keyRelease(event))
        QWidget::keyReleaseEvent(event);
}
