#ifndef H2SENSORLEVELS_H
#define H2SENSORLEVELS_H

#include <QString>

// The hydrogen screen's arithmetic without widgets: the sensor unit's raw
// reading as a level on 0..1000, the reference (the display's zero) that
// follows the reading downwards by itself, the fixed and the self-adjusting
// ranges, the history of displayed levels, the ticker's click period and the
// ten listening steps with their absolute level and GPS position.
class H2SensorLevels
{
public:
    static constexpr int kTop = 1000;           // top of the sensor's span
    static constexpr int kHistorySize = 1024;   // slots of the history array
    static constexpr int kHistoryLength = 300;  // slots in use: 300 polls, about 155 s
    static constexpr int kSteps = 10;
    static constexpr int kStepSlots = 21;       // slots 1..10 used
    static constexpr int kDynamicMode = 5;

    int level = 0;          // absolute level of the last reply
    int displayLevel = 0;   // level above the reference
    int reference = 0;
    int scaleMode = 0;      // 0..4 fixed ranges, 5 the dynamic range
    int rangeMax = 0;       // top of the displayed range
    bool dynamicScaling = false;
    float history[kHistorySize] = {};
    int dataCnt = 0;
    int currentStep = 0;    // 0: no listening yet
    float stepLevel[kStepSlots] = {};
    double stepLat[kStepSlots] = {};
    double stepLong[kStepSlots] = {};

    // The raw reading (0..4096) divided by 4.096 and truncated, limited to
    // 0..1000. False, and level unchanged, for a text that is no finite number.
    static bool parseLevel(const QString &value, int *level);
    // Seconds; 0 for a text that is no number.
    static int parseActiveTime(const QString &text);

    // A reply while muted: only the reference follows a lower reading.
    void mutedReading(int newLevel);
    // A reply while listening: dynamic range, reference, display level, the
    // current step's slot and the history.
    void listeningReading(int newLevel, double lat, double lon);

    // The fixed ranges 50, 100, 200, 500 and 1000 for modes 0..4; mode 5 is
    // the dynamic range starting at 100 when dynamicAllowed, else (and for
    // any other mode) mode 0.
    void setScaleMode(int mode, bool dynamicAllowed);
    // "<> 100" for the dynamic range, else the range.
    QString scaleMaxText() const;

    // The reference takes the current level; the history starts again and
    // a dynamic range at 100.
    void zero();
    void clearHistory();
    void clearSteps();
    // Listening begins: the next step; after the tenth the oldest is dropped
    // and the tenth slot starts empty.
    void beginListening();

    // The ticker's period in ns: 10 x range / display ms, the display taken
    // as 1 when at or below 0 and as the range above it; 10 ms at the least,
    // 1 s at the most.
    qint64 tickerPeriodNs() const;
};

#endif // H2SENSORLEVELS_H
