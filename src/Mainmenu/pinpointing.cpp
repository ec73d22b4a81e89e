#include "pinpointing.h"
#include "ui_pinpointing.h"

#include "analoginputworker.h"
#include "audiocodecsetup.h"
#include "audioworker.h"
#include "bluetooth.h"
#include "globals.h"
#include "gps.h"
#include "mainmenu.h"
#include "measurements.h"
#include "stylesheet.h"
#include "systemsettings.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTimer>

#include <cmath>
#include <memory>

namespace {
const char kIcons[] = ":/Resources/Icons/Mainmenu/Pinpointing/";

QString clipName(int position)
{
    return QStringLiteral("PP_Sound_%1").arg(position);
}

QString noDecimals(float value)
{
    return QStringLiteral("%1").arg(double(value), 0, 'f', 0);
}

// Slot i (1..10) starts at this x.
int slotX(int position)
{
    return 42 * (position - 1) + 5;
}
} // namespace

Pinpointing::Pinpointing(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::Pinpointing)
{
    ui->setupUi(this);
    m_frame = new MeasurementFrame(this, this, kFavouriteNumber, kTypeCode);
    connect(m_frame, &MeasurementFrame::exit, this, &Pinpointing::exit);
    connect(m_frame, &MeasurementFrame::gotoWidget, this, &Pinpointing::gotoWidget);
    m_timerCheckBtConnection = m_frame->watchdogTimer();
    m_positions.clear();
    m_timerLevel = new QTimer(this);
    connect(m_timerLevel, &QTimer::timeout, this, &Pinpointing::updateLevel);
    ui->widgetStatusbar->init(425, 20);
    ui->butStartStop->setText(QStringLiteral("LIN"));
    ui->butStartStop->setVisible(g_debugFeatures == 1);
}

Pinpointing::~Pinpointing()
{
    m_timerLevel->stop();
    delete ui;
}

QProgressBar *Pinpointing::bar(int position) const
{
    QProgressBar *const bars[10] = {ui->progBarMin1, ui->progBarMin2, ui->progBarMin3, ui->progBarMin4,
                                    ui->progBarMin5, ui->progBarMin6, ui->progBarMin7, ui->progBarMin8,
                                    ui->progBarMin9, ui->progBarMin10};
    return bars[position - 1];
}

QLabel *Pinpointing::valueLabel(int position) const
{
    QLabel *const labels[10] = {ui->labelMin1, ui->labelMin2, ui->labelMin3, ui->labelMin4, ui->labelMin5,
                                ui->labelMin6, ui->labelMin7, ui->labelMin8, ui->labelMin9, ui->labelMin10};
    return labels[position - 1];
}

// ---------------------------------------------------------------------------
// Entry

void Pinpointing::init(int variant)
{
    MainMenu *w = MainMenu::getInstanceMainMenu();
    Systemsettings *settings = w->getInstanceSystemsettings();

    ui->retranslateUi(this);
    // The power key inside the note returns to the main page: no entry then.
    if (variant == 0 && !m_frame->showHydrogenNoteIfNeeded())
        return;

    ui->butStartStop->setText(QStringLiteral("LIN"));
    m_linearScale = false;
    ui->butStartStop->setVisible(g_debugFeatures == 1);

    ui->labelFrequency->setVisible(settings->isPPShowFrequencyValueEnabled());
    ui->labelFiltersymbol->setVisible(settings->isPPShowFilterParameterEnabled());
    ui->labelFilterrange->setVisible(settings->isPPShowFilterParameterEnabled());
    ui->labelFiltersymbol->setText(QString());

    m_btSink = w->getBtSinkInstance();
    m_btSource = w->getBtSourceInstance();
    m_audioCodec = w->getAudioCodecInstance();
    m_measManagement = w->getInstanceMeasManagement();
    m_gpsModul = w->getGpsInstance();
    m_frame->callLinks();
    m_audioCodec->init();

    m_positions.clear();

    if (variant == 1) {
        // Stored view: positions cannot change, the unit's key does nothing.
        m_storedMeasurement = true;
        m_frame->stopWatchdog();
        m_frame->disconnectUnitKey();
        m_timerLevel->stop();
        m_selectedMeasurementDir = m_frame->selectedFolder();
        ui->subMenu->setCurrentWidget(ui->subMenu_3);
        m_positions.currentStep = 1;
        arrangeElements(true);
        for (int i = 1; i <= PinpointingPositions::kPositions; ++i) {
            bar(i)->show();
            valueLabel(i)->show();
        }
        ui->progBarCurrent->hide();
        ui->labelMicrophone->hide();
        ui->labelSymbol->setStyleSheet(QStringLiteral("image: url(%1Stop_sw_44px.png);").arg(kIcons));
        ui->labelSymbol->setGeometry(slotX(1), 165, 37, 37);
        ui->labelSymbol->show();
        analyseInfoFile();
        showFilter();
        m_scaleMode = 2;
        adjustProgbarRange();
        ui->labelStoredMeasurement->setText(m_storedMeasurementName);
        ui->labelStoredMeasurement->show();
        for (int i = 1; i <= PinpointingPositions::kPositions; ++i) {
            setProgressBarValue(bar(i), int(m_positions.minimum[i] * 10));
            setProgressBarFrequColor(bar(i), m_positions.frequency[i], QStringLiteral("yellow"));
            valueLabel(i)->setText(noDecimals(m_positions.minimum[i]));
        }
        hideBarsIfInvalid();
        m_leakPos = getLeakLevel(&m_leakLevel, &m_leakFrequency, PinpointingPositions::kPositions);
        ui->labelWaterdrop->setGeometry(42 * (m_leakPos - 1) + 8, 155, 30, 45);
        ui->labelWaterdrop->show();
        ui->labelLevel->setText(noDecimals(m_leakLevel));
        ui->labelFrequency->setText(QStringLiteral("%1 Hz").arg(m_leakFrequency));
        m_audioCodec->setRouting(1);
        m_frame->reportFavourite();
        return;
    }

    m_storedMeasurement = false;
    if (settings->isPPDynamicScalingEnabled()) {
        m_useDynamicScaling = true;
        m_scaleMode = 1;
        m_dynamicScaleMin = 0.0f;
        m_dynamicScaleMax = 100.0f;
    } else {
        m_useDynamicScaling = false;
        m_scaleMode = 0;
    }
    adjustProgbarRange();
    ui->labelStoredMeasurement->hide();
    ui->subMenu->setCurrentWidget(ui->subMenu_1);

    // Entry is always muted; the screen's own mute is not used here, so no
    // position changes.
    m_muted = true;
    w->muteAudioPath(true, true);

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

    arrangeElements(false);
    for (int i = 1; i <= PinpointingPositions::kPositions; ++i) {
        bar(i)->hide();
        valueLabel(i)->hide();
    }
    ui->progBarCurrent->hide();
    ui->labelWaterdrop->hide();
    m_positions.currentStep = 0;
    ui->labelSymbol->hide();
    ui->labelMicrophone->setGeometry(slotX(1), 65, 37, 155);
    ui->labelMicrophone->show();
    ui->labelLevel->setText(noDecimals(m_positions.minimum[0]));
    ui->labelFrequency->setText(QStringLiteral("%1 Hz").arg(m_positions.frequency[0]));

    m_frame->connectUnitKey();
    Analoginputworker()->clearAllData();
    setProgressBarValue(ui->progBarMin1, 0);
    ui->labelLevel->setText(QStringLiteral("0"));

    Audioworker()->startAudioRecording();
    m_frame->startWatchdog();
    m_frame->reportFavourite();
}

// ---------------------------------------------------------------------------
// Listening

void Pinpointing::muteAudioPath(bool a_mute, bool a_sendToMic)
{
    if (m_storedMeasurement)
        return;
    MainMenu *w = MainMenu::getInstanceMainMenu();
    if (a_mute == m_muted) {
        // A repeated report (the watchdog's mute, the unit's state sent
        // again) is no new position: a mute only puts the muted path in
        // place again, which must not store the clip a second time; an
        // unmute while listening must neither advance the position nor
        // empty the recording of the running one.
        if (a_mute)
            w->muteAudioPath(true, a_sendToMic);
        return;
    }
    m_muted = a_mute;

    if (!a_mute) {
        ui->butMenuDeleteLast->hide();
        Analoginputworker()->clearAllData();
        m_timerLevel->start(kLevelTickMs);
        w->muteAudioPath(false, a_sendToMic);
        if (m_positions.currentStep >= PinpointingPositions::kPositions)
            shiftAllMeasurementsLeft();
        m_positions.beginListening();
    } else {
        ui->butMenuDeleteLast->show();
        m_timerLevel->stop();
        w->muteAudioPath(true, a_sendToMic);
        if (!m_positions.endListening()) {
            updateProgbars();
            return;
        }
        const int step = m_positions.currentStep;
        QElapsedTimer wait;
        wait.start();
        Audioworker()->storeAudioData(clipName(step));
        m_lastClipStoreMs = wait.elapsed();
        qDebug() << "Store WAV-File" << clipName(step) << step << m_lastClipStoreMs << "ms";
        ui->labelLevel->setText(noDecimals(m_positions.minimum[step]));
        ui->labelFrequency->setText(QStringLiteral("%1 Hz").arg(m_positions.frequency[step]));
    }
    qDebug() << "m_muted" << (m_muted ? "true" : "false");
    if (m_scaleMode == 1 && m_muted)
        adjustProgbarRange();
    updateProgbars();
}

void Pinpointing::shiftAllMeasurementsLeft()
{
    // Values first (beginListening keeps position 10 for the new listening
    // once the counter is full), then the clips: the clip of position 1
    // goes, 2..10 take the names 1..9 in ascending order, so every target
    // name is free. The clip before them was written completely when it was
    // stored (the store waits for the audio thread).
    m_positions.shiftLeft();
    m_positions.currentStep = PinpointingPositions::kPositions - 1;
    Audioworker()->deleteAudioData(clipName(1));
    for (int i = 1; i < PinpointingPositions::kPositions; ++i)
        Audioworker()->renameAudioData(clipName(i), clipName(i + 1));
}

void Pinpointing::frameHidden()
{
    // The main window muted the path when it left the screen.
    m_timerLevel->stop();
    m_muted = true;
}

void Pinpointing::switchActiveMute(bool mute)
{
    m_frame->switchActiveMute(mute);
}

void Pinpointing::repeatActiveMute()
{
    qDebug() << "repeatActiveMute" << m_muted;
    MainMenu::getInstanceMainMenu()->muteAudioPath(m_muted, true);
}

void Pinpointing::checkBtConnection()
{
    m_frame->checkBtConnection();
}

void Pinpointing::updateLevel()
{
    AnalogInputWorker *analysis = Analoginputworker();
    float rms = 0.0f, peak = 0.0f, minimum = 0.0f;
    analysis->getAudioLevel(&rms, &peak, &minimum);
    const int frequency = int(analysis->getSignificandFrequency());
    const int frequencyAtMin = int(analysis->getSignificandFrequencyAtMin());
    const float peakLevel = AnalogInputWorker::audioLevelToDb(peak);
    const float rmsLevel = AnalogInputWorker::audioLevelToDb(rms);
    const float minLevel = AnalogInputWorker::audioLevelToDb(minimum);
    if (!PinpointingPositions::isValidUpdate(peakLevel, rmsLevel, minLevel)) {
        qDebug() << "Ungültiger Wert:" << peakLevel << "RmsLevel:" << rmsLevel << minLevel;
        return;
    }
    const float shown = m_linearScale ? rms * 10000.0f / 5.0f : rmsLevel;
    const int p = m_positions.currentStep;
    if (!m_muted) {
        m_positions.update(shown, minLevel, frequencyAtMin, frequency,
                           m_gpsModul ? m_gpsModul->getLatitude() : 0.0,
                           m_gpsModul ? m_gpsModul->getLongitude() : 0.0);
    }
    ui->labelLevel->setText(noDecimals(shown));
    ui->labelFrequency->setText(QStringLiteral("%1 Hz").arg(m_positions.currentFrequency));
    if (m_scaleMode == 1 && p >= 1 && p <= PinpointingPositions::kPositions) {
        if (m_positions.minimum[p] < m_dynamicScaleMin)
            adjustProgbarRange();
        if (m_dynamicScaleMax < m_positions.minimum[p])
            adjustProgbarRange();
    }
    updateProgbars();
}

// ---------------------------------------------------------------------------
// Display

int Pinpointing::getLeakLevel(float *level, int *frequency, int count)
{
    return m_positions.leak(count, level, frequency);
}

void Pinpointing::updateProgbars()
{
    const int step = m_positions.currentStep;
    m_leakPos = getLeakLevel(&m_leakLevel, &m_leakFrequency, step);
    ui->labelWaterdrop->setGeometry(42 * (m_leakPos - 1) + 8, 180, 30, 45);
    if (m_muted) {
        setProgressBarValue(ui->progBarCurrent, 0);
        ui->progBarCurrent->hide();
        ui->labelWaterdrop->show();
        ui->labelMicrophone->setGeometry(42 * step + 5, 65, 37, 155);
        ui->labelMicrophone->setVisible(step <= 9);
    } else {
        ui->labelMicrophone->hide();
        ui->progBarCurrent->setGeometry(slotX(step), 60, 10, 168);
        ui->progBarCurrent->show();
        ui->labelWaterdrop->hide();
    }
    setProgressBarFrequColor(ui->progBarCurrent, m_positions.currentFrequency, QStringLiteral("orange"));
    for (int i = 1; i <= PinpointingPositions::kPositions; ++i) {
        if (i > step) {
            bar(i)->hide();
            valueLabel(i)->hide();
            continue;
        }
        bar(i)->show();
        setProgressBarValue(bar(i), int(m_positions.minimum[i] * 10));
        valueLabel(i)->show();
        valueLabel(i)->setText(noDecimals(m_positions.minimum[i]));
        setProgressBarValue(ui->progBarCurrent, int(m_positions.rms[i] * 10));
        setProgressBarFrequColor(bar(i), m_positions.frequency[i], QStringLiteral("yellow"));
        bar(i)->repaint();
    }
}

void Pinpointing::setProgressBarValue(QProgressBar *bar, int value)
{
    bar->setValue(qBound(bar->minimum(), value, bar->maximum()));
}

void Pinpointing::setProgressBarFrequColor(QProgressBar *bar, int frequency, QString defaultColor)
{
    Systemsettings *settings = MainMenu::getInstanceMainMenu()->getInstanceSystemsettings();
    if (frequency < 1 || !settings->isPPUseFrequColorForBarEnabled()) {
        setStyleSheetIfChanged(bar, QStringLiteral("QProgressBar::chunk { background-color: %1; }").arg(defaultColor));
        return;
    }
    setFrequencyBarColour(bar, frequency);
}

void Pinpointing::adjustProgbarRange()
{
    float lo = 0.0f, hi = 100.0f;
    m_positions.scaleRange(&m_scaleMode, &lo, &hi);
    m_dynamicScaleMin = lo;
    m_dynamicScaleMax = hi;
    const int barLo = int(lo * 10);
    const int barHi = hi >= 100.0f ? 1000 : int(hi * 10);
    qDebug() << "adjustProgbarRange" << m_scaleMode << lo << hi;
    for (int i = 1; i <= PinpointingPositions::kPositions; ++i)
        bar(i)->setRange(barLo, barHi);
    ui->progBarCurrent->setRange(barLo, barHi);
    showScaleButton();
}

void Pinpointing::showScaleButton()
{
    const QString icon = m_scaleMode == 2 ? QStringLiteral("ScaleMagnifierFull") : QStringLiteral("Scale");
    QString style = QStringLiteral("QPushButton {image: url(%1%2_ws_44px.png);\npadding: 5px 5px; border: 0px;}\n"
                                   "QPushButton:focus {image: url(%1%2_ws_44px.png);}\n"
                                   "QPushButton:hover {image: url(%1%2_ws_44px.png);}")
                        .arg(kIcons, icon);
    if (m_scaleMode != 1)
        style += QStringLiteral("\nQPushButton:pressed {image: url(%1%2_sw_44px.png);}").arg(kIcons, icon);
    setStyleSheetIfChanged(ui->butMenuScale, style);
}

void Pinpointing::arrangeElements(bool stored)
{
    const int height = stored ? 143 : 168;
    const int labelY = stored ? 205 : 230;
    for (int i = 1; i <= PinpointingPositions::kPositions; ++i) {
        bar(i)->setGeometry(slotX(i), 60, 37, height);
        valueLabel(i)->setGeometry(slotX(i), labelY, 37, 20);
        bar(i)->setRange(0, 1000);
        setProgressBarFrequColor(bar(i), 0, QStringLiteral("yellow"));
    }
    ui->progBarCurrent->setRange(0, 1000);
}

void Pinpointing::hideBarsIfInvalid()
{
    for (int i = 1; i <= PinpointingPositions::kPositions; ++i) {
        if (!m_positions.hasValue(i)) {
            bar(i)->hide();
            valueLabel(i)->hide();
        }
    }
}

void Pinpointing::showFilter()
{
    if (m_storedFilterType != 1 && m_storedFilterType != 2) {
        m_storedFilterType = 0;
        m_storedFilterLowCutOff = 0;
        m_storedFilterHighCutOff = 4000;
    }
    const QString picture = m_storedFilterType == 2 ? QStringLiteral("Filtertype_Bandstop_gr_40px.png")
                                                    : QStringLiteral("Filtertype_Bandpass_gr_40px.png");
    ui->labelFiltersymbol->setStyleSheet(QStringLiteral("background-image: url(%1%2);").arg(kIcons, picture));
    ui->labelFilterrange->setText(
        QStringLiteral("%1 Hz\n%2 Hz").arg(m_storedFilterLowCutOff).arg(m_storedFilterHighCutOff));
}

// ---------------------------------------------------------------------------
// Side menu

void Pinpointing::on_butStartStop_clicked()
{
    m_linearScale = !m_linearScale;
    ui->butStartStop->setText(m_linearScale ? QStringLiteral("LOG") : QStringLiteral("LIN"));
}

void Pinpointing::on_butMenuScale_clicked()
{
    if (m_useDynamicScaling)
        m_scaleMode = m_scaleMode == 1 ? 2 : 1;
    else
        m_scaleMode = m_scaleMode == 0 ? 2 : 0;
    adjustProgbarRange();
    updateProgbars();
}

void Pinpointing::on_butMenuDeleteLast_clicked()
{
    if (!m_muted || m_storedMeasurement)
        return;
    if (m_positions.deleteLast())
        updateProgbars();
}

void Pinpointing::on_butMenuSave_clicked()
{
    m_frame->save();
}

void Pinpointing::frameFill(MeasInfoStructure *info)
{
    for (int i = 1; i <= PinpointingPositions::kPositions; ++i) {
        info->level[i] = m_positions.minimum[i];
        info->frequency[i] = m_positions.frequency[i];
        info->posLat[i] = m_positions.latitude[i];
        info->posLong[i] = m_positions.longitude[i];
    }
}

void Pinpointing::on_butMenuSettings_clicked()
{
    ui->subMenu->setCurrentWidget(ui->subMenu_2);
}

void Pinpointing::on_butMenuBack_clicked()
{
    // The capture keeps running: only a new entry would start it again, and
    // a later listening needs it.
    ui->subMenu->setCurrentWidget(ui->subMenu_1);
}

void Pinpointing::on_butMenuFilter_clicked()
{
    m_timerLevel->stop();
    Audioworker()->pauseAudioRecording(true);
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
        showFilter();
        m_timerLevel->start(kLevelTickMs);
        Audioworker()->pauseAudioRecording(false);
        return;
    }
    // Cancelled: back to the state before the dialog. While listening the
    // level updates and the recording go on; muted, both stay stopped.
    if (!m_muted) {
        m_timerLevel->start(kLevelTickMs);
        Audioworker()->pauseAudioRecording(false);
    }
}

void Pinpointing::on_butMenuMicrophone_clicked()
{
    m_frame->runMicrophoneDialog();
}

void Pinpointing::on_butMenuHeadphone_clicked()
{
    m_frame->runHeadphoneDialog();
}

void Pinpointing::on_butMenuHeadphone_2_clicked()
{
    m_frame->runHeadphoneDialog();
}

void Pinpointing::on_butMenuStoredHeadphone_clicked()
{
    m_frame->runHeadphoneDialog();
}

void Pinpointing::on_butMenuMainmenu_clicked()
{
    m_muted = true;
    m_timerLevel->stop();
    m_frame->leave();
}

void Pinpointing::on_butMenuMainmenu_2_clicked()
{
    on_butMenuMainmenu_clicked();
}

// ---------------------------------------------------------------------------
// Stored view

void Pinpointing::analyseInfoFile()
{
    m_storedMeasurementName.clear();
    m_storedFilterType = 0;
    m_storedFilterLowCutOff = 0;
    m_storedFilterHighCutOff = 4000;
    if (m_selectedMeasurementDir.isEmpty())
        return;
    auto info = std::make_unique<MeasInfoStructure>();
    if (!Measurements::readInfoFile(MeasurementFrame::folderPath(m_selectedMeasurementDir) + "/info.ini",
                                    kTypeCode, info.get(), &m_storedMeasurementName))
        return;
    for (int i = 1; i <= PinpointingPositions::kPositions; ++i) {
        // Values from the card: only what a display level can be.
        const float level = info->level[i];
        m_positions.minimum[i] = std::isfinite(level) ? qBound(0.0f, level, 99.0f) : 0.0f;
        m_positions.frequency[i] = qMax(0, info->frequency[i]);
    }
    m_storedFilterType = info->filterType;
    m_storedFilterLowCutOff = info->filterLowCutOff;
    m_storedFilterHighCutOff = info->filterHighCutOff;
}

void Pinpointing::selectStoredPosition(int position)
{
    m_positions.currentStep = position;
    for (int i = 1; i <= PinpointingPositions::kPositions; ++i)
        bar(i)->setStyleSheet(i == position ? QStringLiteral("QProgressBar::chunk { background-color: lightgreen; }")
                                            : QStringLiteral("QProgressBar::chunk { background-color: yellow; }"));
    ui->labelSymbol->setGeometry(slotX(position), 165, 37, 37);
}

void Pinpointing::on_butMenuStoredPlay_clicked()
{
    if (!m_storedMeasurement)
        return;
    MainMenu *w = MainMenu::getInstanceMainMenu();
    m_audioCodec->setRouting(1);
    w->muteAudioPath(false, false);
    Analoginputworker()->stopCapture();
    // The folder as the store named it: inner runs of blanks stay. Through
    // the partition's owner: unmounted, the bare mount point holds no clip.
    const QString path = MeasurementFrame::folderPath(m_selectedMeasurementDir) + QLatin1Char('/')
                         + clipName(m_positions.currentStep) + QStringLiteral(".wav");
    qDebug() << "Play file" << path;
    if (!m_selectedMeasurementDir.isEmpty())
        Audioworker()->startAudioPlayback(path);
    ui->labelSymbol->setStyleSheet(QStringLiteral("image: url(%1Start_sw_44px.png);").arg(kIcons));
}

void Pinpointing::on_butMenuStoredStop_clicked()
{
    Audioworker()->stopAudioPlayback();
    Analoginputworker()->stopCapture();
    ui->labelSymbol->setStyleSheet(QStringLiteral("image: url(%1Stop_sw_44px.png);").arg(kIcons));
}

void Pinpointing::on_butMenuStoredNext_clicked()
{
    if (!m_storedMeasurement)
        return;
    selectStoredPosition(m_positions.nextStored(m_positions.currentStep));
}

void Pinpointing::on_butMenuStoredBack_clicked()
{
    m_timerLevel->stop();
    m_muted = true;
    Audioworker()->stopAudioPlayback();
    m_frame->backToBrowser();
}

// ---------------------------------------------------------------------------
// Keys

void Pinpointing::keyPressEvent(QKeyEvent *event)
{
    if (!m_frame->keyPress(event))
        QWidget::keyPressEvent(event);
}

void Pinpointing::keyReleaseEvent(QKeyEvent *event)
{
    if (!m_frame->keyRelease(event))
        QWidget::keyReleaseEvent(event);
}
