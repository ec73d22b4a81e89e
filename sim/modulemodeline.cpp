#include "modulemodeline.h"

#include "devicetree.h"

#include <QSaveFile>

namespace Sim {

namespace {
QString valuePath(unsigned line)
{
    return QStringLiteral("/sys/class/gpio/gpio%1/value").arg(line);
}
} // namespace

ModuleModeLine::ModuleModeLine(const QString &root, unsigned dtrLine, unsigned carrierLine, QObject *parent)
    : QObject(parent), m_root(root), m_dtrLine(dtrLine), m_carrierLine(carrierLine)
{
    m_pollTimer.setInterval(kPollMs);
    connect(&m_pollTimer, &QTimer::timeout, this, &ModuleModeLine::poll);
    m_carrierTimer.setSingleShot(true);
    m_carrierTimer.setInterval(kCarrierDelayMs);
    connect(&m_carrierTimer, &QTimer::timeout, this, &ModuleModeLine::finishEscape);
    m_noiseTimer.setSingleShot(true);
    m_noiseTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_noiseTimer, &QTimer::timeout, this, &ModuleModeLine::noiseStep);
}

void ModuleModeLine::start()
{
    m_state = State::DtrHigh;
    // A line already low at start counts as low from now on.
    if (readDtr() == 0) {
        m_state = State::DtrLow;
        m_lowSince.start();
    }
    m_pollTimer.start();
}

void ModuleModeLine::stop()
{
    m_pollTimer.stop();
    m_carrierTimer.stop();
}

bool ModuleModeLine::setCarrier(bool high)
{
    m_own = high;
    // A held line does not follow the module.
    if (m_force != Force::None)
        return true;
    // During a pulse the line shows the other level until the pulse ends.
    if (m_pulse) {
        m_level = high;
        return writeCarrier(!high);
    }
    return writeCarrier(high);
}

void ModuleModeLine::setForced(Force force)
{
    if (force == Force::None && m_force == Force::None)
        return;
    if (m_force == Force::None) // the module's level as the line showed it
        m_own = m_pulse ? m_level : readCarrier() == 1;
    m_force = force;
    if (force == Force::None) {
        m_pulse = false;
        m_noiseTimer.stop();
        writeCarrier(m_own);
        if (isNoisy())
            noiseStep();
    } else {
        writeCarrier(force == Force::High);
    }
}

void ModuleModeLine::setNoise(int ms)
{
    m_noiseMs = qMax(0, ms);
    m_noiseEnd.start();
    if (!m_pulse && !m_noiseTimer.isActive() && m_noiseMs > 0) {
        m_noiseStep = 0;
        noiseStep();
    }
}

void ModuleModeLine::noiseStep()
{
    constexpr int kSteps = int(sizeof(kNoisePulsesMs) / sizeof(kNoisePulsesMs[0]));
    if (m_pulse) {
        // The pulse ends: the line shows the module's level again.
        m_pulse = false;
        writeCarrier(m_level);
        if (isNoisy())
            m_noiseTimer.start(kNoiseGapsMs[m_noiseStep++ % kSteps]);
        return;
    }
    if (!isNoisy() || m_force != Force::None)
        return;
    m_level = readCarrier();
    m_pulse = true;
    ++m_noisePulses;
    writeCarrier(!m_level);
    m_noiseTimer.start(kNoisePulsesMs[m_noiseStep % kSteps]);
}

bool ModuleModeLine::writeCarrier(bool high)
{
    // Replaced in one step: the program polls this file, and a truncated
    // file read between truncation and write would look like "0".
    QSaveFile file(m_root + valuePath(m_carrierLine));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(high ? "1" : "0");
    return file.commit();
}

int ModuleModeLine::readCarrier() const
{
    // The module knows its own level; the noise is on the line only.
    if (m_pulse)
        return m_level ? 1 : 0;
    const QByteArray v = readBoardFile(m_root, valuePath(m_carrierLine)).trimmed();
    return !v.isEmpty() && v.at(0) == '1' ? 1 : 0;
}

int ModuleModeLine::readDtr() const
{
    const QByteArray v = readBoardFile(m_root, valuePath(m_dtrLine)).trimmed();
    if (v.isEmpty())
        return -1;
    return v.at(0) == '0' ? 0 : 1;
}

void ModuleModeLine::poll()
{
    const int level = readDtr();
    if (level < 0)
        return;
    switch (m_state) {
    case State::DtrHigh:
        if (level == 0) {
            m_state = State::DtrLow;
            m_lowSince.start();
        }
        break;
    case State::DtrLow:
        if (level == 1) {
            // A module in command mode ignores DTR: only a module in data
            // mode (its own carrier up) escapes. Otherwise an escape seen
            // late would end a data mode entered after the rise (the
            // program's SELECT). A line set up from outside (not held)
            // counts as the module's own.
            const bool dataMode = m_own || (m_force == Force::None && readCarrier() == 1);
            if (m_lowSince.elapsed() >= m_minLowMs && dataMode) {
                m_state = State::EscapePending;
                m_carrierTimer.start();
            } else {
                m_state = State::DtrHigh; // too short a pulse, or command mode: no escape
            }
        }
        break;
    case State::EscapePending:
        // The escape is under way; a new low pulse starts timing afresh
        // once it is done.
        break;
    }
}

void ModuleModeLine::finishEscape()
{
    setCarrier(false);
    m_state = State::DtrHigh;
    if (readDtr() == 0) {
        m_state = State::DtrLow;
        m_lowSince.start();
    }
    emit commandModeEntered();
}

} // namespace Sim
