#ifndef TESTPART_H
#define TESTPART_H

#include <QtTest>

// ctest runs a long program in parts, each a test of its own
// (tests/CMakeLists.txt, TEST_PARTS_<program>): TQ3900_TEST_FUNCTIONS names
// the test functions of one part ("a,b"), and for the last part those of
// all the others, after a "!". So a function added later runs in the last
// part; a name that is no test function (renamed, removed) fails. Called
// first in the test object's init(): a function of another part is skipped
// before anything is set up for it. Without the variable every function runs.
#define SKIP_OUTSIDE_THIS_PART()                                                                                  \
    do {                                                                                                          \
        const QString functions = qEnvironmentVariable("TQ3900_TEST_FUNCTIONS");                                  \
        if (!functions.isEmpty()) {                                                                               \
            const bool others = functions.startsWith(QLatin1Char('!'));                                           \
            const QStringList names = functions.mid(others ? 1 : 0).split(QLatin1Char(','));                      \
            for (const QString &name : names)                                                                     \
                QVERIFY2(metaObject()->indexOfSlot(qPrintable(name + QStringLiteral("()"))) >= 0,                 \
                         qPrintable(QStringLiteral("TQ3900_TEST_FUNCTIONS: no test function ") + name));          \
            if (names.contains(QLatin1String(QTest::currentTestFunction())) == others)                            \
                QSKIP("run in another part of this program");                                                     \
        }                                                                                                         \
    } while (false)

#endif // TESTPART_H
