#include "filtersettings.h"
#include "ui_filtersettings.h"

#include "analoginputworker.h"
#include "audiocodecsetup.h"
#include "freqspectrum.h"
#include "globals.h"
#include "headphonesettings.h"
#include "mainmenu.h"
#include "micsettings.h"
#include "statusbardata.h"

#include <QDebug>
#include <QTimer>

namespace {
constexpr int kLevelTickMs = 300;
// The band an arrow starts without a filter.
constexpr quint32 kArrowStartLow = 20;
constexpr quint32 kArrowStartHigh = 3900;

QString cornerText(quint32 f)
{
    return QStringLiteral("%1 Hz").arg(f);
}
} // namespace

Filtersettings::Filtersettings(QWidget *parent)
    : KeyDialog(parent), ui(new Ui::Filtersettings)
{
    ui->setupUi(this);
    takeMuteKey();
    qDebug() << "Konstruktor Filtersettings";

    freqSpectrum = new FreqSpectrum;
    ui->spectrumLayout->addWidget(freqSpectrum);
    // The spectrum's image takes the widget's size, which the layout gives
    // it only when laid out.
    ui->spectrumLayout->activate();
    freqSpectrum->setScaleBgGradient(true);
    const QRect area = freqSpectrum->getRect();
    freqSpectrum->init(area.width(), area.height());
    freqSpectrum->clear();
    freqSpectrum->drawScale();
    connect(freqSpectrum, &FreqSpectrum::filterChanged, this, [this] {
        m_codecChanged = true;
        updateFilter();
    });

    MainMenu *w = MainMenu::getInstanceMainMenu();
    if (w) {
        m_audioCodec = w->getAudioCodecInstance();
        w->getCurrentFilter(&m_recordLow, &m_recordHigh, &m_recordType);
    }
    if (m_audioCodec) {
        m_audioCodec->getFilter(&m_lowCutOffFrequency, &m_highCutOffFrequency, &m_filterType);
        m_audioCodec->getAvailableLpFilterFrequencies(m_lpFilterFrequencies, &m_numLpFilter);
        m_audioCodec->getAvailableHpFilterFrequencies(m_hpFilterFrequencies, &m_numHpFilter);
    }
    m_numLpFilter = qBound(0, m_numLpFilter, 256);
    m_numHpFilter = qBound(0, m_numHpFilter, 256);
    m_openLow = m_lowCutOffFrequency;
    m_openHigh = m_highCutOffFrequency;
    m_openType = m_filterType;
    freqSpectrum->updateFilter(m_lowCutOffFrequency, m_highCutOffFrequency, m_filterType);

    showCorners();
    ui->prgbLevel->setValue(0);
    ui->labelLevel->setText(QStringLiteral("0"));

    const bool debug = g_debugFeatures == 1;
    ui->but50HzFilter->setVisible(debug);
    ui->butPreemphase->setVisible(debug);
    m_filter50HzEnabled = false;
    m_filterPreemphaseEnabled = false;

    m_timerLevel = new QTimer(this);
    connect(m_timerLevel, &QTimer::timeout, this, &Filtersettings::updateLevel);
    m_timerLevel->start(kLevelTickMs);
}

Filtersettings::~Filtersettings()
{
    m_timerLevel->stop();
    freqSpectrum->setScaleBgGradient(false);
    delete ui; // the widgets, the spectrum among them, go with the dialog
}

void Filtersettings::getFiltersettings(int *filterType, unsigned int *lowCutOffFrequency,
                                       unsigned int *highCutOffFrequency) const
{
    if (filterType)
        *filterType = m_filterType;
    if (lowCutOffFrequency)
        *lowCutOffFrequency = m_lowCutOffFrequency;
    if (highCutOffFrequency)
        *highCutOffFrequency = m_highCutOffFrequency;
}

quint32 Filtersettings::stepDown(const quint32 *list, int count, quint32 value, qint64 lowerLimit)
{
    bool found = false;
    quint32 best = 0;
    for (int i = 0; i < count; ++i) {
        if (list[i] < value && (!found || list[i] > best)) {
            best = list[i];
            found = true;
        }
    }
    return found && qint64(best) > lowerLimit ? best : value;
}

quint32 Filtersettings::stepUp(const quint32 *list, int count, quint32 value, qint64 upperLimit)
{
    bool found = false;
    quint32 best = 0;
    for (int i = 0; i < count; ++i) {
        if (list[i] > value && (!found || list[i] < best)) {
            best = list[i];
            found = true;
        }
    }
    return found && qint64(best) < upperLimit ? best : value;
}

void Filtersettings::automaticBand(int sensorType, quint32 *low, quint32 *high)
{
    switch (sensorType) {
    case 1: // the sensor unit's microphone
        *low = 160;
        *high = 800;
        break;
    case 2: // the sensor unit's type-2 sensor
        *low = 400;
        *high = 1000;
        break;
    case 4: // wired sensor
        *low = 160;
        *high = 1000;
        break;
    default:
        *low = 160;
        *high = 4000;
        break;
    }
}

void Filtersettings::showCorners()
{
    if (m_filterType == 0) {
        ui->labelFreqLow->setText(QStringLiteral("--- Hz"));
        ui->labelFreqHigh->setText(QStringLiteral("--- Hz"));
    } else {
        ui->labelFreqLow->setText(cornerText(m_lowCutOffFrequency));
        ui->labelFreqHigh->setText(cornerText(m_highCutOffFrequency));
    }
}

void Filtersettings::applyFilter()
{
    if (m_audioCodec) {
        m_audioCodec->setSpecialFilter(m_filter50HzEnabled, m_filterPreemphaseEnabled);
        m_audioCodec->setFilter(m_lowCutOffFrequency, m_highCutOffFrequency, m_filterType);
        m_codecChanged = true;
    }
    updateFilter();
}

void Filtersettings::updateFilter()
{
    if (m_audioCodec)
        m_audioCodec->getFilter(&m_lowCutOffFrequency, &m_highCutOffFrequency, &m_filterType);
    showCorners();
    freqSpectrum->updateFilter(m_lowCutOffFrequency, m_highCutOffFrequency, m_filterType);
}

void Filtersettings::updateLevel()
{
    AnalogInputWorker *ain = Analoginputworker();
    float rms = 0.0f, peak = 0.0f, minimum = 0.0f;
    ain->getAudioLevel(&rms, &peak, &minimum);
    const float level = AnalogInputWorker::audioLevelToDb(rms);
    ui->prgbLevel->setValue(int(level));
    ui->labelLevel->setText(QStringLiteral("%1").arg(double(level), 0, 'f', 0));

    float spectrum[1024], samples[1024];
    ain->getFft(spectrum);
    ain->getAudioData(samples);
    freqSpectrum->refresh();
    freqSpectrum->drawScale();
    freqSpectrum->drawFft(spectrum, true);
    freqSpectrum->drawData(samples);
    freqSpectrum->update();
}

bool Filtersettings::startBandFromArrow()
{
    if (m_filterType != 0)
        return false;
    m_lowCutOffFrequency = kArrowStartLow;
    m_highCutOffFrequency = kArrowStartHigh;
    m_filterType = 1;
    showCorners();
    applyFilter();
    return true;
}

void Filtersettings::on_butLowCutOffDown_clicked()
{
    if (startBandFromArrow() || m_filterType != 1)
        return;
    m_lowCutOffFrequency = stepDown(m_hpFilterFrequencies, m_numHpFilter, m_lowCutOffFrequency);
    ui->labelFreqLow->setText(cornerText(m_lowCutOffFrequency));
    applyFilter();
}

void Filtersettings::on_butLowCutOffUp_clicked()
{
    if (startBandFromArrow() || m_filterType != 1)
        return;
    m_lowCutOffFrequency = stepUp(m_hpFilterFrequencies, m_numHpFilter, m_lowCutOffFrequency, m_highCutOffFrequency);
    ui->labelFreqLow->setText(cornerText(m_lowCutOffFrequency));
    applyFilter();
}

void Filtersettings::on_butHighCutOffDown_clicked()
{
    if (startBandFromArrow() || m_filterType != 1)
        return;
    m_highCutOffFrequency = stepDown(m_lpFilterFrequencies, m_numLpFilter, m_highCutOffFrequency, m_lowCutOffFrequency);
    ui->labelFreqHigh->setText(cornerText(m_highCutOffFrequency));
    applyFilter();
}

void Filtersettings::on_butHighCutOffUp_clicked()
{
    if (startBandFromArrow() || m_filterType != 1)
        return;
    m_highCutOffFrequency = stepUp(m_lpFilterFrequencies, m_numLpFilter, m_highCutOffFrequency);
    ui->labelFreqHigh->setText(cornerText(m_highCutOffFrequency));
    applyFilter();
}

void Filtersettings::on_butAutoFilter_clicked()
{
    automaticBand(StatusbarData()->sensorType(), &m_lowCutOffFrequency, &m_highCutOffFrequency);
    m_filterType = 1;
    showCorners();
    applyFilter();
}

void Filtersettings::on_butNoFilter_clicked()
{
    m_lowCutOffFrequency = 0;
    m_highCutOffFrequency = 4000;
    m_filterType = 0;
    showCorners();
    applyFilter();
}

void Filtersettings::on_but50HzFilter_clicked()
{
    m_filter50HzEnabled = !m_filter50HzEnabled;
    ui->but50HzFilter->setText(QStringLiteral("50 Hz = %1").arg(m_filter50HzEnabled ? 1 : 0));
    applyFilter();
}

void Filtersettings::on_butPreemphase_clicked()
{
    m_filterPreemphaseEnabled = !m_filterPreemphaseEnabled;
    ui->butPreemphase->setText(QStringLiteral("Preem = %1").arg(m_filterPreemphaseEnabled ? 1 : 0));
    applyFilter();
}

void Filtersettings::on_butHeadphone_clicked()
{
    Headphonesettings dialog(this);
    dialog.exec();
}

void Filtersettings::on_butMicrophone_clicked()
{
    Micsettings dialog(this);
    dialog.exec();
}

void Filtersettings::on_butClose_clicked()
{
    m_timerLevel->stop();
    if (m_audioCodec) {
        m_audioCodec->setSpecialFilter(m_filter50HzEnabled, m_filterPreemphaseEnabled);
        m_audioCodec->setFilter(m_lowCutOffFrequency, m_highCutOffFrequency, m_filterType);
    }
    if (MainMenu *w = MainMenu::getInstanceMainMenu())
        w->setCurrentFilter(m_lowCutOffFrequency, m_highCutOffFrequency, m_filterType);
    accept();
}

void Filtersettings::escapeReleased()
{
    m_timerLevel->stop();
    // Leave nothing in effect that the caller does not take over: the codec
    // and the main window's record go back to the opening filter.
    if (m_audioCodec && m_codecChanged) {
        m_audioCodec->setSpecialFilter(false, false);
        m_audioCodec->setFilter(m_openLow, m_openHigh, m_openType);
    }
    if (MainMenu *w = MainMenu::getInstanceMainMenu())
        w->setCurrentFilter(m_recordLow, m_recordHigh, m_recordType);
    m_lowCutOffFrequency = m_openLow;
    m_highCutOffFrequency = m_openHigh;
    m_filterType = m_openType;
    reject();
}

