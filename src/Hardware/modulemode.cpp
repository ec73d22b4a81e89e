#include "modulemode.h"

#include "gpio.h"

#include <QDebug>
#include <QThread>

namespace {

// Control lines of the sensor unit's module.
const unsigned kGpioDtr = 58;
const unsigned kGpioCarrier = 59;

// Polling while commands wait or the module is being taken to command mode;
// slower while the mode is not known (its bound); slowest while merely in
// data mode, the link's steady state: the module reports a link it closes
// ("NO CARRIER"), and a command sent meanwhile looks at the carrier itself.
const int kBusyPollMs = 10;
const int kUnknownPollMs = 100;
const int kDataPollMs = 1000;

} // namespace

ModuleMode::ModuleMode(Writer writer, QObject *parent) : QObject(parent), m_writer(std::move(writer))
{
    connect(&m_timer, &QTimer::timeout, this, &ModuleMode::poll);
}

bool ModuleMode::carrier()
{
    return Gpio::getValue(kGpioCarrier);
}

void ModuleMode::setCommand()
{
    enterCommand();
    updateTimer();
}

void ModuleMode::setData()
{
    m_usesCarrier = true;
    m_mode = Mode::Data;
    m_carrierSeen = false;
    m_since.start();
    m_escaped.invalidate();
    poll();
}

void ModuleMode::setUnknown(int boundMs)
{
    m_usesCarrier = true;
    m_mode = Mode::Unknown;
    m_carrierSeen = false;
    m_unknownBoundMs = boundMs;
    m_since.start();
    m_escaped.invalidate();
    updateTimer();
}

void ModuleMode::linkClosed()
{
    if (m_mode == Mode::Command)
        return;
    if (!carrier()) {
        enterCommand();
    } else {
        // In data mode: command mode once the carrier falls.
        m_mode = Mode::Data;
        m_carrierSeen = true;
    }
    updateTimer();
}

void ModuleMode::reset()
{
    m_held.clear();
    m_heldOverflow = false;
    m_heldLimit.invalidate();
    m_leaving = false;
    m_mode = Mode::Command;
    updateTimer();
}

void ModuleMode::send(const QString &text)
{
    // A carrier up in what the driver took for command mode is a data mode
    // it did not see (a call that connected after it was given up).
    if (m_mode == Mode::Command && m_usesCarrier && carrier()) {
        qWarning() << "Bluetooth: carrier up in command mode; the module is taken out of data mode first";
        m_mode = Mode::Data;
        m_carrierSeen = true;
        m_since.start();
        m_escaped.invalidate();
    }
    if (m_mode == Mode::Command) {
        flush();
        m_writer(text);
        return;
    }
    hold(text);
    qDebug() << "Held until the module is in command mode:" << text.trimmed();
    leave();
}

void ModuleMode::leave(bool escapeNow)
{
    if (m_mode == Mode::Command) {
        flush();
        return;
    }
    m_leaving = true;
    if (escapeNow)
        escape();
    poll();
}

void ModuleMode::limitHeld(int ms)
{
    if (m_held.isEmpty())
        return;
    m_heldLimit.start();
    m_heldLimitMs = ms;
    updateTimer();
}

void ModuleMode::dropHeld(const char *reason)
{
    if (m_held.isEmpty())
        return;
    qWarning().noquote() << "Bluetooth: held module commands dropped (" << reason << "):" << m_held.simplified();
    m_held.clear();
    m_heldOverflow = false;
    m_heldLimit.invalidate();
}

void ModuleMode::escape()
{
    // The module leaves data mode on a rise of DTR after a low level; the
    // low must last long enough for the module to see it.
    Gpio::setValue(kGpioDtr, 0);
    QThread::msleep(kEscapeLowMs);
    Gpio::setValue(kGpioDtr, 1);
    m_escaped.start();
}

void ModuleMode::poll()
{
    if (!m_held.isEmpty() && m_heldLimit.isValid() && m_heldLimit.hasExpired(m_heldLimitMs))
        dropHeld("the module did not reach command mode in time");
    if (m_mode != Mode::Command) {
        const bool up = carrier();
        if (m_mode == Mode::Unknown) {
            if (up) {
                m_mode = Mode::Data;
                m_since.start();
            } else if (m_since.hasExpired(m_unknownBoundMs)) {
                enterCommand(); // the call took no data link
            }
        }
        if (m_mode == Mode::Data) {
            if (up) {
                // An escape counts only once the carrier is up (one made
                // before, while it lagged, went unseen).
                if (!m_carrierSeen)
                    m_escaped.invalidate();
                m_carrierSeen = true;
                if (m_leaving && (!m_escaped.isValid() || m_escaped.hasExpired(kEscapeRepeatMs)))
                    escape();
            } else if (m_carrierSeen) {
                enterCommand(); // the carrier fell: the module left data mode
            } else if (m_leaving && m_since.hasExpired(kCarrierLagMs)) {
                // The carrier never came up: the switch did not take. An
                // escape all the same, for a module whose line lags even more.
                qWarning() << "Bluetooth: no carrier" << kCarrierLagMs << "ms after data mode; taken for command mode";
                escape();
                enterCommand();
            }
        }
    }
    if (m_mode == Mode::Command)
        flush();
    updateTimer();
}

void ModuleMode::enterCommand()
{
    const bool was = m_mode != Mode::Command;
    m_mode = Mode::Command;
    m_leaving = false;
    m_carrierSeen = false;
    flush();
    if (was)
        emit commandModeReached();
}

void ModuleMode::hold(const QString &text)
{
    // The newest whole lines are kept: the last gain or call is the one that
    // counts once the module listens again.
    m_held += text;
    if (m_held.size() <= kMaxHeld)
        return;
    int cut = m_held.size() - kMaxHeld;
    const int lineEnd = m_held.indexOf(QLatin1Char('\n'), cut - 1);
    cut = lineEnd < 0 ? m_held.size() : lineEnd + 1;
    m_held.remove(0, cut);
    if (!m_heldOverflow)
        qDebug() << "Held module commands over" << kMaxHeld << "characters: oldest dropped";
    m_heldOverflow = true;
}

void ModuleMode::flush()
{
    if (m_held.isEmpty())
        return;
    const QString block = m_held;
    m_held.clear();
    m_heldOverflow = false;
    m_heldLimit.invalidate();
    m_writer(block);
}

void ModuleMode::updateTimer()
{
    int interval = 0;
    if (m_leaving || !m_held.isEmpty())
        interval = kBusyPollMs;
    else if (m_mode == Mode::Unknown)
        interval = kUnknownPollMs;
    else if (m_mode == Mode::Data)
        interval = kDataPollMs;
    if (interval == 0)
        m_timer.stop();
    else if (!m_timer.isActive() || m_timer.interval() != interval)
        m_timer.start(interval);
}
