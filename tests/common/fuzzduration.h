#ifndef FUZZDURATION_H
#define FUZZDURATION_H

#include <QElapsedTimer>
#include <QtTest>

// How long a fuzz test may run at most: TQ3900_FUZZ_SECONDS, else the test's
// default.
int fuzzSeconds(int defaultSeconds);

// The seed of a fuzz run: TQ3900_FUZZ_SEED (a decimal number) for every run
// of the program, else the run's own fixed default, so that each build
// checks the same inputs and any other seed can be tried by hand. The seed
// in use is printed, to repeat a failure.
quint32 fuzzSeed(quint32 defaultSeed);

// A fuzz run of a fixed number of cases drawn from the test's seed, so that
// every build (with or without sanitizers, on a fast or a slow machine)
// checks the same inputs; the time is only an upper bound, against a hang
// or a machine far slower than planned (a warning tells how far it got).
// TQ3900_FUZZ_CASES sets the number of cases of every run instead. At its end
// the run logs its seed and the number of cases that ran, the two settings
// that replay it.
//
//     FuzzCases cases(20000, fuzzSeconds(kDefaultSeconds));
//     while (cases.next()) { ... one case ... }
class FuzzCases
{
public:
    FuzzCases(int defaultCases, int seconds);
    ~FuzzCases();
    // True while a case is to run: fewer than planned() done, time left.
    bool next();
    int done() const { return m_done; }
    int planned() const { return m_cases; }
    bool complete() const { return m_done >= m_cases; }

private:
    int m_cases;
    qint64 m_limitMs;
    quint32 m_seed;
    int m_done = 0;
    bool m_started = false;
    QElapsedTimer m_clock;
};

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
