#ifndef TIMERH2HEATING_H
#define TIMERH2HEATING_H

#include <QLabel>
#include <QPoint>

// The heating-timer dial of the hydrogen screen: how long the sensor has
// been active (heated), as a hand on a face that is red below 300 s, yellow
// below 600 s and green from then on, inside a fixed red-yellow-green ring.
// Below the face an optional strip shows the sensor's span 0..1000: dark
// grey up to the reference, green above it, black marks at the reference
// and at the end of the displayed range, a red mark at the current level.
// It has no timer of its own; the screen feeds it with every reply.
class TimerH2Heating : public QLabel
{
    Q_OBJECT
public:
    explicit TimerH2Heating(QWidget *parent = nullptr);

    // Takes the widget's size: the face is the height less the strip's 15 px.
    void init();
    // Seconds, limited to 0..max; repaints.
    void setCurrentTime(int t);
    int currentTime() const { return m_currentTime; }
    // Stored for the next repaint.
    void setRangeVisualisation(int reference, int level, int range);
    void showRangeVisualisation() { m_showRangeVisualisation = true; }
    void hideRangeVisualisation() { m_showRangeVisualisation = false; }
    bool isRangeVisualisationShown() const { return m_showRangeVisualisation; }
    void setMaxTime(int t) { m_maxTime = t; }
    int getMaxTime() const { return m_maxTime; }
    void setThreshold(int red, int yellow, int green);
    // Degrees of a time on the full turn.
    float time2Angle(int t) const;

    // The strip's marks in pixels: reference, end of range, level.
    int referenceX() const;
    int rangeTopX() const;
    int levelX() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int stripX(double value) const;

    int m_maxTime = 900;
    int m_currentTime = 0;
    int m_startRedArea = 0;
    int m_startYellowArea = 300;
    int m_startGreenArea = 600;
    int m_xSize = 0;
    int m_ySize = 0;
    QPoint m_center;
    int m_h2Reference = 0;
    int m_h2Level = 0;
    int m_h2Range = 1000;
    bool m_showRangeVisualisation = true;
};

#endif // TIMERH2HEATING_H
