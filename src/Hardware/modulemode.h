#ifndef MODULEMODE_H
#define MODULEMODE_H

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

// The serial mode of one Bluetooth module, known in one place: command mode
// (a line is a command to the module), data mode (a line goes to the remote
// device as data) or not known (a call of the data link is under way and may
// take the module into data mode before the module reports it).
//
// Every module command goes through send(): it is written only while the
// module is known to be in command mode, otherwise it is held and the module
// is taken out of data mode. Once its carrier line (GPIO 59) is up, DTR
// (GPIO 58) is held low for kEscapeLowMs and raised (the escape, repeated
// every kEscapeRepeatMs while the carrier stays up); command mode is known
// when the carrier has fallen again, and the held commands are written then,
// in order, as one block. Nothing is written while the carrier is up.
//
// A data mode whose carrier never comes up within kCarrierLagMs counts as not
// taken (an escape is made all the same); a mode not known counts as command
// mode when its bound passes with the carrier down.
//
// The carrier line counts only once it has held a level for kCarrierSettleMs:
// electrical noise on it (pulses of 20-200 ms) is no change of mode. A module
// command sent while the line reads otherwise than it last held waits until
// the line has settled.
//
// Lines for the remote device (writeData) are written only in data mode:
// the carrier up and held, nothing held for command mode and no escape under
// way. The driver holds them otherwise and asks for data mode (requestData).
//
// A module that never enters data mode (the headphone's) stays in command
// mode and never reads the carrier line, which belongs to the sensor unit's
// module. GUI thread only; the escape blocks for kEscapeLowMs.
class ModuleMode : public QObject
{
    Q_OBJECT
public:
    enum class Mode { Command, Data, Unknown };
    using Writer = std::function<void(const QString &)>;

    // A slow module raises its carrier up to about 10 s after it entered
    // data mode and drops it as late after an escape.
    static constexpr int kCarrierLagMs = 12000;
    static constexpr int kEscapeRepeatMs = 3000;
    static constexpr int kEscapeLowMs = 100;
    // The carrier line must hold a level this long before it counts:
    // longer than the 20-200 ms pulses noise puts on it.
    static constexpr int kCarrierSettleMs = 300;
    // Held commands: the newest whole lines up to this many characters.
    static constexpr int kMaxHeld = 4096;

    explicit ModuleMode(Writer writer, QObject *parent = nullptr);

    Mode mode() const { return m_mode; }
    bool isCommandMode() const { return m_mode == Mode::Command; }
    // Data mode with the carrier up, and the module is not being taken out
    // of it: a line for the remote device may be written.
    bool isDataMode() const;
    // The driver wants data mode (it selects the data link once the module
    // is in command mode); cleared by data mode, leave() and reset().
    bool isDataRequested() const { return m_dataRequested; }
    // Commands are held and the module is being taken to command mode.
    bool isLeaving() const { return m_leaving; }
    bool hasHeld() const { return !m_held.isEmpty(); }
    static bool carrier();

    // What the module did, as the driver learns it.
    void setCommand();
    // carrierHeld: the carrier has been watched up for longer than
    // kCarrierSettleMs already (the start-up wait).
    void setData(bool carrierHeld = false);
    void setUnknown(int boundMs);
    // The module answered as in command mode (a line meant for the remote
    // device came back as a syntax error): command mode, whatever the
    // carrier line says.
    void foundInCommandMode();
    // The module closed the data link (or its call failed): command mode once
    // the carrier is down.
    void linkClosed();
    // The port was lost: whatever was held is gone.
    void reset();

    // One command with its line end: written now or held.
    void send(const QString &text);
    // The command that takes the module to data mode ("SELECT n"): written
    // only while the module is known to be in command mode and nothing
    // waits; data mode begins with it. False when not written (the caller
    // tries again later).
    bool select(const QString &text);
    // One line for the remote device with its line end: written only in
    // data mode; false when not written.
    bool writeData(const QString &text);
    void requestData() { m_dataRequested = true; }
    void cancelDataRequest() { m_dataRequested = false; }
    // Take the module to command mode (no-op in command mode); with
    // escapeNow an escape is made at once, also while the mode is not known.
    void leave(bool escapeNow = false);
    // Commands held from now on and not written within ms are dropped. The
    // bound holds through blocks written meanwhile; a later call may take it
    // further out, never nearer.
    void limitHeld(int ms);

public slots:
    void poll();

signals:
    void commandModeReached();

private:
    void dropHeld(const char *reason);
    // The bound of limitHeld has passed (and is over from now).
    bool heldLimitPassed();
    // The carrier as it has held for kCarrierSettleMs (reads the line once).
    bool settledCarrier();
    bool isCarrierSettling() const { return m_rawCarrier != m_carrier; }
    // A carrier up in what was taken for command mode: a data mode not seen.
    void unseenDataMode();
    // In command mode: a carrier reading that differs from the settled level
    // makes commands wait; a settled carrier up is a data mode not seen.
    void checkCommandCarrier();
    void confirmCarrier();
    void escape();
    void enterCommand();
    void hold(const QString &text);
    void flush();
    void updateTimer();

    Writer m_writer;
    QTimer m_timer;
    Mode m_mode = Mode::Command;
    // setData or setUnknown was called once: the carrier line is this
    // module's own.
    bool m_usesCarrier = false;
    bool m_leaving = false;
    bool m_carrierSeen = false;
    // The carrier read up in command mode: commands wait until it settles.
    bool m_confirming = false;
    bool m_dataRequested = false;
    // Command mode found with the carrier up: that level is no data mode.
    bool m_upInCommand = false;
    // The last escape was made with the carrier reading up.
    bool m_escapedUp = false;
    // DTR was left high by an escape.
    bool m_dtrHigh = false;
    // The line's last reading, since when it reads so, the level that held.
    bool m_rawCarrier = false;
    bool m_carrier = false;
    QElapsedTimer m_rawSince;
    QElapsedTimer m_lastSample;
    int m_unknownBoundMs = 0;
    QElapsedTimer m_since;
    QElapsedTimer m_escaped;
    QString m_held;
    bool m_heldOverflow = false;
    QElapsedTimer m_heldLimit;
    int m_heldLimitMs = 0;
};

#endif // MODULEMODE_H
