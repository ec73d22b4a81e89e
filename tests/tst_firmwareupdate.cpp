// The instrument's firmware update against the simulated board: the file
// search, the copy into the firmware folder on the dialog's thread, the
// run-mode file and the reboot; files refused, a copy that fails, Cancel and
// the power key during the copy, and lending the partition to copy a file.
#include "debugmessages.h"
#include "eventhandler.h"
#include "firmwareupdate.h"
#include "partitionlending.h"
#include "formwidgets.h"
#include "messagecloser.h"
#include "pairedboard.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <sys/stat.h>

namespace {

QByteArray bytes(int size, char seed)
{
    QByteArray out(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        out[i] = char(seed + i * 7 + i / 251);
    return out;
}

} // namespace

class TestFirmwareupdate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void newestFileCopiedAndRebooted();
    void refusedFileAndFileCopiedFromThePc();
    void failedCancelledAndAbandonedCopies();
    void oddFirmwareFiles_data();
    void oddFirmwareFiles();

private:
    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
    // Answers every message box of a test function and keeps its text: a
    // box no scenario expects shows in the texts compared, and never holds
    // the test in its modal loop.
    std::unique_ptr<MessageCloser> m_messages;
};

void TestFirmwareupdate::initTestCase()
{
    DebugMessages::install();
}

void TestFirmwareupdate::init()
{
    startPairedBoard(&m_root, &m_board);
    DebugMessages::clear();
    m_messages = std::make_unique<MessageCloser>();
}

void TestFirmwareupdate::cleanup()
{
    m_messages.reset();
    m_board.reset();
    m_root.reset();
}

void TestFirmwareupdate::newestFileCopiedAndRebooted()
{
    // The older file has the higher version: the newer file wins. Names
    // match without regard to case; a folder and a hidden file do not count.
    const QByteArray image = bytes(300000, 3);
    QVERIFY(m_root->write("/media/tq3900/FW_TQE3900_V3-0-0.tq3", bytes(5000, 1)));
    QVERIFY(m_root->write("/media/tq3900/fw_tqe3900_v2-0-7.TQ3", image));
    QVERIFY(QDir().mkpath(m_root->local("/media/tq3900/FW_TQE3900_9-9-9.tq3")));
    QVERIFY(m_root->write("/media/tq3900/.FW_TQE3900_8-8-8.tq3", bytes(5000, 1)));
    QFile older(m_root->local("/media/tq3900/FW_TQE3900_V3-0-0.tq3"));
    QVERIFY(older.open(QIODevice::ReadWrite));
    QVERIFY(older.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    older.close();
    QVERIFY(m_root->write("/media/tq3900/settings.ini", "[Systemsettings]\nBrightness=7\n"));
    QVERIFY(m_root->write("/home/root/firmware/settings.ini", QByteArray(4000, 'x')));
    QVERIFY(m_root->write("/media/ramdisk/runmode", "previous run mode"));
    m_root->clearJournals();

    EventHandler filter;
    qApp->installEventFilter(&filter);
    const auto removeFilter = qScopeGuard([&] { qApp->removeEventFilter(&filter); });
    Firmwareupdate dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(page(&dialog), QStringLiteral("pageSelectUnit"));

    child(&dialog, "butUpdateTQ3900")->click();
    QCOMPARE(page(&dialog), QStringLiteral("pageConfirm"));
    QCOMPARE(child<QLabel>(&dialog, "labelConfirmHeadline")->text(), QStringLiteral("UpdateTQE3900"));
    QCOMPARE(child<QLineEdit>(&dialog, "lineEditConfirmCurrentFw")->text(), QStringLiteral("1.9.0"));
    QCOMPARE(child<QLineEdit>(&dialog, "lineEditConfirmNewFw")->text(), QStringLiteral("2.0.7"));
    QCOMPARE(QDir::currentPath(), m_root->local("/media/tq3900"));
    QVERIFY(DebugMessages::all().contains("TQE3900: \"fw_tqe3900_v2-0-7.TQ3\" \"2.0.7\""));

    QList<int> bar;
    connect(child<QProgressBar>(&dialog, "progressBar"), &QProgressBar::valueChanged, this, [&](int v) { bar << v; });
    QElapsedTimer sinceFinal;
    connect(child<QStackedWidget>(&dialog, "mainArea"), &QStackedWidget::currentChanged, this, [&] {
        if (page(&dialog) == QLatin1String("pageFinal"))
            sinceFinal.start();
    });
    child(&dialog, "butAccept")->click();
    QCOMPARE(child<QLabel>(&dialog, "labelProgressHeadline")->text(), QStringLiteral("UpdatingTQE3900"));
    QCOMPARE(child<QLabel>(&dialog, "labelProgressStatus")->text(), QStringLiteral("CopyingFilesPleaseWait"));
    QVERIFY(!child(&dialog, "butMenuCancel")->isVisible());
    QCOMPARE(dialog.findChild<QTimer *>("timerProgress")->interval(), 500);
    QTRY_COMPARE(page(&dialog), QStringLiteral("pageFinal"));
    QCOMPARE(bar.last(), 100);
    QCOMPARE(child<QLabel>(&dialog, "labelFinalHeadline")->text(), QStringLiteral("FirmwareupdateTQE3900"));
    QCOMPARE(child<QLabel>(&dialog, "labelFinalMessage")->text(), QStringLiteral("AllFilesCopiedPleaseWaitForReboot"));
    QVERIFY(!child(&dialog, "butFinalOk")->isVisible());
    QVERIFY(!child(&dialog, "butMenuCancel")->isVisible());

    // An identical copy under the file's own name; the source is gone, the
    // other files stay; the partition's settings file replaced the old one.
    QCOMPARE(m_root->read("/home/root/firmware/fw_tqe3900_v2-0-7.TQ3"), image);
    QVERIFY(!m_root->exists("/media/tq3900/fw_tqe3900_v2-0-7.TQ3"));
    QVERIFY(m_root->exists("/media/tq3900/FW_TQE3900_V3-0-0.tq3"));
    QCOMPARE(m_root->read("/home/root/firmware/settings.ini"), QByteArray("[Systemsettings]\nBrightness=7\n"));
    QCOMPARE(QDir(m_root->local("/home/root/firmware")).entryList(QDir::Files | QDir::Hidden).size(), 2);

    // The final page has no way out: the power key does not close it.
    QTest::keyPress(&dialog, Qt::Key_F1);
    QTest::keyRelease(&dialog, Qt::Key_F1);
    QVERIFY(dialog.isVisible());

    QTRY_VERIFY_WITH_TIMEOUT(m_root->commands().contains("reboot"), 15000);
    const qint64 delay = sinceFinal.elapsed();
    QVERIFY2(delay >= 2800 && delay < 10000, qPrintable(QString::number(delay)));
    QCOMPARE(m_root->commands(), QStringList({"reboot"}));
    QCOMPARE(m_root->read("/media/ramdisk/runmode"), QByteArray("reboot"));
    QVERIFY(DebugMessages::all().contains("Runmode Reboot written"));
}

void TestFirmwareupdate::refusedFileAndFileCopiedFromThePc()
{
    QVERIFY(m_root->write("/media/tq3900/FW_TQE3900_2-0-0.tq3", bytes(1000, 5)));
    // A matching name without a version counts as no file.
    QVERIFY(m_root->write("/media/tq3900/FW_TQE3900_new.tq3", bytes(5000, 5)));
    QVERIFY(QFile::setPermissions(m_root->local("/media/tq3900/FW_TQE3900_new.tq3"), QFileDevice::ReadOwner));
    QFile old(m_root->local("/media/tq3900/FW_TQE3900_new.tq3"));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QVERIFY(old.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
    old.close();
    m_root->clearJournals();

    Firmwareupdate dialog;
    dialog.show();
    child(&dialog, "butUpdateTQ3900")->click();
    child(&dialog, "butAccept")->click();
    // 1000 bytes are no firmware: refused and removed (not through a shell
    // command), nothing copied, no reboot.
    QCOMPARE(page(&dialog), QStringLiteral("pageProgress"));
    QCOMPARE(child<QLabel>(&dialog, "labelProgressStatus")->text(), QStringLiteral("CouldNotReadFirmwarefile"));
    QCOMPARE(child<QProgressBar>(&dialog, "progressBar")->value(), 0);
    QVERIFY(!m_root->exists("/media/tq3900/FW_TQE3900_2-0-0.tq3"));
    QVERIFY(!m_root->exists("/home/root/firmware/FW_TQE3900_2-0-0.tq3"));
    QCOMPARE(child<QLineEdit>(&dialog, "lineEditConfirmNewFw")->text(), QString());
    QCOMPARE(m_root->commands(), QStringList());

    // Now only the file without a version: the connect page, USB mode.
    child(&dialog, "butCancelUpdate")->click();
    child(&dialog, "butCancel")->click();
    QCOMPARE(page(&dialog), QStringLiteral("pageSelectUnit"));
    QVERIFY(m_root->write("/sys/class/gpio/gpio65/value", "1"));
    child(&dialog, "butUpdateTQ3900")->click();
    QCOMPARE(page(&dialog), QStringLiteral("pageConnect"));
    QCOMPARE(m_root->read("/sys/class/gpio/gpio65/value"), QByteArray("0"));
    QCOMPARE(m_root->sysfsWritesTo("/sys/class/gpio/gpio50/value"), QStringList({"0"}));
    QCOMPARE(child<QLabel>(&dialog, "labelConnectMessage")->text(),
             QStringLiteral("ConnectTheTQE3900ToYourPCAndPressTheButtonConnect"));
    QVERIFY(child(&dialog, "butConnect")->isVisible());
    QVERIFY(!child(&dialog, "butDisconnect")->isVisible());

    // An export that fails: told, the partition mounted again, still the
    // connect page with Connect.
    QCOMPARE(m_board->send("usb export fail"), QStringLiteral("ok"));
    const MessageCloser &closer = *m_messages;
    child(&dialog, "butConnect")->click();
    QCOMPARE(closer.texts, QStringList({"Error|TheUsbConnectionCouldNotBeMadeTryAgain"}));
    QCOMPARE(m_board->send("usb"), QStringLiteral("mounted"));
    QVERIFY(child(&dialog, "butConnect")->isVisible());
    QCOMPARE(m_board->send("usb export ok"), QStringLiteral("ok"));
    m_root->clearJournals();

    // Lend the partition, the PC copies a file of 1001 bytes, take it back:
    // the search runs again and offers it.
    child(&dialog, "butConnect")->click();
    QCOMPARE(m_root->commands(),
             QStringList({"umount /media/tq3900",
                          "modprobe g_mass_storage file=/dev/mmcblk0p3 stall=0 removable=y iSerialNumber=1234567890"}));
    QCOMPARE(m_root->commandDirs().first(), QStringLiteral("/home/root"));
    QCOMPARE(child<QLabel>(&dialog, "labelConnectMessage")->text(),
             QStringLiteral("PleaseCopyTheFirmwarefilesPressTheButtonDisconnectIfAllFilesAreCopied"));
    QVERIFY(child(&dialog, "butDisconnect")->isVisible());
    QTemporaryDir pc;
    const QByteArray image = bytes(1001, 9);
    QFile host(pc.filePath("FW_TQE3900_2-0-1.tq3"));
    QVERIFY(host.open(QIODevice::WriteOnly) && host.write(image) == image.size());
    host.close();
    QCOMPARE(m_board->send("usb copy " + host.fileName()), QStringLiteral("ok"));
    QVERIFY(m_board->send("usb list").contains("FW_TQE3900_2-0-1.tq3 1001"));
    m_root->clearJournals();
    child(&dialog, "butDisconnect")->click();
    QCOMPARE(m_root->commands(), QStringList({"modprobe g_mass_storage -r", "mount /dev/mmcblk0p3 /media/tq3900"}));
    QCOMPARE(page(&dialog), QStringLiteral("pageConfirm"));
    QCOMPARE(child<QLineEdit>(&dialog, "lineEditConfirmNewFw")->text(), QStringLiteral("2.0.1"));
    child(&dialog, "butAccept")->click();
    QTRY_COMPARE(page(&dialog), QStringLiteral("pageFinal"));
    QCOMPARE(m_root->read("/home/root/firmware/FW_TQE3900_2-0-1.tq3"), image);
    QCOMPARE(closer.texts.size(), 1);

    // The partition does not mount after the lending (a PC damaged it): the
    // user is told, and no firmware is looked for in the bare mount point
    // (what lies there belongs to the root file system). Connect lends it
    // as it is; once it mounts, leaving takes it back, hiding what lay in
    // the bare mount point.
    Firmwareupdate again;
    again.show();
    child(&again, "butUpdateTQ3900")->click();
    QCOMPARE(page(&again), QStringLiteral("pageConnect"));
    child(&again, "butConnect")->click();
    QCOMPARE(m_board->send("usb"), QStringLiteral("exported"));
    QCOMPARE(m_board->send("usb mount fail"), QStringLiteral("ok"));
    QVERIFY(m_root->write("/media/tq3900/FW_TQE3900_3-0-0.tq3", bytes(5000, 3)));
    m_root->clearJournals();
    child(&again, "butDisconnect")->click();
    QCOMPARE(closer.texts.mid(1), QStringList({"Error|TheDataPartitionCouldNotBeMountedCheckTheCard"}));
    QCOMPARE(m_root->commands(), QStringList({"modprobe g_mass_storage -r", "mount /dev/mmcblk0p3 /media/tq3900"}));
    QCOMPARE(page(&again), QStringLiteral("pageConnect"));
    QCOMPARE(child<QLabel>(&again, "labelConnectMessage")->text(),
             QStringLiteral("ConnectTheTQE3900ToYourPCAndPressTheButtonConnect"));
    QVERIFY(child(&again, "butConnect")->isVisible());
    QVERIFY(!child(&again, "butDisconnect")->isVisible());
    QCOMPARE(child<QLineEdit>(&again, "lineEditConfirmNewFw")->text(), QString());
    m_root->clearJournals();
    child(&again, "butConnect")->click();
    QCOMPARE(closer.texts.size(), 2);
    QCOMPARE(m_root->commands(), QStringList({PartitionLending::kExport}));
    QCOMPARE(m_board->send("usb"), QStringLiteral("exported"));
    QCOMPARE(m_board->send("usb mount ok"), QStringLiteral("ok"));
    child(&again, "butMenuCancel")->click();
    QVERIFY(!again.isVisible());
    QCOMPARE(closer.texts.size(), 2);
    QCOMPARE(m_board->send("usb"), QStringLiteral("mounted"));
    QVERIFY(m_root->exists("/media/tq3900/FW_TQE3900_new.tq3"));
    QVERIFY(!m_root->exists("/media/tq3900/FW_TQE3900_3-0-0.tq3"));
}

void TestFirmwareupdate::failedCancelledAndAbandonedCopies()
{
    const QString source = QStringLiteral("/media/tq3900/FW_TQE3900_2-1-0.tq3");
    QVERIFY(m_root->write(source, bytes(200000, 2)));
    // A file where the firmware folder should be: the copy cannot be made.
    QVERIFY(m_root->write("/home/root/firmware", "not a folder"));
    m_root->clearJournals();
    {
        Firmwareupdate dialog;
        dialog.show();
        child(&dialog, "butUpdateTQ3900")->click();
        child(&dialog, "butAccept")->click();
        QTRY_COMPARE(child<QLabel>(&dialog, "labelProgressStatus")->text(), QStringLiteral("CouldNotCopyFirmwarefile"));
        QCOMPARE(page(&dialog), QStringLiteral("pageProgress"));
        QVERIFY(child(&dialog, "butMenuCancel")->isVisible());
        QCOMPARE(m_root->read(source).size(), 200000);
        child(&dialog, "butMenuCancel")->click();
    }
    QCOMPARE(m_root->commands(), QStringList()); // no reboot
    QVERIFY(QFile::remove(m_root->local("/home/root/firmware")));

    // Cancel during the copy: the copy goes, the source stays, the confirm
    // page stays up (no final page, no reboot).
    QFile big(m_root->local(source));
    QVERIFY(big.open(QIODevice::ReadWrite) && big.resize(64 * 1024 * 1024));
    big.close();
    EventHandler filter;
    qApp->installEventFilter(&filter);
    const auto removeFilter = qScopeGuard([&] { qApp->removeEventFilter(&filter); });
    {
        Firmwareupdate dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        child(&dialog, "butUpdateTQ3900")->click();
        DebugMessages::clear();
        child(&dialog, "butAccept")->click();
        child(&dialog, "butCancelUpdate")->click();
        QCOMPARE(page(&dialog), QStringLiteral("pageConfirm"));
        QCOMPARE(child<QLabel>(&dialog, "labelProgressStatus")->text(), QStringLiteral("FirmwareupdateCancelled"));
        QTRY_VERIFY(DebugMessages::all().filter("Copy in Thread finished").size() == 1);
        QCOMPARE(page(&dialog), QStringLiteral("pageConfirm"));
        QCOMPARE(QDir(m_root->local("/home/root/firmware")).entryList(QDir::Files | QDir::Hidden), QStringList());
        QCOMPARE(QFileInfo(m_root->local(source)).size(), 64 * 1024 * 1024);

        // The power key during the next copy leaves the dialog; its end
        // waits for the copy, which leaves nothing behind.
        child(&dialog, "butAccept")->click();
        QCOMPARE(page(&dialog), QStringLiteral("pageProgress"));
        QTest::keyPress(&dialog, Qt::Key_F1);
        QTest::keyRelease(&dialog, Qt::Key_F1);
        QVERIFY(!dialog.isVisible());
    }
    QCOMPARE(QDir(m_root->local("/home/root/firmware")).entryList(QDir::Files | QDir::Hidden), QStringList());
    QCOMPARE(QFileInfo(m_root->local(source)).size(), 64 * 1024 * 1024);
    QCOMPARE(m_root->commands(), QStringList());
}

// What a PC can leave on the partition: names with blanks and shell
// characters, odd and overlong versions, links and FIFOs (never offered, never
// waited on), many candidates. Files: "<name>|<file, link or fifo>|<age in s>".
void TestFirmwareupdate::oddFirmwareFiles_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("offered"); // empty: the connect page
    QTest::addColumn<QString>("version");

    const QString odd = QStringLiteral("FW_TQE3900_V2-0-0 ;'$(reboot)' \"x\".tq3");
    QTest::newRow("shell characters") << QStringList({odd + "|file|0"}) << odd << "2.0.0";
    QTest::newRow("zeros, a fourth number")
        << QStringList({"FW_TQE3900_01-002-0003-4.tq3|file|0"}) << "FW_TQE3900_01-002-0003-4.tq3" << "01.002.0003";
    const QString longName = "FW_TQE3900_" + QString(200, 'x') + "_7-8-9.tq3";
    QTest::newRow("long name") << QStringList({longName + "|file|0"}) << longName << "7.8.9";
    QTest::newRow("version too long") << QStringList({"FW_TQE3900_" + QString(30, '1') + "-2-3.tq3|file|0"})
                                      << QString() << QString();
    QTest::newRow("two numbers") << QStringList({"FW_TQE3900_1-2.tq3|file|0"}) << QString() << QString();
    QTest::newRow("other digits") << QStringList({QStringLiteral("FW_TQE3900_\u0661-\u0662-\u0663.tq3|file|0")})
                                  << QString() << QString();
    QTest::newRow("newest a link") << QStringList({"FW_TQE3900_1-0-0.tq3|file|60", "FW_TQE3900_9-9-9.tq3|link|0"})
                                   << "FW_TQE3900_1-0-0.tq3" << "1.0.0";
    QTest::newRow("newest a FIFO") << QStringList({"FW_TQE3900_1-0-0.tq3|file|60", "FW_TQE3900_9-9-9.tq3|fifo|0"})
                                   << "FW_TQE3900_1-0-0.tq3" << "1.0.0";
    QTest::newRow("only a link") << QStringList({"FW_TQE3900_9-9-9.tq3|link|0"}) << QString() << QString();
    QStringList many;
    for (int i = 0; i < 400; ++i)
        many << QStringLiteral("FW_TQE3900_%1-0-%2.tq3|file|%3").arg(i % 7).arg(i).arg(100 + (i * 37) % 400);
    many << "fw_tqe3900_0-0-1.TQ3|file|50";
    QTest::newRow("many candidates") << many << "fw_tqe3900_0-0-1.TQ3" << "0.0.1";
}

void TestFirmwareupdate::oddFirmwareFiles()
{
    QFETCH(QStringList, files);
    QFETCH(QString, offered);
    QFETCH(QString, version);
    const QByteArray image = bytes(3000, 4);
    QVERIFY(m_root->write("/home/root/elsewhere.tq3", image));
    const QDateTime now = QDateTime::currentDateTime();
    for (const QString &f : files) {
        const QStringList parts = f.split('|');
        const QString local = m_root->local("/media/tq3900/" + parts[0]);
        if (parts[1] == "link") {
            QVERIFY(QFile::link(m_root->local("/home/root/elsewhere.tq3"), local));
            continue;
        }
        if (parts[1] == "fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(local).constData(), 0600), 0);
            continue;
        }
        QFile file(local);
        QVERIFY2(file.open(QIODevice::WriteOnly) && file.write(image) == image.size() && file.flush(), qPrintable(parts[0]));
        QVERIFY(file.setFileTime(now.addSecs(-parts[2].toInt()), QFileDevice::FileModificationTime));
    }
    m_root->clearJournals();

    Firmwareupdate dialog;
    dialog.show();
    child(&dialog, "butUpdateTQ3900")->click();
    if (offered.isEmpty()) {
        QCOMPARE(page(&dialog), QStringLiteral("pageConnect"));
        return;
    }
    QCOMPARE(page(&dialog), QStringLiteral("pageConfirm"));
    QCOMPARE(child<QLineEdit>(&dialog, "lineEditConfirmNewFw")->text(), version);
    // The file offered is the one copied, under its own name; no shell line.
    child(&dialog, "butAccept")->click();
    QTRY_COMPARE(page(&dialog), QStringLiteral("pageFinal"));
    QCOMPARE(m_root->read("/home/root/firmware/" + offered), image);
    QVERIFY(!m_root->exists("/media/tq3900/" + offered));
    QCOMPARE(m_root->read("/home/root/elsewhere.tq3"), image);
    QCOMPARE(m_root->commands(), QStringList());
}

QTEST_MAIN(TestFirmwareupdate)
#include "tst_firmwareupdate.moc"
