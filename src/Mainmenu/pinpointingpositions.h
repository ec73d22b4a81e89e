#ifndef PINPOINTINGPOSITIONS_H
#define PINPOINTINGPOSITIONS_H

// The listening positions of pinpointing, without widgets: up to ten
// positions, each with the RMS level of its last valid update, its minimum
// level, the dominant frequency at that minimum and the GPS position; the
// counter that listening and muting move; the leak position; the bar scale.
//
// Positions are numbered 1 to 10 and kept at the same index; index 0 and
// 11..19 stay 0. Levels are display levels (0..99).
class PinpointingPositions
{
public:
    static constexpr int kPositions = 10;
    static constexpr int kSlots = 20;

    float rms[kSlots];
    float minimum[kSlots];
    int frequency[kSlots];
    double latitude[kSlots];
    double longitude[kSlots];
    // Live: positions in use (0..10), while listening the one listened to.
    // Stored view: the selected position (1..10).
    int currentStep = 0;
    // Dominant frequency of the running analysis, Hz.
    int currentFrequency = 0;

    PinpointingPositions() { clear(); }
    void clear();

    // A position has a value when its minimum level or its frequency is
    // above 0.
    bool hasValue(int position) const;

    // A new listening begins: the counter moves on; at the eleventh the
    // oldest position is dropped first (shiftLeft) and the listening uses
    // position 10. True when that shift happened.
    bool beginListening();
    // The listening ends: true when the current position has a value (its
    // clip is to be stored); otherwise the counter goes back so that the
    // next listening reuses the slot.
    bool endListening();
    // Positions 2..10 move down to 1..9, position 10 becomes empty.
    void shiftLeft();
    // Delete last (only while muted; the caller checks): clears the newest
    // position. False when there is none.
    bool deleteLast();

    // An update counts only when all three display levels are at least 1.
    static bool isValidUpdate(float peakLevel, float rmsLevel, float minLevel);
    // A valid update while listening at currentStep. A minimum that reached
    // 99 (as right after the clearing at a new listening) takes the RMS level.
    void update(float rmsLevel, float minLevel, int frequencyAtMin, int currentFreq, double lat, double lon);

    // The position with the highest minimum level among 1..count (the lower
    // number wins a tie; a level of 0 or below never wins), or -1 with
    // level 0 and frequency 0.
    int leak(int count, float *level, int *freq) const;

    // Bar scale in display units for a mode (0 fixed, 1 dynamic around the
    // quietest position, 2 zoom onto all positions; any other value is
    // taken as 0 and written back).
    void scaleRange(int *mode, float *lo, float *hi) const;

    // Stored view: the position after `from` (1 after 10); one without a
    // value is skipped to the next with level and frequency above 0 up to
    // 10, else position 1.
    int nextStored(int from) const;
};

#endif // PINPOINTINGPOSITIONS_H
