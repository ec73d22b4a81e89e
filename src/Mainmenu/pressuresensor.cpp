#include "pressuresensor.h"
#include "ui_pressuresensor.h"

#include "audiocodecsetup.h"
#include "audioworker.h"
#include "bluetooth.h"
#include "gpio.h"
#include "gps.h"
#include "longtermdata.h"
#include "mainmenu.h"
#include "measurements.h"
#include "messagedialog.h"
#include "systemclock.h"
#include "systemsettings.h"
#include "virtualkeyboard.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QKeyEvent>
#include <QTimer>

#include <cmath>
#include <cstdlib>

namespace {

const char kTempFolder[] = "/media/tq3900/temp/";
const QColor kScaleColour(128, 155, 255);
const QColor kDataColour(173, 216, 230);
const QRect kChart(5, 55, 420, 195);

// The X spans: seconds shown and samples (100 a second).
struct Span {
    float seconds;
    int samples;
};
const Span kSpans[] = {{60, 6000}, {30, 3000}, {10, 1000}, {5, 500}, {1, 100}};
constexpr int kSpanCount = int(sizeof(kSpans) / sizeof(kSpans[0]));

QString fixed2(float value)
{
    return QString::number(double(value), 'f', 2);
}

} // namespace

PressureSensor::PressureSensor(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::PressureSensor)
    , m_intake(QString::fromLatin1(kTempFolder) + QStringLiteral("pressureLowRes.txt"),
               QString::fromLatin1(kTempFolder) + QStringLiteral("pressureHighRes.txt"))
{
    ui->setupUi(this);
    ui->widgetStatusbar->init(425, 20);
    if (MainMenu *w = MainMenu::getInstanceMainMenu()) {
        m_btSink = w->getBtSinkInstance();
        m_btSource = w->getBtSourceInstance();
    }

    longtermData = new LongtermData(this);
    longtermData->setGeometry(kChart);
    longtermData->setAxisX(0.0f, 150.0f, 30.0f, 10.0f, true);
    longtermData->setAxisY(0.0f, 25.0f, 5.0f, 1.0f, true);
    longtermData->init(kChart.width(), kChart.height(), kScaleColour, kDataColour);

    // Nothing starts the generator's timer; Home stops it all the same.
    m_timerDummyData = new QTimer();
    if (m_btSink) {
        connect(m_btSink, &Bluetooth::btPressuredataReceived, this, &PressureSensor::pressuredataReceived,
                Qt::UniqueConnection);
        connect(m_btSink, &Bluetooth::btEnableReceivePressuredata, this, &PressureSensor::enableReceivePressuredata,
                Qt::UniqueConnection);
    }
    ui->mainArea->setCurrentWidget(ui->mainPage);
}

PressureSensor::~PressureSensor()
{
    delete ui;
    Audioworker()->stopAudioRecording();
    delete longtermData;
    delete m_timerDummyData;
}

// ---------------------------------------------------------------------------
// Entry

void PressureSensor::init(int variant)
{
    MainMenu *w = MainMenu::getInstanceMainMenu();
    ui->retranslateUi(this);
    w->setCurrentVisibleDlgNum(kNoFavourite);

    m_btSink = w->getBtSinkInstance();
    m_btSource = w->getBtSourceInstance();
    m_btSink->callBtDeviceA2DP(true);
    m_btSource->callBtDeviceA2DP(false);

    connect(m_btSink, &Bluetooth::stateActiveMuteChanged, this, &PressureSensor::switchActiveMute,
            Qt::UniqueConnection);
    m_muted = true;
    w->muteAudioPath(true, true);

    m_audioCodec = w->getAudioCodecInstance();
    m_audioCodec->init();
    m_audioCodec->setFilter(0xFFFFFFFFu, 0xFFFFFFFFu, 0);
    m_audioCodec->setRouting(0);
    m_audioCodec->setInputPath(2);
    Audioworker()->startAudioRecording();

    if (variant == 1)
        return; // there is no stored view of a pressure measurement

    ui->mainArea->setCurrentWidget(ui->mainPage);
    ui->subMenu->setCurrentWidget(ui->subMenu_1);
    m_zoomed = false;
    m_minYScaleValue = 0.0f;
    m_maxYScaleValue = m_intake.range();
    longtermData->setGeometry(kChart);
    longtermData->setAxisX(0.0f, 60.0f, 10.0f, 50.0f, true);
    longtermData->setAxisY(m_minYScaleValue, m_maxYScaleValue, 5.0f, 1.0f, true);
    longtermData->init(kChart.width(), kChart.height(), kScaleColour, kDataColour);
    m_drawnPoints = 0;

    m_intake.reset();
    showPlaceholders();
    ui->labelSensorType->setText(tr("-- bar"));
    setXSpan(0);
    // The keys reach the screen through its focus; coming from the debug
    // menu no button of the page holds it.
    QWidget *focus = QApplication::focusWidget();
    if (!focus || !isAncestorOf(focus))
        setFocus();
    qDebug() << "PressureSensor: Init";
}

void PressureSensor::showPlaceholders()
{
    ui->labelMax->setText(tr("MAX = --- bar"));
    ui->labelMin->setText(tr("MIN = --- bar"));
    ui->labelAverage->setText(tr("AVG = --- bar"));
    ui->labelDeviation->setText(tr("DEV = --- bar"));
}

void PressureSensor::setXSpan(int mode)
{
    m_XScaleMode = (mode >= 0 && mode < kSpanCount) ? mode : 0;
    m_minXScaleValue = 0.0f;
    m_maxXScaleValue = kSpans[m_XScaleMode].seconds;
    m_dataCntScaled = kSpans[m_XScaleMode].samples;
}

// ---------------------------------------------------------------------------
// Sample intake

void PressureSensor::enableReceivePressuredata(bool enable, int sensor, unsigned short adMin, unsigned short adMax)
{
    if (!enable) {
        qDebug() << "Empfang der Druckdaten beendet";
        return;
    }
    if (!m_intake.announce(sensor, adMin, adMax))
        return;
    ui->labelSensorType->setText(tr("%1 bar").arg(double(m_intake.range()), 0, 'g', 6));
    m_minYScaleValue = 0.0f;
    m_maxYScaleValue = m_intake.range();
    updateDiagram(m_minXScaleValue, m_maxXScaleValue, m_minYScaleValue, m_maxYScaleValue, 0, 0, 0);
    qDebug() << "Empfang der Druckdaten gestartet" << m_intake.range() << adMin << adMax;
}

void PressureSensor::pressuredataReceived(int dataCnt, QString pressuredata)
{
    if (m_muted || dataCnt <= 0)
        return;
    // The debug LED is high while one packet is handled.
    Gpio::setValue(kDebugLed, 1);
    QString timeText;
    if (m_intake.startsNewLine()) {
        MainMenu *w = MainMenu::getInstanceMainMenu();
        const QString format = w ? w->getInstanceSystemsettings()->getFormatStringTime() : QStringLiteral("hh:mm:ss");
        timeText = SystemClock::now().time().toString(format);
    }
    m_intake.take(dataCnt, pressuredata, timeText);
    const int limit = int(m_maxXScaleValue * 100.0f);
    if (m_dataCntScaled > limit)
        m_dataCntScaled = limit;
    updatePressureValues(0, m_intake.count(), false);
    redrawLive();
    Gpio::setValue(kDebugLed, 0);
}

void PressureSensor::generateDummyData()
{
    static int offset = 0;
    QString text;
    for (int i = 0; i < 100; ++i) {
        const int value = offset + 600 + (std::rand() % 50);
        text += QStringLiteral("%1;").arg(value, 0, 16);
        if (++offset > 2800)
            offset = 0;
    }
    pressuredataReceived(100, text);
}

void PressureSensor::updatePressureValues(int start, int count, bool showDeviation)
{
    const PressureIntake::Statistics s = m_intake.statistics(start, count);
    if (!s.valid) {
        showPlaceholders();
        return;
    }
    ui->labelMax->setText(tr("MAX = %1 bar").arg(fixed2(s.max)));
    ui->labelMin->setText(tr("MIN = %1 bar").arg(fixed2(s.min)));
    ui->labelAverage->setText(tr("AVG = %1 bar").arg(fixed2(s.average)));
    if (showDeviation)
        ui->labelDeviation->setText(tr("DEV = %1 bar").arg(fixed2(s.deviation)));
    else
        ui->labelDeviation->setText(tr("ACT = %1 bar").arg(fixed2(s.current)));
}

void PressureSensor::switchActiveMute(bool mute)
{
    m_muted = mute;
    if (MainMenu *w = MainMenu::getInstanceMainMenu())
        w->muteAudioPath(mute, true);
    if (m_btSink)
        m_btSink->sendData(mute ? QStringLiteral("BT_TX RP") : QStringLiteral("BT_TX RS"));
}

// ---------------------------------------------------------------------------
// Diagram

void PressureSensor::updateDiagram(float minX, float maxX, float minY, float maxY, unsigned start, unsigned end,
                                   unsigned count)
{
    longtermData->setAxisX(minX, maxX, (maxX - minX) / 5, (maxX - minX) / 10, true);
    longtermData->setAxisY(minY, maxY, (maxY - minY) / 5, (maxY - minY) / 10, true);
    longtermData->refresh();
    // The chart spreads end - start positions over its width and joins the
    // first count - 1 of them; only recorded samples are drawn, so a curve
    // needs two of them.
    m_drawnPoints = 0;
    if (end <= start || start >= unsigned(PressureIntake::kWindow))
        return;
    const qint64 recorded = qMax<qint64>(0, qint64(m_intake.count()) - qint64(start));
    const qint64 samples = qMin<qint64>(qMin<qint64>(count, end - start), recorded);
    if (samples < 2)
        return;
    m_drawnPoints = int(samples - 1);
    // The chart only reads the values.
    longtermData->drawDataScaled(const_cast<float *>(m_intake.values()) + start, m_drawnPoints, int(end - start),
                                 false, minY, maxY);
}

void PressureSensor::redrawLive()
{
    const int n = m_intake.count();
    unsigned count;
    if (n > m_dataCntScaled) {
        m_dataStart = n - m_dataCntScaled;
        m_dataEnd = n;
        count = unsigned(m_dataCntScaled);
    } else {
        m_dataStart = int(m_minXScaleValue * 100.0f);
        m_dataEnd = int(m_maxXScaleValue * 100.0f);
        count = unsigned(n < m_dataCntScaled ? n : m_dataEnd - m_dataStart);
    }
    updateDiagram(m_minXScaleValue, m_maxXScaleValue, m_minYScaleValue, m_maxYScaleValue, unsigned(m_dataStart),
                  unsigned(m_dataEnd), count);
}

void PressureSensor::on_butMenuScaleX_clicked()
{
    setXSpan((m_XScaleMode + 1) % kSpanCount);
    redrawLive();
}

void PressureSensor::toggleYScale(int start, int count)
{
    m_zoomed = !m_zoomed;
    const PressureIntake::Statistics s = m_intake.statistics(start, count);
    // Whole bar around the samples; the sensor's range when that leaves
    // no span (no sample).
    const float lo = s.valid ? std::trunc(s.min) : 0.0f;
    const float hi = s.valid ? std::trunc(s.max + 1.0f) : 0.0f;
    const bool fitted = m_zoomed && lo < hi;
    m_minYScaleValue = fitted ? lo : 0.0f;
    m_maxYScaleValue = fitted ? hi : m_intake.range();
}

void PressureSensor::on_butMenuScaleY_clicked()
{
    toggleYScale(0, m_intake.count());
    // The span from the window's first slot; the next packet shows the
    // newest span again.
    m_dataStart = int(m_minXScaleValue * 100.0f);
    m_dataEnd = int(m_maxXScaleValue * 100.0f);
    const unsigned count = unsigned(m_intake.count() >= m_dataCntScaled ? m_dataEnd - m_dataStart : m_intake.count());
    updateDiagram(m_minXScaleValue, m_maxXScaleValue, m_minYScaleValue, m_maxYScaleValue, unsigned(m_dataStart),
                  unsigned(m_dataEnd), count);
}

// ---------------------------------------------------------------------------
// Analysis view

void PressureSensor::on_butMenuAnalyse_clicked()
{
    ui->subMenu->setCurrentWidget(ui->subMenu_2);
    switchActiveMute(true);
    setXSpan(2);
    m_analyseDataStart = 0;
    m_analyseDataEnd = m_dataCntScaled;
    updateDiagram(m_minXScaleValue, m_maxXScaleValue, m_minYScaleValue, m_maxYScaleValue, 0,
                  unsigned(m_analyseDataEnd), unsigned(m_analyseDataEnd));
    pageStatistics();
}

void PressureSensor::pageStatistics()
{
    updatePressureValues(m_analyseDataStart, qMin(m_dataCntScaled, PressureIntake::kWindow - m_analyseDataStart),
                         true);
}

void PressureSensor::redrawPage(bool limitAxisTo60)
{
    const int width = m_dataCntScaled;
    m_minXScaleValue = float(m_analyseDataStart / 100);
    m_analyseDataEnd = m_analyseDataStart + width;
    const bool cut = m_analyseDataEnd > PressureIntake::kWindow;
    if (cut)
        m_analyseDataEnd = PressureIntake::kWindow;
    m_maxXScaleValue = cut && limitAxisTo60 ? 60.0f : float(width / 100) + m_minXScaleValue;
    updateDiagram(m_minXScaleValue, m_maxXScaleValue, m_minYScaleValue, m_maxYScaleValue,
                  unsigned(m_analyseDataStart), unsigned(m_analyseDataEnd),
                  unsigned(m_analyseDataEnd - m_analyseDataStart));
    pageStatistics();
}

void PressureSensor::on_butMenuAnalyseScaleX_clicked()
{
    const int start = m_analyseDataStart;
    setXSpan((m_XScaleMode + 1) % kSpanCount);
    m_analyseDataStart = start;
    redrawPage(true);
}

void PressureSensor::on_butMenuAnalysePrev_clicked()
{
    m_analyseDataStart = qMax(0, m_analyseDataStart - m_dataCntScaled);
    redrawPage(false);
}

void PressureSensor::on_butMenuAnalyseNext_clicked()
{
    int start = m_analyseDataStart + m_dataCntScaled;
    // The last page ends with the newest sample.
    if (start >= m_intake.count())
        start = m_intake.count() - m_dataCntScaled;
    m_analyseDataStart = qMax(0, start);
    redrawPage(true);
}

void PressureSensor::on_butMenuAnalyseScaleY_clicked()
{
    if (!m_zoomed)
        pageStatistics();
    toggleYScale(m_analyseDataStart, qMin(m_dataCntScaled, PressureIntake::kWindow - m_analyseDataStart));
    updateDiagram(m_minXScaleValue, m_maxXScaleValue, m_minYScaleValue, m_maxYScaleValue,
                  unsigned(m_analyseDataStart), unsigned(m_analyseDataEnd),
                  unsigned(m_analyseDataEnd - m_analyseDataStart));
}

void PressureSensor::on_butMenuAnalyseBack_clicked()
{
    setXSpan(0);
    m_analyseDataStart = 0;
    m_analyseDataEnd = PressureIntake::kWindow;
    updateDiagram(m_minXScaleValue, m_maxXScaleValue, m_minYScaleValue, m_maxYScaleValue, 0,
                  unsigned(PressureIntake::kWindow), unsigned(PressureIntake::kWindow));
    updatePressureValues(0, m_intake.count(), false);
    ui->subMenu->setCurrentWidget(ui->subMenu_1);
}

// ---------------------------------------------------------------------------
// Keys, Home and save

void PressureSensor::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_F10: {
        MainMenu *w = MainMenu::getInstanceMainMenu();
        if (w && w->isMuteKeySwitchmode())
            switchActiveMute(!m_muted);
        else
            switchActiveMute(false);
        break;
    }
    case Qt::Key_Escape:
        break; // acted on at the release
    default:
        QWidget::keyPressEvent(event);
        break;
    }
}

void PressureSensor::keyReleaseEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_F10: {
        MainMenu *w = MainMenu::getInstanceMainMenu();
        if (w && !w->isMuteKeySwitchmode())
            switchActiveMute(true);
        break;
    }
    case Qt::Key_Escape:
        qDebug() << "PressureSensor IO-Key released";
        on_butMenuHome_clicked();
        break;
    default:
        QWidget::keyReleaseEvent(event);
        break;
    }
}

void PressureSensor::on_butMenuHome_clicked()
{
    if (MainMenu *w = MainMenu::getInstanceMainMenu())
        w->muteAudioPath(true, true);
    m_timerDummyData->stop();
    if (m_btSink)
        m_btSink->sendData(QStringLiteral("BT_TX RP"));
    // Packets still on their way are not logged after leaving; the page's
    // hiding releases the unit's key.
    m_muted = true;
    emit exit();
}

void PressureSensor::hideEvent(QHideEvent *event)
{
    // Another page took the screen's place (Home, or the favourite key
    // without Home): the stream stops and the unit's key is no longer ours.
    if (!m_muted) {
        m_muted = true;
        if (m_btSink)
            m_btSink->sendData(QStringLiteral("BT_TX RP"));
    }
    if (m_btSink)
        disconnect(m_btSink, &Bluetooth::stateActiveMuteChanged, this, &PressureSensor::switchActiveMute);
    QWidget::hideEvent(event);
}

void PressureSensor::showError()
{
    MessageDialog message(this);
    message.setIcon(2);
    message.setHeadline(QCoreApplication::translate("Measurements", "Error"));
    message.setDialogType(0);
    message.setInfotext(QCoreApplication::translate("Measurements", "MeasurementCouldNotBeStored"));
    message.exec();
}

void PressureSensor::on_butMenuSave_clicked()
{
    if (!m_muted)
        switchActiveMute(true);

    VirtualKeyboard keyboard(this);
    keyboard.setText(QString());
    keyboard.useEnterAsAccept(true);
    if (keyboard.exec() != 1) {
        qDebug() << "Text: verworfen";
        return;
    }
    const QString name = keyboard.getText().trimmed();
    qDebug() << "Text:" << name;

    double latitude = 0.0, longitude = 0.0;
    MainMenu *w = MainMenu::getInstanceMainMenu();
    if (Gps *gps = w ? w->getGpsInstance() : nullptr) {
        latitude = gps->getLatitude();
        longitude = gps->getLongitude();
    }
    QString folder;
    const PressureIntake::StoreResult result = m_intake.store(
        Measurements::storePath(), name, SystemClock::now(), latitude, longitude, &folder);
    if (result != PressureIntake::StoreResult::Stored)
        showError();
    else
        qDebug() << "Pressure measurement stored" << folder;
}
