// The management screens compared picture for picture with references
// (tests/pictures/mgmt-*.png): the management menu, the three pages of the
// settings screen and each settings dialog open with a choice made in it
// (some also accepted, the page showing the choice), the stored-measurement
// browser with its editor, the pairing dialog before, during and after a
// search, the sensor unit's information, the PC transfer lent and taken
// back, the receiver's page, the firmware update, the debug menu with its
// gain page, and a language written in CJK glyphs from a card catalogue.
#include "bluetooth.h"
#include "debuggain.h"
#include "debugmenu.h"
#include "globals.h"
#include "gpsmonitor.h"
#include "mainmenu.h"
#include "management.h"
#include "measmanagement.h"
#include "measmanagementedit.h"
#include "messagedialog.h"
#include "picturebench.h"
#include "systemsettings.h"
#include "testpart.h"

#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QProgressBar>
#include <QTextEdit>
#include <QtTest>

#include <algorithm>

using namespace ScreenSteps;
using Driver = PictureBench::Driver;

namespace {

Management *openManagement(PictureBench &b)
{
    b.window().displayWidget(0, 0, 0);
    press(&b.window(), "butManagement");
    return b.window().managementScreen();
}

// The settings screen by touch from the main page, showing `page` (1..3).
Systemsettings *openSettings(PictureBench &b, int page)
{
    press(openManagement(b), "butSystemsettings");
    Systemsettings *s = b.window().getInstanceSystemsettings();
    for (int i = 1; i < page; ++i)
        press(s, "butMenuDown");
    return s;
}

// A settings dialog open from its button on `page`, with the presses
// `choice` made. The picture is of the dialog, or, with `ofPage` (the last
// press accepting it), of the page as the dialog leaves it, its button
// showing the choice.
Driver settingsChoice(int page, const char *button, const QStringList &choice, bool ofPage)
{
    return [=](PictureBench &b) {
        Systemsettings *s = openSettings(b, page);
        inDialog<QDialog>([&] { press(s, button); },
                          [&](QDialog *d) {
                              for (const QString &name : choice)
                                  press(d, qPrintable(name));
                              if (!ofPage)
                                  shoot();
                          });
        if (ofPage)
            shoot();
    };
}

Driver settingsDialog(int page, const char *button, const QStringList &choice)
{
    return settingsChoice(page, button, choice, false);
}

Driver settingsAccepted(int page, const char *button, const QStringList &choice)
{
    return settingsChoice(page, button, choice, true);
}

// A management-menu dialog open from its button, `act` done in it (where
// given); the picture is the row's, taken after `act`.
Driver managementDialog(const char *button, const std::function<void(QDialog *)> &act = {})
{
    return [=](PictureBench &b) {
        Management *menu = openManagement(b);
        inDialog<QDialog>([&] { press(menu, button); },
                          [&](QDialog *d) {
                              if (act)
                                  act(d);
                              shoot();
                          });
    };
}

// A stored measurement of `type` made by the simulator, renamed to a fixed
// date and time (the simulator names it by the running clock); the browser
// lists the folders newest first by their file times, so minutesOld orders
// them.
void storeMeasurement(PictureBench &b, const QString &type, int minutesOld, const QString &stamp, const QString &name)
{
    const QString made = b.board().send(QStringLiteral("meas add %1 %2 %3").arg(type).arg(minutesOld).arg(name));
    if (!made.startsWith(type + QLatin1Char('_'))) {
        fail(QStringLiteral("meas add: ") + made);
        return;
    }
    const QString store = b.root().local(QStringLiteral("/media/tq3900/meas/"));
    if (!QDir().rename(store + made, store + type + QLatin1Char('_') + stamp + QLatin1Char('_') + name))
        fail(QStringLiteral("cannot rename ") + made);
}

// The sensor unit's pairing dialog from the settings screen, a second unit
// in range; the simulated inquiry takes 3 s.
void pairUnit(PictureBench &b, const std::function<void(QDialog *)> &act)
{
    b.board().send(QStringLiteral("inquiry time 3000"));
    b.board().send(QStringLiteral("inquiry add 02:00:00:39:01:22 280404 GX-4 Sensor 0533"));
    Systemsettings *s = openSettings(b, 1);
    inDialog<QDialog>([&] { press(s, "butPairedMicrophone"); },
                      [&](QDialog *d) {
                          Bluetooth *link = b.window().getBtSinkInstance();
                          if (!QTest::qWaitFor([&] { return link->isCommandModeKnown(); }, 5000))
                              fail(QStringLiteral("the module is not in command mode"));
                          act(d);
                      });
}

// The end of the search (15 s): the devices offered.
void waitForOffer(QWidget *dialog)
{
    if (!QTest::qWaitFor([&] { return labelText(dialog, "label").startsWith(QLatin1String("Select")); }, 20000))
        fail(QStringLiteral("no devices offered: ") + labelText(dialog, "label"));
}

} // namespace

class TestPicturesMgmt : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void menuAndSettings_data();
    void menuAndSettings() { screens(); }
    void settingsDialogs_data();
    void settingsDialogs() { screens(); }
    void browserUnitAndTransfer_data();
    void browserUnitAndTransfer() { screens(); }
    void pairing_data();
    void pairing() { screens(); }
    void pairingDebug_data();
    void pairingDebug() { screens(); }
    void cjkLanguage_data();
    void cjkLanguage() { screens(); }
    void managementPages_data();
    void managementPages() { screens(); }

private:
    void screens();
    // The debug features' pairing row starts on an instrument paired with no
    // sensor unit (its page lists the stored pairings); the plain row pairs
    // again an instrument whose unit is linked.
    static bool unpairedUnit() { return QTest::currentTestFunction() == QLatin1String("pairingDebug"); }

    PictureBench m_bench;
};

void TestPicturesMgmt::init()
{
    SKIP_OUTSIDE_THIS_PART();
    g_debugFeatures = 0;
    // The language row's catalogue: Chinese (6) from the card.
    const bool cjk = QTest::currentTestFunction() == QLatin1String("cjkLanguage");
    // The paired devices' names, as a pairing stores them, for the pages that show them.
    const QString names = QStringLiteral("[Bluetooth]\nMicrophone_Name=GX-4 Sensor 0412\nHeadphone_Name=Headset HS-20\n");
    m_bench.start(names + (cjk ? QStringLiteral("[Local-Settings]\nLanguage=6\n") : QString()));
    if (unpairedUnit()) {
        const QString settings = QStringLiteral("[Bluetooth]\nHeadphone_ID=%1\n[Systemsettings]\nSwitchmode=Switch\n"
                                                "[Debug]\nDebugfeatures=%2\n")
                                     .arg(QLatin1String(SimBoard::kHeadphoneAddress))
                                     .arg(QTest::currentTestFunction() == QLatin1String("pairingDebug") ? 1 : 0);
        QVERIFY(m_bench.root().write("/home/root/settings.ini", settings.toUtf8()));
    }
    if (cjk) {
        QFile qm(QStringLiteral(TQ3900_TEST_DATA "/CN_TQ3900.qm"));
        QVERIFY(qm.open(QIODevice::ReadOnly));
        QVERIFY(m_bench.root().write("/media/tq3900/CN_TQ3900.qm", qm.readAll()));
    }
    // The receiver's page: one fixed RMC sentence, with its time and
    // position, before the program starts (a fix of the receiver's own
    // running time read first would keep it from the position).
    if (QTest::currentDataTag() == QLatin1String("mgmt-gps")) {
        QVERIFY(m_bench.tell("gps pos 52.520008 13.404954"));
        QVERIFY(m_bench.tell("gps time 2026-03-14T08:26:53"));
        QVERIFY(m_bench.tell("gps repeat 1"));
    }
    // The unit's battery as the status bar and the information page show it.
    QVERIFY(m_bench.tell("unit battery 4100"));
}

void TestPicturesMgmt::cleanup()
{
    m_bench.stop();
    g_debugFeatures = 0;
}

void TestPicturesMgmt::menuAndSettings_data()
{
    QTest::addColumn<Driver>("drive");
    QTest::newRow("mgmt-menu") << Driver([](PictureBench &b) {
        openManagement(b);
        shoot();
    });
    for (int page = 1; page <= 3; ++page)
        QTest::newRow(qPrintable(QStringLiteral("mgmt-settings-page%1").arg(page)))
            << Driver([page](PictureBench &b) {
                   openSettings(b, page);
                   shoot();
               });
    // The reset dialog and its question, answered no.
    QTest::newRow("mgmt-settings-reset") << Driver([](PictureBench &b) {
        Systemsettings *s = openSettings(b, 2);
        inDialog<QDialog>([&] { press(s, "butReset"); },
                          [](QDialog *d) {
                              shoot();
                              inDialog<MessageDialog>([&] { press(d, "butReset"); },
                                                      [](MessageDialog *q) {
                                                          shoot(QStringLiteral("mgmt-settings-reset-question"));
                                                          press(q, "butRight");
                                                      });
                          });
    });
    QTest::newRow("mgmt-settings-switchmode") << settingsDialog(1, "butSwitchmode", {"butPushButton"});
    QTest::newRow("mgmt-settings-hearingprotection")
        << settingsDialog(1, "butHearingProtection", {"butDisabled", "butVolUp"});
    // Protection switched on: the volume hidden, the limit's warning; and
    // accepted, the page's button saying so.
    QTest::newRow("mgmt-settings-hearingprotection-active")
        << settingsDialog(1, "butHearingProtection", {"butEnabled"});
    QTest::newRow("mgmt-settings-hearingprotection-accepted")
        << settingsAccepted(1, "butHearingProtection", {"butEnabled", "butAccept"});
    QTest::newRow("mgmt-settings-customize") << settingsDialog(1, "butCustomize", {"butShowPeakLevelBar"});
    QTest::newRow("mgmt-settings-headphone") << settingsDialog(1, "butPairedHeadphone", {});
}

void TestPicturesMgmt::settingsDialogs_data()
{
    QTest::addColumn<Driver>("drive");
    QTest::newRow("mgmt-settings-brightness") << settingsDialog(2, "butBrightness", {"butBrightnessHigh"});
    QTest::newRow("mgmt-settings-powersaving") << settingsDialog(2, "butPowerSaving", {"butBl_2", "butPow_5"});
    QTest::newRow("mgmt-settings-favourite") << settingsDialog(2, "butFavouriteButton", {"butFav_3"});
    QTest::newRow("mgmt-settings-sysinfo") << settingsDialog(2, "butSysteminformation", {});
    QTest::newRow("mgmt-settings-language") << settingsDialog(3, "butLanguage", {"butMenuDown"});
    QTest::newRow("mgmt-settings-time") << settingsDialog(3, "butTime", {"butManualTime", "butHourUp"});
    QTest::newRow("mgmt-settings-date") << settingsDialog(3, "butDate", {"butFormat_MMDDYYYY", "butManual", "butDayDown"});
    QTest::newRow("mgmt-settings-timezone") << settingsDialog(3, "butTimezone", {"butNext"});
    // The next zone accepted: the page's button names it.
    QTest::newRow("mgmt-settings-timezone-accepted") << settingsAccepted(3, "butTimezone", {"butNext", "butAccept"});
    QTest::newRow("mgmt-settings-dst") << settingsDialog(3, "butDaylightSavingTime", {"butSummertime"});
}

void TestPicturesMgmt::browserUnitAndTransfer_data()
{
    QTest::addColumn<Driver>("drive");
    // Five kinds of measurement, newest first.
    QTest::newRow("mgmt-browser") << Driver([](PictureBench &b) {
        storeMeasurement(b, "LT", 50, "20260301_221500", "Night watch");
        storeMeasurement(b, "H2", 40, "20260305_101000", "Depot");
        storeMeasurement(b, "PL", 30, "20260309_143012", "Pipe north");
        storeMeasurement(b, "PP", 20, "20260312_080501", "Park lane");
        storeMeasurement(b, "LE", 10, "20260314_091533", "Main street 4");
        press(openManagement(b), "butMeasurements");
        shoot();
    });
    QTest::newRow("mgmt-unit-information") << managementDialog("butDeviceConfig", [](QDialog *d) {
        // The unit's fields once its whole answer is in.
        QList<QLineEdit *> fields;
        for (const char *name : {"editFirmwareVersion", "editHardwareVersion", "editButtonMode", "editBatteryState",
                                 "editGain", "editSensorType"})
            fields << d->findChild<QLineEdit *>(QLatin1String(name));
        if (fields.contains(nullptr) || !QTest::qWaitFor(
                                            [&] {
                                                return std::none_of(fields.begin(), fields.end(),
                                                                    [](QLineEdit *e) { return e->text().isEmpty(); });
                                            },
                                            10000))
            fail(QStringLiteral("the unit did not answer"));
    });
    // Lent to the PC, then taken back: the dialog as it opened again.
    QTest::newRow("mgmt-pc-transfer") << Driver([](PictureBench &b) {
        Management *menu = openManagement(b);
        inDialog<QDialog>([&] { press(menu, "butDatatransmission"); },
                          [&](QDialog *d) {
                              shoot(QStringLiteral("mgmt-pc-transfer-mounted"));
                              press(d, "butConnect");
                              if (b.board().send(QStringLiteral("usb")) != QLatin1String("exported"))
                                  fail(QStringLiteral("the partition was not lent"));
                              shoot(QStringLiteral("mgmt-pc-transfer-lent"));
                              press(d, "butDisconnect");
                              if (b.board().send(QStringLiteral("usb")) != QLatin1String("mounted"))
                                  fail(QStringLiteral("the partition was not taken back"));
                              shoot(QStringLiteral("mgmt-pc-transfer-mounted"));
                          });
    });
}

void TestPicturesMgmt::pairing_data()
{
    QTest::addColumn<Driver>("drive");
    // Pairing the sensor unit, a second unit in range: before the search
    // and with the units found. A line an earlier search left in the
    // module's output is no device of this search.
    QTest::newRow("mgmt-pairing-unit") << Driver([](PictureBench &b) {
        pairUnit(b, [&](QDialog *d) {
            shoot(QStringLiteral("mgmt-pairing-unit-idle"));
            QSignalSpy marker(b.window().getBtSinkInstance(), &Bluetooth::btPairingOk);
            b.board().send(QStringLiteral("bt ttyO2 send INQUIRY_PARTIAL 00:07:80:00:00:09 280404"));
            // A confirmation nobody asked for, whose arrival is seen.
            b.board().send(QStringLiteral("bt ttyO2 send PAIR 00:07:80:00:00:09 OK"));
            if (!marker.wait(5000) && marker.isEmpty())
                fail(QStringLiteral("the module's old output did not arrive"));
            press(d, "butSearch");
            // During the search: its text, no device offered yet. The bar
            // moves every half second and is left out; it must be shown.
            auto *bar = d->findChild<QProgressBar *>(QStringLiteral("prgbSearching"));
            if (!bar || !bar->isVisible())
                fail(QStringLiteral("no progress bar during the search"));
            else
                shoot(QStringLiteral("mgmt-pairing-unit-searching"), 3000,
                      {QRect(bar->mapTo(d, QPoint(0, 0)), bar->size())});
            waitForOffer(d);
            shoot(QStringLiteral("mgmt-pairing-unit-found"));
        });
    });
}

void TestPicturesMgmt::pairingDebug_data()
{
    QTest::addColumn<Driver>("drive");
    // With the debug features (from the settings file): the stored pairings
    // before the search, the raw page during the search (the sensor-unit
    // module's lines are written in black), the units found with their
    // classes.
    QTest::newRow("mgmt-pairing-debug") << Driver([](PictureBench &b) {
        pairUnit(b, [&](QDialog *d) {
            shoot(QStringLiteral("mgmt-pairing-debug-idle"));
            press(d, "butSearch");
            press(d, "butInfo");
            auto *raw = d->findChild<QTextEdit *>(QStringLiteral("textBluetoothRcv"));
            if (!raw || !QTest::qWaitFor([&] { return raw->toPlainText().contains(QLatin1String("Sensor 0533")); },
                                         8000))
                fail(QStringLiteral("the inquiry's answers did not come: ") + (raw ? raw->toPlainText() : QString()));
            shoot(QStringLiteral("mgmt-pairing-debug-searching"));
            waitForOffer(d);
            press(d, "butInfo");
            shoot(QStringLiteral("mgmt-pairing-debug-found"));
        });
    });
}

void TestPicturesMgmt::cjkLanguage_data()
{
    QTest::addColumn<Driver>("drive");
    QTest::newRow("mgmt-cjk") << Driver([](PictureBench &b) {
        shoot(QStringLiteral("mgmt-cjk-main-page"));
        openSettings(b, 1);
        shoot(QStringLiteral("mgmt-cjk-settings-page1"));
    });
}

void TestPicturesMgmt::managementPages_data()
{
    QTest::addColumn<Driver>("drive");
    // The receiver's page: the fixed sentence's time and position (init()),
    // the instrument's clock beside the time.
    QTest::newRow("mgmt-gps") << Driver([](PictureBench &b) {
        press(openManagement(b), "butGps");
        QWidget *monitor = b.window().getGpsMonitorInstance();
        QLineEdit *latitude = monitor->findChild<QLineEdit *>(QStringLiteral("leditLatitude"));
        if (!latitude || !QTest::qWaitFor([&] { return latitude->text() == QLatin1String("52.520008"); }, 15000))
            fail(QStringLiteral("no position on the receiver's page"));
        shoot();
    });
    // The firmware update as it opens, no update file on the card.
    QTest::newRow("mgmt-firmwareupdate") << managementDialog("butFirmwareupdate");
    // The browser in its edit mode, and a measurement's editor from it.
    QTest::newRow("mgmt-browser-edit") << Driver([](PictureBench &b) {
        storeMeasurement(b, "LE", 10, "20260314_091533", "Main street 4");
        press(openManagement(b), "butMeasurements");
        QWidget *browser = b.window().getInstanceMeasManagement();
        press(browser, "butMenuEdit");
        shoot(QStringLiteral("mgmt-browser-editmode"));
        inDialog<MeasManagementEdit>([&] { press(browser, "butMeasurement_0"); },
                                     [](MeasManagementEdit *) { shoot(QStringLiteral("mgmt-browser-editor")); });
    });
    // The debug menu (the service technician's way in), and its gain page.
    QTest::newRow("mgmt-debug") << Driver([](PictureBench &b) {
        inDialog<DebugMenu>([&] { b.window().showWidget(101); },
                            [](DebugMenu *menu) {
                                shoot(QStringLiteral("mgmt-debug-menu"));
                                inDialog<DebugGain>([&] { press(menu, "butGain"); },
                                                    [](DebugGain *) { shoot(QStringLiteral("mgmt-debug-gain")); });
                            });
    });
}

void TestPicturesMgmt::screens()
{
    QFETCH(Driver, drive);
    // The status bar as on the main page's reference: the unit's data link
    // up as the program sees it (where one is paired), the receiver with its
    // fix.
    m_bench.run(drive, unpairedUnit() ? PictureBench::Wait::Fix : PictureBench::Wait::LinkAndFix);
}

SCREEN_PICTURE_MAIN(TestPicturesMgmt)
#include "tst_pictures_mgmt.moc"
