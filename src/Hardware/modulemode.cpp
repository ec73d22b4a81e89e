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

bool ModuleMode::isDataMode() const
{
    return m_mode == Mode::Data && m_carrierSeen && !m_leaving && m_held.isEmpty();
}

void ModuleMode::setData(bool carrierHeld)
{
    m_usesCarrier = true;
    m_mode = Mode::Data;
    m_carrierSeen = carrierHeld;
    m_escapedUp = false;
    if (carrierHeld) {
        m_rawCarrier = m_carrier = true;
        m_lastSample.start();
    }
    m_confirming = false;
    m_dataRequested = false;
    m_since.start();
    m_escaped.invalidate();
    // DTR is held low in data mode: the escape is its next rise.
    if (m_dtrHigh) {
        Gpio::setValue(kGpioDtr, 0);
        m_dtrHigh = false;
    }
    poll();
}

void ModuleMode::setUnknown(int boundMs)
{
    m_usesCarrier = true;
    m_mode = Mode::Unknown;
    m_carrierSeen = false;
    m_escapedUp = false;
    m_confirming = false;
    m_unknownBoundMs = boundMs;
    m_since.start();
    m_escaped.invalidate();
    updateTimer();
}

void ModuleMode::linkClosed()
{
    if (m_mode == Mode::Command)
        return;
    const bool up = settledCarrier();
    if (!up && !isCarrierSettling()) {
        enterCommand();
    } else {
        // In data mode: command mode once the carrier has fallen.
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
    m_confirming = false;
    m_dataRequested = false;
    m_escapedUp = false;
    m_upInCommand = false;
    m_mode = Mode::Command;
    updateTimer();
}

void ModuleMode::send(const QString &text)
{
    // A carrier up in what the driver took for command mode is a data mode
    // it did not see (a call that connected after it was given up). A
    // reading that differs from the level the line held may be noise: the
    // command waits until the line has settled.
    checkCommandCarrier();
    if (m_mode == Mode::Command && !m_confirming) {
        flush();
        m_writer(text);
        return;
    }
    hold(text);
    qDebug() << "Held until the module is in command mode:" << text.trimmed();
    if (m_mode == Mode::Command)
        updateTimer();
    else
        leave();
}

void ModuleMode::checkCommandCarrier()
{
    if (m_mode != Mode::Command || !m_usesCarrier || m_confirming)
        return;
    const bool up = settledCarrier();
    if (!up)
        m_upInCommand = false;
    // A reading up, or one that has not held yet: commands wait until the
    // line has settled.
    if (isCarrierSettling() || (up && !m_upInCommand)) {
        m_confirming = true;
        confirmCarrier();
    }
}

void ModuleMode::confirmCarrier()
{
    // A carrier read up while in command mode: noise, or a data mode not
    // seen, once the line has settled.
    const bool up = settledCarrier();
    if (isCarrierSettling())
        return;
    m_confirming = false;
    if (up && !m_upInCommand) {
        unseenDataMode();
        m_leaving = true;
    }
}

void ModuleMode::foundInCommandMode()
{
    enterCommand();
    // The module said so itself: a carrier that reads up now does not
    // make it a data mode (a line that does not follow the module).
    m_upInCommand = m_usesCarrier && settledCarrier();
    updateTimer();
}

bool ModuleMode::select(const QString &text)
{
    // Written only while the module is known to be in command mode with
    // nothing waiting; a carrier that reads otherwise first settles.
    checkCommandCarrier();
    if (m_mode != Mode::Command || m_confirming || !m_held.isEmpty()) {
        if (m_mode != Mode::Command)
            leave();
        updateTimer();
        return false;
    }
    m_writer(text);
    const bool up = m_upInCommand;
    setData(up);
    return true;
}

bool ModuleMode::writeData(const QString &text)
{
    if (!isDataMode())
        return false;
    m_writer(text);
    return true;
}

void ModuleMode::unseenDataMode()
{
    qWarning() << "Bluetooth: carrier up in command mode; the module is taken out of data mode first";
    m_mode = Mode::Data;
    m_confirming = false;
    m_carrierSeen = true;
    m_since.start();
    m_escaped.invalidate();
}

bool ModuleMode::settledCarrier()
{
    // A level counts once it has held kCarrierSettleMs. Between two readings
    // further apart than that the line was not watched: a level that differs
    // from the settled one is timed afresh.
    const bool raw = carrier();
    const bool gap = !m_lastSample.isValid() || m_lastSample.elapsed() > kCarrierSettleMs;
    if (raw != m_rawCarrier || (gap && raw != m_carrier))
        m_rawSince.start();
    m_rawCarrier = raw;
    m_lastSample.start();
    if (m_carrier != m_rawCarrier && m_rawSince.elapsed() >= kCarrierSettleMs)
        m_carrier = m_rawCarrier;
    return m_carrier;
}

void ModuleMode::leave(bool escapeNow)
{
    m_dataRequested = false;
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
    // One bound, which ends at the later of the two ends: a later, shorter
    // call (a disconnect's 3 s) never cuts a longer one under way (the
    // delivery reset's). Commands held while it runs (also after a block
    // went out) are dropped when it passes.
    if (heldLimitPassed())
        dropHeld("the module did not reach command mode in time");
    if (m_heldLimit.isValid() && m_heldLimitMs - m_heldLimit.elapsed() >= ms)
        return;
    m_heldLimit.start();
    m_heldLimitMs = ms;
    updateTimer();
}

bool ModuleMode::heldLimitPassed()
{
    if (!m_heldLimit.isValid() || !m_heldLimit.hasExpired(m_heldLimitMs))
        return false;
    m_heldLimit.invalidate();
    return true;
}

void ModuleMode::dropHeld(const char *reason)
{
    if (m_held.isEmpty())
        return;
    qWarning().noquote() << "Bluetooth: held module commands dropped (" << reason << "):" << m_held.simplified();
    m_held.clear();
    m_heldOverflow = false;
}

void ModuleMode::escape()
{
    // The module leaves data mode on a rise of DTR after a low level; the
    // low must last long enough for the module to see it. A carrier that
    // read up before and after the low, and then falls and stays down, was
    // this escape's doing, also when it had not been up long enough to
    // count by itself.
    settledCarrier();
    const bool upBefore = m_rawCarrier;
    Gpio::setValue(kGpioDtr, 0);
    QThread::msleep(kEscapeLowMs);
    settledCarrier();
    m_escapedUp = upBefore && m_rawCarrier;
    Gpio::setValue(kGpioDtr, 1);
    m_dtrHigh = true;
    m_escaped.start();
}

void ModuleMode::poll()
{
    if (heldLimitPassed())
        dropHeld("the module did not reach command mode in time");
    if (m_mode == Mode::Command && m_confirming)
        confirmCarrier();
    if (m_mode != Mode::Command) {
        const bool up = settledCarrier();
        if (m_escapedUp && !m_rawCarrier && m_rawSince.elapsed() >= kCarrierSettleMs) {
            enterCommand(); // the carrier up at the escape has fallen and held down
        } else if (m_mode == Mode::Unknown) {
            if (up) {
                m_mode = Mode::Data;
                m_since.start();
            } else if (m_since.hasExpired(m_unknownBoundMs)) {
                enterCommand(); // the call took no data link
            }
        }
        if (m_mode == Mode::Data) {
            if (up) {
                m_carrierSeen = true;
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
        // The escape is made as soon as the carrier reads up, without
        // waiting for it to hold (a slow module's way out is long enough),
        // and repeated every kEscapeRepeatMs while it stays up. One made
        // while the carrier was down (it lagged) went unseen and is made
        // again.
        if (m_mode != Mode::Command && m_leaving && m_rawCarrier
            && (!m_escaped.isValid() || !m_escapedUp || m_escaped.hasExpired(kEscapeRepeatMs)))
            escape();
    }
    if (m_mode == Mode::Command && !m_confirming)
        flush();
    updateTimer();
}

void ModuleMode::enterCommand()
{
    const bool was = m_mode != Mode::Command;
    m_mode = Mode::Command;
    m_leaving = false;
    m_carrierSeen = false;
    m_confirming = false;
    m_escapedUp = false;
    m_upInCommand = false;
    flush();
    if (was)
        emit commandModeReached();
}

void ModuleMode::hold(const QString &text)
{
    // A bound that passed while nothing was held is over: it does not
    // drop what comes after it.
    heldLimitPassed();
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
    m_writer(block);
}

void ModuleMode::updateTimer()
{
    int interval = 0;
    // Fast while commands wait, while the line settles and while data mode
    // waits for its carrier (the driver waits for data mode then).
    if (m_leaving || !m_held.isEmpty() || m_confirming || (m_mode != Mode::Command && isCarrierSettling())
        || (m_mode == Mode::Data && !m_carrierSeen))
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
