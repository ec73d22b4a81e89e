#include "h2sensor.h"
#include "ui_h2sensor.h"

#include "audiocodecsetup.h"
#include "audioworker.h"
#include "bluetooth.h"
#include "driverhelper.h"
#include "globals.h"
#include "gps.h"
#include "longtermdata.h"
#include "mainmenu.h"
#include "measurements.h"
#include "messagedialog.h"
#include "statusbardata.h"
#include "systemsettings.h"
#include "timerh2heating.h"
#include "virtualkeyboard.h"

#include <QDebug>
#include <QKeyEvent>
#include <QRandomGenerator>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace {
// The PWM output whose clicks feed the codec's second input.
const char kPwmPeriod[] = "/sys/class/pwm/pwmchip1/pwm0/period";
const char kPwmDutyCycle[] = "/sys/class/pwm/pwmchip1/pwm0/duty_cycle";
const char kPwmEnable[] = "/sys/class/pwm/pwmchip1/pwm0/enable";
const int kCodecInputPwm = 2;
const QColor kScaleColour(128, 155, 255);
const QColor kDataColour(173, 216, 230);
} // namespace

H2Sensor::H2Sensor(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::H2Sensor)
{
    ui->setupUi(this);
    m_frame = new MeasurementFrame(this, this, kFavouriteNumber, kTypeCode);
    connect(m_frame, &MeasurementFrame::exit, this, &H2Sensor::exit);
    connect(m_frame, &MeasurementFrame::gotoWidget, this, &H2Sensor::gotoWidget);
    m_timerCheckBtConnection = m_frame->watchdogTimer();

    ui->widgetStatusbar->init(ui->widgetStatusbar->width(), ui->widgetStatusbar->height());
    ui->labelActiveTime->setText(QString());
    ui->labelTimer->init();
    ui->labelTimer->show();
    if (MainMenu *w = MainMenu::getInstanceMainMenu()) {
        m_btSink = w->getBtSinkInstance();
        m_btSource = w->getBtSourceInstance();
        m_gpsModul = w->getGpsInstance();
    }
    longtermData = new LongtermData(this);
    setUpChart(5, 150, 416, 101);
    m_timerRead = new QTimer(this);
    ui->mainArea->setCurrentWidget(ui->mainPage);
}

H2Sensor::~H2Sensor()
{
    m_timerRead->stop();
    delete ui;
}

TimerH2Heating *H2Sensor::dial() const
{
    return ui->labelTimer;
}

void H2Sensor::setUpChart(int x, int y, int width, int height)
{
    longtermData->setGeometry(x, y, width, height);
    longtermData->setAxisX(0.0f, 150.0f, 30.0f, 10.0f, true);
    longtermData->setAxisY(0.0f, 1000.0f, 250.0f, 125.0f, true);
    longtermData->init(width, height, kScaleColour, kDataColour);
}

// The level axis over a range: labels every fifth, ticks every tenth.
void H2Sensor::setRangeAxis(int range)
{
    longtermData->setAxisY(0.0f, float(range), float(range / 5), float(range / 10), true);
}

// ---------------------------------------------------------------------------
// Entry

bool H2Sensor::showSensorNoteIfNeeded()
{
    MainMenu *w = MainMenu::getInstanceMainMenu();
    QString name;
    if (w->isBootedToFavouriteFunction()
        && w->getInstanceSystemsettings()->getFavouriteButton(&name) == kFavouriteNumber) {
        // The unit has not reported its sensor yet right after the start.
        qDebug() << "Direkt boot to H2-Dialog";
        return true;
    }
    if (StatusbarData()->sensorType() == Statusbardata::kHydrogenSensor)
        return true;
    MessageDialog::inform(0, tr("Note"), tr("YouMustConnectAH2-SensorToUseThisMeasurement"));
    return m_frame->isShown();
}

void H2Sensor::applyLayout(bool withChart)
{
    longtermData->setVisible(withChart);
    const int row = withChart ? 75 : 120;
    ui->labelLevel->move(65, withChart ? 0 : 25);
    ui->labelScaleMin->move(5, row);
    ui->labelScaleMax->move(321, row);
    ui->labelActiveTime->move(120, row);
    ui->progBarH2Level->setGeometry(5, withChart ? 95 : 140, 416, withChart ? 50 : 70);
}

void H2Sensor::init(int variant)
{
    MainMenu *w = MainMenu::getInstanceMainMenu();
    Systemsettings *settings = w->getInstanceSystemsettings();

    ui->retranslateUi(this);
    if (variant == 0 && !showSensorNoteIfNeeded())
        return; // left by the power key inside the note
    // The stored view always shows its curve.
    applyLayout(settings->isH2ShowHistogramEnabled() || variant == 1);
    longtermData->displayHGrid(settings->isH2ShowGridEnabled());
    longtermData->displayVGrid(settings->isH2ShowGridEnabled());

    m_btSink = w->getBtSinkInstance();
    m_btSource = w->getBtSourceInstance();
    m_gpsModul = w->getGpsInstance();
    m_frame->callLinks();
    m_frame->connectUnitKey();

    ui->butMenuZero->setStyleSheet(ui->butMenuZero->styleSheet());
    m_levels.level = 0;
    m_levels.displayLevel = 0;
    m_levels.reference = 0;
    m_levels.scaleMode = 0;
    m_levels.rangeMax = 1000;
    showScaleMin();
    ui->progBarH2Level->setValue(0);
    ui->labelLevel->setText(QStringLiteral("0"));
    const bool debug = g_debugFeatures == 1;
    ui->labelPpm->setText(debug ? QStringLiteral("AD 0\n0") : QString());
    ui->labelPpm->setVisible(debug);
    ui->labelActiveTime->setText(QString());
    ui->labelActiveTime->setVisible(debug);

    // Always entered muted, polling slowly.
    m_levels.clearSteps();
    m_muted = true;
    w->muteAudioPath(true, true);
    connect(m_timerRead, &QTimer::timeout, this, &H2Sensor::readData, Qt::UniqueConnection);
    m_timerRead->start(kPollMutedMs);

    // The ticker is heard through the codec's second input, unfiltered.
    m_audioCodec = w->getAudioCodecInstance();
    m_audioCodec->init();
    w->setCurrentFilter(0, 4000, 0);
    m_audioCodec->setFilter(0, 4000, 0);
    m_audioCodec->setRouting(0);
    m_audioCodec->setInputPath(kCodecInputPwm);
    Audioworker()->startAudioRecording();

    connect(m_btSink, &Bluetooth::btSensorvalueReceived, this, &H2Sensor::btReceivedSensorvalue,
            Qt::UniqueConnection);
    m_frame->reportFavourite();

    // One click a second until the first reply while listening.
    DriverHelper::writeFile(kPwmPeriod, "1000000000");
    DriverHelper::writeFile(kPwmDutyCycle, "100000");
    DriverHelper::writeFile(kPwmEnable, "1");

    m_measManagement = w->getInstanceMeasManagement();
    ui->labelStoredMeasurement->setText(QString());

    if (variant == 1) {
        m_frame->stopWatchdog();
        m_selectedMeasurementDir = m_frame->selectedFolder();
        ui->mainArea->setCurrentWidget(ui->storedPage);
        ui->subMenu->setCurrentWidget(ui->subMenu_2);
        analyseInfoFile();
        ui->progBarH2Level->hide();
        ui->labelStoredMeasurement->setText(m_storedMeasurementName);
        longtermData->setGeometry(5, 35, 416, 185);
        longtermData->init(416, 185, kScaleColour, kDataColour);
        const int range = m_h2storedRangeMax;
        setRangeAxis(range);
        longtermData->drawDataScaled(m_h2storedValues, m_h2storedValuesCnt, H2SensorLevels::kHistoryLength, false,
                                     0.0f, float(range));
        qDebug() << "Stored H2" << m_h2storedValuesCnt << m_h2storedReferenceLevel << m_h2storedRangeMax;
        return;
    }

    ui->mainArea->setCurrentWidget(ui->mainPage);
    ui->subMenu->setCurrentWidget(ui->subMenu_1);
    ui->progBarH2Level->show();
    setUpChart(5, 150, 416, 101);
    m_levels.clearHistory();

    m_frame->startWatchdog();

    // A reference of 1000 is moved to the first reading by the first reply,
    // so the display starts at 0.
    m_levels.dynamicScaling = settings->isH2DynamicScalingEnabled();
    if (m_levels.dynamicScaling) {
        m_levels.rangeMax = 100;
        m_levels.reference = H2SensorLevels::kTop;
        m_levels.scaleMode = H2SensorLevels::kDynamicMode;
    } else {
        on_butMenuZero_clicked();
        m_levels.rangeMax = 1000;
        m_levels.reference = H2SensorLevels::kTop;
        m_levels.scaleMode = 0;
    }
    updateScaleMaxValue(m_levels.scaleMode);

    showScaleMin();
    ui->labelTimer->setRangeVisualisation(m_levels.reference, m_levels.level, m_levels.rangeMax);
    if (settings->isH2ShowWorkingRangeEnabled())
        ui->labelTimer->showRangeVisualisation();
    else
        ui->labelTimer->hideRangeVisualisation();
    ui->labelTimer->update();
}

// ---------------------------------------------------------------------------
// Polling and replies

void H2Sensor::readData()
{
    if (m_btSink)
        m_btSink->sendData(QStringLiteral("BT_TX S"));
}

void H2Sensor::showScaleMin()
{
    ui->labelScaleMin->setText(g_debugFeatures == 1 ? QStringLiteral("0 (%1)").arg(m_levels.reference)
                                                    : QStringLiteral("0"));
}

void H2Sensor::showActiveTime(const QString &activeTime, int seconds)
{
    if (g_debugFeatures != 1) {
        ui->labelActiveTime->setText(QString());
        ui->labelActiveTime->hide();
        return;
    }
    ui->labelActiveTime->setText(activeTime.isEmpty() ? QString()
                                                      : QStringLiteral("Active: %1 s").arg(activeTime));
    ui->labelActiveTime->show();
    const char *colour = seconds < 300 ? "red" : seconds < 600 ? "yellow" : "green";
    ui->labelActiveTime->setStyleSheet(QStringLiteral("color: %1;").arg(QLatin1String(colour)));
}

void H2Sensor::updateDial(int seconds)
{
    ui->labelTimer->setCurrentTime(seconds);
    ui->labelTimer->setRangeVisualisation(m_levels.reference, m_levels.level, m_levels.rangeMax);
    ui->labelTimer->show();
}

void H2Sensor::btReceivedSensorvalue(QString a_sensorvalue, QString a_activeTime)
{
    int level = 0;
    if (!H2SensorLevels::parseLevel(a_sensorvalue, &level)) {
        // One garbled line must not move the reference to 0.
        qDebug() << "H2Sensor: sensor value without a number ignored" << a_sensorvalue.left(32);
        return;
    }
    const int seconds = H2SensorLevels::parseActiveTime(a_activeTime);

    if (m_muted) {
        showActiveTime(a_activeTime, seconds);
        m_levels.mutedReading(level);
        if (g_debugFeatures == 1)
            showScaleMin();
        updateDial(seconds);
        return;
    }

    const int referenceBefore = m_levels.reference;
    const double lat = m_gpsModul ? m_gpsModul->getLatitude() : 0.0;
    const double lon = m_gpsModul ? m_gpsModul->getLongitude() : 0.0;
    m_levels.listeningReading(level, lat, lon);
    if (m_levels.reference != referenceBefore)
        showScaleMin();
    if (m_levels.dynamicScaling)
        ui->labelScaleMax->setText(m_levels.scaleMaxText());

    // The number alone flickers by one, so that a steady reading is seen to
    // be alive; bar, chart, ticker and the stored values take the level itself.
    const int flicker = int(QRandomGenerator::global()->bounded(2));
    ui->labelLevel->setText(QString::number(m_levels.displayLevel + flicker));
    const int range = m_levels.rangeMax;
    ui->progBarH2Level->setValue(range > 0 ? qBound(0, m_levels.displayLevel * 100 / range, 100) : 0);
    const double raw = a_sensorvalue.trimmed().toDouble();
    ui->labelPpm->setText(QStringLiteral("AD %1\n%2").arg(raw, 0, 'f', 0).arg(m_levels.level));
    updatePwmValue();

    setRangeAxis(range);
    longtermData->refresh();
    longtermData->drawDataScaled(m_levels.history, m_levels.dataCnt, H2SensorLevels::kHistoryLength, true, 0.0f,
                                 float(range));

    showActiveTime(a_activeTime, seconds);
    updateDial(seconds);
}

void H2Sensor::updatePwmValue()
{
    const QByteArray period = QByteArray::number(m_levels.tickerPeriodNs());
    DriverHelper::writeFile(kPwmPeriod, period.constData());
}

// ---------------------------------------------------------------------------
// Ranges and zero

void H2Sensor::updateScaleMaxValue(int mode)
{
    m_levels.setScaleMode(mode,
                          MainMenu::getInstanceMainMenu()->getInstanceSystemsettings()->isH2DynamicScalingEnabled());
    ui->labelScaleMax->setText(m_levels.scaleMaxText());
    showScaleMin();
    const int range = m_levels.rangeMax;
    setRangeAxis(range);
    longtermData->refresh();
}

void H2Sensor::on_butMenuScale_clicked()
{
    updateScaleMaxValue(m_levels.scaleMode + 1);
}

void H2Sensor::on_butMenuZero_clicked()
{
    m_levels.zero();
    showScaleMin();
    // A dynamic range restarted at 100 is shown at once, not at the next reply.
    ui->labelScaleMax->setText(m_levels.scaleMaxText());
    ui->butMenuZero->setStyleSheet(ui->butMenuZero->styleSheet());
    qDebug() << "butMenuZero" << m_levels.reference << m_levels.rangeMax;
    const int range = m_levels.rangeMax;
    setRangeAxis(range);
    longtermData->refresh();
}

// ---------------------------------------------------------------------------
// Listening

void H2Sensor::muteAudioPath(bool a_mute, bool a_sendToMic)
{
    MainMenu *w = MainMenu::getInstanceMainMenu();
    if (a_mute == m_muted) {
        // A repeated report (the unit's key sent twice, the watchdog's mute)
        // opens no new step; a mute puts the muted path in place again.
        if (a_mute && w)
            w->muteAudioPath(true, a_sendToMic);
        return;
    }
    m_muted = a_mute;
    m_timerRead->start(a_mute ? kPollMutedMs : kPollListeningMs);
    if (w)
        w->muteAudioPath(a_mute, a_sendToMic);
    if (!a_mute)
        m_levels.beginListening();
}

void H2Sensor::frameHidden()
{
    // The main window muted the path when it showed another page.
    m_timerRead->stop();
    m_muted = true;
}

void H2Sensor::switchActiveMute(bool mute)
{
    m_frame->switchActiveMute(mute);
}

void H2Sensor::checkBtConnection()
{
    m_frame->checkBtConnection();
}

// ---------------------------------------------------------------------------
// Side menu

void H2Sensor::on_butMenuHeadphone_clicked()
{
    m_frame->runHeadphoneDialog();
}

void H2Sensor::on_butMenuSave_clicked()
{
    // The save neither mutes nor changes what the screen shows; only the
    // recording pauses while the name is typed.
    Audioworker()->pauseAudioRecording(true);
    VirtualKeyboard keyboard(this);
    keyboard.setText(QString());
    keyboard.useEnterAsAccept(true);
    if (keyboard.exec() == 1) {
        const QString name = keyboard.getText();
        qDebug() << "Text:" << name;
        // About 12 KiB: on the heap, zeroed, so that no field the screen
        // leaves unset carries stack garbage into the file.
        auto info = std::make_unique<MeasInfoStructure>();
        std::memset(info.get(), 0, sizeof(MeasInfoStructure));
        frameFill(info.get());
        MeasurementData()->storeMeasurement(kTypeCode, name, *info);
    } else {
        qDebug() << "Text: verworfen";
    }
    // A muted path keeps its recording paused.
    if (!m_muted)
        Audioworker()->pauseAudioRecording(false);
}

void H2Sensor::frameFill(MeasInfoStructure *info)
{
    for (int i = 1; i <= H2SensorLevels::kSteps; ++i) {
        info->level[i] = m_levels.stepLevel[i];
        info->posLat[i] = m_levels.stepLat[i];
        info->posLong[i] = m_levels.stepLong[i];
    }
    const int count = qBound(0, m_levels.dataCnt, H2SensorLevels::kHistoryLength - 1);
    std::copy(m_levels.history, m_levels.history + count, info->array);
    info->arrayCnt = count;
    info->arrayInfoParameter_1 = m_levels.reference;
    info->arrayInfoParameter_2 = m_levels.rangeMax;
}

void H2Sensor::on_butMenuHome_clicked()
{
    m_timerRead->stop();
    m_muted = true;
    m_frame->leave();
}

void H2Sensor::on_butMenuMainmenu_2_clicked()
{
    on_butMenuHome_clicked();
}

// ---------------------------------------------------------------------------
// Stored view

void H2Sensor::analyseInfoFile()
{
    std::fill(std::begin(m_h2storedValues), std::end(m_h2storedValues), 0.0f);
    m_storedMeasurementName.clear();
    m_h2storedValuesCnt = 0;
    m_h2storedReferenceLevel = 0;
    m_h2storedRangeMax = 0;
    if (!m_selectedMeasurementDir.isEmpty()) {
        auto info = std::make_unique<MeasInfoStructure>();
        if (Measurements::readInfoFile(MeasurementFrame::folderPath(m_selectedMeasurementDir)
                                           + QStringLiteral("/info.ini"),
                                       kTypeCode, info.get(), &m_storedMeasurementName)) {
            // The store bounds the count by the values present; the view
            // holds at most 1024 of them.
            m_h2storedValuesCnt = qBound(0, info->arrayCnt, kStoredValues);
            std::copy(info->array, info->array + m_h2storedValuesCnt, m_h2storedValues);
            m_h2storedReferenceLevel = info->arrayInfoParameter_1;
            m_h2storedRangeMax = info->arrayInfoParameter_2;
        }
    }
    // A file without a range (or none at all) is drawn over the sensor's span.
    if (m_h2storedRangeMax <= 0)
        m_h2storedRangeMax = H2SensorLevels::kTop;
}

void H2Sensor::on_butMenuStoredBack_clicked()
{
    m_timerRead->stop();
    m_muted = true;
    m_audioCodec->setMuting(true);
    Audioworker()->stopAudioRecording();
    m_frame->backToBrowser();
}

// ---------------------------------------------------------------------------
// Keys

void H2Sensor::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F10)
        qDebug() << "H2Sensor Mute Key pressed";
    if (!m_frame->keyPress(event))
        QWidget::keyPressEvent(event);
}

void H2Sensor::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F10)
        qDebug() << "H2Sensor Mute Key released";
    else if (event->key() == Qt::Key_Escape)
        qDebug() << "H2Sensor IO-Key released";
    if (!m_frame->keyRelease(event))
        QWidget::keyReleaseEvent(event);
}
