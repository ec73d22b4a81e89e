#include "h2sensorlevels.h"

#include <QtGlobal>

#include <cmath>
#include <cstring>

bool H2SensorLevels::parseLevel(const QString &value, int *level)
{
    bool ok = false;
    const float raw = value.trimmed().toFloat(&ok);
    if (!ok || !std::isfinite(raw))
        return false;
    // Bounded before the conversion: a reading far outside the sensor's span
    // must not overflow the integer.
    const double scaled = qBound(0.0, double(raw) / 4.096, double(kTop));
    *level = int(scaled);
    return true;
}

int H2SensorLevels::parseActiveTime(const QString &text)
{
    return text.trimmed().toInt();
}

void H2SensorLevels::mutedReading(int newLevel)
{
    level = newLevel;
    if (level < reference)
        reference = level;
}

void H2SensorLevels::listeningReading(int newLevel, double lat, double lon)
{
    level = newLevel;
    if (dynamicScaling) {
        int display = level - reference;
        if (display < 0) {
            reference = level;
            rangeMax = 100;
            display = 0;
        }
        if (display > rangeMax)
            rangeMax = qMin(int(display * 1.1), kTop - reference);
        // Shrinks by 15 % a reply while the display stays below 15 % of it.
        if (rangeMax * 0.15 > display)
            rangeMax = int(rangeMax * 0.85);
        if (rangeMax <= 99)
            rangeMax = 100;
    }
    if (level - reference < 0)
        reference = level;
    displayLevel = level - reference;

    if (currentStep >= 1 && currentStep <= kSteps) {
        stepLevel[currentStep] = float(level);
        stepLat[currentStep] = lat;
        stepLong[currentStep] = lon;
    }

    history[dataCnt] = float(level - reference);
    ++dataCnt;
    if (dataCnt >= kHistoryLength) {
        std::memmove(history, history + 1, sizeof(float) * (kHistoryLength - 1));
        history[kHistoryLength - 1] = 0.0f;
        dataCnt = kHistoryLength - 1;
    }
}

void H2SensorLevels::setScaleMode(int mode, bool dynamicAllowed)
{
    static const int ranges[] = {50, 100, 200, 500, 1000};
    scaleMode = mode;
    dynamicScaling = false;
    if (mode >= 0 && mode <= 4) {
        rangeMax = ranges[mode];
    } else if (mode == kDynamicMode && dynamicAllowed) {
        rangeMax = 100;
        dynamicScaling = true;
    } else {
        rangeMax = ranges[0];
        scaleMode = 0;
    }
}

QString H2SensorLevels::scaleMaxText() const
{
    return dynamicScaling ? QStringLiteral("<> %1").arg(rangeMax) : QString::number(rangeMax);
}

void H2SensorLevels::zero()
{
    reference = level;
    clearHistory();
    if (dynamicScaling)
        rangeMax = 100;
}

void H2SensorLevels::clearHistory()
{
    dataCnt = 0;
    std::memset(history, 0, sizeof(history));
}

void H2SensorLevels::clearSteps()
{
    currentStep = 0;
    std::memset(stepLevel, 0, sizeof(stepLevel));
    std::memset(stepLat, 0, sizeof(stepLat));
    std::memset(stepLong, 0, sizeof(stepLong));
}

void H2SensorLevels::beginListening()
{
    if (currentStep < kSteps) {
        ++currentStep;
        return;
    }
    // The ten slots keep the last ten listening periods, oldest first. The
    // new tenth starts empty, so that a period without a reply stores 0 and
    // not the period before.
    std::memmove(stepLevel + 1, stepLevel + 2, sizeof(float) * (kSteps - 1));
    std::memmove(stepLat + 1, stepLat + 2, sizeof(double) * (kSteps - 1));
    std::memmove(stepLong + 1, stepLong + 2, sizeof(double) * (kSteps - 1));
    stepLevel[kSteps] = 0.0f;
    stepLat[kSteps] = 0.0;
    stepLong[kSteps] = 0.0;
}

qint64 H2SensorLevels::tickerPeriodNs() const
{
    if (rangeMax <= 0)
        return 1000000000;
    double d = displayLevel;
    if (d <= 0)
        d = 1.0;
    else if (d > rangeMax)
        d = rangeMax;
    const int periodMs = int(1000.0 / (d * (1000.0 / rangeMax)) * 10.0);
    if (periodMs <= 9)
        return 10000000;
    if (periodMs > 1000)
        return 1000000000;
    return qint64(periodMs) * 1000000;
}
