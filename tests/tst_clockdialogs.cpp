// The time-zone and the date-and-time dialogs, driven through their buttons,
// the map and the keys at a fixed clock reading: the "date" and "hwclock"
// commands they leave in the command journal, the zone label and marker on
// the map, the arrows' fields and the switch pictures.
#include "datetimeadjust.h"
#include "selecttimezone.h"
#include "systemclock.h"
#include "testroot.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTranslator>
#include <QtTest>

#include <memory>

namespace {

QDateTime at(const QString &isoLocal)
{
    return QDateTime::fromString(isoLocal, Qt::ISODate);
}

QPushButton *button(QWidget *dialog, const QString &name)
{
    auto *b = dialog->findChild<QPushButton *>(name);
    if (!b)
        qWarning() << "no button" << name;
    return b;
}

void click(QWidget *dialog, const QString &name)
{
    if (QPushButton *b = button(dialog, name))
        QTest::mouseClick(b, Qt::LeftButton);
}

QString text(QWidget *dialog, const QString &edit)
{
    auto *e = dialog->findChild<QLineEdit *>(edit);
    return e ? e->text() : QStringLiteral("no edit ") + edit;
}

// A finger lifted from the map at x (map pixels, fractions allowed).
void releaseOnMap(QWidget *dialog, double x)
{
    auto *map = dialog->findChild<QPushButton *>(QStringLiteral("mapButton"));
    QVERIFY(map);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(x, 100.0), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(map, &release);
}

// The picture a switch shows (file name only); fails when the resource is
// not in the program.
QString picture(QWidget *dialog, const QString &name)
{
    QPushButton *b = button(dialog, name);
    if (!b)
        return QString();
    const auto m = QRegularExpression(QStringLiteral("image: url\\(([^)]+)\\)")).match(b->styleSheet());
    if (!m.hasMatch() || !QFile::exists(m.captured(1)))
        return QStringLiteral("missing: ") + b->styleSheet();
    return m.captured(1).section(QLatin1Char('/'), -1);
}

// Enabled state of the twelve arrows, as one text ("" all disabled, "all").
QString enabledArrows(QWidget *dialog)
{
    QStringList on;
    for (const char *field : {"Day", "Month", "Year", "Hour", "Minute", "Second"})
        for (const char *dir : {"Up", "Down"})
            if (QPushButton *b = button(dialog, QStringLiteral("but%1%2").arg(field, dir)); b && b->isEnabled())
                on << QStringLiteral("%1%2").arg(field, dir);
    return on.size() == 12 ? QStringLiteral("all") : on.join(QLatin1Char(' '));
}

} // namespace

class TestClockDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void zoneChangeMovesTheClock_data();
    void zoneChangeMovesTheClock();
    void mapChoosesZonesAndPlacesTheMarker_data();
    void mapChoosesZonesAndPlacesTheMarker();
    void zoneOutsideTheTableAndPaging();
    void powerKeyCancelsWithoutCommand();

    void dateAndTimeSetTheClock_data();
    void dateAndTimeSetTheClock();
    void arrowsWrapAtTheirBounds_data();
    void arrowsWrapAtTheirBounds();
    void sourceAndFormatSwitches();

private:
    std::unique_ptr<TestRoot> m_root;
    QTranslator m_english;
};

void TestClockDialogs::initTestCase()
{
    // Language 1: the English catalogue the program carries.
    QVERIFY(m_english.load(QStringLiteral(":/Languages/GB_TQ3900.qm")));
    QCoreApplication::installTranslator(&m_english);
}

void TestClockDialogs::init()
{
    m_root = std::make_unique<TestRoot>();
    QVERIFY(m_root->isValid());
}

void TestClockDialogs::cleanup()
{
    SystemClock::setFixedNow(QDateTime());
    m_root.reset();
}

// ---------------------------------------------------------------------------
// Time zone

void TestClockDialogs::zoneChangeMovesTheClock_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("zone");
    QTest::addColumn<int>("summer");
    QTest::addColumn<QStringList>("presses"); // button names, or "map <x>"
    QTest::addColumn<QString>("now");
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<int>("chosenZone");
    QTest::addColumn<QString>("chosenName");
    QTest::addColumn<int>("chosenOffset");
    QTest::addColumn<int>("chosenSummer");

    QTest::newRow("Berlin to Katmandu on the map") << 0 << 13 << 0 << QStringList{"map 279.4"} << "2018-07-01T10:05:07"
                                                   << QStringList{"date +%F -s 2018-7-1", "date +%T -s 14:50:7"} << 21
                                                   << "Katmandu (+5,75 h)" << 20700 << 0;
    QTest::newRow("Berlin to New Delhi, half an hour") << 0 << 13 << 0 << QStringList{"map 274"}
                                                       << "2018-07-01T10:05:07"
                                                       << QStringList{"date +%F -s 2018-7-1", "date +%T -s 14:35:7"}
                                                       << 20 << "New Delhi (+5,5 h)" << 19800 << 0;
    QTest::newRow("next zone carried past midnight") << 0 << 13 << 0 << QStringList{"butNext"} << "2018-07-01T23:30:15"
                                                     << QStringList{"date +%F -s 2018-7-2", "date +%T -s 0:30:15"}
                                                     << 14 << "Cairo (+2 h)" << 7200 << 0;
    QTest::newRow("minutes borrowed from the hour") << 0 << 21 << 0 << QStringList{"map 200"} << "2018-07-01T10:05:07"
                                                    << QStringList{"date +%F -s 2018-7-1", "date +%T -s 5:20:7"} << 13
                                                    << "Berlin (+1 h)" << 3600 << 0;
    QTest::newRow("west across new year") << 0 << 12 << 1 << QStringList{"butPrev"} << "2018-01-01T00:10:00"
                                          << QStringList{"date +%F -s 2017-12-31", "date +%T -s 23:10:0"} << 11
                                          << "Azores (-1 h)" << -3600 << 1;
    QTest::newRow("from a zone outside the table") << 0 << 40 << 0 << QStringList{"butNext"} << "2018-07-01T10:05:07"
                                                   << QStringList{"date +%F -s 2018-6-30", "date +%T -s 23:5:7"} << 0
                                                   << "Midway Islands (-11 h)" << -39600 << 0;
    QTest::newRow("back to the zone it had") << 0 << 13 << 0 << QStringList{"butNext", "butPrev"}
                                             << "2018-07-01T10:05:07" << QStringList{} << 13 << "Berlin (+1 h)" << 3600
                                             << 0;
    QTest::newRow("summer time off") << 1 << 13 << 1 << QStringList{"butSwitchDst"} << "2018-07-01T10:05:07"
                                     << QStringList{"date +%F -s 2018-7-1", "date +%T -s 9:5:7"} << 13
                                     << "Berlin (+1 h)" << 3600 << 0;
    QTest::newRow("summer time on carried past midnight")
        << 1 << 13 << 0 << QStringList{"butSummertime"} << "2018-10-28T23:30:00"
        << QStringList{"date +%F -s 2018-10-29", "date +%T -s 0:30:0"} << 13 << "Berlin (+1 h)" << 3600 << 1;
    QTest::newRow("summer button on summer time") << 1 << 13 << 1 << QStringList{"butWintertime", "butSummertime"}
                                                  << "2018-07-01T10:05:07" << QStringList{} << 13 << "Berlin (+1 h)"
                                                  << 3600 << 1;
}

void TestClockDialogs::zoneChangeMovesTheClock()
{
    QFETCH(int, page);
    QFETCH(int, zone);
    QFETCH(int, summer);
    QFETCH(QStringList, presses);
    QFETCH(QString, now);
    QFETCH(QStringList, commands);
    QFETCH(int, chosenZone);
    QFETCH(QString, chosenName);
    QFETCH(int, chosenOffset);
    QFETCH(int, chosenSummer);

    SystemClock::setFixedNow(at(now));
    SelectTimezone dialog;
    dialog.init(page, zone, summer);
    dialog.show();
    auto *pages = dialog.findChild<QStackedWidget *>(QStringLiteral("mainArea"));
    QCOMPARE(pages->currentWidget()->objectName(),
             page == 0 ? QStringLiteral("pageTimezone") : QStringLiteral("pageDaylightSaving"));
    for (const QString &press : presses) {
        if (press.startsWith(QLatin1String("map ")))
            releaseOnMap(&dialog, press.mid(4).toDouble());
        else
            click(&dialog, press);
    }
    click(&dialog, QStringLiteral("butAccept"));

    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(m_root->commands(), commands);
    QCOMPARE(dialog.getSelectedTimezone(), chosenZone);
    QCOMPARE(dialog.getTimezoneName(), chosenName);
    QCOMPARE(text(&dialog, QStringLiteral("editTimezone")), chosenName);
    QCOMPARE(dialog.getTimezoneOffset(), chosenOffset);
    QCOMPARE(dialog.getDaylightSavingTime(), chosenSummer);
    QCOMPARE(dialog.getDaylightSavingTimeOffset(), chosenSummer == 1 ? 3600 : 0);
    QCOMPARE(picture(&dialog, QStringLiteral("butSwitchDst")),
             chosenSummer == 1 ? QStringLiteral("Radioswitch_top_2x40px.png")
                               : QStringLiteral("Radioswitch_bottom_2x40px.png"));
    // The suffixes are added once per dialog.
    QCOMPARE(button(&dialog, QStringLiteral("butSummertime"))->text(), QStringLiteral("Summer time (+1 h)"));
    QCOMPARE(button(&dialog, QStringLiteral("butWintertime"))->text(), QStringLiteral("Winter time (+0 h)"));
}

void TestClockDialogs::mapChoosesZonesAndPlacesTheMarker_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("zone");
    QTest::addColumn<int>("markerX");
    QTest::addColumn<QString>("label");

    QTest::newRow("left edge") << 0.0 << 0 << 13 << "Midway Islands (-11 h)";
    QTest::newRow("last of the first stripe") << 16.9 << 0 << 13 << "Midway Islands (-11 h)";
    QTest::newRow("first of the second") << 17.0 << 1 << 30 << "Hawaii (-10 h)";
    QTest::newRow("just left of the map, truncated") << -0.5 << 0 << 13 << "Midway Islands (-11 h)";
    QTest::newRow("London's stripe") << 185.0 << 12 << 192 << "London (0 h)";
    QTest::newRow("Berlin's last pixel") << 213.9 << 13 << 203 << "Berlin (+1 h)";
    QTest::newRow("narrow Indian stripe") << 273.0 << 20 << 286 << "New Delhi (+5,5 h)";
    QTest::newRow("right edge") << 400.0 << 30 << 395 << "Fiji (+12 h)";
    QTest::newRow("right of the map") << 401.0 << 12 << 192 << "London (0 h)";
    QTest::newRow("far left of the map") << -3.0 << 12 << 192 << "London (0 h)";
}

void TestClockDialogs::mapChoosesZonesAndPlacesTheMarker()
{
    QFETCH(double, x);
    QFETCH(int, zone);
    QFETCH(int, markerX);
    QFETCH(QString, label);

    SelectTimezone dialog;
    dialog.init(0, 5, 0);
    releaseOnMap(&dialog, x);
    QCOMPARE(dialog.getSelectedTimezone(), zone);
    QCOMPARE(dialog.getTimezoneOffset(), SelectTimezone::getTimezoneOffset(zone));
    QCOMPARE(text(&dialog, QStringLiteral("editTimezone")), label);
    auto *marker = dialog.findChild<QLabel *>(QStringLiteral("timezoneSelector"));
    QCOMPARE(marker->geometry(), QRect(markerX, 6, 17, 200));
    // The marker's picture and the map are in the program.
    QVERIFY(QFile::exists(QStringLiteral(":/Resources/Icons/Management/Systemsettings/TimezoneSelector.png")));
    QCOMPARE(QImage(QStringLiteral(":/Resources/Icons/Management/Systemsettings/World.png")).size(), QSize(400, 200));
}

void TestClockDialogs::zoneOutsideTheTableAndPaging()
{
    SelectTimezone dialog;
    auto *marker = dialog.findChild<QLabel *>(QStringLiteral("timezoneSelector"));
    dialog.init(0, 40, 0);
    QCOMPARE(dialog.getSelectedTimezone(), 40);
    QCOMPARE(text(&dialog, QStringLiteral("editTimezone")), QStringLiteral("London (0 h)"));
    QCOMPARE(dialog.getTimezoneOffset(), 0);
    QCOMPARE(marker->x(), 189);
    click(&dialog, QStringLiteral("butPrev"));
    QCOMPARE(dialog.getSelectedTimezone(), 39);
    QCOMPARE(marker->x(), 189);

    SelectTimezone wrap;
    wrap.init(0, 0, 0);
    click(&wrap, QStringLiteral("butPrev"));
    QCOMPARE(wrap.getSelectedTimezone(), 30);
    click(&wrap, QStringLiteral("butNext"));
    QCOMPARE(wrap.getSelectedTimezone(), 0);
    QCOMPARE(SelectTimezone::getTimezoneOffset(-1), 0);
    QCOMPARE(SelectTimezone::getTimezoneOffset(31), 0);
}

void TestClockDialogs::powerKeyCancelsWithoutCommand()
{
    SystemClock::setFixedNow(at(QStringLiteral("2018-07-01T10:05:07")));
    SelectTimezone zone;
    zone.init(0, 13, 0);
    zone.show();
    click(&zone, QStringLiteral("butNext"));
    // The power key's short press: F11 press, then Escape release.
    QTest::keyPress(&zone, Qt::Key_Escape);
    QVERIFY(zone.isVisible());
    QTest::keyRelease(&zone, Qt::Key_Escape);
    QCOMPARE(zone.result(), int(QDialog::Rejected));
    QVERIFY(!zone.isVisible());

    DateTimeAdjust date;
    date.init(0, 0, 1);
    date.show();
    QTest::keyRelease(&date, Qt::Key_Escape);
    QCOMPARE(date.result(), int(QDialog::Rejected));
    QCOMPARE(m_root->commands(), QStringList());
}

// ---------------------------------------------------------------------------
// Date and time

void TestClockDialogs::dateAndTimeSetTheClock_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("source");
    QTest::addColumn<QString>("readAtInit");
    QTest::addColumn<QStringList>("presses");
    QTest::addColumn<QString>("readAtAccept");
    QTest::addColumn<QStringList>("shown"); // day month year hour minute second after the presses
    QTest::addColumn<QStringList>("commands");

    const QString hw = QStringLiteral("hwclock -w -f /dev/rtc0");
    QTest::newRow("date page as read") << 0 << 1 << "2018-07-01T10:05:07" << QStringList{} << "2018-07-01T10:05:07"
                                       << QStringList{"01", "07", "2018", "10", "05", "07"}
                                       << QStringList{"date +%F -s 2018-7-1", "date +%T -s 10:5:7", hw};
    QTest::newRow("date page keeps the running time")
        << 0 << 1 << "2018-07-01T10:05:07" << QStringList{"butDayUp", "butMonthDown", "butYearUp"}
        << "2018-07-01T10:06:40" << QStringList{"02", "06", "2019", "10", "05", "07"}
        << QStringList{"date +%F -s 2019-6-2", "date +%T -s 10:6:40", hw};
    QTest::newRow("time page keeps the date of acceptance")
        << 1 << 1 << "2018-07-01T23:59:50" << QStringList{"butHourDown", "butSecondUp"} << "2018-07-02T00:00:20"
        << QStringList{"01", "07", "2018", "22", "59", "51"}
        << QStringList{"date +%F -s 2018-7-2", "date +%T -s 22:59:51", hw};
    QTest::newRow("GPS source sets what it read") << 1 << 0 << "2018-07-01T10:05:07" << QStringList{}
                                                  << "2018-07-01T10:05:07"
                                                  << QStringList{"01", "07", "2018", "10", "05", "07"}
                                                  << QStringList{"date +%F -s 2018-7-1", "date +%T -s 10:5:7", hw};
    QTest::newRow("unset clock shows 2018") << 0 << 1 << "1970-01-01T00:00:03" << QStringList{}
                                            << "1970-01-01T00:00:09"
                                            << QStringList{"01", "01", "2018", "00", "00", "03"}
                                            << QStringList{"date +%F -s 2018-1-1", "date +%T -s 0:0:9", hw};
    QTest::newRow("time page on an unset clock") << 1 << 1 << "1970-01-01T00:00:03" << QStringList{"butMinuteUp"}
                                                 << "1970-01-01T00:00:09"
                                                 << QStringList{"01", "01", "2018", "00", "01", "03"}
                                                 << QStringList{"date +%F -s 1970-1-1", "date +%T -s 0:1:3", hw};
    QTest::newRow("31 April refused") << 0 << 1 << "2018-04-30T08:00:00" << QStringList{"butDayUp"}
                                      << "2018-04-30T08:00:00" << QStringList{"31", "04", "2018", "08", "00", "00"}
                                      << QStringList{};
    QTest::newRow("29 February of a common year refused")
        << 0 << 1 << "2019-02-28T08:00:00" << QStringList{"butDayUp"} << "2019-02-28T08:00:00"
        << QStringList{"29", "02", "2019", "08", "00", "00"} << QStringList{};
    QTest::newRow("29 February of a leap year") << 0 << 1 << "2020-02-28T08:00:00" << QStringList{"butDayUp"}
                                                << "2020-02-28T08:00:00"
                                                << QStringList{"29", "02", "2020", "08", "00", "00"}
                                                << QStringList{"date +%F -s 2020-2-29", "date +%T -s 8:0:0", hw};
}

void TestClockDialogs::dateAndTimeSetTheClock()
{
    QFETCH(int, page);
    QFETCH(int, source);
    QFETCH(QString, readAtInit);
    QFETCH(QStringList, presses);
    QFETCH(QString, readAtAccept);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, commands);

    SystemClock::setFixedNow(at(readAtInit));
    DateTimeAdjust dialog;
    dialog.init(page, 0, source);
    dialog.show();
    QCOMPARE(dialog.findChild<QStackedWidget *>(QStringLiteral("mainArea"))->currentWidget()->objectName(),
             page == 0 ? QStringLiteral("pageDate") : QStringLiteral("pageTime"));
    QCOMPARE(enabledArrows(&dialog), source == 0 ? QString() : QStringLiteral("all"));
    for (const QString &press : presses)
        click(&dialog, press);
    QStringList fields;
    for (const char *edit : {"editDay", "editMonth", "editYear", "editHour", "editMinute", "editSecond"})
        fields << text(&dialog, QLatin1String(edit));
    QCOMPARE(fields, shown);

    SystemClock::setFixedNow(at(readAtAccept));
    click(&dialog, QStringLiteral("butAccept"));
    QCOMPARE(m_root->commands(), commands);
    if (commands.isEmpty()) {
        // An impossible date keeps the dialog open; one day less is taken.
        QVERIFY(dialog.isVisible());
        click(&dialog, QStringLiteral("butDayDown"));
        click(&dialog, QStringLiteral("butAccept"));
        QCOMPARE(m_root->commands().size(), 3);
        QVERIFY(m_root->commands().first().startsWith(QStringLiteral("date +%F -s ")));
    }
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.getDateTimeSource(), source);
    QCOMPARE(dialog.getDateFormat(), 0);
}

void TestClockDialogs::arrowsWrapAtTheirBounds_data()
{
    QTest::addColumn<QString>("now");
    QTest::addColumn<QString>("arrow");
    QTest::addColumn<int>("presses");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("shown");

    QTest::newRow("day past 31 whatever the month") << "2018-06-30T00:00:00" << "butDayUp" << 2 << "editDay" << "01";
    QTest::newRow("day below 1") << "2018-06-01T00:00:00" << "butDayDown" << 1 << "editDay" << "31";
    QTest::newRow("month past 12") << "2018-12-01T00:00:00" << "butMonthUp" << 1 << "editMonth" << "01";
    QTest::newRow("year past 2050") << "2050-01-01T00:00:00" << "butYearUp" << 1 << "editYear" << "2016";
    QTest::newRow("year below 2016") << "2016-01-01T00:00:00" << "butYearDown" << 1 << "editYear" << "2050";
    QTest::newRow("clock year above the range, up") << "2060-01-01T00:00:00" << "butYearUp" << 1 << "editYear"
                                                     << "2016";
    QTest::newRow("clock year above the range, down") << "2060-01-01T00:00:00" << "butYearDown" << 1 << "editYear"
                                                       << "2059";
    QTest::newRow("clock year below the range, up") << "2010-01-01T00:00:00" << "butYearUp" << 1 << "editYear"
                                                     << "2011";
    QTest::newRow("hour below 0") << "2018-01-01T00:00:00" << "butHourDown" << 1 << "editHour" << "23";
    QTest::newRow("minute past 59") << "2018-01-01T00:59:00" << "butMinuteUp" << 1 << "editMinute" << "00";
    QTest::newRow("second once round") << "2018-01-01T00:00:30" << "butSecondUp" << 60 << "editSecond" << "30";
}

void TestClockDialogs::arrowsWrapAtTheirBounds()
{
    QFETCH(QString, now);
    QFETCH(QString, arrow);
    QFETCH(int, presses);
    QFETCH(QString, edit);
    QFETCH(QString, shown);

    SystemClock::setFixedNow(at(now));
    DateTimeAdjust dialog;
    dialog.init(edit == QLatin1String("editDay") || edit == QLatin1String("editMonth")
                        || edit == QLatin1String("editYear")
                    ? 0
                    : 1,
                0, 1);
    dialog.show();
    for (int i = 0; i < presses; ++i)
        click(&dialog, arrow);
    QCOMPARE(text(&dialog, edit), shown);
}

void TestClockDialogs::sourceAndFormatSwitches()
{
    SystemClock::setFixedNow(at(QStringLiteral("2018-07-01T10:05:07")));
    DateTimeAdjust dialog;
    // Stored texts that match no value: the switches keep the form's
    // pictures, the arrows work.
    dialog.init(0, -1, -1);
    dialog.show();
    QCOMPARE(picture(&dialog, QStringLiteral("butSwitchFormat")), QStringLiteral("Radioswitch_top_3x40px.png"));
    QCOMPARE(picture(&dialog, QStringLiteral("butSwitchGpsMan")), QStringLiteral("Radioswitch_top_2x40px.png"));
    QCOMPARE(enabledArrows(&dialog), QStringLiteral("all"));
    QCOMPARE(dialog.getDateFormat(), -1);
    QCOMPARE(dialog.getDateTimeSource(), -1);

    const struct
    {
        const char *press;
        int format;
        const char *formatPicture;
    } formats[] = {{"butSwitchFormat", 0, "Radioswitch_top_3x40px.png"},
                   {"butSwitchFormat", 1, "Radioswitch_middle_3x40px.png"},
                   {"butSwitchFormat", 2, "Radioswitch_bottom_3x40px.png"},
                   {"butSwitchFormat", 0, "Radioswitch_top_3x40px.png"},
                   {"butFormat_MMDDYYYY", 2, "Radioswitch_bottom_3x40px.png"},
                   {"butFormat_YYYYMMDD", 1, "Radioswitch_middle_3x40px.png"},
                   {"butFormat_DDMMYYYY", 0, "Radioswitch_top_3x40px.png"}};
    for (const auto &f : formats) {
        click(&dialog, QLatin1String(f.press));
        QCOMPARE(dialog.getDateFormat(), f.format);
        QCOMPARE(picture(&dialog, QStringLiteral("butSwitchFormat")), QLatin1String(f.formatPicture));
    }

    // Either source switch and the four text buttons: both switches follow,
    // GPS disables all twelve arrows.
    const struct
    {
        const char *press;
        int source;
    } sources[] = {{"butSwitchGpsMan", 0}, {"butSwitchGpsManTime", 1}, {"butSwitchGpsMan", 0},
                   {"butManualTime", 1},   {"butGps", 0},               {"butManual", 1},
                   {"butGpsTime", 0}};
    for (const auto &s : sources) {
        click(&dialog, QLatin1String(s.press));
        QCOMPARE(dialog.getDateTimeSource(), s.source);
        const QString expected = s.source == 0 ? QStringLiteral("Radioswitch_top_2x40px.png")
                                               : QStringLiteral("Radioswitch_bottom_2x40px.png");
        QCOMPARE(picture(&dialog, QStringLiteral("butSwitchGpsMan")), expected);
        QCOMPARE(picture(&dialog, QStringLiteral("butSwitchGpsManTime")), expected);
        QCOMPARE(enabledArrows(&dialog), s.source == 0 ? QString() : QStringLiteral("all"));
    }
    // A disabled arrow changes nothing.
    click(&dialog, QStringLiteral("butDayUp"));
    QCOMPARE(text(&dialog, QStringLiteral("editDay")), QStringLiteral("01"));
    click(&dialog, QStringLiteral("butClose"));
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(m_root->commands(), QStringList());
}

QTEST_MAIN(TestClockDialogs)
#include "tst_clockdialogs.moc"
