#include "pipepositions.h"

#include <algorithm>
#include <iterator>

void PipePositions::clear()
{
    *this = PipePositions();
}

void PipePositions::update(float level, int frequency)
{
    lastMaxValues[cntMaxVal] = level;
    maxHoldValue = 0.0f;
    for (float v : lastMaxValues)
        if (v > maxHoldValue)
            maxHoldValue = v;
    historyValues[currentStep] = maxHoldValue;
    historyFrequency[currentStep] = frequency;
    if (++cntMaxVal > kRing - 1)
        cntMaxVal = 0;
}

void PipePositions::beginListening()
{
    maxHoldValue = 0.0f;
    std::fill(std::begin(lastMaxValues), std::end(lastMaxValues), 0.0f);
    cntMaxVal = 0;
    if (++currentStep > kPositions) {
        currentStep = kPositions;
        shift();
    }
}

bool PipePositions::endListening()
{
    if (historyValues[currentStep] > 0.0f)
        return true;
    if (currentStep >= 1 && currentStep <= kPositions)
        --currentStep;
    return false;
}

void PipePositions::shift()
{
    for (int i = 0; i < kPositions; ++i) {
        historyValues[i] = historyValues[i + 1];
        historyFrequency[i] = historyFrequency[i + 1];
        lat[i] = lat[i + 1];
        lon[i] = lon[i + 1];
    }
}

void PipePositions::setPosition(double latitude, double longitude)
{
    lat[currentStep] = latitude;
    lon[currentStep] = longitude;
}

int PipePositions::largest(const float *values, int count)
{
    int index = 0;
    float max = 0.0f;
    for (int i = 1; i <= std::min(count, kPositions); ++i) {
        if (values[i] >= max) {
            max = values[i];
            index = i;
        }
    }
    return index;
}

void PipePositions::liveRange(const float *values, float *lo, float *hi)
{
    float min = 100.0f, max = 0.0f;
    for (int i = 1; i <= kPositions; ++i) {
        if (values[i] > 0.0f && values[i] <= min)
            min = values[i];
        if (values[i] >= max)
            max = values[i];
    }
    *lo = std::max(0.0f, min - 4.0f);
    *hi = max > min + 10.0f ? max + 4.0f : min + 10.0f;
    if (max - min < 1.0f) {
        *lo = 0.0f;
        *hi = 100.0f;
    } else if (*hi > 100.0f) {
        *hi = 100.0f;
    }
}

void PipePositions::storedRange(const float *values, float *lo, float *hi)
{
    float min = 100.0f, max = 0.0f;
    for (int i = 1; i <= kPositions; ++i) {
        if (values[i] > 0.0f && values[i] <= min)
            min = values[i];
        if (values[i] >= max)
            max = values[i];
    }
    min = std::max(min, 5.0f);
    max = std::min(max, 95.0f);
    if (max - min < 1.0f) {
        // Flat or empty: the full range, not the range of the measurement
        // shown before.
        *lo = 0.0f;
        *hi = 100.0f;
        return;
    }
    *lo = min - 5.0f;
    *hi = max + 5.0f;
}
