#include "pipelocating.h"
#include "ui_pipelocating.h"

#include "analoginputworker.h"
#include "audiocodecsetup.h"
#include "audioworker.h"
#include "bluetooth.h"
#include "freqspectrum.h"
#include "gps.h"
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
const char kBandpass[] = "background-image: url(:/Resources/Icons/Mainmenu/Pinpointing/Filtertype_Bandpass_gr_40px.png);";
const char kBandstop[] = "background-image: url(:/Resources/Icons/Mainmenu/Pinpointing/Filtertype_Bandstop_gr_40px.png);";

QString noDecimals(float value)
{
    return QStringLiteral("%1").arg(double(value), 0, 'f', 0);
}

int tenths(float level)
{
    return int(level * 10);
}
} // namespace

Pipelocating::Pipelocating(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::Pipelocating)
{
    ui->setupUi(this);
    m_frame = new MeasurementFrame(this, this, kFavouriteNumber, kTypeCode);
    connect(m_frame, &MeasurementFrame::exit, this, &Pipelocating::exit);
    connect(m_frame, &MeasurementFrame::gotoWidget, this, &Pipelocating::gotoWidget);
    m_timerCheckBtConnection = m_frame->watchdogTimer();

    freqSpectrum = new FreqSpectrum();
    ui->spectrumLayout->addWidget(freqSpectrum);
    freqSpectrum->init(freqSpectrum->getRect().width(), freqSpectrum->getRect().height());
    freqSpectrum->clear();
    freqSpectrum->setDisabled(true);
    freqSpectrum->drawScale();
    ui->labelFrequency->hide();
    m_updateTimer = new QTimer(this);
    connect(m_updateTimer, &QTimer::timeout, this, &Pipelocating::updateData);
    if (MainMenu *w = MainMenu::getInstanceMainMenu()) {
        m_btSink = w->getBtSinkInstance();
        m_btSource = w->getBtSourceInstance();
        m_gpsModul = w->getGpsInstance();
    }
    ui->widgetStatusbar->init(ui->widgetStatusbar->width(), ui->widgetStatusbar->height());
    setProgressBarFrequColor(ui->prgbPeakLevelMinMax, 0, false);
    ui->prgbPeakLevelMinMax->setRange(0, 1000);
    ui->labelProgBarMinMax->setText(QString());
    for (int i = 1; i <= PipePositions::kPositions; ++i) {
        setProgressBarFrequColor(liveBar(i), 0, false);
        liveBar(i)->setRange(0, 1000);
        storedBar(i)->setRange(0, 1000);
    }
    ui->mainArea->setCurrentWidget(ui->mainPage);
}

Pipelocating::~Pipelocating()
{
    m_updateTimer->stop();
    delete ui;
    delete freqSpectrum;
}

QProgressBar *Pipelocating::liveBar(int i) const
{
    return findChild<QProgressBar *>(QStringLiteral("progBarHist%1").arg(i));
}

QLabel *Pipelocating::liveLabel(int i) const
{
    return findChild<QLabel *>(QStringLiteral("labelProgBar%1").arg(i));
}

QProgressBar *Pipelocating::storedBar(int i) const
{
    return findChild<QProgressBar *>(QStringLiteral("progBarHist%1_stored").arg(i));
}

QLabel *Pipelocating::storedLabel(int i) const
{
    return findChild<QLabel *>(QStringLiteral("labelProgBar%1_stored").arg(i));
}

// ---------------------------------------------------------------------------
// Entry

void Pipelocating::init(int variant)
{
    MainMenu *w = MainMenu::getInstanceMainMenu();
    Systemsettings *settings = w->getInstanceSystemsettings();

    ui->retranslateUi(this);
    // The power key inside the note returns to the main page: no entry then.
    if (variant != 1 && !m_frame->showHydrogenNoteIfNeeded())
        return;

    QWidget *const filterLabels[] = {ui->labelFiltersymbol, ui->labelFilterrange, ui->labelFilterLowCutOff,
                                     ui->labelFiltersymbolStored, ui->labelFilterHighCutOff};
    if (!settings->isPLShowFftEnabled()) {
        freqSpectrum->hide();
        freqSpectrum->setVisible(false);
        ui->labelLevel->move(132, 5);
        ui->labelFrequency->setVisible(settings->isPLShowFrequencyValueEnabled());
        const bool filter = settings->isPLShowFilterParameterEnabled();
        for (QWidget *label : filterLabels)
            label->setVisible(filter);
        if (filter) {
            ui->labelFiltersymbol->move(5, 30);
            ui->labelFilterrange->move(55, 25);
        }
    } else {
        freqSpectrum->show();
        freqSpectrum->setVisible(true);
        ui->labelFrequency->hide();
        ui->labelLevel->move(5, 5);
        for (QWidget *label : filterLabels)
            label->hide();
    }
    // The spectrum's frame would cover the level standing in the middle.
    ui->verticalLayoutWidget->setVisible(settings->isPLShowFftEnabled());
    freqSpectrum->setScaleBgGradient(settings->isPLUseFrequColorForBarEnabled());

    m_positions.clear();
    m_muted = true;
    w->muteAudioPath(true, true);

    m_btSink = w->getBtSinkInstance();
    m_btSource = w->getBtSourceInstance();
    m_gpsModul = w->getGpsInstance();
    m_frame->callLinks();
    m_frame->connectUnitKey();
    m_audioCodec = w->getAudioCodecInstance();
    m_audioCodec->init();

    ui->labelLevel->setText(QStringLiteral("0"));
    ui->labelFrequency->setText(QStringLiteral("0 Hz"));
    ui->prgbPeakLevelMinMax->setMaxMarker(-1);
    ui->prgbPeakLevelMinMax->setMinMarker(-1);
    ui->prgbPeakLevelMinMax->setValue(0);
    setProgressBarFrequColor(ui->prgbPeakLevelMinMax, 0, false);
    ui->labelProgBarMinMax->setText(QStringLiteral("0"));
    m_frame->reportFavourite();
    ui->labelPipesymbol->hide();
    ui->labelPipesymbol_stored->hide();

    if (variant == 1) {
        m_frame->stopWatchdog();
        m_updateTimer->stop();
        ui->subMenu->setCurrentWidget(ui->subMenu_2);
        ui->mainArea->setCurrentWidget(ui->storedPage);
        for (int i = 1; i <= PipePositions::kPositions; ++i) {
            storedBar(i)->hide();
            storedLabel(i)->hide();
        }
        m_measManagement = w->getInstanceMeasManagement();
        m_selectedMeasurementDir = m_frame->selectedFolder();
        analyseInfoFile();
        freqSpectrum->setDisabled(true);
        const int largest = PipePositions::largest(m_storedLevel, PipePositions::kPositions);
        adjustProgbarRangeStored();
        ui->labelStoredMeasurement->setText(m_storedMeasurementName);
        for (int i = 1; i <= PipePositions::kPositions; ++i) {
            if (m_storedLevel[i] <= 0.0f)
                continue;
            storedBar(i)->setValue(tenths(m_storedLevel[i]));
            storedLabel(i)->setText(noDecimals(m_storedLevel[i]));
            setProgressBarFrequColor(storedBar(i), m_storedFrequency[i], i == largest);
            storedBar(i)->show();
            storedLabel(i)->show();
        }
        // Only the pipe under a shown bar: an empty measurement marks nothing.
        if (m_storedLevel[largest] <= 0.0f) {
            ui->labelPipesymbol->hide();
            ui->labelPipesymbol_stored->hide();
        }
        ui->labelFiltersymbolStored->setStyleSheet(m_storedFilterType == 2 ? kBandstop : kBandpass);
        ui->labelFilterLowCutOff->setText(QStringLiteral("%1 Hz").arg(m_storedFilterLowCutOff));
        ui->labelFilterHighCutOff->setText(QStringLiteral("%1 Hz").arg(m_storedFilterHighCutOff));
        return;
    }

    ui->subMenu->setCurrentWidget(ui->subMenu_1);
    ui->mainArea->setCurrentWidget(ui->mainPage);
    // A new run starts on the full range, not on the last run's.
    m_dynamicScaleMin = 0.0f;
    m_dynamicScaleMax = 100.0f;
    for (int i = 1; i <= PipePositions::kPositions; ++i)
        liveBar(i)->setRange(0, 1000);
    freqSpectrum->init(freqSpectrum->getRect().width(), freqSpectrum->getRect().height());
    freqSpectrum->clear();
    freqSpectrum->drawScale();
    freqSpectrum->setDisabled(true);
    freqSpectrum->update();

    unsigned low = 0, high = 4000;
    int type = 0;
    w->getCurrentFilter(&low, &high, &type);
    m_audioCodec->setFilter(low, high, type);
    quint32 codecLow = 0, codecHigh = 4000;
    m_audioCodec->getFilter(&codecLow, &codecHigh, &m_storedFilterType);
    m_storedFilterLowCutOff = codecLow;
    m_storedFilterHighCutOff = codecHigh;
    showFilter();

    w->setMicGainStep(w->getCurrentMicGainStep());
    for (int i = 1; i <= PipePositions::kPositions; ++i) {
        liveBar(i)->hide();
        liveLabel(i)->hide();
    }
    m_updateTimer->start(kUpdateMs);
    Audioworker()->startAudioRecording();
    m_frame->startWatchdog();
}

void Pipelocating::showFilter()
{
    if (m_storedFilterType != 1 && m_storedFilterType != 2) {
        m_storedFilterType = 0;
        m_storedFilterLowCutOff = 0;
        m_storedFilterHighCutOff = 4000;
    }
    ui->labelFiltersymbol->setStyleSheet(m_storedFilterType == 2 ? kBandstop : kBandpass);
    ui->labelFilterrange->setText(
        QStringLiteral("%1 Hz\n%2 Hz").arg(m_storedFilterLowCutOff).arg(m_storedFilterHighCutOff));
}

// ---------------------------------------------------------------------------
// Updates

void Pipelocating::updateData()
{
    MainMenu *w = MainMenu::getInstanceMainMenu();
    if (w->isAudioPathMuted())
        return;
    AnalogInputWorker *analysis = Analoginputworker();
    float rms = 0.0f, peak = 0.0f, minimum = 0.0f;
    analysis->getAudioLevel(&rms, &peak, &minimum);
    const int frequency = int(analysis->getSignificandFrequency());
    const float level = AnalogInputWorker::audioLevelToDb(peak);
    if (m_muted)
        return;

    m_positions.update(level, frequency);
    const int step = m_positions.currentStep;
    ui->labelLevel->setText(noDecimals(m_positions.maxHoldValue));
    ui->labelFrequency->setText(QStringLiteral("%1 Hz").arg(m_positions.historyFrequency[step]));

    ui->prgbPeakLevelMinMax->setMaxMarker(tenths(m_positions.maxHoldValue));
    ui->prgbPeakLevelMinMax->setMinMarker(-1);
    ui->prgbPeakLevelMinMax->setValue(tenths(level));
    setProgressBarFrequColor(ui->prgbPeakLevelMinMax, frequency, false);
    ui->labelProgBarMinMax->setText(noDecimals(level));

    float fft[1024];
    float samples[1024];
    analysis->getFft(fft);
    analysis->getAudioData(samples);
    freqSpectrum->refresh();
    freqSpectrum->drawScale();
    freqSpectrum->drawFft(fft, true);
    freqSpectrum->drawData(samples);
    freqSpectrum->update();

    if (m_positions.historyValues[step] < m_dynamicScaleMin)
        adjustProgbarRange();
    if (m_dynamicScaleMax < m_positions.historyValues[step])
        adjustProgbarRange();
    updateHistoryValues();
}

void Pipelocating::updateHistoryValues()
{
    const int step = m_positions.currentStep;
    const int largest = PipePositions::largest(m_positions.historyValues, step);
    ui->labelPipesymbol->hide();
    for (int i = 1; i <= step; ++i) {
        liveBar(i)->setValue(qBound(liveBar(i)->minimum(), tenths(m_positions.historyValues[i]), liveBar(i)->maximum()));
        liveLabel(i)->setText(noDecimals(m_positions.historyValues[i]));
        setProgressBarFrequColor(liveBar(i), m_positions.historyFrequency[i], i == largest);
        liveBar(i)->show();
        liveLabel(i)->show();
    }
    m_positions.setPosition(m_gpsModul ? m_gpsModul->getLatitude() : 0.0,
                            m_gpsModul ? m_gpsModul->getLongitude() : 0.0);
}

void Pipelocating::setProgressBarFrequColor(QProgressBar *bar, int frequency, bool markPipe)
{
    MainMenu *w = MainMenu::getInstanceMainMenu();
    const bool colours = w && w->getInstanceSystemsettings()->isPLUseFrequColorForBarEnabled();
    if (frequency >= 1 && colours) {
        setFrequencyBarColour(bar, frequency);
    } else {
        setStyleSheetIfChanged(bar, QStringLiteral("QProgressBar::chunk {background-color: rgb(0,255,127);}"));
    }
    if (markPipe) {
        const int x = bar->x();
        ui->labelPipesymbol->move(x + 3, 215);
        ui->labelPipesymbol_stored->move(x + 3, 182);
        ui->labelPipesymbol->show();
        ui->labelPipesymbol_stored->show();
    }
}

void Pipelocating::adjustProgbarRange()
{
    float lo = 0.0f, hi = 100.0f;
    PipePositions::liveRange(m_positions.historyValues, &lo, &hi);
    m_dynamicScaleMin = lo;
    m_dynamicScaleMax = hi;
    for (int i = 1; i <= PipePositions::kPositions; ++i)
        liveBar(i)->setRange(tenths(lo), tenths(hi));
}

void Pipelocating::adjustProgbarRangeStored()
{
    float lo = 0.0f, hi = 100.0f;
    PipePositions::storedRange(m_storedLevel, &lo, &hi);
    for (int i = 1; i <= PipePositions::kPositions; ++i)
        storedBar(i)->setRange(tenths(lo), tenths(hi));
}

// ---------------------------------------------------------------------------
// Listening

void Pipelocating::muteAudioPath(bool a_mute, bool a_sendToMic)
{
    MainMenu *w = MainMenu::getInstanceMainMenu();
    if (a_mute == m_muted) {
        // A repeated report (the watchdog's mute, the unit's state sent
        // again) is no new position: a repeated mute must neither take a
        // position back nor overwrite its GPS position; a repeated unmute
        // must not open the next one. The path is put in place again.
        if (a_mute)
            w->muteAudioPath(true, a_sendToMic);
        return;
    }
    m_muted = a_mute;
    if (a_mute) {
        w->muteAudioPath(true, a_sendToMic);
        freqSpectrum->setDisabled(true);
        if (!m_positions.endListening()) {
            updateHistoryValues();
            return;
        }
        adjustProgbarRange();
        updateHistoryValues();
        return;
    }
    w->muteAudioPath(false, a_sendToMic);
    freqSpectrum->setEnabled(true);
    m_positions.beginListening();
    updateHistoryValues();
}

void Pipelocating::frameHidden()
{
    // The main window muted the path when it left the screen.
    m_updateTimer->stop();
    m_muted = true;
}

void Pipelocating::switchActiveMute(bool mute)
{
    m_frame->switchActiveMute(mute);
}

void Pipelocating::checkBtConnection()
{
    m_frame->checkBtConnection();
}

// ---------------------------------------------------------------------------
// Side menu

void Pipelocating::on_butMenuSave_clicked()
{
    m_frame->save();
}

void Pipelocating::frameFill(MeasInfoStructure *info)
{
    for (int i = 1; i <= PipePositions::kPositions; ++i) {
        info->level[i] = m_positions.historyValues[i];
        info->frequency[i] = m_positions.historyFrequency[i];
        info->posLat[i] = m_positions.lat[i];
        info->posLong[i] = m_positions.lon[i];
    }
}

void Pipelocating::on_butMenuFilter_clicked()
{
    const bool wasRunning = m_updateTimer->isActive();
    const int interval = m_updateTimer->interval();
    m_updateTimer->stop();
    int type = 0;
    unsigned low = 0, high = 4000;
    const bool accepted = m_frame->runFilterDialog(&type, &low, &high);
    if (!m_frame->isShown())
        return; // left by the power key inside the dialog: the main page is muted
    // The mute key works inside the dialog on the main window's path alone;
    // the positions follow the screen's state, so the path returns to it.
    MainMenu *w = MainMenu::getInstanceMainMenu();
    if (w->isAudioPathMuted() != m_muted)
        w->muteAudioPath(m_muted, true);
    if (accepted) {
        m_storedFilterType = type;
        m_storedFilterLowCutOff = low;
        m_storedFilterHighCutOff = high;
        freqSpectrum->updateFilter(low, high, type);
        showFilter();
        m_updateTimer->start(kFastUpdateMs);
        return;
    }
    // Cancelled: the updates go on as before the dialog.
    if (wasRunning)
        m_updateTimer->start(interval);
}

void Pipelocating::on_butMenuMicrophone_clicked()
{
    m_frame->runMicrophoneDialog();
}

void Pipelocating::on_butMenuHeadphone_clicked()
{
    m_frame->runHeadphoneDialog();
}

void Pipelocating::on_butMenuHome_clicked()
{
    m_updateTimer->stop();
    Analoginputworker()->stopCapture();
    m_frame->leave();
}

void Pipelocating::on_butMenuMainmenu_2_clicked()
{
    on_butMenuHome_clicked();
}

// ---------------------------------------------------------------------------
// Stored view

void Pipelocating::analyseInfoFile()
{
    std::memset(m_storedLevel, 0, sizeof(m_storedLevel));
    std::memset(m_storedFrequency, 0, sizeof(m_storedFrequency));
    m_storedMeasurementName.clear();
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
    for (int i = 1; i <= PipePositions::kPositions; ++i) {
        // Values from the card: only what a display level can be.
        const float level = info->level[i];
        m_storedLevel[i] = std::isfinite(level) ? qBound(0.0f, level, 99.0f) : 0.0f;
        m_storedFrequency[i] = qMax(0, info->frequency[i]);
    }
    if (info->filterType == 1 || info->filterType == 2) {
        m_storedFilterType = info->filterType;
        m_storedFilterLowCutOff = info->filterLowCutOff;
        m_storedFilterHighCutOff = info->filterHighCutOff;
    }
}

void Pipelocating::on_butMenuStoredBack_clicked()
{
    m_updateTimer->stop();
    m_audioCodec->setMuting(true);
    m_muted = true;
    Audioworker()->stopAudioRecording();
    m_frame->backToBrowser();
}

// ---------------------------------------------------------------------------
// Keys

void Pipelocating::keyPressEvent(QKeyEvent *event)
{
    if (!m_frame->keyPress(event))
        QWidget::keyPressEvent(event);
}

void Pipelocating::keyReleaseEvent(QKeyEvent *event)
{
    if (!m_frame->keyRelease(event))
        QWidget::keyReleaseEvent(event);
}
