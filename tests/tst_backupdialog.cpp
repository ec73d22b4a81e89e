// The PC data transfer against the simulated board: the service connector,
// lending the data partition (the simulated USB gadget hands it to the PC
// side), the provisioning files a PC leaves there applied when it is taken
// back, leaving without applying, an unmount, an export, a withdrawal or a
// mount again that fails, and provisioning files that cannot or must not be
// applied.
#include "backupdialog.h"
#include "datapartition.h"
#include "commandrunner.h"
#include "debugmessages.h"
#include "eventhandler.h"
#include "formwidgets.h"
#include "logtext.h"
#include "messagecloser.h"
#include "pairedboard.h"
#include "partitionlending.h"

#include <QPushButton>
#include <QtTest>

#include <memory>

#include <sys/stat.h>

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
    void failedExportAndWithdrawal();
    void failedRemountAppliesAndWritesNothing();
    void provisioningKeepsWhatItCannotApply();
    void provisioningRefusesOddFiles_data();
    void provisioningRefusesOddFiles();

private:
    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
    // Answers every message box of a test function and keeps its text: a
    // box no scenario expects shows in the texts compared, and never holds
    // the test in its modal loop.
    std::unique_ptr<MessageCloser> m_messages;
};

void TestBackupDialog::initTestCase()
{
    DebugMessages::install();
    // As the program does: the messages caught are what the log shows.
    LogText::install();
}

void TestBackupDialog::init()
{
    startPairedBoard(&m_root, &m_board);
    DebugMessages::clear();
    m_messages = std::make_unique<MessageCloser>();
}

void TestBackupDialog::cleanup()
{
    m_messages.reset();
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
    QCOMPARE(m_messages->texts, QStringList());
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
        QCOMPARE(m_messages->texts, QStringList()); // the mount's "already mounted" is no failure
    }

    // A file the program holds open on the partition keeps it busy: the
    // simulated board sees the program's open files, as the kernel does.
    {
        QVERIFY(m_root->write("/media/tq3900/meas/clip.wav", "RIFF"));
        QFile held(m_root->local("/media/tq3900/meas/clip.wav"));
        QVERIFY(held.open(QIODevice::ReadOnly));
        BackupDialog dialog;
        dialog.show();
        child(&dialog, "butConnect")->click();
        QCOMPARE(m_messages->texts, QStringList({"Error|TheDataPartitionIsInUseTryAgain"}));
        QCOMPARE(m_board->send("usb"), QStringLiteral("mounted"));
        held.close();
        child(&dialog, "butConnect")->click();
        QCOMPARE(m_board->send("usb"), QStringLiteral("exported"));
        child(&dialog, "butDisconnect")->click();
        QCOMPARE(m_messages->texts.size(), 1);
        QCOMPARE(m_board->send("usb"), QStringLiteral("mounted"));
    }

    // A partition in use cannot be unmounted: it is not exported, the user
    // is told, and the dialog stays "not lent".
    QCOMPARE(m_board->send("usb umount busy"), QStringLiteral("ok"));
    BackupDialog dialog;
    dialog.show();
    m_root->clearJournals();
    child(&dialog, "butConnect")->click();
    QCOMPARE(m_messages->texts, QStringList({"Error|TheDataPartitionIsInUseTryAgain", "Error|TheDataPartitionIsInUseTryAgain"}));
    QCOMPARE(m_root->commands(), QStringList({"umount /media/tq3900"}));
    QCOMPARE(m_board->send("usb"), QStringLiteral("mounted"));
    QVERIFY(child(&dialog, "butConnect")->isVisible());
    QVERIFY(!child(&dialog, "butDisconnect")->isVisible());
    // Once it is free, Connect lends it.
    QCOMPARE(m_board->send("usb umount ok"), QStringLiteral("ok"));
    child(&dialog, "butConnect")->click();
    QCOMPARE(m_board->send("usb"), QStringLiteral("exported"));
    QVERIFY(child(&dialog, "butDisconnect")->isVisible());
    QCOMPARE(m_messages->texts.size(), 2);
}

void TestBackupDialog::failedExportAndWithdrawal()
{
    const QStringList takeBack = {"modprobe g_mass_storage -r", "mount /dev/mmcblk0p3 /media/tq3900"};
    QVERIFY(m_root->write("/media/tq3900/meas/LE_20261207_101010_a/info.ini", "[General]\n"));
    EventHandler filter;
    qApp->installEventFilter(&filter);
    const auto removeFilter = qScopeGuard([&] { qApp->removeEventFilter(&filter); });
    const MessageCloser &closer = *m_messages;

    // The export fails: the partition is mounted again at once, the dialog
    // stays "not lent" and says so, and the menu button leaves.
    QCOMPARE(m_board->send("usb export fail"), QStringLiteral("ok"));
    {
        BackupDialog dialog;
        dialog.show();
        m_root->clearJournals();
        child(&dialog, "butConnect")->click();
        QCOMPARE(closer.texts, QStringList({"Error|TheUsbConnectionCouldNotBeMadeTryAgain"}));
        QCOMPARE(m_root->commands(), QStringList({"umount /media/tq3900", kExport}) + takeBack);
        QCOMPARE(m_board->send("usb"), QStringLiteral("mounted"));
        QVERIFY(m_root->exists("/media/tq3900/meas/LE_20261207_101010_a/info.ini"));
        QVERIFY(child(&dialog, "butConnect")->isVisible());
        QVERIFY(!child(&dialog, "butDisconnect")->isVisible());
        child(&dialog, "butMenuCancel")->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(closer.texts.size(), 1);
    }

    // The withdrawal fails: Disconnect keeps it lent and says so; the power
    // key leaves all the same (told once more) without mounting what the PC
    // holds.
    QCOMPARE(m_board->send("usb export ok"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("usb unexport fail"), QStringLiteral("ok"));
    {
        BackupDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        child(&dialog, "butConnect")->click();
        QCOMPARE(m_board->send("usb"), QStringLiteral("exported"));
        child(&dialog, "butDisconnect")->click();
        QCOMPARE(closer.texts.mid(1), QStringList({"Error|ThePCStillHoldsTheDataPartitionTryAgain"}));
        QVERIFY(child(&dialog, "butDisconnect")->isVisible());
        QTest::keyPress(&dialog, Qt::Key_F1);
        QTest::keyRelease(&dialog, Qt::Key_F1);
        QTRY_VERIFY(!dialog.isVisible());
        QCOMPARE(closer.texts.size(), 3);
        QCOMPARE(m_board->send("usb"), QStringLiteral("exported"));
    }
    // A new dialog knows nothing lent, yet does not mount over the export
    // either; once the PC lets go, leaving takes the partition back.
    for (const bool pcLetsGo : {false, true}) {
        QCOMPARE(m_board->send(pcLetsGo ? "usb unexport ok" : "usb unexport fail"), QStringLiteral("ok"));
        BackupDialog dialog;
        dialog.show();
        m_root->clearJournals();
        child(&dialog, "butMenuCancel")->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(m_root->commands(), pcLetsGo ? takeBack : QStringList(takeBack.mid(0, 1)));
        QCOMPARE(m_board->send("usb"), pcLetsGo ? QStringLiteral("mounted") : QStringLiteral("exported"));
    }
    QCOMPARE(closer.texts.size(), 4);
    QVERIFY(m_root->exists("/media/tq3900/meas/LE_20261207_101010_a/info.ini"));
}

// A PC that damaged or formatted the partition: it does not mount again.
// The bare mount point is no partition: nothing is provisioned from it or
// written there, and the user is told. Once it mounts, the PC's files are
// applied at the next take-back, as ever.
void TestBackupDialog::failedRemountAppliesAndWritesNothing()
{
    const QStringList takeBack = {"modprobe g_mass_storage -r", "mount /dev/mmcblk0p3 /media/tq3900"};
    const MessageCloser &closer = *m_messages;
    BackupDialog dialog;
    dialog.show();
    child(&dialog, "butConnect")->click();
    QCOMPARE(m_board->send("usb"), QStringLiteral("exported"));
    QVERIFY(!DataPartition::isMounted());
    QCOMPARE(m_board->send("usb put do_productionDate 2030-01-01"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("usb put do_universalScript.sh #!/bin/sh\\n"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("usb mount fail"), QStringLiteral("ok"));
    // What the root file system holds under the bare mount point.
    QVERIFY(m_root->write("/media/tq3900/do_universalScript.sh", ""));
    m_root->clearJournals();
    DebugMessages::clear();

    child(&dialog, "butDisconnect")->click();
    QCOMPARE(closer.texts, QStringList({"Error|TheDataPartitionCouldNotBeMountedCheckTheCard"}));
    QCOMPARE(m_root->commands(), takeBack);
    QCOMPARE(m_board->send("usb"), QStringLiteral("unmounted"));
    QVERIFY(!DataPartition::isMounted());
    // Not lent any more: the PC let go.
    QVERIFY(child(&dialog, "butConnect")->isVisible());
    QVERIFY(!child(&dialog, "butDisconnect")->isVisible());
    QCOMPARE(m_root->read("/home/root/productionDate"), QByteArray("2026-01-15"));
    QVERIFY(DebugMessages::all().filter(QRegularExpression("^(New |Executing|File do_)")).isEmpty());
    QCOMPARE(QDir(m_root->local("/media/tq3900")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList({"do_universalScript.sh"}));

    // Leaving tries once more; still failing, the user is told again.
    m_root->clearJournals();
    child(&dialog, "butMenuCancel")->click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(m_root->commands(), takeBack);
    QCOMPARE(closer.texts.size(), 2);
    QCOMPARE(closer.texts.last(), closer.texts.first());

    // Mounting works again: leaving a new dialog takes it back silently, and
    // the PC's files wait on the partition for the next take-back. The mount
    // hides what lay in the bare mount point.
    QCOMPARE(m_board->send("usb mount ok"), QStringLiteral("ok"));
    BackupDialog again;
    again.show();
    child(&again, "butMenuCancel")->click();
    QCOMPARE(closer.texts.size(), 2);
    QCOMPARE(m_board->send("usb"), QStringLiteral("mounted"));
    QVERIFY(DataPartition::isMounted());
    QCOMPARE(m_root->read("/media/tq3900/do_productionDate"), QByteArray("2030-01-01"));
    QCOMPARE(m_root->read("/media/tq3900/do_universalScript.sh"), QByteArray("#!/bin/sh\n"));
}

// What the USB test does: a dialog only constructed, the provisioning step
// alone on the mounted partition. A target that cannot be replaced keeps its
// old content and its provisioning file; the other steps go on.
void TestBackupDialog::provisioningKeepsWhatItCannotApply()
{
    QVERIFY(QFile::remove(m_root->local("/home/root/productionDate")));
    QVERIFY(QDir().mkpath(m_root->local("/home/root/productionDate"))); // no file can replace a folder
    // Control characters from the card: raw in the files, escaped in the
    // log (a terminal showing it would clear its screen).
    QVERIFY(m_root->write("/media/tq3900/do_productionDate", "12\x1b[2J\r\n3"));
    QVERIFY(m_root->write("/media/tq3900/do_serialNumber", "SH\x07ORT\xc2\x9b"));
    QVERIFY(m_root->write("/media/tq3900/do_universalScript.sh", "exit 3\n"));
    m_root->answer("/media/tq3900/do_universalScript.sh", 3);
    m_root->clearJournals();

    BackupDialog dialog;
    dialog.checkForSpecialFiles();
    QCOMPARE(m_root->read("/home/root/serialNumber"), QByteArray("SH\x07ORT\xc2\x9b"));
    QVERIFY(QFileInfo(m_root->local("/home/root/productionDate")).isDir());
    QCOMPARE(m_root->read("/media/tq3900/do_productionDate"), QByteArray("12\x1b[2J\r\n3"));
    QCOMPARE(DebugMessages::all().filter("New ").join('|'),
             QStringLiteral("New Serialnumber = SH\\x07ORT\\x9b|New production date = 12\\x1b[2J\\x0d\\x0a3"));
    QVERIFY(!m_root->exists("/media/tq3900/do_serialNumber"));
    // The failed script is deleted all the same.
    QVERIFY(!m_root->exists("/media/tq3900/do_universalScript.sh"));
    QCOMPARE(m_root->commands(), QStringList({"/media/tq3900/do_universalScript.sh"}));
    QVERIFY(DebugMessages::all().contains("File do_productionDate not applied; kept for the next attempt."));
    QVERIFY(!DebugMessages::all().contains("File do_settings.ini deleted. OK."));
}

// Files on the lent partition that are no provisioning file: each is left
// where it is with a log line, its target untouched, nothing run; the open
// never waits (a FIFO) and nothing is read whole (4 GB). A script stopped at
// its time limit is kept and runs again at the next take-back.
void TestBackupDialog::provisioningRefusesOddFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("log");
    const QString notRegular = QStringLiteral("Provisioning file %1 skipped: not a regular file");
    const QString script = QStringLiteral("do_universalScript.sh");
    QTest::newRow("serial number a link") << "do_serialNumber" << "link" << notRegular.arg("do_serialNumber");
    QTest::newRow("script a link") << script << "link" << notRegular.arg(script);
    QTest::newRow("production date a FIFO") << "do_productionDate" << "fifo" << notRegular.arg("do_productionDate");
    QTest::newRow("settings a folder") << "do_settings.ini" << "folder" << notRegular.arg("do_settings.ini");
    QTest::newRow("serial number empty") << "do_serialNumber" << "empty"
                                         << "Provisioning file do_serialNumber skipped: empty";
    QTest::newRow("settings 4 GB") << "do_settings.ini" << "sparse" << "Provisioning file do_settings.ini skipped: too large";
    QTest::newRow("script 4 GB") << script << "sparse" << "Provisioning file do_universalScript.sh skipped: too large";
    QTest::newRow("script stopped at its limit") << script << "timeout"
                                                 << "Executing universal script stopped after 10 min.";
}

void TestBackupDialog::provisioningRefusesOddFiles()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QString, log);
    const QString boardPath = "/media/tq3900/" + name;
    const QString local = m_root->local(boardPath);
    const QString scriptAnswer = "/.tq3900/answers/" + CommandRunner::answerKey(boardPath);
    // A file of the instrument's own that a link would hand over (or run).
    QVERIFY(m_root->write("/home/root/secret.sh", "secret"));
    if (kind == "link") {
        QVERIFY(QFile::link(m_root->local("/home/root/secret.sh"), local));
    } else if (kind == "fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(local).constData(), 0600), 0);
    } else if (kind == "folder") {
        QVERIFY(QDir().mkpath(local + "/sub"));
    } else if (kind == "sparse") {
        QFile big(local);
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(qint64(4) << 30));
    } else {
        QVERIFY(m_root->write(boardPath, kind == "timeout" ? "sleep 3600\n" : ""));
        if (kind == "timeout")
            QVERIFY(m_root->write(scriptAnswer, "timeout\n"));
    }
    const QStringList targets = {"/home/root/serialNumber", "/home/root/productionDate", "/home/root/settings.ini"};
    QByteArrayList before;
    for (const QString &t : targets)
        before << m_root->read(t);
    const QFileInfo was(local);
    m_root->clearJournals();
    DebugMessages::clear();

    BackupDialog dialog;
    dialog.checkForSpecialFiles();
    QVERIFY2(DebugMessages::all().contains(log), qPrintable(DebugMessages::all().join('\n')));
    for (int i = 0; i < targets.size(); ++i)
        QCOMPARE(m_root->read(targets.at(i)), before.at(i));
    const QFileInfo is(local);
    QVERIFY(is.isSymLink() || is.exists());
    QCOMPARE(is.isSymLink(), was.isSymLink());
    QCOMPARE(is.size(), was.size());
    QCOMPARE(m_root->read("/home/root/secret.sh"), QByteArray("secret"));
    QCOMPARE(m_root->commands(), kind == "timeout" ? QStringList({boardPath}) : QStringList());
    QVERIFY(DebugMessages::all().filter(" deleted.").isEmpty());

    if (kind == "timeout") {
        const QString kept = QStringLiteral("File do_universalScript.sh not applied; kept for the next attempt.");
        const QString deleted = QStringLiteral("File do_universalScript.sh stopped at its limit a second time; it is deleted.");
        QVERIFY(DebugMessages::all().contains(kept));
        QVERIFY(!DebugMessages::all().contains("Executing universal script. Finished."));
        // The PC leaves another script that never ends: its first stop
        // keeps it too.
        QVERIFY(m_root->write(boardPath, "sleep 7200\n"));
        DebugMessages::clear();
        dialog.checkForSpecialFiles();
        QCOMPARE(DebugMessages::all().filter("do_universalScript.sh"), QStringList({kept}));
        QVERIFY(m_root->exists(boardPath));
        // Stopped a second time, it is deleted: no take-back waits for it
        // again.
        DebugMessages::clear();
        dialog.checkForSpecialFiles();
        QCOMPARE(DebugMessages::all().filter("do_universalScript.sh"),
                 QStringList({deleted, "File do_universalScript.sh deleted. OK."}));
        QVERIFY(!m_root->exists(boardPath));
        QCOMPARE(m_root->commands(), QStringList({boardPath, boardPath, boardPath}));
        // The first script again, and this time it ends.
        QVERIFY(m_root->write(boardPath, "sleep 3600\n"));
        QVERIFY(QFile::remove(m_root->local(scriptAnswer)));
        DebugMessages::clear();
        dialog.checkForSpecialFiles();
        QCOMPARE(m_root->commands().size(), 4);
        QVERIFY(DebugMessages::all().contains("Executing universal script. Finished."));
        QVERIFY(DebugMessages::all().contains("File do_universalScript.sh deleted. OK."));
        QVERIFY(!m_root->exists(boardPath));
    }
}

QTEST_MAIN(TestBackupDialog)
#include "tst_backupdialog.moc"
