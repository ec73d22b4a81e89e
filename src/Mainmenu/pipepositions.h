#ifndef PIPEPOSITIONS_H
#define PIPEPOSITIONS_H

// The positions of pipe locating without widgets: the max-hold over the last
// six updates, up to ten positions with their level, frequency and GPS
// position, the take-back of a position without a level, the shift when an
// eleventh position starts, the loudest position and the bar ranges.
// Positions use indexes 1 to 10; index 0 receives what a shift drops.
class PipePositions
{
public:
    static constexpr int kPositions = 10;
    static constexpr int kRing = 6;

    int currentStep = 0;
    float lastMaxValues[kRing] = {};
    int cntMaxVal = 0;
    float maxHoldValue = 0.0f;
    float historyValues[kPositions + 1] = {};
    int historyFrequency[kPositions + 1] = {};
    double lat[kPositions + 1] = {};
    double lon[kPositions + 1] = {};

    void clear();
    // One update while listening: the level into the ring, the max-hold into
    // the current position with the frequency read.
    void update(float level, int frequency);
    // Listening starts: the ring is emptied and the next position opens; at
    // the eleventh the row moves one place to the left.
    void beginListening();
    // Listening ends: a position that recorded no level above 0 is taken
    // back. True when the position is kept.
    bool endListening();
    void shift();
    // The GPS position read for the current position.
    void setPosition(double latitude, double longitude);

    // The position with the highest value among 1..count; the later one on
    // ties; 0 when count is 0.
    static int largest(const float *values, int count);
    // The live bars' range in levels: 4 below the quietest position and 10
    // above it, or 4 above the loudest when that is further; 0..100 when the
    // positions span less than 1.
    static void liveRange(const float *values, float *lo, float *hi);
    // The stored bars' range: 5 levels of margin around the positions, the
    // ends kept within 0..100; 0..100 when they span less than 1.
    static void storedRange(const float *values, float *lo, float *hi);
};

#endif // PIPEPOSITIONS_H
