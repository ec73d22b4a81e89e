// The PC data transfer against the simulated board: the service connector,
// lending the data partition (the simulated USB gadget hands it to the PC
// side), the provisioning files a PC leaves there applied when it is taken
// back, leaving without applying, an unmount that fails, and provisioning
// that cannot replace its target.
#include "backupdialog.h"
#include "debugmessages.h"
#include "eventhandler.h"
#include "formwidgets.h"
#include "messagecloser.h"
#include "pairedboard.h"

#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

const QString kExport = QStringLiteral(
    "modprobe g_mass_storage file=/dev/mmcblk0p3 stall=0 removable=y iSerialNumber=1234567890");

} // namespace

class TestBackupDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void lendProvisionAndTakeBack();
    void leavingAppliesNothingAndBusyPartitionIsNotLent();
    void provisioningKeepsWhatItCannotApply();

private:
    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
};

void TestBackupDialog::initTestCase()
{
    DebugMessages::install();
}

void TestBackupDialog::init()
{
    startPairedBoard(&m_root, &m_board);
    DebugMessages::clear();
}

void TestBackupDialog::cleanup()
{
    m_board.reset();
    m_root.reset();
}

void TestBackupDialog::lendProvisionAndTakeBack()
{
    QVERIFY(m_root->write("/media/tq3900/meas/LE_20261207_101010_a/info.ini", "[General]\n"));
    QVERIFY(m_root->write("/home/root/settings.ini", QByteArray(5000, '#')));
    QVERIFY(m_root->write("/sys/class/gpio/gpio65/value", "1"));
    m_root->clearJournals();
    // The browser left the working directory inside the partition.
    QVERIFY(QDir::setCurrent(m_root->local("/media/tq3900/meas")));

    BackupDialog dialog;
    // The service connector is switched to USB by the construction alone.
    QCOMPARE(m_root->sysfsWrites(), QStringList({"/sys/class/gpio/gpio50/value 0", "/sys/class/gpio/gpio65/value 0"}));
    dialog.show();
    QVERIFY(child(&dialog, "butConnect")->isVisible());
    QVERIFY(!child(&dialog, "butDisconnect")->isVisible());
    QCOMPARE(m_board->send("usb list"), QStringLiteral("error: the partition is not exported to the PC (mounted)"));

    child(&dialog, "butConnect")->click();
    QCOMPARE(m_root->commands(), QStringList({"umount /media/tq3900", kExport}));
    QCOMPARE(m_root->commandDirs(), QStringList({"/home/root", "/home/root"}));
    QCOMPARE(QDir::currentPath(), m_root->local("/home/root"));
    QVERIFY(!child(&dialog, "butConnect")->isVisible());
    QVERIFY(child(&dialog, "butDisconnect")->isVisible());
    // The PC has the partition, the instrument sees the bare mount point.
    QCOMPARE(m_board->send("usb"), QStringLiteral("exported"));
    QVERIFY(QDir(m_root->local("/media/tq3900")).isEmpty());
    QCOMPARE(m_board->send("usb list"), QStringLiteral("meas/\nmeas/LE_20261207_101010_a/\nmeas/LE_20261207_101010_a/info.ini 10"));

    // The PC leaves the four provisioning files (and the serial number is
    // longer than the 12 bytes shown).
    QCOMPARE(m_board->send("usb put do_serialNumber TQ3900000777-extra\\x00\\x01"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("usb put do_productionDate 2026-12-07"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("usb put do_settings.ini [Systemsettings]\\nSwitchmode=Switch\\n"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("usb put do_universalScript.sh #!/bin/sh\\ntouch /home/root/x\\n"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("usb put ../escape x"), QStringLiteral("error: ../escape is no name inside the partition"));

    m_root->clearJournals();
    DebugMessages::clear();
    child(&dialog, "butDisconnect")->click();
    QCOMPARE(m_root->commands(), QStringList({"modprobe g_mass_storage -r", "mount /dev/mmcblk0p3 /media/tq3900",
                                              "/media/tq3900/do_universalScript.sh"}));
    QCOMPARE(m_board->send("usb"), QStringLiteral("mounted"));
    QVERIFY(child(&dialog, "butConnect")->isVisible());
    QVERIFY(!child(&dialog, "butDisconnect")->isVisible());
    QCOMPARE(m_root->read("/home/root/serialNumber"), QByteArray("TQ3900000777-extra\0\x01", 20));
    QCOMPARE(m_root->read("/home/root/productionDate"), QByteArray("2026-12-07"));
    QCOMPARE(m_root->read("/home/root/settings.ini"), QByteArray("[Systemsettings]\nSwitchmode=Switch\n"));
    QCOMPARE(DebugMessages::all().filter("New ").join('|'),
             QStringLiteral("New Serialnumber = TQ3900000777|New production date = 2026-12-07"));
    // The four steps in order, each file deleted afterwards.
    const QStringList steps = DebugMessages::all().filter(QRegularExpression("^(New |Updating|Executing|File do_)"));
    QCOMPARE(steps, QStringList({"New Serialnumber = TQ3900000777", "File do_serialNumber deleted. OK.",
                                 "New production date = 2026-12-07", "File do_productionDate deleted. OK.",
                                 "Updating systemsettings.", "File do_settings.ini deleted. OK.",
                                 "Executing universal script ...", "Executing universal script. Finished.",
                                 "File do_universalScript.sh deleted. OK."}));
    QCOMPARE(QDir(m_root->local("/media/tq3900")).entryList(QDir::Files), QStringList());
    QVERIFY(m_root->exists("/media/tq3900/meas/LE_20261207_101010_a/info.ini"));
    QVERIFY(dialog.isVisible());
    // Nothing lent any more: the temporary copies are gone too.
    QCOMPARE(QDir(m_root->local("/home/root")).entryList({"*.ini*", "serialNumber*", "productionDate*"}, QDir::Files),
             QStringList({"productionDate", "serialNumber", "settings.ini"}));
}

void TestBackupDialog::leavingAppliesNothingAndBusyPartitionIsNotLent()
{
    EventHandler filter;
    qApp->installEventFilter(&filter);
    const auto removeFilter = qScopeGuard([&] { qApp->removeEventFilter(&filter); });
    m_root->clearJournals();
    {
        BackupDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        child(&dialog, "butConnect")->click();
        QCOMPARE(m_board->send("usb put do_productionDate 2030-01-01"), QStringLiteral("ok"));
        m_root->clearJournals();
        // The power key's short press (F11 press, Escape release through the
        // key filter) leaves as the menu button: taken back, nothing applied.
        QTest::keyPress(&dialog, Qt::Key_F1);
        QVERIFY(dialog.isVisible());
        QTest::keyRelease(&dialog, Qt::Key_F1);
        QTRY_VERIFY(!dialog.isVisible());
        QCOMPARE(m_root->commands(), QStringList({"modprobe g_mass_storage -r", "mount /dev/mmcblk0p3 /media/tq3900"}));
        QCOMPARE(m_root->read("/media/tq3900/do_productionDate"), QByteArray("2030-01-01"));
        QCOMPARE(m_root->read("/home/root/productionDate"), QByteArray("2026-01-15"));
    }

    // Leaving without having lent runs both commands all the same; the
    // simulated board refuses both (nothing exported, already mounted).
    {
        BackupDialog dialog;
        dialog.show();
        m_root->clearJournals();
        child(&dialog, "butMenuCancel")->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(m_root->commands(), QStringList({"modprobe g_mass_storage -r", "mount /dev/mmcblk0p3 /media/tq3900"}));
        QCOMPARE(m_board->send("usb"), QStringLiteral("mounted"));
    }

    // A partition in use cannot be unmounted: it is not exported, the user
    // is told, and the dialog stays "not lent".
    QCOMPARE(m_board->send("usb umount busy"), QStringLiteral("ok"));
    BackupDialog dialog;
    dialog.show();
    m_root->clearJournals();
    MessageCloser closer;
    child(&dialog, "butConnect")->click();
    QCOMPARE(closer.texts, QStringList({"Error|TheDataPartitionIsInUseTryAgain"}));
    QCOMPARE(m_root->commands(), QStringList({"umount /media/tq3900"}));
    QCOMPARE(m_board->send("usb"), QStringLiteral("mounted"));
    QVERIFY(child(&dialog, "butConnect")->isVisible());
    QVERIFY(!child(&dialog, "butDisconnect")->isVisible());
    // Once it is free, Connect lends it.
    QCOMPARE(m_board->send("usb umount ok"), QStringLiteral("ok"));
    child(&dialog, "butConnect")->click();
    QCOMPARE(m_board->send("usb"), QStringLiteral("exported"));
    QVERIFY(child(&dialog, "butDisconnect")->isVisible());
}

// What the USB test does: a dialog only constructed, the provisioning step
// alone on the mounted partition. A target that cannot be replaced keeps its
// old content and its provisioning file; the other steps go on.
void TestBackupDialog::provisioningKeepsWhatItCannotApply()
{
    QVERIFY(QFile::remove(m_root->local("/home/root/productionDate")));
    QVERIFY(QDir().mkpath(m_root->local("/home/root/productionDate"))); // no file can replace a folder
    QVERIFY(m_root->write("/media/tq3900/do_productionDate", "2031-02-03"));
    QVERIFY(m_root->write("/media/tq3900/do_serialNumber", "SHORT"));
    QVERIFY(m_root->write("/media/tq3900/do_universalScript.sh", "exit 3\n"));
    m_root->answer("/media/tq3900/do_universalScript.sh", 3);
    m_root->clearJournals();

    BackupDialog dialog;
    dialog.checkForSpecialFiles();
    QCOMPARE(m_root->read("/home/root/serialNumber"), QByteArray("SHORT"));
    QVERIFY(QFileInfo(m_root->local("/home/root/productionDate")).isDir());
    QCOMPARE(m_root->read("/media/tq3900/do_productionDate"), QByteArray("2031-02-03"));
    QVERIFY(!m_root->exists("/media/tq3900/do_serialNumber"));
    // The failed script is deleted all the same.
    QVERIFY(!m_root->exists("/media/tq3900/do_universalScript.sh"));
    QCOMPARE(m_root->commands(), QStringList({"/media/tq3900/do_universalScript.sh"}));
    QVERIFY(DebugMessages::all().contains("File do_productionDate not applied; kept for the next attempt."));
    QVERIFY(!DebugMessages::all().contains("File do_settings.ini deleted. OK."));
}

QTEST_MAIN(TestBackupDialog)
#include "tst_backupdialog.moc"
