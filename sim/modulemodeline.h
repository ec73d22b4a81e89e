#ifndef SIM_MODULEMODELINE_H
#define SIM_MODULEMODELINE_H

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

namespace Sim {

// The control lines between the program and a Bluetooth module: the program
// drives the module's DTR input (GPIO 58), the module drives its
// carrier-detect output (GPIO 59): "1" in data mode on a link, "0" in command
// mode.
//
// The module leaves data mode on a DTR escape: DTR held low for at least
// kMinLowMs (or the time set with setMinLowMs) and then raised while the
// carrier is up; in command mode a rise does nothing. It answers
// with the carrier line falling to "0" kCarrierDelayMs (or setCarrierDelayMs)
// later. The DTR value file is polled every kPollMs, because file watchers
// miss writes to such files.
//
// Electrical noise can be put on the carrier line (setNoise): for a while the
// line flips to the other level in short pulses (kNoisePulsesMs, 20 to
// 200 ms) with gaps between them (kNoiseGapsMs), in a fixed cycle. The module
// itself does not see the noise: its own level stays what it set.
//
// A faulty line can be held at one level (setForced): the value file reads
// that level whatever the module sets, until it is freed and shows the
// module's own level again. The module still follows DTR by its own level:
// a module in data mode escapes also while its line is held low.
class ModuleModeLine : public QObject
{
    Q_OBJECT
public:
    static constexpr int kPollMs = 10;
    static constexpr int kMinLowMs = 1000;
    // A module takes a few hundred ms to leave data mode after the escape.
    static constexpr int kCarrierDelayMs = 300;
    // The noise's pulses and the gaps after them, taken in turn.
    static constexpr int kNoisePulsesMs[] = {20, 200, 60, 150, 110, 200, 40, 180};
    static constexpr int kNoiseGapsMs[] = {150, 400, 90, 250, 600, 120, 350, 200};

    enum class State {
        DtrHigh,      // DTR reads 1 (or has not been read yet)
        DtrLow,       // DTR reads 0, timing how long
        EscapePending // DTR raised after a long enough low: carrier drops soon
    };
    Q_ENUM(State)

    ModuleModeLine(const QString &root, unsigned dtrLine, unsigned carrierLine, QObject *parent = nullptr);

    // Reads the DTR line once and starts polling it.
    void start();
    void stop();

    State state() const { return m_state; }
    unsigned dtrLine() const { return m_dtrLine; }
    unsigned carrierLine() const { return m_carrierLine; }

    // Drives the carrier line ("0" command mode, "1" data mode).
    bool setCarrier(bool high);
    // Pulses on the carrier line for ms from now (0 ends them).
    void setNoise(int ms);
    bool isNoisy() const { return m_noiseEnd.isValid() && !m_noiseEnd.hasExpired(m_noiseMs); }
    // Pulses put on the line since start.
    int noisePulses() const { return m_noisePulses; }
    // The line held at a level against the module's own, or left to it.
    enum class Force { None, Low, High };
    Q_ENUM(Force)
    void setForced(Force force);
    Force forced() const { return m_force; }

    // How long DTR must have been low before a rise counts as an escape
    // (0: any rise after a low level was seen).
    void setMinLowMs(int ms) { m_minLowMs = qMax(0, ms); }
    int minLowMs() const { return m_minLowMs; }
    // How long after the escape the carrier falls.
    void setCarrierDelayMs(int ms) { m_carrierTimer.setInterval(qMax(0, ms)); }
    int carrierDelayMs() const { return m_carrierTimer.interval(); }

signals:
    // The module went to command mode on a DTR escape (carrier now "0").
    void commandModeEntered();

private:
    // -1 when the file is missing or momentarily empty (a writer truncates
    // it before writing the new value).
    int readDtr() const;
    int readCarrier() const;
    void poll();
    void finishEscape();
    bool writeCarrier(bool high);
    void noiseStep();

    QString m_root;
    unsigned m_dtrLine;
    unsigned m_carrierLine;
    State m_state = State::DtrHigh;
    int m_minLowMs = kMinLowMs;
    QElapsedTimer m_lowSince;
    QTimer m_pollTimer;
    QTimer m_carrierTimer;
    // Noise: the line's own level while a pulse shows the other one.
    QTimer m_noiseTimer;
    QElapsedTimer m_noiseEnd;
    int m_noiseMs = 0;
    int m_noiseStep = 0;
    bool m_pulse = false;
    bool m_level = false;
    int m_noisePulses = 0;
    Force m_force = Force::None;
    // The level the module itself set last (its mode as its output shows it).
    bool m_own = false;
};

} // namespace Sim

#endif // SIM_MODULEMODELINE_H
