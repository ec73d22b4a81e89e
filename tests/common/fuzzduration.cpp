#include "fuzzduration.h"

int fuzzSeconds(int defaultSeconds)
{
    bool ok = false;
    const int s = qEnvironmentVariableIntValue("TQ3900_FUZZ_SECONDS", &ok);
    return ok && s >= 0 ? s : defaultSeconds;
}

void allowFuzzDuration(int seconds)
{
    const qint64 needed = (qint64(seconds) + 120) * 1000;
    bool ok = false;
    const qint64 current = qEnvironmentVariableIntValue("QTEST_FUNCTION_TIMEOUT", &ok);
    if (!ok || current < needed)
        qputenv("QTEST_FUNCTION_TIMEOUT", QByteArray::number(qMin<qint64>(needed, INT_MAX)));
}
