// The production tests of the service connector against the simulated
// board: the UART/USB switch test (the switch lines in their order, opened by
// the station from the menu) and the USB test (lending the data partition to
// the simulated PC, the provisioning files it leaves, the verdicts that take
// the partition back).
#include "datapartition.h"
#include "debugmessages.h"
#include "eventhandler.h"
#include "partitionlending.h"
#include "simboard.h"
#include "station.h"
#include "testmenu.h"
#include "testmenuremotectrl.h"
#include "testmenuuartusbswitch.h"
#include "testmenuusb.h"
#include "testroot.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

const char kLine50[] = "/sys/class/gpio/gpio50/value";
const char kLine65[] = "/sys/class/gpio/gpio65/value";

QString modalName()
{
    QWidget *w = QApplication::activeModalWidget();
    return w ? w->objectName() : QString();
}

QString labelText(QWidget *w, const char *name)
{
    auto *l = w ? w->findChild<QLabel *>(QLatin1String(name)) : nullptr;
    return l ? l->text() : QString();
}

// The switch lines' writes, in order, as "<line> <value>".
QStringList lineWrites(const TestRoot &root)
{
    QStringList out;
    for (const QString &w : root.sysfsWrites()) {
        if (w.startsWith(QLatin1String(kLine50)))
            out << QStringLiteral("50 ") + w.section(' ', 1);
        else if (w.startsWith(QLatin1String(kLine65)))
            out << QStringLiteral("65 ") + w.section(' ', 1);
    }
    return out;
}

} // namespace

class TestConnectorTests : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void initTestCase();
    void uartUsbSwitchFromTheStation();
    void usbTestLendsAndProvisions();
    void usbTestVerdictsAndARefusedUnmount();

private:
    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<Station> m_station;
    EventHandler m_filter;
};

void TestConnectorTests::initTestCase()
{
    DebugMessages::install();
}

void TestConnectorTests::init()
{
    m_root = std::make_unique<TestRoot>();
    QVERIFY(m_root->isValid());
    m_station = std::make_unique<Station>(m_root->root());
    qApp->installEventFilter(&m_filter);
}

void TestConnectorTests::cleanup()
{
    qApp->removeEventFilter(&m_filter);
    m_station.reset();
    m_root.reset();
}

// The menu sets UART; the station opens the switch test, which turns to USB
// at once and offers Pass; the switch commands change the lines and the
// label and answer nothing of their own; the last mode outlives the test.
void TestConnectorTests::uartUsbSwitchFromTheStation()
{
    TestMenu menu;
    QCOMPARE(m_root->read(kLine65), QByteArray("1"));
    m_root->clearJournals();
    QWidget *test = nullptr;
    Station &s = *m_station;
    s.then("cmdTestUartUsbSwitch", "staActive")
        .thenDo([&]() {
            test = QApplication::activeModalWidget();
            QCOMPARE(modalName(), QStringLiteral("TestmenuUartUsbSwitch"));
            // 65 first when turning to USB at the opening.
            QCOMPARE(lineWrites(*m_root), QStringList({"65 0", "50 0"}));
            QCOMPARE(labelText(test, "labelState"), QStringLiteral("Selected mode: USB"));
            QCOMPARE(labelText(test, "label"), QStringLiteral("Select between UART or USB\nCommunication mode"));
            QVERIFY(test->findChild<QPushButton *>("butPass")->isVisible());
            m_root->clearJournals();
        })
        .then("cmdUartUsbSwitchUart", "staActive")
        .thenDo([&]() {
            QCOMPARE(lineWrites(*m_root), QStringList({"50 0", "65 1"}));
            QCOMPARE(labelText(test, "labelState"), QStringLiteral("Selected mode: UART"));
            QCOMPARE(s.contents(), QByteArray("staActive\n"));
            // The power key through the key filter leaves the test open.
            shortPowerKeyPress(test);
            QCOMPARE(modalName(), QStringLiteral("TestmenuUartUsbSwitch"));
        })
        .then("cmdUartUsbSwitchUsb\r\n", "staActive")
        .thenDo([&]() {
            QCOMPARE(m_root->read(kLine65), QByteArray("0"));
            QCOMPARE(labelText(test, "labelState"), QStringLiteral("Selected mode: USB"));
            // By touch: back to UART.
            QTest::mouseClick(test->findChild<QPushButton *>("butUart"), Qt::LeftButton);
            QCOMPARE(labelText(test, "labelState"), QStringLiteral("Selected mode: UART"));
            QTest::mouseClick(test->findChild<QPushButton *>("butUsb"), Qt::LeftButton);
            m_root->clearJournals();
        })
        .then("cmdUartUsbSwitch", "staUnknownCommand")
        .then("cmdTestUartUsbSwitch", "staActive")
        .then("cmdPass", "resPassed")
        .thenDo([&]() {
            // The verdict leaves the lines as they were: USB.
            QCOMPARE(modalName(), QStringLiteral("TestMenu"));
            QCOMPARE(lineWrites(*m_root), QStringList());
            QCOMPARE(m_root->read(kLine65), QByteArray("0"));
            QCOMPARE(m_root->read(kLine50), QByteArray("0"));
        })
        .then("cmdFinish", "staActive");
    s.start();
    menu.exec();
    QTRY_VERIFY(s.isDone());
    QVERIFY2(s.succeeded(), qPrintable(s.failure()));
}

namespace {
const QStringList kLend = {DataPartition::kUnmount, PartitionLending::kExport};
const QStringList kTakeBack = {PartitionLending::kUnexport, DataPartition::kMount};

bool visible(QWidget *w, const char *button)
{
    auto *b = w->findChild<QPushButton *>(QLatin1String(button));
    return b && b->isVisible();
}
} // namespace

// Opening writes the information line over the start of an older, longer
// file; the station lends the partition, the PC leaves a serial number,
// Disconnect takes the partition back and applies it; "cmdPass" while lent
// takes it back without applying what the PC left.
void TestConnectorTests::usbTestLendsAndProvisions()
{
    SimBoard board(m_root->root());
    QVERIFY2(board.isRunning(), qPrintable(board.error()));
    const QByteArray older = "An older information file, longer than the line written now: " + QByteArray(40, '.');
    QVERIFY(m_root->write("/media/tq3900/info.txt", older));
    QVERIFY(m_root->write(kLine65, "1"));
    m_root->clearJournals();

    TestmenuUsb test;
    test.show();
    QVERIFY(QTest::qWaitForWindowExposed(&test));
    QCOMPARE(lineWrites(*m_root), QStringList({"50 0", "65 0"}));
    const QByteArray info = m_root->read("/media/tq3900/info.txt");
    QVERIFY(info.startsWith(TestmenuUsb::kInfoLine));
    QCOMPARE(info.size(), older.size());
    QVERIFY(info.endsWith(older.mid(int(qstrlen(TestmenuUsb::kInfoLine)))));
    QVERIFY(visible(&test, "butConnect") && !visible(&test, "butDisconnect") && !visible(&test, "butPass"));
    QCOMPARE(labelText(&test, "label"), QStringLiteral("Connect the TQ3900 to your PC\nand press the button Connect."));
    m_root->clearJournals();

    QCOMPARE(m_station->send("cmdUsbConnect"), QStringLiteral("staActive"));
    QCOMPARE(m_root->commands(), kLend);
    QCOMPARE(m_root->commandDirs(), QStringList({"/home/root", "/home/root"}));
    QVERIFY(test.isLent());
    QVERIFY(!visible(&test, "butConnect") && visible(&test, "butDisconnect") && visible(&test, "butPass"));
    QCOMPARE(board.send("usb put do_serialNumber TQ3900123456789"), QStringLiteral("ok"));
    QVERIFY(board.send("usb list").contains("info.txt"));

    m_root->clearJournals();
    DebugMessages::clear();
    QCOMPARE(m_station->pollNow(test.remote(), "cmdUsbDisconnect"), QStringLiteral("staActive"));
    QCOMPARE(m_root->commands(), kTakeBack);
    QCOMPARE(m_root->read("/home/root/serialNumber"), QByteArray("TQ3900123456789"));
    QVERIFY(!m_root->exists("/media/tq3900/do_serialNumber"));
    QVERIFY(DebugMessages::all().contains("File do_serialNumber deleted. OK."));
    QVERIFY(visible(&test, "butConnect") && !visible(&test, "butDisconnect") && visible(&test, "butPass"));
    QCOMPARE(m_root->read(kLine65), QByteArray("0"));

    // Lent again by touch; the PC leaves a production date; the power key
    // through the key filter leaves the test open.
    QTest::mouseClick(test.findChild<QPushButton *>("butConnect"), Qt::LeftButton);
    QVERIFY(test.isLent());
    QCOMPARE(board.send("usb put do_productionDate 2026-12-07"), QStringLiteral("ok"));
    shortPowerKeyPress(&test);
    QVERIFY(test.isVisible());
    m_root->clearJournals();
    QCOMPARE(m_station->pollNow(test.remote(), "cmdPass"), QStringLiteral("resPassed"));
    QCOMPARE(m_root->commands(), kTakeBack);
    QVERIFY(!test.isLent());
    // Not applied: it waits on the partition for the next take-back.
    QCOMPARE(m_root->read("/media/tq3900/do_productionDate"), QByteArray("2026-12-07"));
    QCOMPARE(m_root->read("/home/root/productionDate"), QByteArray("2026-01-15"));
    QCOMPARE(lineWrites(*m_root), QStringList({"50 0", "65 1"}));
    QVERIFY(!test.isVisible());
}

void TestConnectorTests::usbTestVerdictsAndARefusedUnmount()
{
    SimBoard board(m_root->root());
    QVERIFY2(board.isRunning(), qPrintable(board.error()));
    // A folder where the information file would go is left alone.
    QVERIFY(QDir().mkpath(m_root->local("/media/tq3900/info.txt")));
    {
        TestmenuUsb test;
        test.show();
        QVERIFY(QFileInfo(m_root->local("/media/tq3900/info.txt")).isDir());

        // The partition is busy: nothing is exported, the test stays unlent
        // and says so, and Pass is not offered.
        QCOMPARE(board.send("usb umount busy"), QStringLiteral("ok"));
        m_root->clearJournals();
        QCOMPARE(m_station->pollNow(test.remote(), "cmdUsbConnect"), QStringLiteral("staActive"));
        QCOMPARE(m_root->commands(), QStringList({DataPartition::kUnmount}));
        QVERIFY(!test.isLent());
        QVERIFY(visible(&test, "butConnect") && !visible(&test, "butPass"));
        QVERIFY(labelText(&test, "label").startsWith("The data partition is in use."));

        // Lent and taken back: Pass afterwards runs no command.
        QCOMPARE(board.send("usb umount ok"), QStringLiteral("ok"));
        QCOMPARE(m_station->pollNow(test.remote(), "cmdUsbConnect"), QStringLiteral("staActive"));
        QCOMPARE(labelText(&test, "label"), QStringLiteral("Connect the TQ3900 to your PC\nand press the button Connect."));
        QTest::mouseClick(test.findChild<QPushButton *>("butDisconnect"), Qt::LeftButton);
        QVERIFY(!test.isLent());
        m_root->clearJournals();
        QTest::mouseClick(test.findChild<QPushButton *>("butPass"), Qt::LeftButton);
        QCOMPARE(m_station->contents(), QByteArray("resPassed\n"));
        QCOMPARE(m_root->commands(), QStringList());
        QCOMPARE(m_root->read(kLine65), QByteArray("1"));
    }
    // The PC does not let go at a verdict: no "resPassed", the station reads
    // "resFailed" (also for a Pass by touch), the test stays open on USB and
    // says why; once the PC lets go, the verdict is given.
    {
        TestmenuUsb test;
        test.show();
        QCOMPARE(m_station->pollNow(test.remote(), "cmdUsbConnect"), QStringLiteral("staActive"));
        QCOMPARE(board.send("usb unexport fail"), QStringLiteral("ok"));
        m_root->clearJournals();
        QCOMPARE(m_station->pollNow(test.remote(), "cmdPass"), QStringLiteral("resFailed"));
        QVERIFY(test.isVisible() && test.isLent());
        QCOMPARE(m_root->commands(), QStringList({PartitionLending::kUnexport}));
        QCOMPARE(lineWrites(*m_root), QStringList());
        QCOMPARE(labelText(&test, "label"),
                 QStringLiteral("The PC still holds the data partition.\nPress Disconnect to try again."));
        QVERIFY(m_station->write("staActive\n")); // ignored by the reader
        QTest::mouseClick(test.findChild<QPushButton *>("butPass"), Qt::LeftButton);
        QCOMPARE(m_station->contents(), QByteArray("resFailed\n"));
        QVERIFY(test.isVisible());
        QCOMPARE(board.send("usb"), QStringLiteral("exported"));

        QCOMPARE(board.send("usb unexport ok"), QStringLiteral("ok"));
        m_root->clearJournals();
        QCOMPARE(m_station->pollNow(test.remote(), "cmdPass"), QStringLiteral("resPassed"));
        QVERIFY(!test.isVisible());
        QCOMPARE(m_root->commands(), kTakeBack);
        QCOMPARE(lineWrites(*m_root), QStringList({"50 0", "65 1"}));
        QCOMPARE(board.send("usb"), QStringLiteral("mounted"));
    }

    // The export fails: the partition is mounted again and the test says so.
    {
        TestmenuUsb test;
        test.show();
        QCOMPARE(board.send("usb export fail"), QStringLiteral("ok"));
        m_root->clearJournals();
        QCOMPARE(m_station->pollNow(test.remote(), "cmdUsbConnect"), QStringLiteral("staActive"));
        QCOMPARE(m_root->commands(), kLend + kTakeBack);
        QVERIFY(!test.isLent());
        QVERIFY(labelText(&test, "label").startsWith("The USB connection could not be made."));
        QCOMPARE(board.send("usb"), QStringLiteral("mounted"));
        QCOMPARE(board.send("usb export ok"), QStringLiteral("ok"));
    }

    // The partition does not mount after the lending: nothing is provisioned
    // from the bare mount point and the label says why; Connect lends it as
    // it is (no unmount: it is not mounted here), and the PC's file is
    // applied once it mounts.
    {
        TestmenuUsb test;
        test.show();
        const QByteArray serial = m_root->read("/home/root/serialNumber");
        QCOMPARE(m_station->pollNow(test.remote(), "cmdUsbConnect"), QStringLiteral("staActive"));
        QCOMPARE(board.send("usb put do_serialNumber TQ3900999999"), QStringLiteral("ok"));
        QCOMPARE(board.send("usb mount fail"), QStringLiteral("ok"));
        m_root->clearJournals();
        QCOMPARE(m_station->pollNow(test.remote(), "cmdUsbDisconnect"), QStringLiteral("staActive"));
        QCOMPARE(m_root->commands(), kTakeBack);
        QVERIFY(!test.isLent());
        const QString notMounted = QStringLiteral("The data partition could not be mounted.\nThe card may need checking on a PC.");
        QCOMPARE(labelText(&test, "label"), notMounted);
        QCOMPARE(m_root->read("/home/root/serialNumber"), serial);
        m_root->clearJournals();
        QCOMPARE(m_station->pollNow(test.remote(), "cmdUsbConnect"), QStringLiteral("staActive"));
        QCOMPARE(m_root->commands(), QStringList({PartitionLending::kExport}));
        QVERIFY(test.isLent());
        QCOMPARE(board.send("usb"), QStringLiteral("exported"));
        QCOMPARE(board.send("usb mount ok"), QStringLiteral("ok"));
        m_root->clearJournals();
        QCOMPARE(m_station->pollNow(test.remote(), "cmdUsbDisconnect"), QStringLiteral("staActive"));
        QCOMPARE(m_root->commands(), kTakeBack);
        QCOMPARE(m_root->read("/home/root/serialNumber"), QByteArray("TQ3900999999"));
        QCOMPARE(board.send("usb"), QStringLiteral("mounted"));
    }

    // Back while lent takes the partition back first.
    TestmenuUsb test;
    test.show();
    QCOMPARE(m_station->pollNow(test.remote(), "cmdUsbConnect"), QStringLiteral("staActive"));
    m_root->clearJournals();
    QTest::mouseClick(test.findChild<QPushButton *>("butBack"), Qt::LeftButton);
    QCOMPARE(m_station->contents(), QByteArray("resCanceled\n"));
    QCOMPARE(m_root->commands(), kTakeBack);
    QCOMPARE(lineWrites(*m_root), QStringList({"50 0", "65 1"}));
    QVERIFY(!m_root->exists("/media/tq3900/do_serialNumber"));
}

QTEST_MAIN(TestConnectorTests)
#include "tst_connectortests.moc"
