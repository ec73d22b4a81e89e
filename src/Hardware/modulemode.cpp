#include "modulemode.h"

#include "gpio.h"

#include <QDebug>
#include <QThread>

namespace {

// Control lines of the sensor unit's module.
const unsigned kGpioDtr = 58;
const unsigned kGpioCarrier = 59;

// Polling while commands wait, while the module is on its way between modes
// or the line settles; slower while a call's outcome is not known (its
// bound) and in data mode, the link's steady state: often enough that a
// carrier that falls is seen within little more than the settle time.
const int kBusyPollMs = 10;
const int kUnknownPollMs = 100;
const int kDataPollMs = 50;

} // namespace

ModuleMode::ModuleMode(Writer writer, QObject *parent) : QObject(parent), m_writer(std::move(writer))
{
    connect(&m_timer, &QTimer::timeout, this, &ModuleMode::poll);
}

bool ModuleMode::carrier()
{
    return Gpio::getValue(kGpioCarrier);
}

ModuleMode::Mode ModuleMode::mode() const
{
    switch (m_step) {
    case Step::Command:
    case Step::LineUp:
    case Step::Confirming:
        return Mode::Command;
    case Step::Calling:
        return Mode::Unknown;
    default:
        return Mode::Data;
    }
}

void ModuleMode::setCommand()
{
    enterCommand();
    updateTimer();
}

void ModuleMode::setData(bool carrierHeld)
{
    m_usesCarrier = true;
    // The line as it read before the data mode: a change after this
    // reading is the data mode's own.
    settledCarrier();
    m_since.start();
    if (carrierHeld) {
        m_rawCarrier = m_carrier = true;
        m_lastSample.start();
    }
    // DTR is held low in data mode: the escape is its next rise.
    if (m_dtrHigh) {
        Gpio::setValue(kGpioDtr, 0);
        m_dtrHigh = false;
    }
    // Commands that wait keep the module on its way out; the carrier of the
    // new data mode may lag as long as any.
    if (isLeaving())
        startLeaving(kCarrierLagMs);
    else
        m_step = carrierHeld ? Step::Data : Step::Settling;
    poll();
}

void ModuleMode::setUnknown(int boundMs)
{
    m_usesCarrier = true;
    m_step = Step::Calling;
    m_unknownBoundMs = boundMs;
    m_since.start();
    updateTimer();
}

void ModuleMode::answeredAsCommand()
{
    if (isCommandMode())
        return;
    qWarning() << "Bluetooth: a line was answered as in command mode; the module is escaped to make sure";
    escape();
    m_step = Step::EscapedOnWord;
    updateTimer();
}

void ModuleMode::linkClosed()
{
    // The module's own report: command mode once its carrier has held down.
    // A module on its way out keeps its way.
    if (isCommandMode() || isLeaving())
        return;
    settledCarrier();
    if (!m_carrier && !isCarrierSettling()) {
        enterCommand();
    } else {
        m_step = Step::Closing;
        m_since.start();
    }
    updateTimer();
}

void ModuleMode::reset()
{
    m_held.clear();
    m_heldOverflow = false;
    m_heldLimit.invalidate();
    m_step = Step::Command;
    updateTimer();
}

void ModuleMode::send(const QString &text)
{
    // A carrier up in what the driver took for command mode is a data mode
    // it did not see (a call that connected after it was given up). A
    // reading that differs from the level the line held may be noise: the
    // command waits until the line has settled.
    checkCommandCarrier();
    if (isCommandKnown()) {
        flush();
        m_writer(text);
        return;
    }
    hold(text);
    qDebug() << "Held until the module is in command mode:" << text.trimmed();
    if (isCommandMode())
        updateTimer();
    else
        leave();
}

void ModuleMode::checkCommandCarrier()
{
    if (!isCommandKnown() || !m_usesCarrier)
        return;
    const bool up = settledCarrier();
    if (m_step == Step::LineUp) {
        // The stuck line shows command mode again.
        if (!up && !isCarrierSettling())
            m_step = Step::Command;
        return;
    }
    // A reading up, or one that has not held yet: commands wait until the
    // line has settled.
    if (isCarrierSettling() || up) {
        m_step = Step::Confirming;
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
    if (!up) {
        enterCommand();
        return;
    }
    qWarning() << "Bluetooth: carrier up in command mode; the module is taken out of data mode first";
    m_since.start();
    startLeaving(kCarrierSettleMs);
}

bool ModuleMode::select(const QString &text)
{
    // Written only while the module is known to be in command mode with
    // nothing waiting; a carrier that reads otherwise first settles.
    checkCommandCarrier();
    if (!isCommandKnown() || !m_held.isEmpty()) {
        if (!isCommandMode())
            leave();
        updateTimer();
        return false;
    }
    m_writer(text);
    // A line stuck up shows no new data mode: its level is taken as held.
    setData(m_step == Step::LineUp);
    return true;
}

bool ModuleMode::writeData(const QString &text)
{
    if (!isDataMode())
        return false;
    m_writer(text);
    return true;
}

bool ModuleMode::writeLastData(const QString &text)
{
    if ((m_step != Step::Data && m_step != Step::Settling) || !m_held.isEmpty())
        return false;
    m_writer(text);
    return true;
}

bool ModuleMode::settledCarrier()
{
    // A level counts once it has held kCarrierSettleMs. Between two readings
    // further apart than that the line was not watched: a level that differs
    // from the settled one is timed afresh.
    const bool raw = carrier();
    const bool gap = !m_lastSample.isValid() || m_lastSample.elapsed() > kCarrierSettleMs;
    if (raw != m_rawCarrier || (gap && raw != m_carrier) || !m_rawSince.isValid())
        m_rawSince.start();
    m_rawCarrier = raw;
    m_lastSample.start();
    if (m_carrier != m_rawCarrier && m_rawSince.elapsed() >= kCarrierSettleMs)
        m_carrier = m_rawCarrier;
    return m_carrier;
}

void ModuleMode::leave(bool escapeNow)
{
    if (isCommandMode()) {
        flush();
        return;
    }
    // A module that reported its data link closed goes to command mode by
    // itself: commands wait for its carrier to fall, for as long as a
    // module takes to leave data mode (then it is escaped, in poll()).
    if (m_step == Step::Closing && !escapeNow) {
        poll();
        return;
    }
    if (!isLeaving()) {
        // How long the escape waits for a carrier that does not read up:
        // a call's bound, a lagging carrier's, or (in data mode) a pulse's.
        if (m_step == Step::Calling)
            startLeaving(m_unknownBoundMs - int(m_since.elapsed()));
        else if (m_step == Step::Settling)
            startLeaving(kCarrierLagMs - int(m_since.elapsed()));
        else
            startLeaving(kCarrierSettleMs);
    }
    if (escapeNow) {
        // Counts as the way out only with the carrier up (or held up until
        // now): a module whose carrier still lags after it entered data
        // mode may not see it, and is escaped again once its carrier rises.
        escape();
        if (m_rawCarrier || m_carrier)
            m_step = Step::Escaped;
    }
    poll();
}

void ModuleMode::startLeaving(int waitMs)
{
    m_step = Step::Leaving;
    m_leaveBy.setRemainingTime(qMax(0, waitMs));
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
    // low must last long enough for the module to see it.
    settledCarrier();
    Gpio::setValue(kGpioDtr, 0);
    QThread::msleep(kEscapeLowMs);
    Gpio::setValue(kGpioDtr, 1);
    m_dtrHigh = true;
    settledCarrier();
    m_escaped.start();
}

bool ModuleMode::escapeTookEffect() const
{
    return !m_rawCarrier && m_rawSince.elapsed() >= kCarrierSettleMs && m_escaped.hasExpired(kEscapeDoneMs);
}

void ModuleMode::lost(const char *how)
{
    qWarning() << "Bluetooth: the module's carrier" << how << "in data mode; the module is escaped to make sure";
    escape();
    m_step = Step::Escaped;
    emit dataModeLost();
}

void ModuleMode::poll()
{
    if (heldLimitPassed())
        dropHeld("the module did not reach command mode in time");
    switch (m_step) {
    case Step::Command:
        flush();
        break;
    case Step::LineUp:
        checkCommandCarrier();
        flush();
        break;
    case Step::Confirming:
        confirmCarrier();
        break;
    case Step::Calling:
        if (settledCarrier()) {
            m_step = Step::Data; // the call connected unreported
            m_since.start();
        } else if (m_since.hasExpired(m_unknownBoundMs) && !isCarrierSettling()) {
            enterCommand(); // the call took no data link
        }
        break;
    case Step::Settling:
        if (settledCarrier())
            m_step = Step::Data;
        else if (!m_rawCarrier && m_rawSince.elapsed() < m_since.elapsed() && m_rawSince.hasExpired(kCarrierSettleMs))
            lost("rose and fell"); // the module left before its carrier held
        break;
    case Step::Data:
        if (!settledCarrier())
            lost("fell");
        break;
    case Step::Closing:
        if (!settledCarrier() && !isCarrierSettling())
            enterCommand();
        else if (!m_held.isEmpty() && m_since.hasExpired(kEscapeDoneMs))
            startLeaving(0); // a carrier that stays up: escaped for the commands
        break;
    case Step::Leaving:
        // The escape is made as soon as the carrier reads up, without
        // waiting for it to hold (a slow module's way out is long enough),
        // or at once when it had held up (a line that dropped under the
        // module); a carrier that never rises within its lag gets one all
        // the same.
        settledCarrier();
        if (m_rawCarrier || m_carrier || m_leaveBy.hasExpired()) {
            if (!m_rawCarrier && !m_carrier)
                qWarning() << "Bluetooth: no carrier to escape from; escaped all the same";
            escape();
            m_step = Step::Escaped;
        }
        break;
    case Step::Escaped:
    case Step::EscapedOnWord:
        settledCarrier();
        if (escapeTookEffect()) {
            enterCommand();
        } else if (m_step == Step::EscapedOnWord && m_rawCarrier && m_rawSince.elapsed() >= m_escaped.elapsed()
                   && m_escaped.hasExpired(kEscapeAnswerMs)) {
            // Up since before the escape, on the module's own word: the
            // line is stuck up, the module is in command mode.
            qWarning() << "Bluetooth: carrier line stays up after the escape; command mode by the module's word";
            enterCommand(Step::LineUp);
        } else if (m_rawCarrier && m_escaped.hasExpired(kEscapeRepeatMs)) {
            escape(); // still up: once more
        }
        break;
    }
    updateTimer();
}

void ModuleMode::enterCommand(Step step)
{
    const bool was = !isCommandMode();
    m_step = step;
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
    switch (m_step) {
    case Step::Command:
    case Step::LineUp:
        interval = m_held.isEmpty() ? 0 : kBusyPollMs; // a bound on held commands
        break;
    case Step::Calling:
        interval = isCarrierSettling() || !m_held.isEmpty() ? kBusyPollMs : kUnknownPollMs;
        break;
    case Step::Data:
        interval = isCarrierSettling() ? kBusyPollMs : kDataPollMs;
        break;
    case Step::Closing:
        // The carrier falls soon after the module's report; a line that
        // stays up is watched calmly.
        interval = isCarrierSettling() || !m_since.hasExpired(kCarrierLagMs) ? kBusyPollMs : kDataPollMs;
        break;
    default:
        interval = kBusyPollMs;
        break;
    }
    if (interval == 0)
        m_timer.stop();
    else if (!m_timer.isActive() || m_timer.interval() != interval)
        m_timer.start(interval);
}
