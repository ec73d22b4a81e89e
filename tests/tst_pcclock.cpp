// The instrument's clock on a PC: a date or time set under a device root
// is journalled as the board's commands and moves the program's clock, so
// the status bar, the settings rows and the names of saved measurements
// follow it; the host's clock is never touched and another root starts on
// the host's clock again.
#include "mainmenu.h"
#include "measurements.h"
#include "settingsbutton.h"
#include "statusbar.h"
#include "systemclock.h"
#include "systemsettings.h"
#include "testroot.h"

#include <QDir>
#include <QtTest>

namespace {

// The distance of the program's clock from the host's, in seconds.
qint64 aheadSecs()
{
    return QDateTime::currentDateTime().secsTo(SystemClock::now());
}

} // namespace

class TestPcClock : public QObject
{
    Q_OBJECT

private slots:
    void settingMovesTheProgramsClock();
    void screensAndFoldersFollow();
};

void TestPcClock::settingMovesTheProgramsClock()
{
    auto root = std::make_unique<TestRoot>();
    const QDateTime host = QDateTime::currentDateTime();
    const QDateTime ahead = host.addDays(1).addSecs(2 * 3600);
    SystemClock::set(ahead.date(), ahead.time(), true);
    QCOMPARE(root->commands(), QStringList(SystemClock::setCommands(ahead.date(), ahead.time())) << "hwclock -w -f /dev/rtc0");
    QVERIFY2(qAbs(aheadSecs() - (86400 + 7200)) <= 2, qPrintable(QString::number(aheadSecs())));
    QVERIFY(qAbs(SystemClock::offsetMs() - qint64(93600) * 1000) <= 2000);
    // The clock runs on from the moment set.
    const QDateTime first = SystemClock::now();
    QTRY_VERIFY(SystemClock::now() > first.addMSecs(100));
    QVERIFY(qAbs(aheadSecs() - 93600) <= 2);

    // Back and forth across midnight and a year: whole days and seconds.
    const QDateTime back = QDateTime::currentDateTime().addYears(-1).addSecs(-1800);
    SystemClock::set(back.date(), back.time(), false);
    QVERIFY(qAbs(SystemClock::now().secsTo(back)) <= 2);

    // A setting within a few seconds of the host's clock (a receiver's time
    // arriving late) leaves the host's clock in force.
    const QDateTime nearly = QDateTime::currentDateTime().addSecs(-3);
    SystemClock::set(nearly.date(), nearly.time(), true);
    QCOMPARE(SystemClock::offsetMs(), qint64(0));
    const QDateTime beyond = QDateTime::currentDateTime().addSecs(-8);
    SystemClock::set(beyond.date(), beyond.time(), true);
    QVERIFY(SystemClock::offsetMs() < -6000);

    // Another root (a test's next one, another run) starts on the host's.
    root.reset();
    root = std::make_unique<TestRoot>();
    QCOMPARE(SystemClock::offsetMs(), qint64(0));
    QVERIFY(qAbs(aheadSecs()) <= 1);
    // A fixed moment wins over the offset.
    const QDateTime again = QDateTime::currentDateTime().addDays(1).addSecs(2 * 3600);
    SystemClock::set(again.date(), again.time(), false);
    const QDateTime fixed(QDate(2026, 3, 4), QTime(10, 0));
    SystemClock::setFixedNow(fixed);
    QCOMPARE(SystemClock::now(), fixed);
    SystemClock::setFixedNow(QDateTime());
    QVERIFY(qAbs(aheadSecs() - 93600) <= 2);
    root.reset();
}

void TestPcClock::screensAndFoldersFollow()
{
    TestRoot root;
    QVERIFY(root.write("/home/root/settings.ini", "[Local-Settings]\nDateTimeSource=MAN\n"));
    MainMenu w;
    auto *bar = w.findChild<Statusbar *>("widgetStatusbar");
    QVERIFY(bar);

    // One day and 3 h 7 min ahead, as the date and time dialogs set it.
    const QDateTime ahead = QDateTime::currentDateTime().addDays(1).addSecs(3 * 3600 + 7 * 60);
    SystemClock::set(ahead.date(), ahead.time(), true);

    // The settings rows.
    w.displayWidget(5, 1, 0);
    auto *date = w.findChild<SettingsButton *>("butDate");
    auto *time = w.findChild<SettingsButton *>("butTime");
    const QString format = w.getInstanceSystemsettings()->getFormatStringDate();
    QCOMPARE(date->getText2(), ahead.date().toString(format));
    QVERIFY2(qAbs(QTime::fromString(time->getText2(), "hh:mm").secsTo(ahead.time())) <= 60, qPrintable(time->getText2()));

    // The status bar draws the moved time: as drawn at that moment fixed.
    bool same = false;
    for (int attempt = 0; attempt < 3 && !same; ++attempt) { // a minute may turn in between
        bar->updateTime();
        const QImage moved = bar->image();
        SystemClock::setFixedNow(SystemClock::now());
        bar->updateTime();
        same = bar->image() == moved;
        SystemClock::setFixedNow(QDateTime::currentDateTime());
        bar->updateTime();
        QVERIFY(bar->image() != moved); // the host's time looks different
        SystemClock::setFixedNow(QDateTime());
    }
    QVERIFY(same);

    // The next saved measurement is named and dated by the moved clock.
    MeasInfoStructure info = {};
    QCOMPARE(MeasurementData()->storeMeasurement(0, QStringLiteral("Ahead"), info), 0);
    const QStringList folders = QDir(root.local("/media/tq3900/meas")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(folders.size(), 1);
    const QDateTime stamp = QDateTime::fromString(folders.first().mid(3, 15), "yyyyMMdd_hhmmss");
    QVERIFY2(qAbs(stamp.secsTo(ahead)) <= 5, qPrintable(folders.first()));
    const QByteArray ini = root.read("/media/tq3900/meas/" + folders.first() + "/info.ini");
    QVERIFY2(ini.contains("Measurementdate=" + ahead.date().toString("dd.MM.yyyy").toLatin1()), ini.constData());
}

QTEST_MAIN(TestPcClock)
#include "tst_pcclock.moc"
