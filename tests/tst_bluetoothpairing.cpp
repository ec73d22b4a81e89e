// The pairing dialog against the simulated modules, driven as the settings
// screen runs it: the links freed for the inquiry, the devices offered after
// the search (class filter, names, at most three), the pairing command, the
// module's confirmation or its silence, cancelling, and what reaches the
// settings file and the links afterwards.
#include "bluetooth.h"
#include "bluetoothpairing.h"
#include "globals.h"
#include "mainmenu.h"
#include "sensorunitlink.h"
#include "settingsbutton.h"
#include "simboard.h"
#include "systemsettings.h"
#include "testpart.h"
#include "testroot.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

const QString kUnit = QString::fromLatin1(SimBoard::kUnitAddress);
const QString kHeadphone = QString::fromLatin1(SimBoard::kHeadphoneAddress);
const QString kOtherUnit = QStringLiteral("02:00:00:39:01:22");

template <typename T>
T *child(QWidget *parent, const char *name)
{
    return parent ? parent->findChild<T *>(QLatin1String(name)) : nullptr;
}

QString labelText(BluetoothPairing *d)
{
    QLabel *label = child<QLabel>(d, "label");
    return label ? label->text() : QString();
}

// The buttons on offer: "<first line> / <second line>" each.
QStringList offered(BluetoothPairing *d)
{
    QStringList out;
    for (const char *name : {"butBtDev_1", "butBtDev_2", "butBtDev_3"}) {
        SettingsButton *b = child<SettingsButton>(d, name);
        if (b && !b->isHidden())
            out << b->getText1() + " / " + b->getText2();
    }
    return out;
}

} // namespace

class TestBluetoothPairing : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pairSensorUnit();
    void pairHeadphone();
    void offerRules_data();
    void offerRules();
    void strayConfirmationCancelAndEscape();

private:
    // Runs the settings screen's pairing for `device` while `drive` works
    // the dialog from inside its event loop; a dialog still open when
    // `drive` ends is rejected, so a failed check cannot hang the test.
    bool runPairing(MainMenu &w, int device, const std::function<void(BluetoothPairing *)> &drive);
    void startWindow();

    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
    std::unique_ptr<MainMenu> m_window;
};

void TestBluetoothPairing::init()
{
    SKIP_OUTSIDE_THIS_PART();
    g_debugFeatures = 0;
    m_root = std::make_unique<TestRoot>();
    QVERIFY(m_root->isValid());
    QVERIFY(m_root->write("/home/root/settings.ini",
                          QStringLiteral("[Bluetooth]\nMicrophone_ID=%1\nMicrophone_Name=Old unit\n"
                                         "Headphone_ID=%2\nHeadphone_Name=Old headset\n")
                              .arg(kUnit, kHeadphone)
                              .toUtf8()));
    m_board = std::make_unique<SimBoard>(m_root->root());
    QVERIFY2(m_board->isRunning(), qPrintable(m_board->error()));
    // The simulated inquiry takes 3 s instead of 5 s.
    QCOMPARE(m_board->send("inquiry time 3000"), QStringLiteral("ok"));
}

void TestBluetoothPairing::cleanup()
{
    m_window.reset();
    m_board.reset();
    m_root.reset();
}

void TestBluetoothPairing::startWindow()
{
    m_window = std::make_unique<MainMenu>();
    QVERIFY(waitForSinkDataMode(*m_window->getBtSinkInstance(), *m_board, *m_root));
    QTRY_VERIFY_WITH_TIMEOUT(m_window->getBtSourceInstance()->isConnectedA2DP(), 3000);
}

bool TestBluetoothPairing::runPairing(MainMenu &w, int device, const std::function<void(BluetoothPairing *)> &drive)
{
    Systemsettings *settings = w.getInstanceSystemsettings();
    QTimer::singleShot(0, settings, [settings, drive] {
        BluetoothPairing *dialog = nullptr;
        QTest::qWaitFor([&] {
            dialog = settings->findChild<BluetoothPairing *>();
            return dialog && dialog->isVisible();
        });
        if (!dialog)
            return;
        drive(dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
    return settings->pairBluetoothDevice(device);
}

void TestBluetoothPairing::pairSensorUnit()
{
    // A second unit in range that does not answer the pairing request and
    // does not tell its name; the headphone is in range as well.
    QCOMPARE(m_board->send("inquiry add " + kOtherUnit + " 280404"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("inquiry pair " + kOtherUnit + " silent"), QStringLiteral("ok"));
    startWindow();
    const int mark = m_board->moduleLines("ttyO2").size();
    const int headphoneMark = m_board->moduleLines("ttyO3").size();
    const QByteArray before = m_root->read("/home/root/settings.ini");

    const bool paired = runPairing(*m_window, 1, [&](BluetoothPairing *d) {
        // The sensor-unit module was freed for the inquiry; the other one
        // was left alone.
        const QStringList freed{"SET CONTROL AUTOCALL", "KILL " + kUnit, "CLOSE 0", "CLOSE 1",
                                "CLOSE 2", "CLOSE 3", "SET CONTROL AUTOCALL"};
        QTRY_COMPARE(m_board->moduleLines("ttyO2").mid(mark), freed);
        QCOMPARE(m_board->moduleLines("ttyO3").size(), headphoneMark);
        QCOMPARE(labelText(d), QStringLiteral("Enable pairing mode\nand press Search-Button."));
        QVERIFY(child<QLabel>(d, "labelPairingInfo")->isVisible());
        QVERIFY(!child<QPushButton>(d, "butInfo")->isVisible());

        child<QPushButton>(d, "butSearch")->click();
        QTRY_COMPARE(m_board->moduleLines("ttyO2").mid(mark + freed.size()), QStringList({"INQUIRY 4 NAME"}));
        QCOMPARE(labelText(d), QStringLiteral("Searching ..."));
        QVERIFY(child<QProgressBar>(d, "prgbSearching")->isVisible());
        QVERIFY(offered(d).isEmpty());
        // The module has answered long before, but the choice comes after
        // the search time: only the two units, the headphone is no choice.
        QTest::qWait(12000);
        QVERIFY(offered(d).isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(labelText(d), QStringLiteral("Select device for pairing."), 4000);
        QCOMPARE(offered(d), QStringList({"GX-4 Sensor 0412 / " + kUnit, "unknown / " + kOtherUnit}));

        // The unit that stays silent: the failure after 10 s, the dialog
        // stays open with its choice.
        // The bar starts again from 0 % of the 10 s wait, from the full
        // bar the search left behind.
        QProgressBar *bar = child<QProgressBar>(d, "prgbSearching");
        QCOMPARE(bar->maximum(), 15000);
        QCOMPARE(bar->value(), 15000);
        child<QPushButton>(d, "butBtDev_2")->click();
        QCOMPARE(labelText(d), QStringLiteral("Pairing device ..."));
        QCOMPARE(bar->maximum(), 10000);
        QCOMPARE(bar->value(), 0);
        QTRY_VERIFY(m_board->moduleLines("ttyO2").endsWith("PAIR " + kOtherUnit));
        QTest::qWait(9000);
        QVERIFY(d->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(labelText(d), QStringLiteral("Pairing not successful. Please try again."), 2000);
        QVERIFY(d->isVisible());
        QCOMPARE(offered(d).size(), 2);

        // The other unit answers: the dialog is accepted. The bar the
        // failed wait left full starts again from 0 %.
        QCOMPARE(bar->value(), 10000);
        child<QPushButton>(d, "butBtDev_1")->click();
        QCOMPARE(bar->value(), 0);
        QTRY_VERIFY(m_board->moduleLines("ttyO2").endsWith("PAIR " + kUnit));
        QTRY_VERIFY_WITH_TIMEOUT(!d->isVisible(), 3000);
        QCOMPARE(d->result(), int(QDialog::Accepted));
        QCOMPARE(d->getBluetoothId(), kUnit);
    });
    QVERIFY(paired);

    // Stored: the unit's address and name, the headphone untouched.
    const QString file = QString::fromUtf8(m_root->read("/home/root/settings.ini"));
    QVERIFY2(file.contains("Microphone_ID=" + kUnit + "\n") && file.contains("Microphone_Name=GX-4 Sensor 0412\n"),
             qPrintable(file));
    QVERIFY(file.contains("Headphone_ID=" + kHeadphone + "\n") && file.contains("Headphone_Name=Old headset\n"));
    QVERIFY(file != QString::fromUtf8(before));
    Systemsettings *settings = m_window->getInstanceSystemsettings();
    QCOMPARE(settings->getBtNameMicrophone(), QStringLiteral("GX-4 Sensor 0412"));
    // The link connects again to the new unit: stream, then data link.
    QVERIFY(waitForSinkDataMode(*m_window->getBtSinkInstance(), *m_board, *m_root));
    QVERIFY(m_board->moduleLines("ttyO2").contains("CALL " + kUnit + " 1101 RFCOMM"));
}

void TestBluetoothPairing::pairHeadphone()
{
    startWindow();
    const int mark = m_board->moduleLines("ttyO3").size();
    const int unitMark = m_board->moduleLines("ttyO2").size();
    const bool paired = runPairing(*m_window, 0, [&](BluetoothPairing *d) {
        QTRY_VERIFY(m_board->moduleLines("ttyO3").mid(mark).contains("KILL " + kHeadphone));
        child<QPushButton>(d, "butSearch")->click();
        QTRY_VERIFY(m_board->moduleLines("ttyO3").endsWith("INQUIRY 4 NAME"));
        QTRY_COMPARE_WITH_TIMEOUT(labelText(d), QStringLiteral("Select device for pairing."), 17000);
        // Only the headset: the unit's class does not fit a headphone.
        QCOMPARE(offered(d), QStringList({"Headset HS-20 / " + kHeadphone}));
        child<QPushButton>(d, "butBtDev_1")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!d->isVisible(), 3000);
    });
    QVERIFY(paired);
    const QString file = QString::fromUtf8(m_root->read("/home/root/settings.ini"));
    QVERIFY2(file.contains("Headphone_ID=" + kHeadphone + "\n") && file.contains("Headphone_Name=Headset HS-20\n"),
             qPrintable(file));
    QVERIFY(file.contains("Microphone_Name=Old unit\n"));
    // The sensor-unit module was left alone; the headphone plays again.
    QVERIFY(m_board->moduleLines("ttyO2").mid(unitMark).filter("KILL").isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(m_window->getBtSourceInstance()->isConnectedA2DP(), 3000);
    QVERIFY(!m_window->getBtSourceInstance()->isConnectedRFCOMM());
}

void TestBluetoothPairing::offerRules_data()
{
    QTest::addColumn<int>("device");
    QTest::addColumn<QStringList>("expected");
    // Classes: 2404 headphone only, 2804 unit only, 2C04 both; a computer
    // (major class 01) with all of these service bits neither; names with an
    // apostrophe or a non-ASCII letter give "unknown"; a line without a
    // class or without an address is skipped; a fourth fitting device is
    // not offered.
    QTest::newRow("sensor unit") << 1
                                 << QStringList({"gx-4 low / 00:07:80:00:00:02", "unknown / 00:07:80:00:00:03",
                                                 "unknown / 00:07:80:00:00:06"});
    QTest::newRow("headphone") << 0
                               << QStringList({"Headset / 00:07:80:00:00:01", "unknown / 00:07:80:00:00:03"});
}

void TestBluetoothPairing::offerRules()
{
    QFETCH(int, device);
    QFETCH(QStringList, expected);
    startWindow();
    BluetoothPairing dialog(m_window->getInstanceSystemsettings());
    dialog.setPairingDevice(device);
    QCOMPARE(dialog.pairingDevice(), device);
    const QStringList lines{
        "INQUIRY_PARTIAL 00:07:80:00:00:01 240404", "inquiry_partial 00:07:80:00:00:02 280404",
        "INQUIRY_PARTIAL 00:07:80:00:00:03 2C0404", "INQUIRY_PARTIAL 00:07:80:00:00:08 2C0104",
        "INQUIRY_PARTIAL 00:07:80:00:00:04",
        "INQUIRY_PARTIAL", "INQUIRY_PARTIAL 00:07:80:00:00:0;KILL 280404",
        "INQUIRY_PARTIAL 00:07:80:00:00:05 28xx04", "INQUIRY_PARTIAL 00:07:80:00:00:06 280404",
        "INQUIRY_PARTIAL 00:07:80:00:00:07 280404", "NAME 00:07:80:00:00:01 \"Headset\"",
        "name 00:07:80:00:00:02 \"gx-4 low\"", "NAME 00:07:80:00:00:03 \"Combo O'Neil\"",
        "NAME 00:07:80:00:00:06 \"\xc3\x9cnit\"", "NAME ERROR 0x104 00:07:80:00:00:07 HCI_ERROR_PAGE_TIMEOUT"};
    for (const QString &line : lines)
        QCOMPARE(m_board->send("bt ttyO2 send " + line), QStringLiteral("ok"));
    QTest::qWait(300);
    dialog.updateBtInfo();
    dialog.analyseReceivedData();
    QCOMPARE(offered(&dialog), expected);
    QCOMPARE(labelText(&dialog), QStringLiteral("Select device for pairing."));

    // Nothing of the wanted kind in range. A unit's line the module sent
    // before this search (an earlier inquiry's) is no device of it; the
    // confirmation nobody asked for behind it marks its arrival.
    QCOMPARE(m_board->send("inquiry clear"), QStringLiteral("ok"));
    QSignalSpy arrived(m_window->getBtSinkInstance(), &Bluetooth::btPairingOk);
    QCOMPARE(m_board->send("bt ttyO2 send INQUIRY_PARTIAL 00:07:80:00:00:09 280404"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("bt ttyO2 send PAIR 00:07:80:00:00:09 OK"), QStringLiteral("ok"));
    QTRY_COMPARE(arrived.count(), 1);
    child<QPushButton>(&dialog, "butSearch")->click();
    QTest::qWait(500);
    dialog.updateBtInfo();
    dialog.analyseReceivedData();
    QCOMPARE(offered(&dialog), QStringList());
    QCOMPARE(labelText(&dialog), QStringLiteral("No devices found."));
}

void TestBluetoothPairing::strayConfirmationCancelAndEscape()
{
    startWindow();
    const QByteArray before = m_root->read("/home/root/settings.ini");
    int mark = m_board->moduleLines("ttyO2").size();
    // A confirmation nobody asked for is no pairing; the Escape press is
    // swallowed, its release cancels.
    bool paired = runPairing(*m_window, 1, [&](BluetoothPairing *d) {
        QCOMPARE(m_board->send("bt ttyO2 send PAIR " + kOtherUnit + " OK"), QStringLiteral("ok"));
        QTest::qWait(600);
        QVERIFY(d->isVisible());
        QTest::keyPress(d, Qt::Key_Escape);
        QTest::qWait(100);
        QVERIFY(d->isVisible());
        QTest::keyRelease(d, Qt::Key_Escape);
        QVERIFY(!d->isVisible());
        QCOMPARE(d->result(), int(QDialog::Rejected));
    });
    QVERIFY(!paired);
    QCOMPARE(m_root->read("/home/root/settings.ini"), before);
    // Cancelled or not, the link is asked to connect again.
    QTRY_VERIFY(m_board->moduleLines("ttyO2").mid(mark).contains("SET CONTROL AUTOCALL 19 500 A2DP"));
    QVERIFY(waitForSinkDataMode(*m_window->getBtSinkInstance(), *m_board, *m_root));

    // Cancel after a search: the same.
    mark = m_board->moduleLines("ttyO3").size();
    paired = runPairing(*m_window, 0, [&](BluetoothPairing *d) {
        child<QPushButton>(d, "butSearch")->click();
        QTest::qWait(200);
        child<QPushButton>(d, "butCancel")->click();
        QVERIFY(!d->isVisible());
    });
    QVERIFY(!paired);
    QCOMPARE(m_root->read("/home/root/settings.ini"), before);
    QTRY_VERIFY(m_board->moduleLines("ttyO3").mid(mark).contains("SET CONTROL AUTOCALL 19 500 A2DP"));
}

QTEST_MAIN(TestBluetoothPairing)
#include "tst_bluetoothpairing.moc"
