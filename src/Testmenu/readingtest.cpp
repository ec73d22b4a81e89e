#include "readingtest.h"

#include "deviceroot.h"

#include <QFile>
#include <QTimer>

ReadingTest::ReadingTest(const Setup &setup, int autoreadMs, QWidget *parent)
    : TestDialog(setup, parent), m_timer(new QTimer(this)), m_autoreadMs(autoreadMs)
{
    connect(m_timer, &QTimer::timeout, this, &ReadingTest::updateValues);
}

ReadingTest::~ReadingTest()
{
    m_timer->stop();
}

void ReadingTest::read()
{
    m_timer->stop();
    showPass();
    updateValues();
}

void ReadingTest::autoread()
{
    m_timer->start(m_autoreadMs);
    showPass();
    updateValues();
}

void ReadingTest::stopTest()
{
    m_timer->stop();
}

bool ReadingTest::readDriverFile(const char *boardPath, QString *text)
{
    QFile file(DeviceRoot::path(QString::fromLatin1(boardPath)));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray raw = file.read(32);
    const int zero = raw.indexOf('\0');
    if (zero >= 0)
        raw.truncate(zero);
    *text = QString::fromLatin1(raw).toLower().trimmed();
    return true;
}
