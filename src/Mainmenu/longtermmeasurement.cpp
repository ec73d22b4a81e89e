#include "longtermmeasurement.h"
#include "ui_longtermmeasurement.h"

#include "analoginputworker.h"
#include "audiocodecsetup.h"
#include "audioworker.h"
#include "bluetooth.h"
#include "longtermdata.h"
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
const char kIcons[] = ":/Resources/Icons/Mainmenu/Pinpointing/";
const char kBandpass[] = "background-image: url(:/Resources/Icons/Mainmenu/Pinpointing/Filtertype_Bandpass_gr_40px.png);";
const char kBandstop[] = "background-image: url(:/Resources/Icons/Mainmenu/Pinpointing/Filtertype_Bandstop_gr_40px.png);";
const QColor kScaleColour(213, 211, 18);
const QColor kDataColour(255, 255, 100);
} // namespace

Longtermmeasurement::Window Longtermmeasurement::window(int selectedTime)
{
    switch (selectedTime) {
    case 1:
        return {"10 min", 600, 10.0f, 2.0f, 1.0f};
    case 2:
        return {"30 min", 1800, 30.0f, 5.0f, 1.0f};
    default:
        return {"3 min", 180, 3.0f, 0.5f, 0.1f};
    }
}

bool Longtermmeasurement::autoRange(const float *data, int count, int *lo, int *hi)
{
    if (count <= 0)
        return false;
    float max = 0.0f, min = 100.0f;
    for (int i = 0; i < count; ++i) {
        if (data[i] > max)
            max = data[i];
        if (data[i] < min)
            min = data[i];
    }
    *hi = qMin(100, (int(max) / 5) * 5 + 5);
    *lo = qMax(0, (int(min) / 5) * 5);
    return true;
}

Longtermmeasurement::Longtermmeasurement(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::Longtermmeasurement)
{
    ui->setupUi(this);
    m_frame = new MeasurementFrame(this, this, kFavouriteNumber, kTypeCode);
    connect(m_frame, &MeasurementFrame::exit, this, &Longtermmeasurement::exit);
    connect(m_frame, &MeasurementFrame::gotoWidget, this, &Longtermmeasurement::gotoWidget);
    m_timerCheckBtConnection = m_frame->watchdogTimer();

    longtermData = new LongtermData();
    ui->levelData->addWidget(longtermData);
    setWindow(longtermData, 0);
    longtermData->init(longtermData->getRect().width(), longtermData->getRect().height(), kScaleColour, kDataColour);
    storedLongtermData = new LongtermData(ui->levelDataStored);
    storedLongtermData->init(ui->levelDataStored->width(), ui->levelDataStored->height(), kScaleColour, kDataColour);
    storedLongtermData->setGeometry(0, 0, ui->levelDataStored->width(), ui->levelDataStored->height());
    ui->widgetStatusbar->init(ui->widgetStatusbar->width(), ui->widgetStatusbar->height());
    if (MainMenu *w = MainMenu::getInstanceMainMenu()) {
        m_btSink = w->getBtSinkInstance();
        m_btSource = w->getBtSourceInstance();
    }
    m_updateTimer = new QTimer(this);
    ui->mainArea->setCurrentWidget(ui->mainPage);
}

Longtermmeasurement::~Longtermmeasurement()
{
    m_updateTimer->stop();
    delete ui;
    delete longtermData;
}

void Longtermmeasurement::setWindow(LongtermData *chart, int selectedTime)
{
    const Window win = window(selectedTime);
    chart->setAxisX(0.0f, win.max, win.mainStep, win.minorStep, true);
}

void Longtermmeasurement::showScaleButton(bool magnified)
{
    const QString icon = magnified ? QStringLiteral("ScaleMagnifierFull") : QStringLiteral("Scale");
    const QString style = QStringLiteral("QPushButton {image: url(%1%2_ws_44px.png);\npadding: 5px 5px; border: 0px;}\n"
                                         "QPushButton:focus {image: url(%1%2_ws_44px.png);}\n"
                                         "QPushButton:hover {image: url(%1%2_ws_44px.png);}\n"
                                         "QPushButton:pressed {image: url(%1%2_sw_44px.png);}")
                              .arg(kIcons, icon);
    setStyleSheetIfChanged(ui->butMenuScale, style);
}

void Longtermmeasurement::showFilter()
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
// Entry

void Longtermmeasurement::init(int variant)
{
    MainMenu *w = MainMenu::getInstanceMainMenu();
    Systemsettings *settings = w->getInstanceSystemsettings();

    ui->retranslateUi(this);
    // The power key inside the note returns to the main page: no entry then.
    if (variant == 0 && !m_frame->showHydrogenNoteIfNeeded())
        return;

    m_selectedTime = 0;
    ui->labelTime->setText(QString::fromLatin1(window(0).label));
    m_dataCnt = 0;
    m_maxVisibleData = window(0).limit;
    m_displayOldData = false;
    setWindow(longtermData, 0);
    m_drawScaled = false;
    m_minDataVal = 0;
    m_maxDataVal = 100;
    longtermData->setAxisY(0.0f, 100.0f, 20.0f, 10.0f, true);
    showScaleButton(false);

    longtermData->displayHGrid(settings->isLTShowGridEnabled());
    longtermData->displayVGrid(settings->isLTShowGridEnabled());

    m_btSink = w->getBtSinkInstance();
    m_btSource = w->getBtSourceInstance();
    m_frame->callLinks();
    m_frame->connectUnitKey();
    m_audioCodec = w->getAudioCodecInstance();
    m_audioCodec->init();
    connect(m_updateTimer, &QTimer::timeout, this, &Longtermmeasurement::updateData, Qt::UniqueConnection);

    ui->prgbMinimumLevel->setValue(0);
    ui->labelLevel->setText(QStringLiteral("0"));
    if (settings->isLTShowFrequencyValueEnabled()) {
        ui->labelFrequency->setText(QStringLiteral("0 Hz"));
        ui->labelFrequency->show();
    } else {
        ui->labelFrequency->setText(QString());
        ui->labelFrequency->hide();
    }
    const bool filter = settings->isLTShowFilterParameterEnabled();
    for (QWidget *label : {static_cast<QWidget *>(ui->labelFiltersymbol), static_cast<QWidget *>(ui->labelFilterrange),
                           static_cast<QWidget *>(ui->labelFiltersymbolStored),
                           static_cast<QWidget *>(ui->labelFilterLowCutOff),
                           static_cast<QWidget *>(ui->labelFilterHighCutOff)})
        label->setVisible(filter);

    // Entry is always muted; the screen's own state follows.
    m_muted = false;
    muteAudioPath(true, true);
    m_measManagement = w->getInstanceMeasManagement();
    m_frame->reportFavourite();

    if (variant == 1) {
        m_frame->stopWatchdog();
        m_updateTimer->stop();
        ui->subMenu->setCurrentWidget(ui->subMenu_2);
        ui->mainArea->setCurrentWidget(ui->storedPage);
        m_selectedMeasurementDir = m_frame->selectedFolder();
        analyseInfoFile();
        ui->labelTimeStored->setText(QString::fromLatin1(window(m_selectedTime).label));
        setWindow(storedLongtermData, m_selectedTime);
        ui->labelFiltersymbolStored->setStyleSheet(m_storedFilterType == 2 ? kBandstop : kBandpass);
        ui->labelFilterLowCutOff->setText(QStringLiteral("%1 Hz").arg(m_storedFilterLowCutOff));
        ui->labelFilterHighCutOff->setText(QStringLiteral("%1 Hz").arg(m_storedFilterHighCutOff));
        storedLongtermData->init(ui->levelDataStored->width(), ui->levelDataStored->height(), kScaleColour,
                                 kDataColour);
        storedLongtermData->drawData(m_storedData, m_storedDataCnt, m_maxVisibleData, m_displayOldData);
        ui->labelStoredMeasurement->setText(m_storedMeasurementName);
        return;
    }

    longtermData->init(longtermData->getRect().width(), longtermData->getRect().height(), kScaleColour, kDataColour);
    ui->subMenu->setCurrentWidget(ui->subMenu_1);
    ui->mainArea->setCurrentWidget(ui->mainPage);
    Audioworker()->startAudioRecording();
    Audioworker()->pauseAudioRecording(true);

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
    m_frame->startWatchdog();
}

// ---------------------------------------------------------------------------
// Sampling

void Longtermmeasurement::updateData()
{
    float level = 1e-6f;
    int frequency = 0;
    if (!m_muted) {
        AnalogInputWorker *analysis = Analoginputworker();
        float rms = 0.0f, peak = 0.0f, minimum = 0.0f;
        analysis->getAudioLevel(&rms, &peak, &minimum);
        level = rms;
        frequency = int(analysis->getSignificandFrequency());
    }
    const float db = AnalogInputWorker::audioLevelToDb(level);
    if (db < 1.0f)
        return;

    ui->prgbMinimumLevel->setValue(int(db));
    ui->labelLevel->setText(QStringLiteral("%1").arg(double(db), 0, 'f', 0));
    ui->labelFrequency->setText(QStringLiteral("%1 Hz").arg(frequency));
    Systemsettings *settings = MainMenu::getInstanceMainMenu()->getInstanceSystemsettings();
    if (settings->isLTUseFrequColorForBarEnabled()) {
        setFrequencyBarColour(ui->prgbMinimumLevel, frequency);
    } else {
        setStyleSheetIfChanged(ui->prgbMinimumLevel, QStringLiteral("QProgressBar::chunk {background-color: yellow;}"));
    }

    m_recordedData[m_dataCnt] = db;
    m_maxVisibleData = window(m_selectedTime).limit;
    setWindow(longtermData, m_selectedTime);
    if (++m_dataCnt > m_maxVisibleData) {
        m_dataCnt = 0;
        m_displayOldData = true;
    }
    redraw();
}

void Longtermmeasurement::redraw()
{
    longtermData->refresh();
    if (m_drawScaled)
        longtermData->drawDataScaled(m_recordedData, m_dataCnt, m_maxVisibleData, m_displayOldData, m_minDataVal,
                                     m_maxDataVal);
    else
        longtermData->drawData(m_recordedData, m_dataCnt, m_maxVisibleData, m_displayOldData);
}

void Longtermmeasurement::on_butMenuTime_clicked()
{
    if (++m_selectedTime > 2)
        m_selectedTime = 0;
    ui->labelTime->setText(QString::fromLatin1(window(m_selectedTime).label));
    setWindow(longtermData, m_selectedTime);
    m_dataCnt = 0;
    m_displayOldData = false;
}

void Longtermmeasurement::on_butMenuScale_clicked()
{
    if (m_drawScaled) {
        m_drawScaled = false;
        m_minDataVal = 0;
        m_maxDataVal = 100;
        longtermData->setAxisY(0.0f, 100.0f, 20.0f, 10.0f, true);
        showScaleButton(false);
        redraw();
        return;
    }
    int lo = 0, hi = 100;
    if (!autoRange(m_recordedData, m_dataCnt, &lo, &hi)) {
        m_minDataVal = 0;
        m_maxDataVal = 100;
        longtermData->setAxisY(0.0f, 100.0f, 20.0f, 10.0f, true);
        showScaleButton(false);
        return;
    }
    m_minDataVal = lo;
    m_maxDataVal = hi;
    m_drawScaled = true;
    if (hi - lo > 59)
        longtermData->setAxisY(float(lo), float(hi), 20.0f, 10.0f, true);
    else
        longtermData->setAxisY(float(lo), float(hi), 10.0f, 5.0f, true);
    showScaleButton(true);
    redraw();
}

// ---------------------------------------------------------------------------
// Listening

void Longtermmeasurement::muteAudioPath(bool a_mute, bool a_sendToMic)
{
    MainMenu *w = MainMenu::getInstanceMainMenu();
    if (a_mute == m_muted) {
        // A repeated report (the watchdog's mute, the unit's state sent
        // again) puts the muted path in place again and changes nothing else.
        if (a_mute)
            w->muteAudioPath(true, a_sendToMic);
        return;
    }
    w->muteAudioPath(a_mute, a_sendToMic);
    m_muted = a_mute;
    if (a_mute)
        m_updateTimer->stop();
    else
        m_updateTimer->start(kSampleMs);
}

void Longtermmeasurement::frameHidden()
{
    // The main window muted the path when it left the screen.
    m_updateTimer->stop();
    m_muted = true;
}

void Longtermmeasurement::switchActiveMute(bool mute)
{
    m_frame->switchActiveMute(mute);
}

void Longtermmeasurement::checkBtConnection()
{
    m_frame->checkBtConnection();
}

// ---------------------------------------------------------------------------
// Side menu

void Longtermmeasurement::on_butMenuSave_clicked()
{
    m_frame->save();
}

void Longtermmeasurement::frameFill(MeasInfoStructure *info)
{
    const int n = qBound(0, m_dataCnt, kBufferSize);
    for (int i = 0; i < n; ++i)
        info->array[i] = m_recordedData[i];
    if (n == 0)
        info->array[0] = 0.0f;
    info->arrayCnt = n;
    info->arrayInfoParameter_1 = m_selectedTime;
    info->arrayInfoParameter_2 = m_maxVisibleData;
}

void Longtermmeasurement::on_butMenuSettings_clicked()
{
    ui->subMenu->setCurrentWidget(ui->subMenu_3);
}

void Longtermmeasurement::on_butMenuBack_clicked()
{
    ui->subMenu->setCurrentWidget(ui->subMenu_1);
}

void Longtermmeasurement::on_butMenuFilter_clicked()
{
    const bool wasRunning = m_updateTimer->isActive();
    m_updateTimer->stop();
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
        m_storedFilterType = type;
        m_storedFilterLowCutOff = low;
        m_storedFilterHighCutOff = high;
        showFilter();
        m_updateTimer->start(kSampleMs);
        return;
    }
    // Cancelled: sampling goes on as before the dialog.
    if (wasRunning)
        m_updateTimer->start(kSampleMs);
}

void Longtermmeasurement::on_butMenuMicrophone_clicked()
{
    m_frame->runMicrophoneDialog();
}

void Longtermmeasurement::on_butMenuHeadphone_clicked()
{
    m_frame->runHeadphoneDialog();
}

void Longtermmeasurement::on_butMenuMainmenu_clicked()
{
    m_frame->stopWatchdog();
    muteAudioPath(true, true);
    Analoginputworker()->stopCapture();
    m_frame->leave();
}

void Longtermmeasurement::on_butMenuMainmenu_2_clicked()
{
    on_butMenuMainmenu_clicked();
}

void Longtermmeasurement::on_butMenuMainmenu_3_clicked()
{
    on_butMenuMainmenu_clicked();
}

// ---------------------------------------------------------------------------
// Stored view

void Longtermmeasurement::analyseInfoFile()
{
    std::memset(m_storedData, 0, sizeof(m_storedData));
    m_storedDataCnt = 0;
    m_storedMeasurementName.clear();
    m_selectedTime = 0;
    m_maxVisibleData = 0;
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
    // Counts from the card reach the chart only within the sample buffer: a
    // pass holds at most the buffer, and a negative count reads nothing.
    m_storedDataCnt = qBound(0, info->arrayCnt, kBufferSize);
    for (int i = 0; i < m_storedDataCnt; ++i)
        m_storedData[i] = std::isfinite(info->array[i]) ? info->array[i] : 0.0f;
    m_selectedTime = info->arrayInfoParameter_1;
    m_maxVisibleData = qBound(0, info->arrayInfoParameter_2, kBufferSize - 1);
    if (info->filterType == 1 || info->filterType == 2) {
        m_storedFilterType = info->filterType;
        m_storedFilterLowCutOff = info->filterLowCutOff;
        m_storedFilterHighCutOff = info->filterHighCutOff;
    }
}

void Longtermmeasurement::on_butMenuStoredBack_clicked()
{
    muteAudioPath(true, true);
    m_audioCodec->setMuting(true);
    m_muted = true;
    Audioworker()->stopAudioRecording();
    m_frame->backToBrowser();
}

// ---------------------------------------------------------------------------
// Keys

void Longtermmeasurement::keyPressEvent(QKeyEvent *event)
{
    if (!m_frame->keyPress(event))
        QWidget::keyPressEvent(event);
}

void Longtermmeasurement::keyReleaseEvent(QKeyEvent *event)
{
    if (!m_frame->keyRelease(event))
        QWidget::keyReleaseEvent(event);
}
