#ifndef READINGTEST_H
#define READINGTEST_H

#include "testdialog.h"

class QTimer;

// A production test that shows readings and judges nothing: it reads once
// when it opens (the test's constructor calls updateValues()), on Read, and
// every autoread period while Autoread runs; Read stops the autoread, and so
// does any verdict. Both offer Pass.
class ReadingTest : public TestDialog
{
    Q_OBJECT
public:
    QTimer *autoreadTimer() const { return m_timer; }

public slots:
    // One reading: the driver files read, the fields and the answers of the
    // station's commands updated.
    virtual void updateValues() = 0;

protected:
    ReadingTest(const Setup &setup, int autoreadMs, QWidget *parent);
    ~ReadingTest() override;

    // Read: one reading, the autoread stopped. Autoread: one reading now and
    // one every period from now on.
    void read();
    void autoread();
    void stopTest() override;

    // A driver file's value as text: at most 32 bytes, up to a NUL, lower
    // case, trimmed. False when the file cannot be opened.
    static bool readDriverFile(const char *boardPath, QString *text);

private:
    QTimer *m_timer;
    int m_autoreadMs;
};

#endif // READINGTEST_H
