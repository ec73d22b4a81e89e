// The management screens compared picture for picture with references
// (tests/pictures/mgmt-*.png): the management menu, the three pages of the
// settings screen and each settings dialog open with a choice made in it,
// the stored-measurement browser, the pairing dialog before, during and
// after a search, the sensor unit's information, the PC transfer lent and
// taken back, and a language written in CJK glyphs from a card catalogue.
#include "bluetooth.h"
#include "globals.h"
#include "gps.h"
#include "mainmenu.h"
#include "management.h"
#include "messagedialog.h"
#include "modalaction.h"
#include "pairedboard.h"
#include "screenpicture.h"
#include "sensorunitlink.h"
#include "simboard.h"
#include "systemsettings.h"
#include "testpart.h"
#include "testroot.h"

#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

using Driver = std::function<void(MainMenu &, SimBoard &, TestRoot &)>;

// Differences found inside a dialog's event loop, where a failed check
// cannot end the test function: the row fails with them once the dialog
// has closed.
QStringList s_mismatches;

// Compares the screen with the reference `name`, the row's data tag when
// none is given.
void shoot(const QString &name = QString(), int timeoutMs = 3000, const QVector<QRect> &masks = {})
{
    const QString reference = name.isEmpty() ? QString::fromLatin1(QTest::currentDataTag()) : name;
    const QString mismatch = ScreenPicture::check(reference, timeoutMs, masks);
    if (!mismatch.isEmpty())
        s_mismatches << mismatch;
}

void fail(const QString &why)
{
    s_mismatches << why;
}

// Presses the button `name` of parent by touch; false when there is none.
bool press(QWidget *parent, const char *name)
{
    auto *b = parent ? parent->findChild<QPushButton *>(QLatin1String(name)) : nullptr;
    if (!b) {
        fail(QStringLiteral("no button %1").arg(QLatin1String(name)));
        return false;
    }
    QTest::mouseClick(b, Qt::LeftButton);
    return true;
}

// Runs a dialog that `trigger` opens with exec(), with `act` working it from
// inside its event loop; a dialog still open after `act` is rejected.
template <class T>
void inDialog(const std::function<void()> &trigger, const std::function<void(T *)> &act)
{
    bool opened = false;
    ModalAction<T> action([&](T *d) {
        opened = true;
        act(d);
        if (d->isVisible())
            d->reject();
    });
    trigger();
    if (!opened)
        fail(QStringLiteral("the dialog did not open"));
}

Management *openManagement(MainMenu &w)
{
    w.displayWidget(0, 0, 0);
    press(&w, "butManagement");
    return w.managementScreen();
}

// The settings screen by touch from the main page, showing `page` (1..3).
Systemsettings *openSettings(MainMenu &w, int page)
{
    press(openManagement(w), "butSystemsettings");
    Systemsettings *s = w.getInstanceSystemsettings();
    for (int i = 1; i < page; ++i)
        press(s, "butMenuDown");
    return s;
}

// A settings dialog open from its button on `page`, with the presses
// `choice` made; the picture is the row's.
Driver settingsDialog(int page, const char *button, const QStringList &choice)
{
    return [=](MainMenu &w, SimBoard &, TestRoot &) {
        Systemsettings *s = openSettings(w, page);
        inDialog<QDialog>([&] { press(s, button); },
                          [&](QDialog *d) {
                              for (const QString &b : choice)
                                  press(d, qPrintable(b));
                              shoot();
                          });
    };
}

// A stored measurement of `type` made by the simulator, renamed to a fixed
// date and time (the simulator names it by the running clock); the browser
// lists the folders newest first by their file times, so minutesOld orders
// them.
void storeMeasurement(SimBoard &board, TestRoot &root, const QString &type, int minutesOld, const QString &stamp,
                      const QString &name)
{
    const QString made = board.send(QStringLiteral("meas add %1 %2 %3").arg(type).arg(minutesOld).arg(name));
    if (!made.startsWith(type + QLatin1Char('_'))) {
        fail(QStringLiteral("meas add: ") + made);
        return;
    }
    const QString store = root.local(QStringLiteral("/media/tq3900/meas/"));
    if (!QDir().rename(store + made, store + type + QLatin1Char('_') + stamp + QLatin1Char('_') + name))
        fail(QStringLiteral("cannot rename ") + made);
}

QString labelText(QWidget *dialog)
{
    auto *label = dialog->findChild<QLabel *>(QStringLiteral("label"));
    return label ? label->text() : QString();
}

// The sensor unit's pairing dialog from the settings screen, a second unit
// in range; the simulated inquiry takes 3 s.
void pairUnit(MainMenu &w, SimBoard &board, const std::function<void(QDialog *)> &act)
{
    board.send(QStringLiteral("inquiry time 3000"));
    board.send(QStringLiteral("inquiry add 02:00:00:39:01:22 280404 GX-4 Sensor 0533"));
    Systemsettings *s = openSettings(w, 1);
    inDialog<QDialog>([&] { press(s, "butPairedMicrophone"); },
                      [&](QDialog *d) {
                          Bluetooth *link = w.getBtSinkInstance();
                          if (!QTest::qWaitFor([&] { return link->isCommandModeKnown(); }, 5000))
                              fail(QStringLiteral("the module is not in command mode"));
                          act(d);
                      });
}

// The end of the search (15 s): the devices offered.
void waitForOffer(QWidget *dialog)
{
    if (!QTest::qWaitFor([&] { return labelText(dialog).startsWith(QLatin1String("Select")); }, 20000))
        fail(QStringLiteral("no devices offered: ") + labelText(dialog));
}

} // namespace

Q_DECLARE_METATYPE(Driver)

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

private:
    void screens();
    // The debug features' pairing row starts on an instrument paired with no
    // sensor unit (its page lists the stored pairings); the plain row pairs
    // again an instrument whose unit is linked.
    static bool unpairedUnit() { return QTest::currentTestFunction() == QLatin1String("pairingDebug"); }

    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
};

void TestPicturesMgmt::init()
{
    SKIP_OUTSIDE_THIS_PART();
    g_debugFeatures = 0;
    s_mismatches.clear();
    ScreenPicture::steady();
    // The language row's catalogue: Chinese (6) from the card.
    const bool cjk = QTest::currentTestFunction() == QLatin1String("cjkLanguage");
    // The paired devices' names, as a pairing stores them, for the pages that show them.
    const QString names = QStringLiteral("[Bluetooth]\nMicrophone_Name=GX-4 Sensor 0412\nHeadphone_Name=Headset HS-20\n");
    startPairedBoard(&m_root, &m_board, names + (cjk ? QStringLiteral("[Local-Settings]\nLanguage=6\n") : QString()));
    if (unpairedUnit()) {
        QVERIFY(m_root->write("/home/root/settings.ini",
                              QStringLiteral("[Bluetooth]\nHeadphone_ID=%1\n[Systemsettings]\nSwitchmode=Switch\n"
                                             "[Debug]\nDebugfeatures=%2\n")
                                  .arg(QLatin1String(SimBoard::kHeadphoneAddress))
                                  .arg(QTest::currentTestFunction() == QLatin1String("pairingDebug") ? 1 : 0)
                                  .toUtf8()));
    }
    if (cjk) {
        QFile qm(QStringLiteral(TQ3900_TEST_DATA "/CN_TQ3900.qm"));
        QVERIFY(qm.open(QIODevice::ReadOnly));
        QVERIFY(m_root->write("/media/tq3900/CN_TQ3900.qm", qm.readAll()));
    }
    // The unit's battery as the status bar and the information page show it.
    QCOMPARE(m_board->send("unit battery 4100"), QStringLiteral("ok"));
}

void TestPicturesMgmt::cleanup()
{
    m_board.reset();
    m_root.reset();
    ScreenPicture::release();
    g_debugFeatures = 0;
}

void TestPicturesMgmt::menuAndSettings_data()
{
    QTest::addColumn<Driver>("drive");
    QTest::newRow("mgmt-menu") << Driver([](MainMenu &w, SimBoard &, TestRoot &) {
        openManagement(w);
        shoot();
    });
    for (int page = 1; page <= 3; ++page)
        QTest::newRow(qPrintable(QStringLiteral("mgmt-settings-page%1").arg(page)))
            << Driver([page](MainMenu &w, SimBoard &, TestRoot &) {
                   openSettings(w, page);
                   shoot();
               });
    // The reset dialog and its question, answered no.
    QTest::newRow("mgmt-settings-reset") << Driver([](MainMenu &w, SimBoard &, TestRoot &) {
        Systemsettings *s = openSettings(w, 2);
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
    QTest::newRow("mgmt-settings-dst") << settingsDialog(3, "butDaylightSavingTime", {"butSummertime"});
}

void TestPicturesMgmt::browserUnitAndTransfer_data()
{
    QTest::addColumn<Driver>("drive");
    // Five kinds of measurement, newest first.
    QTest::newRow("mgmt-browser") << Driver([](MainMenu &w, SimBoard &board, TestRoot &root) {
        storeMeasurement(board, root, "LT", 50, "20260301_221500", "Night watch");
        storeMeasurement(board, root, "H2", 40, "20260305_101000", "Depot");
        storeMeasurement(board, root, "PL", 30, "20260309_143012", "Pipe north");
        storeMeasurement(board, root, "PP", 20, "20260312_080501", "Park lane");
        storeMeasurement(board, root, "LE", 10, "20260314_091533", "Main street 4");
        press(openManagement(w), "butMeasurements");
        shoot();
    });
    QTest::newRow("mgmt-unit-information") << Driver([](MainMenu &w, SimBoard &, TestRoot &) {
        Management *menu = openManagement(w);
        inDialog<QDialog>([&] { press(menu, "butDeviceConfig"); },
                          [](QDialog *d) {
                              // The unit's fields once its whole answer is in.
                              QList<QLineEdit *> fields;
                              for (const char *name : {"editFirmwareVersion", "editHardwareVersion", "editButtonMode",
                                                       "editBatteryState", "editGain", "editSensorType"})
                                  fields << d->findChild<QLineEdit *>(QLatin1String(name));
                              if (fields.contains(nullptr)
                                  || !QTest::qWaitFor(
                                      [&] {
                                          return std::none_of(fields.begin(), fields.end(),
                                                              [](QLineEdit *e) { return e->text().isEmpty(); });
                                      },
                                      10000))
                                  fail(QStringLiteral("the unit did not answer"));
                              shoot();
                          });
    });
    // Lent to the PC, then taken back: the dialog as it opened again.
    QTest::newRow("mgmt-pc-transfer") << Driver([](MainMenu &w, SimBoard &board, TestRoot &) {
        Management *menu = openManagement(w);
        inDialog<QDialog>([&] { press(menu, "butDatatransmission"); },
                          [&](QDialog *d) {
                              shoot(QStringLiteral("mgmt-pc-transfer-mounted"));
                              press(d, "butConnect");
                              if (board.send(QStringLiteral("usb")) != QLatin1String("exported"))
                                  fail(QStringLiteral("the partition was not lent"));
                              shoot(QStringLiteral("mgmt-pc-transfer-lent"));
                              press(d, "butDisconnect");
                              if (board.send(QStringLiteral("usb")) != QLatin1String("mounted"))
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
    QTest::newRow("mgmt-pairing-unit") << Driver([](MainMenu &w, SimBoard &board, TestRoot &) {
        pairUnit(w, board, [&](QDialog *d) {
            shoot(QStringLiteral("mgmt-pairing-unit-idle"));
            QSignalSpy marker(w.getBtSinkInstance(), &Bluetooth::btPairingOk);
            board.send(QStringLiteral("bt ttyO2 send INQUIRY_PARTIAL 00:07:80:00:00:09 280404"));
            // A confirmation nobody asked for, whose arrival is seen.
            board.send(QStringLiteral("bt ttyO2 send PAIR 00:07:80:00:00:09 OK"));
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
    QTest::newRow("mgmt-pairing-debug") << Driver([](MainMenu &w, SimBoard &board, TestRoot &) {
        pairUnit(w, board, [&](QDialog *d) {
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
    QTest::newRow("mgmt-cjk") << Driver([](MainMenu &w, SimBoard &, TestRoot &) {
        shoot(QStringLiteral("mgmt-cjk-main-page"));
        openSettings(w, 1);
        shoot(QStringLiteral("mgmt-cjk-settings-page1"));
    });
}

void TestPicturesMgmt::screens()
{
    QFETCH(Driver, drive);
    MainMenu w;
    w.show();
    // The status bar as on the main page's reference: the unit's data link
    // up as the program sees it (where one is paired), the receiver with its
    // fix.
    if (!unpairedUnit())
        QVERIFY(waitForSinkDataMode(*w.getBtSinkInstance(), *m_board, *m_root));
    QTRY_VERIFY_WITH_TIMEOUT(w.getGpsInstance()->isGpsDataValid(), 10000);
    drive(w, *m_board, *m_root);
    QVERIFY2(s_mismatches.isEmpty(), qPrintable(s_mismatches.join(QLatin1Char('\n'))));
}

SCREEN_PICTURE_MAIN(TestPicturesMgmt)
#include "tst_pictures_mgmt.moc"
