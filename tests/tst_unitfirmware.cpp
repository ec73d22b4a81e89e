// The sensor unit's firmware update against the simulated unit: the
// version query, header, 64-byte packets each after the acknowledgement of
// the one before, the start and the restart; a doubled acknowledgement,
// silence, stray and negative replies, Cancel at the last packet, a
// negative start, the link dropping in each phase, and a unit whose link
// drops across its restart.
#include "bluetooth.h"
#include "debugmessages.h"
#include "debugmenu.h"
#include "firmwareupdate.h"
#include "formwidgets.h"
#include "mainmenu.h"
#include "pairedboard.h"
#include "sensorunitlink.h"
#include "testpart.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QtTest>

#include <memory>

namespace {

QString status(QWidget *w)
{
    return child<QLabel>(w, "labelProgressStatus")->text();
}

QString packet(int number, const QByteArray &image)
{
    const QByteArray data = image.mid(number * 64, 64);
    return QStringLiteral("BT_TX FD %1 %2 ").arg(number, 3, 10, QLatin1Char('0')).arg(data.size(), 3, 10, QLatin1Char('0'))
        + QString::fromLatin1(data.toHex());
}

// The dialog's words as the main window's catalogue gives them.
QString fw(const char *key)
{
    return QCoreApplication::translate("Firmwareupdate", key);
}

const char kNoAnswer[] = "ErrorDuringUpdatePleaseTryAgainNoAnswerReceivedFromBluetoothDevice";

} // namespace

class TestUnitFirmware : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void debugFileWithDoubledAcknowledgement();
    void silenceStrayRepliesCancelAndNegativeStart();
    void linkDropsInEachPhase_data();
    void linkDropsInEachPhase();
    void linkDropsAcrossTheRestart();

private:
    // The firmware lines the unit received, in order.
    QStringList firmwareLines() const { return m_board->unitLines().filter(QRegularExpression("^BT_TX F[HDS]")); }
    bool unitGot(const QString &line, int count = 1);
    void reply(const QString &line) { QCOMPARE(m_board->send("bt ttyO2 send " + line), QStringLiteral("ok")); }

    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
    std::unique_ptr<MainMenu> m_main;
};

void TestUnitFirmware::initTestCase()
{
    DebugMessages::install();
}

void TestUnitFirmware::init()
{
    SKIP_OUTSIDE_THIS_PART();
    startPairedBoard(&m_root, &m_board);
    m_main = std::make_unique<MainMenu>();
    QVERIFY(waitForSinkDataMode(*m_main->getBtSinkInstance(), *m_board, *m_root));
    DebugMessages::clear();
}

void TestUnitFirmware::cleanup()
{
    m_main.reset();
    m_board.reset();
    m_root.reset();
}

bool TestUnitFirmware::unitGot(const QString &line, int count)
{
    if (QTest::qWaitFor([&] { return m_board->unitLines().count(line) >= count; }, 8000))
        return true;
    qWarning() << "unit lines:" << m_board->unitLines();
    return false;
}

void TestUnitFirmware::debugFileWithDoubledAcknowledgement()
{
    {
        DebugMenu menu(m_main.get());
        child(&menu, "butFwTestString")->click();
    }
    const QString file = QStringLiteral("/media/tq3900/FW_GX4_V1-22-33.gx4");
    const QByteArray image = m_root->read(file);
    QCOMPARE(image.size(), 1041);
    QCOMPARE(m_board->send("unit info FW-VERSION 1.4.7"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("unit firmware ack-twice 5"), QStringLiteral("ok"));

    Firmwareupdate dialog(m_main.get());
    dialog.show();
    child(&dialog, "butUpdateGX4")->click();
    QCOMPARE(page(&dialog), QStringLiteral("pageConfirm"));
    QCOMPARE(child<QLabel>(&dialog, "labelConfirmHeadline")->text(), fw("UpdateGX-4"));
    QCOMPARE(child<QLineEdit>(&dialog, "lineEditConfirmNewFw")->text(), QStringLiteral("1.22.33"));
    QCOMPARE(child<QLineEdit>(&dialog, "lineEditConfirmCurrentFw")->text(), QStringLiteral("---"));
    // The unit's version arrives while the page is shown.
    QVERIFY(unitGot("BT_TX P"));
    QTRY_COMPARE(child<QLineEdit>(&dialog, "lineEditConfirmCurrentFw")->text(), QStringLiteral("1.4.7"));

    QList<int> bar;
    connect(child<QProgressBar>(&dialog, "progressBar"), &QProgressBar::valueChanged, this, [&](int v) { bar << v; });
    child(&dialog, "butAccept")->click();
    QCOMPARE(page(&dialog), QStringLiteral("pageProgress"));
    QCOMPARE(status(&dialog), fw("TransmittingFirmwarePleaseWait"));
    QTRY_COMPARE_WITH_TIMEOUT(page(&dialog), QStringLiteral("pageFinal"), 20000);

    // Header, packets 000..015 of 64 bytes and 016 of 17, the start; the
    // doubled acknowledgement of packet 5 sent nothing twice.
    QStringList expected{"BT_TX FH 1041 1.22.33"};
    for (int n = 0; n <= 16; ++n)
        expected << packet(n, image);
    expected << "BT_TX FS";
    QCOMPARE(firmwareLines(), expected);
    QVERIFY(expected.at(17).startsWith("BT_TX FD 016 017 "));
    QCOMPARE(m_root->read("/.tq3900/unit-firmware.bin"), image);
    QList<int> steps;
    for (int n = 1; n <= 17; ++n)
        steps << qMin(64 * n, 1041) * 100 / 1041;
    QCOMPARE(steps.mid(0, 3), QList<int>({6, 12, 18}));
    QCOMPARE(bar.mid(bar.indexOf(6)), steps);
    QCOMPARE(status(&dialog), fw("FirmwareupdateSuccessful"));
    QVERIFY(DebugMessages::all().contains("GX-4: RDY received"));

    QCOMPARE(child<QLabel>(&dialog, "labelFinalHeadline")->text(), fw("FirmwareupdateGX-4"));
    QCOMPARE(child<QLabel>(&dialog, "labelFinalMessage")->text(), fw("FirmwareupdateSuccessfullyFinished."));
    QVERIFY(child(&dialog, "butFinalOk")->isVisible());
    QVERIFY(!m_root->exists(file));
    child(&dialog, "butFinalOk")->click();
    QVERIFY(!dialog.isVisible());

    // The unit runs the new version now.
    Firmwareupdate again(m_main.get());
    child(&again, "butUpdateGX4")->click();
    QCOMPARE(page(&again), QStringLiteral("pageConnect")); // the file is gone
    QTRY_COMPARE(child<QLineEdit>(&again, "lineEditConfirmCurrentFw")->text(), QStringLiteral("1.22.33"));
}

void TestUnitFirmware::silenceStrayRepliesCancelAndNegativeStart()
{
    QByteArray image(1001, Qt::Uninitialized);
    for (int i = 0; i < image.size(); ++i)
        image[i] = char(i * 13 + 1);
    const QString file = QStringLiteral("/media/tq3900/FW_GX4_2-0-0.gx4");
    QVERIFY(m_root->write(file, image));
    // The unit takes the lines and answers nothing; the test answers for it.
    QCOMPARE(m_board->send("unit firmware reply silent"), QStringLiteral("ok"));

    Firmwareupdate dialog(m_main.get());
    dialog.show();
    child(&dialog, "butUpdateGX4")->click();
    QElapsedTimer sinceHeader;
    sinceHeader.start();
    child(&dialog, "butAccept")->click();
    QVERIFY(unitGot("BT_TX FH 1001 2.0.0"));
    // Three seconds of silence: the no-answer text; the transfer waits on.
    QTRY_COMPARE_WITH_TIMEOUT(status(&dialog), fw(kNoAnswer), 10000);
    QVERIFY2(sinceHeader.elapsed() >= 2800, // a coarse timer may fire 5 % early
             qPrintable(QString::number(sinceHeader.elapsed())));
    QCOMPARE(dialog.findChild<QTimer *>("timerCheck")->interval(), 3000);
    reply("BT_RX FH OK");
    QVERIFY(unitGot(packet(0, image)));

    // Stray replies and a negative one send nothing; only the reply to the
    // packet last sent moves on.
    reply("BT_RX FD 007 OK");
    reply("BT_RX FH OK");
    reply("BT_RX FS OK");
    reply("BT_RX FD 000 ERROR");
    for (int n = 0; n < 15; ++n) {
        reply(QStringLiteral("BT_RX FD %1 OK").arg(n, 3, 10, QLatin1Char('0')));
        QVERIFY(unitGot(packet(n + 1, image)));
    }
    QVERIFY(packet(15, image).startsWith("BT_TX FD 015 041 "));
    QCOMPARE(packet(15, image).size(), 17 + 82);
    QStringList expected{"BT_TX FH 1001 2.0.0"};
    for (int n = 0; n <= 15; ++n)
        expected << packet(n, image);
    QCOMPARE(firmwareLines(), expected);

    // Cancel while the last packet is outstanding; its acknowledgement then
    // ends the transfer without the start message.
    child(&dialog, "butCancelUpdate")->click();
    QCOMPARE(page(&dialog), QStringLiteral("pageConfirm"));
    reply("BT_RX FD 015 OK");
    QTRY_VERIFY(DebugMessages::all().contains("Update cancelled."));
    m_main->getBtSinkInstance()->sendData("BT_TX O"); // a marker behind anything sent
    QVERIFY(unitGot("BT_TX O"));
    QCOMPARE(firmwareLines(), expected);
    QVERIFY(m_root->exists(file));

    // Accept starts from the header again; a negative start ends with the
    // error text and keeps the file.
    child(&dialog, "butAccept")->click();
    QVERIFY(unitGot("BT_TX FH 1001 2.0.0", 2));
    reply("BT_RX FH OK");
    for (int n = 0; n <= 15; ++n) {
        QVERIFY(unitGot(packet(n, image), 2));
        reply(QStringLiteral("BT_RX FD %1 OK").arg(n, 3, 10, QLatin1Char('0')));
    }
    QVERIFY(unitGot("BT_TX FS"));
    // The last packet acknowledged twice: one start message.
    reply("BT_RX FD 015 OK");
    m_main->getBtSinkInstance()->sendData("BT_TX O");
    QVERIFY(unitGot("BT_TX O", 2));
    QCOMPARE(m_board->unitLines().count("BT_TX FS"), 1);
    QCOMPARE(dialog.findChild<QTimer *>("timerCheck")->interval(), 15000);
    reply("BT_RX FS ERROR");
    QTRY_COMPARE(status(&dialog), fw("ErrorDuringFirmwareUpdatePleaseTryAgain"));
    QCOMPARE(child<QProgressBar>(&dialog, "progressBar")->value(), 100);
    QVERIFY(!dialog.findChild<QTimer *>("timerCheck")->isActive());
    QCOMPARE(page(&dialog), QStringLiteral("pageProgress"));
    QVERIFY(m_root->exists(file));
}

// The data link drops while the header, a data packet or the start message
// awaits its reply: the no-answer text, nothing sent into the void as if
// delivered, no image taken as whole; back on the air, Cancel and Accept
// send it all again from the header.
void TestUnitFirmware::linkDropsInEachPhase_data()
{
    QTest::addColumn<int>("repliedPackets"); // -1: the header's reply is lost
    QTest::newRow("header") << -1;
    QTest::newRow("data packet 3") << 3;
    QTest::newRow("start") << 16;
}

void TestUnitFirmware::linkDropsInEachPhase()
{
    QFETCH(int, repliedPackets);
    QByteArray image(1001, Qt::Uninitialized);
    for (int i = 0; i < image.size(); ++i)
        image[i] = char(i * 29 + 7);
    QVERIFY(m_root->write("/media/tq3900/FW_GX4_4-0-0.gx4", image));
    QCOMPARE(m_board->send("unit firmware reply silent"), QStringLiteral("ok"));
    Bluetooth *link = m_main->getBtSinkInstance();

    Firmwareupdate dialog(m_main.get());
    dialog.show();
    child(&dialog, "butUpdateGX4")->click();
    child(&dialog, "butAccept")->click();
    QVERIFY(unitGot("BT_TX FH 1001 4.0.0"));
    if (repliedPackets >= 0)
        reply("BT_RX FH OK");
    for (int n = 0; n < repliedPackets; ++n) {
        QVERIFY(unitGot(packet(n, image)));
        reply(QStringLiteral("BT_RX FD %1 OK").arg(n, 3, 10, QLatin1Char('0')));
    }
    QVERIFY(unitGot(repliedPackets < 0 ? "BT_TX FH 1001 4.0.0" : repliedPackets < 16 ? packet(repliedPackets, image) : "BT_TX FS"));
    const int sent = firmwareLines().size();
    QCOMPARE(m_board->send("bt ttyO2 drop rfcomm"), QStringLiteral("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(!link->isConnectedRFCOMM(), 10000);
    // Back on the air at once; the reply stays lost all the same.
    QCOMPARE(m_board->send("bt ttyO2 restore rfcomm"), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(status(&dialog), fw(kNoAnswer), 20000);
    QCOMPARE(page(&dialog), QStringLiteral("pageProgress"));
    QVERIFY(QTest::qWaitFor([&] { return link->isConnectedRFCOMM(); }, 30000));
    // Nothing more went out meanwhile, and the unit holds no image.
    QCOMPARE(firmwareLines().size(), sent);
    QVERIFY(!m_root->exists("/.tq3900/unit-firmware.bin"));
    QCOMPARE(status(&dialog), fw(kNoAnswer));

    QCOMPARE(m_board->send("unit firmware reply ok"), QStringLiteral("ok"));
    child(&dialog, "butCancelUpdate")->click();
    child(&dialog, "butAccept")->click();
    QTRY_COMPARE_WITH_TIMEOUT(page(&dialog), QStringLiteral("pageFinal"), 20000);
    QCOMPARE(firmwareLines().mid(sent).first(), QStringLiteral("BT_TX FH 1001 4.0.0"));
    QCOMPARE(m_root->read("/.tq3900/unit-firmware.bin"), image);
}

void TestUnitFirmware::linkDropsAcrossTheRestart()
{
    // 17 full packets: none empty after them, the start follows packet 016.
    QByteArray image(17 * 64, 'g');
    const QString file = QStringLiteral("/media/tq3900/FW_GX4_3-1-4.gx4");
    QVERIFY(m_root->write(file, image));
    QCOMPARE(m_board->send("unit firmware drop 2500"), QStringLiteral("ok"));
    Bluetooth *link = m_main->getBtSinkInstance();

    Firmwareupdate dialog(m_main.get());
    dialog.show();
    child(&dialog, "butUpdateGX4")->click();
    child(&dialog, "butAccept")->click();
    QTRY_COMPARE_WITH_TIMEOUT(status(&dialog), fw("FirmwareSuccessfulTransmittedPleaseWaitForRestart"), 10000);
    QTimer *restartTick = dialog.findChild<QTimer *>("timerWaitRestart");
    QVERIFY(restartTick->isActive());
    QCOMPARE(restartTick->interval(), 30000);
    QCOMPARE(m_root->read("/.tq3900/unit-firmware.bin"), image);
    QCOMPARE(firmwareLines().size(), 1 + 17 + 1);
    QVERIFY(firmwareLines().at(17).startsWith("BT_TX FD 016 064 "));
    QCOMPARE(firmwareLines().last(), QStringLiteral("BT_TX FS"));

    // The unit went off the air; its RDY was lost. A tick while the link is
    // down: the no-answer text, still waiting.
    QTRY_VERIFY(!link->isConnectedRFCOMM());
    QMetaObject::invokeMethod(&dialog, "checkRestart");
    QCOMPARE(status(&dialog), fw(kNoAnswer));
    QCOMPARE(page(&dialog), QStringLiteral("pageProgress"));
    QVERIFY(restartTick->isActive());

    // Back on the air: the next tick takes the link as the restart.
    QVERIFY(QTest::qWaitFor([&] { return link->isConnectedRFCOMM(); }, 30000));
    QMetaObject::invokeMethod(&dialog, "checkRestart");
    QCOMPARE(page(&dialog), QStringLiteral("pageFinal"));
    QVERIFY(!restartTick->isActive());
    QVERIFY(!DebugMessages::all().contains("GX-4: RDY received"));
    QVERIFY(!m_root->exists(file));
}

QTEST_MAIN(TestUnitFirmware)
#include "tst_unitfirmware.moc"
