#ifndef MODULEMODE_H
#define MODULEMODE_H

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

// The serial mode of one Bluetooth module, known in one place as one step
// (Step): command mode (a line is a command to the module), data mode (a line
// goes to the remote device as data), the ways between them, and a call
// under way that may take the module into data mode before it says so.
//
// Every module command goes through send(): it is written only while the
// module is known to be in command mode, otherwise it is held and the module
// is taken out of data mode. Once its carrier line (GPIO 59) reads up, DTR
// (GPIO 58) is held low for kEscapeLowMs and raised (the escape, repeated
// every kEscapeRepeatMs while the carrier stays up); command mode is known
// once the carrier has held down for kCarrierSettleMs and kEscapeDoneMs have
// passed since the escape (the module's own way out), and the held commands
// are written then, in order, as one block.
//
// What the line shows and what the remote side says are evidence, not
// commands: a carrier that falls in data mode, or a line answered as by a
// module in command mode (the driver's "SYNTAX ERROR"), makes the owner
// escape the module itself (harmless to a module already in command mode)
// before it counts command mode; only then may the data link be selected
// again. A module that answered as in command mode while its line still
// reads up kEscapeAnswerMs after the escape is in command mode with a line
// stuck up (LineUp): that level is then no data mode.
//
// The carrier line counts only once it has held a level for kCarrierSettleMs:
// electrical noise on it (pulses of 20-200 ms) is no change of mode. A module
// command sent while the line reads otherwise than it last held waits until
// the line has settled.
//
// Lines for the remote device (writeData) are written only in data mode:
// the carrier up and held, nothing held for command mode and no escape under
// way.
//
// A module that never enters data mode (the headphone's) stays in command
// mode and never reads the carrier line, which belongs to the sensor unit's
// module. GUI thread only; the escape blocks for kEscapeLowMs.
class ModuleMode : public QObject
{
    Q_OBJECT
public:
    enum class Mode { Command, Data, Unknown };
    // Where the module is. The ways out of each step:
    enum class Step {
        Command,    // send -> (carrier reads up or unsettled) Confirming; select -> Settling;
                    // call -> Calling
        LineUp,     // command mode by the module's word, its line reading up: as Command;
                    // select -> Data; line settles down -> Command
        Confirming, // commands wait for the line to settle: down -> Command; up -> Leaving
        Calling,    // a call may take data mode: carrier held up -> Data; bound -> Command
        Settling,   // data mode taken, carrier not held up yet: held up -> Data;
                    // rose and fell -> Escaped (lost); commands -> Leaving
        Data,       // carrier up and held: falls -> Escaped (lost); commands -> Leaving;
                    // the module's word -> EscapedOnWord
        Closing,    // the module closed the data link: carrier held down -> Command;
                    // commands held and the carrier still up after 1 s -> Leaving
        Leaving,    // commands wait: carrier reads up, or the wait for it ends -> Escaped
        Escaped,    // an escape made: carrier held down after it -> Command
        EscapedOnWord // escaped on the module's word: -> Command, or line still up -> LineUp
    };
    Q_ENUM(Step)
    using Writer = std::function<void(const QString &)>;

    // A slow module raises its carrier up to about 10 s after it entered
    // data mode and drops it as late after an escape.
    static constexpr int kCarrierLagMs = 12000;
    static constexpr int kEscapeRepeatMs = 3000;
    static constexpr int kEscapeLowMs = 100;
    // The carrier line must hold a level this long before it counts:
    // longer than the 20-200 ms pulses noise puts on it.
    static constexpr int kCarrierSettleMs = 300;
    // A module leaves data mode within this time of an escape (a few hundred
    // ms); command mode is not counted earlier, whatever the line shows.
    static constexpr int kEscapeDoneMs = 1000;
    // After an escape on the module's own word, a line that still reads up
    // this long is stuck up: command mode all the same.
    static constexpr int kEscapeAnswerMs = 2000;
    // Held commands: the newest whole lines up to this many characters.
    static constexpr int kMaxHeld = 4096;

    explicit ModuleMode(Writer writer, QObject *parent = nullptr);

    Step step() const { return m_step; }
    Mode mode() const;
    bool isCommandMode() const { return mode() == Mode::Command; }
    // Data mode with the carrier up and held, nothing held and no escape
    // under way: a line for the remote device may be written.
    bool isDataMode() const { return m_step == Step::Data && m_held.isEmpty(); }
    // Commands are held or the module is being taken to command mode.
    bool isLeaving() const
    {
        return m_step == Step::Leaving || m_step == Step::Escaped || m_step == Step::EscapedOnWord;
    }
    bool hasHeld() const { return !m_held.isEmpty(); }
    static bool carrier();

    // What the module did, as the driver learns it.
    void setCommand();
    // carrierHeld: the carrier has been watched up for longer than
    // kCarrierSettleMs already (the start-up wait).
    void setData(bool carrierHeld = false);
    void setUnknown(int boundMs);
    // A line came back as the module answers in command mode ("SYNTAX
    // ERROR"): word or not, the module is escaped, and command mode counts
    // once the escape has taken effect (or the line is stuck up).
    void answeredAsCommand();
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
    // A last line for the remote device before the module is taken out of
    // data mode: written also while the carrier of a data mode the module
    // was put in still lags (Settling).
    bool writeLastData(const QString &text);
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
    // The line showed that the module left data mode (its carrier fell);
    // it is being escaped to make sure.
    void dataModeLost();

private:
    void dropHeld(const char *reason);
    // The bound of limitHeld has passed (and is over from now).
    bool heldLimitPassed();
    // The carrier as it has held for kCarrierSettleMs (reads the line once).
    bool settledCarrier();
    bool isCarrierSettling() const { return m_rawCarrier != m_carrier; }
    // Command or LineUp: commands are written at once.
    bool isCommandKnown() const { return m_step == Step::Command || m_step == Step::LineUp; }
    // In command mode: a carrier reading that differs from the settled level,
    // or a settled carrier up, makes commands wait (Confirming).
    void checkCommandCarrier();
    void confirmCarrier();
    // The carrier has read down for kCarrierSettleMs and the module has had
    // kEscapeDoneMs since the last escape.
    bool escapeTookEffect() const;
    void escape();
    void lost(const char *how);
    void startLeaving(int waitMs);
    void enterCommand(Step step = Step::Command);
    void hold(const QString &text);
    void flush();
    void updateTimer();

    Writer m_writer;
    QTimer m_timer;
    Step m_step = Step::Command;
    // setData or setUnknown was called once: the carrier line is this
    // module's own.
    bool m_usesCarrier = false;
    // DTR was left high by an escape.
    bool m_dtrHigh = false;
    // The line's last reading, since when it reads so, the level that held.
    bool m_rawCarrier = false;
    bool m_carrier = false;
    QElapsedTimer m_rawSince;
    QElapsedTimer m_lastSample;
    int m_unknownBoundMs = 0;
    // Since the data mode (or the call) began.
    QElapsedTimer m_since;
    QElapsedTimer m_escaped;
    // Leaving: the escape is made at this time also with the carrier down.
    QDeadlineTimer m_leaveBy;
    QString m_held;
    bool m_heldOverflow = false;
    QElapsedTimer m_heldLimit;
    int m_heldLimitMs = 0;
};

#endif // MODULEMODE_H
