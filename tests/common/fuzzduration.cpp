#include "fuzzduration.h"

int fuzzSeconds(int defaultSeconds)
{
    bool ok = false;
    const int s = qEnvironmentVariableIntValue("TQ3900_FUZZ_SECONDS", &ok);
    return ok && s >= 0 ? s : defaultSeconds;
}

namespace {
// The seed last handed out: the cases drawn after it come from it.
quint32 g_lastSeed = 0;
} // namespace

quint32 fuzzSeed(quint32 defaultSeed)
{
    bool ok = false;
    const quint32 seed = qEnvironmentVariable("TQ3900_FUZZ_SEED").toUInt(&ok);
    const quint32 used = ok ? seed : defaultSeed;
    qInfo("fuzz seed %u", used);
    g_lastSeed = used;
    return used;
}

void allowFuzzDuration(int seconds)
{
    const qint64 needed = (qint64(seconds) + 120) * 1000;
    bool ok = false;
    const qint64 current = qEnvironmentVariableIntValue("QTEST_FUNCTION_TIMEOUT", &ok);
    if (!ok || current < needed)
        qputenv("QTEST_FUNCTION_TIMEOUT", QByteArray::number(qMin<qint64>(needed, INT_MAX)));
}

FuzzCases::FuzzCases(int defaultCases, int seconds) : m_limitMs(qint64(seconds) * 1000), m_seed(g_lastSeed)
{
    bool ok = false;
    const int cases = qEnvironmentVariableIntValue("TQ3900_FUZZ_CASES", &ok);
    m_cases = ok && cases >= 0 ? cases : defaultCases;
    m_clock.start();
}

FuzzCases::~FuzzCases()
{
    if (!complete())
        qWarning("fuzz: %d of %d cases within the time bound of %lld s", m_done, m_cases, m_limitMs / 1000);
    // The time bound may cut the run short: the seed and the count of cases
    // that ran replay it.
    qInfo("fuzz: %d cases of seed %u ran; to replay: TQ3900_FUZZ_SEED=%u TQ3900_FUZZ_CASES=%d", m_done, m_seed,
          m_seed, m_done);
}

bool FuzzCases::next()
{
    if (m_started)
        ++m_done;
    m_started = true;
    return m_done < m_cases && m_clock.elapsed() < m_limitMs;
}
