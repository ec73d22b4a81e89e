#include "pinpointingpositions.h"

#include <algorithm>
#include <iterator>

void PinpointingPositions::clear()
{
    std::fill(std::begin(rms), std::end(rms), 0.0f);
    std::fill(std::begin(minimum), std::end(minimum), 0.0f);
    std::fill(std::begin(frequency), std::end(frequency), 0);
    std::fill(std::begin(latitude), std::end(latitude), 0.0);
    std::fill(std::begin(longitude), std::end(longitude), 0.0);
    currentFrequency = 0;
}

bool PinpointingPositions::hasValue(int position) const
{
    if (position < 1 || position > kPositions)
        return false;
    return minimum[position] > 0.0f || frequency[position] > 0;
}

bool PinpointingPositions::beginListening()
{
    bool shifted = false;
    if (currentStep >= kPositions) {
        shiftLeft();
        shifted = true;
        currentStep = kPositions;
    } else {
        ++currentStep;
    }
    return shifted;
}

bool PinpointingPositions::endListening()
{
    if (hasValue(currentStep))
        return true;
    if (currentStep >= 1 && currentStep <= kPositions)
        --currentStep;
    return false;
}

void PinpointingPositions::shiftLeft()
{
    for (int i = 1; i < kPositions; ++i) {
        rms[i] = rms[i + 1];
        minimum[i] = minimum[i + 1];
        latitude[i] = latitude[i + 1];
        longitude[i] = longitude[i + 1];
        frequency[i] = frequency[i + 1];
    }
    rms[kPositions] = 0.0f;
    minimum[kPositions] = 0.0f;
    latitude[kPositions] = 0.0;
    longitude[kPositions] = 0.0;
    frequency[kPositions] = 0;
}

bool PinpointingPositions::deleteLast()
{
    if (currentStep < 1 || currentStep > kPositions)
        return false;
    rms[currentStep] = 0.0f;
    minimum[currentStep] = 0.0f;
    latitude[currentStep] = 0.0;
    longitude[currentStep] = 0.0;
    frequency[currentStep] = 0;
    --currentStep;
    return true;
}

bool PinpointingPositions::isValidUpdate(float peakLevel, float rmsLevel, float minLevel)
{
    return peakLevel >= 1.0f && rmsLevel >= 1.0f && minLevel >= 1.0f;
}

void PinpointingPositions::update(float rmsLevel, float minLevel, int frequencyAtMin, int currentFreq,
                                  double lat, double lon)
{
    const int p = currentStep;
    if (p < 1 || p > kPositions)
        return;
    rms[p] = rmsLevel;
    minimum[p] = minLevel >= 99.0f ? rmsLevel : minLevel;
    latitude[p] = lat;
    longitude[p] = lon;
    frequency[p] = frequencyAtMin;
    currentFrequency = currentFreq;
}

int PinpointingPositions::leak(int count, float *level, int *freq) const
{
    int best = -1;
    float bestLevel = 0.0f;
    int bestFreq = 0;
    for (int i = 1; i <= std::min(count, int(kPositions)); ++i) {
        if (minimum[i] > bestLevel) {
            best = i;
            bestLevel = minimum[i];
            bestFreq = frequency[i];
        }
    }
    if (level)
        *level = bestLevel;
    if (freq)
        *freq = bestFreq;
    return best;
}

void PinpointingPositions::scaleRange(int *mode, float *lo, float *hi) const
{
    float quietest = 100.0f;
    float loudest = 0.0f;
    for (int i = 1; i <= kPositions; ++i) {
        if (minimum[i] > 0.0f && minimum[i] <= 100.0f)
            quietest = std::min(quietest, minimum[i]);
        loudest = std::max(loudest, minimum[i]);
    }
    float l = 0.0f, h = 100.0f;
    switch (*mode) {
    case 1:
        l = std::max(quietest - 4.0f, 0.0f);
        h = quietest + 10.0f;
        if (loudest > h)
            h = loudest + 4.0f;
        if (loudest - quietest < 1.0f) {
            l = 0.0f;
            h = 100.0f;
        }
        break;
    case 2:
        l = std::max(quietest - 1.0f, 0.0f);
        h = std::min(loudest + 1.0f, 100.0f);
        if (loudest - quietest < 1.0f) {
            l = 0.0f;
            h = 100.0f;
        }
        break;
    default:
        *mode = 0;
        break;
    }
    *lo = std::max(l, 0.0f);
    *hi = std::min(h, 100.0f);
}

int PinpointingPositions::nextStored(int from) const
{
    int next = from >= kPositions || from < 1 ? 1 : from + 1;
    if (hasValue(next))
        return next;
    for (int i = next + 1; i <= kPositions; ++i)
        if (minimum[i] > 0.0f && frequency[i] > 0)
            return i;
    return 1;
}
