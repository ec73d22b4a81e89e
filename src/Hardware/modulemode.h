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
    // Held commands: the newest whole lines up to this many characters.
    static constexpr int kMaxHeld = 4096;

    explicit ModuleMode(Writer writer, QObject *parent = nullptr);

    bool isCommandMode() const { return m_mode == Mode::Command; }
    // Commands are held and the module is being taken to command mode.
    bool isLeaving() const { return m_leaving; }
    bool hasHeld() const { return !m_held.isEmpty(); }
    static bool carrier();

    // What the module did, as the driver learns it.
    void setCommand();
    void setData();
    void setUnknown(int boundMs);
    // The module closed the data link (or its call failed): command mode once
    // the carrier is down.
    void linkClosed();
    // The port was lost: whatever was held is gone.
    void reset();

    // One command with its line end: written now or held.
    void send(const QString &text);
    // Take the module to command mode (no-op in command mode); with
    // escapeNow an escape is made at once, also while the mode is not known.
    void leave(bool escapeNow = false);
    // Held commands not written within ms are dropped.
    void limitHeld(int ms);

public slots:
    void poll();

signals:
    void commandModeReached();

private:
    void dropHeld(const char *reason);
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
    int m_unknownBoundMs = 0;
    QElapsedTimer m_since;
    QElapsedTimer m_escaped;
    QString m_held;
    bool m_heldOverflow = false;
    QElapsedTimer m_heldLimit;
    int m_heldLimitMs = 0;
};

#endif // MODULEMODE_H
