#ifndef FUZZDURATION_H
#define FUZZDURATION_H

#include <QtTest>

// How long a fuzz test runs: TQ3900_FUZZ_SECONDS, else the test's default.
int fuzzSeconds(int defaultSeconds);

// QtTest ends any test function after QTEST_FUNCTION_TIMEOUT (5 minutes by
// default). Raises it to the fuzz duration plus a margin, so that a long run
// asked for with TQ3900_FUZZ_SECONDS is not cut short; a hang still ends.
// Call before QTest::qExec.
void allowFuzzDuration(int seconds);

// main() of a fuzz test without widgets: the function time-out follows the
// duration knob.
#define TQ3900_FUZZ_MAIN(TestObject, defaultSeconds)                                               \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        allowFuzzDuration(fuzzSeconds(defaultSeconds));                                            \
        QCoreApplication app(argc, argv);                                                          \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }

#endif // FUZZDURATION_H
