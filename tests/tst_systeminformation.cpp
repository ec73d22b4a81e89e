// The system-information dialog against the simulated board: firmware,
// hardware revision, serial number, operating system and battery as the
// board's files and the scripted "df -Th" tell them, the two module
// addresses asked from the simulated Bluetooth modules, and the hidden
// debug-features unlock through the virtual keyboard, its stored outcome and
// the main page's debug buttons.
#include "bluetooth.h"
#include "globals.h"
#include "mainmenu.h"
#include "sensorunitlink.h"
#include "simboard.h"
#include "systeminformation.h"
#include "testroot.h"
#include "virtualkeyboard.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

#include <memory>

namespace {

const char kSettings[] = "/home/root/settings.ini";
const char kBufferEnable[] = "/sys/bus/iio/devices/iio:device0/buffer/enable";

QString field(QWidget *dialog, const char *edit)
{
    auto *e = dialog->findChild<QLineEdit *>(QLatin1String(edit));
    return e ? e->text() : QStringLiteral("no edit ") + QLatin1String(edit);
}

QPushButton *button(QWidget *parent, const QString &name)
{
    auto *b = parent->findChild<QPushButton *>(name);
    if (!b)
        qWarning() << "no button" << name;
    return b;
}

// When the dialog opens the virtual keyboard, presses the given keys on it
// ("K", "Shift", "Accept", ...) and notes what it held before the last key.
struct KeyboardHand
{
    int opened = 0;
    QString typed;

    void pressWhenOpen(const QStringList &keys)
    {
        QTimer::singleShot(50, [this, keys] {
            auto *keyboard = qobject_cast<VirtualKeyboard *>(QApplication::activeModalWidget());
            if (!keyboard)
                return;
            ++opened;
            for (int i = 0; i < keys.size(); ++i) {
                if (i == keys.size() - 1)
                    typed = keyboard->getText();
                if (QPushButton *key = button(keyboard, QStringLiteral("but_") + keys.at(i)))
                    QTest::mouseClick(key, Qt::LeftButton);
            }
            // Never hang on a keyboard the keys did not close.
            QTimer::singleShot(2000, keyboard, [keyboard] { keyboard->done(-1); });
        });
    }
};

} // namespace

class TestSysteminformation : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void identityFromTheBoard_data();
    void identityFromTheBoard();
    void moduleAddressesArriveByPolling_data();
    void moduleAddressesArriveByPolling();
    void hiddenUnlock_data();
    void hiddenUnlock();

private:
    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
    std::unique_ptr<MainMenu> m_window;
};

void TestSysteminformation::init()
{
    g_debugFeatures = 0;
    m_root = std::make_unique<TestRoot>();
    QVERIFY(m_root->isValid());
}

void TestSysteminformation::cleanup()
{
    m_window.reset();
    m_board.reset();
    m_root.reset();
    g_debugFeatures = 0;
}

// ---------------------------------------------------------------------------
// What the board tells

void TestSysteminformation::identityFromTheBoard_data()
{
    QTest::addColumn<QStringList>("control");   // simulator commands
    QTest::addColumn<QStringList>("removed");   // board files taken away
    QTest::addColumn<QByteArray>("serialFile"); // written as is, when not null
    QTest::addColumn<QByteArray>("bspFile");
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<QString>("hardware");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("battery");

    QTest::newRow("the simulated board") << QStringList{} << QStringList{} << QByteArray() << QByteArray()
                                         << "V 1.9.0 (S)" << "V 1" << "TQ3900000001" << "V 1.0.3"
                                         << "3.95 V (87 %)";
    QTest::newRow("flash, inputs at their bounds")
        << QStringList{"identity rootfs flash", "identity hwrev 1001 1399", "battery 78 3912"} << QStringList{}
        << QByteArray() << QByteArray() << "V 1.9.0 (F)" << "V 1" << "TQ3900000001" << "V 1.0.3" << "3.912 V (78 %)";
    QTest::newRow("unknown root, input 4 below") << QStringList{"identity rootfs none", "identity hwrev 1000 1200"}
                                                 << QStringList{} << QByteArray() << QByteArray() << "V 1.9.0 ()"
                                                 << "unknown" << "TQ3900000001" << "V 1.0.3" << "3.95 V (87 %)";
    QTest::newRow("input 5 above, long serial, release candidate")
        << QStringList{"identity hwrev 1200 1400", "identity serial ABCDEFGHIJKLMNOP",
                       "identity bsp Yocto BSP V2.4.1-rc build 7"}
        << QStringList{} << QByteArray() << QByteArray() << "V 1.9.0 (S)" << "unknown" << "ABCDEFGHIJKL" << "V 2.4.1"
        << "3.95 V (87 %)";
    QTest::newRow("serial with blanks and a zero byte, BSP without digits")
        << QStringList{"battery 100 4200"} << QStringList{} << QByteArray(" SN-42\0XYZW  ", 13)
        << QByteArray("BSP V\n") << "V 1.9.0 (S)" << "V 1" << "SN-42" << "V" << "4.2 V (100 %)";
    QTest::newRow("files missing") << QStringList{}
                                   << QStringList{"/home/root/serialNumber", "/home/root/bspinfo",
                                                  "/sys/class/power_supply/bq27426-0/capacity",
                                                  "/sys/class/power_supply/bq27426-0/voltage_now",
                                                  "/sys/bus/iio/devices/iio:device0/in_voltage5_raw"}
                                   << QByteArray() << QByteArray() << "V 1.9.0 (S)" << "unknown" << "unknown"
                                   << "unknown" << "0 V (0 %)";
    QTest::newRow("BSP file names no version") << QStringList{"identity bsp BSP 1.0 simulated"} << QStringList{}
                                               << QByteArray() << QByteArray() << "V 1.9.0 (S)" << "V 1"
                                               << "TQ3900000001" << "unknown" << "3.95 V (87 %)";
}

void TestSysteminformation::identityFromTheBoard()
{
    QFETCH(QStringList, control);
    QFETCH(QStringList, removed);
    QFETCH(QByteArray, serialFile);
    QFETCH(QByteArray, bspFile);
    QFETCH(QString, firmware);
    QFETCH(QString, hardware);
    QFETCH(QString, serial);
    QFETCH(QString, system);
    QFETCH(QString, battery);

    m_board = std::make_unique<SimBoard>(m_root->root());
    QVERIFY2(m_board->isRunning(), qPrintable(m_board->error()));
    for (const QString &command : control)
        QCOMPARE(m_board->send(command), QStringLiteral("ok"));
    QVERIFY(m_board->send(QStringLiteral("identity hwrev 4096 1200")).startsWith(QLatin1String("error: usage")));
    QVERIFY(m_board->send(QStringLiteral("identity rootfs nfs")).startsWith(QLatin1String("error: usage")));
    for (const QString &path : removed)
        QVERIFY(QFile::remove(m_root->local(path)));
    if (!serialFile.isNull())
        QVERIFY(m_root->write(QStringLiteral("/home/root/serialNumber"), serialFile));
    if (!bspFile.isNull())
        QVERIFY(m_root->write(QStringLiteral("/home/root/bspinfo"), bspFile));
    m_root->write(kBufferEnable, "1"); // a capture running

    Systeminformation dialog;
    dialog.init();
    QCOMPARE(field(&dialog, "editFirmwareversion"), firmware);
    QCOMPARE(field(&dialog, "editHardwareversion"), hardware);
    QCOMPARE(field(&dialog, "editSerialnumber"), serial);
    QCOMPARE(field(&dialog, "editOperatingSystem"), system);
    QCOMPARE(field(&dialog, "editBattery"), battery);
    QCOMPARE(m_root->commands(), QStringList{QStringLiteral("df -Th")});
    // The revision inputs are read with the buffered capture stopped.
    QCOMPARE(m_root->sysfsWritesTo(kBufferEnable), QStringList{QStringLiteral("0")});
}

// ---------------------------------------------------------------------------
// Module addresses

void TestSysteminformation::moduleAddressesArriveByPolling_data()
{
    QTest::addColumn<bool>("paired");
    QTest::addColumn<QString>("slowPort"); // the module that answers 6 s late
    QTest::newRow("modules in command mode") << false << QString();
    QTest::newRow("sensor unit linked: the request waits for command mode") << true << QString();
    QTest::newRow("slow sensor-unit module: unknown until it answers") << false << "ttyO2";
    QTest::newRow("slow headphone module: unknown until it answers") << false << "ttyO3";
}

void TestSysteminformation::moduleAddressesArriveByPolling()
{
    QFETCH(bool, paired);
    QFETCH(QString, slowPort);
    const int slowMs = slowPort.isEmpty() ? 0 : 6000;
    if (paired)
        QVERIFY(m_root->write(kSettings, QStringLiteral("[Bluetooth]\nMicrophone_ID=%1\nHeadphone_ID=%2\n")
                                             .arg(SimBoard::kUnitAddress, SimBoard::kHeadphoneAddress)
                                             .toUtf8()));
    m_board = std::make_unique<SimBoard>(m_root->root());
    QVERIFY2(m_board->isRunning(), qPrintable(m_board->error()));
    m_window = std::make_unique<MainMenu>();
    if (paired)
        QVERIFY(waitForSinkDataMode(*m_window->getBtSinkInstance(), *m_board, *m_root));
    QVERIFY(m_window->getBtSinkInstance()->getBtIdModul().isEmpty());
    QVERIFY(m_window->getBtSourceInstance()->getBtIdModul().isEmpty());
    if (slowMs)
        QCOMPARE(m_board->send(QStringLiteral("bt %1 slow %2").arg(slowPort).arg(slowMs)), QStringLiteral("ok"));

    Systeminformation dialog;
    dialog.init();
    const QString unknown = QCoreApplication::translate("Systeminformation", "unknown");
    QCOMPARE(unknown, QStringLiteral("unknown"));
    QCOMPARE(field(&dialog, "editBluetoothIdRx"), unknown);
    QCOMPARE(field(&dialog, "editBluetoothIdTx"), unknown);
    auto *poll = dialog.findChild<QTimer *>();
    QVERIFY(poll && poll->isActive());
    if (slowMs) {
        // The poll has shown the other module's address; the slow one has
        // not answered yet, and its field says so.
        const bool sinkSlow = slowPort == QLatin1String("ttyO2");
        const char *slowField = sinkSlow ? "editBluetoothIdRx" : "editBluetoothIdTx";
        const char *otherField = sinkSlow ? "editBluetoothIdTx" : "editBluetoothIdRx";
        QTRY_COMPARE_WITH_TIMEOUT(field(&dialog, otherField),
                                  sinkSlow ? QStringLiteral("02:00:00:39:00:03") : QStringLiteral("02:00:00:39:00:02"),
                                  8000);
        Bluetooth *slow = sinkSlow ? m_window->getBtSinkInstance() : m_window->getBtSourceInstance();
        QVERIFY(slow->getBtIdModul().isEmpty());
        QCOMPARE(field(&dialog, slowField), unknown);
    }

    QTRY_COMPARE_WITH_TIMEOUT(field(&dialog, "editBluetoothIdRx"), QStringLiteral("02:00:00:39:00:02"),
                              8000 + 2 * slowMs);
    QTRY_COMPARE_WITH_TIMEOUT(field(&dialog, "editBluetoothIdTx"), QStringLiteral("02:00:00:39:00:03"),
                              8000 + 2 * slowMs);
    QTRY_VERIFY(!poll->isActive());

    // Asked once on each module; in command mode the sensor-unit module
    // hears it first.
    QTime asked[2];
    int n = 0;
    for (const char *port : {"ttyO2", "ttyO3"}) {
        int count = 0;
        for (const auto &line : m_board->moduleLog(QLatin1String(port)))
            if (line.second == QLatin1String("SET BT BDADDR")) {
                asked[n] = line.first;
                ++count;
            }
        QCOMPARE(count, 1);
        ++n;
    }
    if (!paired)
        QVERIFY(asked[0] <= asked[1]);
}

// ---------------------------------------------------------------------------
// Debug-features unlock

void TestSysteminformation::hiddenUnlock_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("presses");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("keyboards");
    QTest::addColumn<int>("after");

    QTest::newRow("third press, code in capitals") << 0 << 3 << QStringList{"K", "Shift", "Q", "V", "Accept"} << "KQV"
                                                   << 1 << 1;
    QTest::newRow("two presses are silent") << 0 << 2 << QStringList{"K", "Q", "V", "Accept"} << "" << 0 << 0;
    QTest::newRow("wrong code") << 0 << 3 << QStringList{"K", "Q", "W", "Accept"} << "Kqw" << 1 << 0;
    QTest::newRow("unlocked: first press, Enter takes the code") << 1 << 1 << QStringList{"K", "Q", "V", "Enter"}
                                                                  << "Kqv" << 1 << 1;
    QTest::newRow("unlocked: keyboard closed locks") << 1 << 1 << QStringList{"K", "Q", "V", "Close"} << "Kqv" << 1
                                                     << 0;
    QTest::newRow("unlocked: empty code locks") << 1 << 1 << QStringList{"Accept"} << "" << 1 << 0;
}

void TestSysteminformation::hiddenUnlock()
{
    QFETCH(int, before);
    QFETCH(int, presses);
    QFETCH(QStringList, keys);
    QFETCH(QString, typed);
    QFETCH(int, keyboards);
    QFETCH(int, after);

    QVERIFY(m_root->write(kSettings, QStringLiteral("[Debug]\nDebugfeatures=%1\n").arg(before).toUtf8()));
    m_window = std::make_unique<MainMenu>();
    QCOMPARE(g_debugFeatures, before);
    const QByteArray fileBefore = m_root->read(kSettings);

    Systeminformation dialog;
    dialog.init();
    dialog.show();
    QPushButton *hidden = button(&dialog, QStringLiteral("butDebugFeatures"));
    QCOMPARE(hidden->text(), before == 1 ? QStringLiteral("Debug Enabled") : QString());

    KeyboardHand hand;
    for (int i = 0; i < presses; ++i) {
        hand.pressWhenOpen(keys);
        QTest::mouseClick(hidden, Qt::LeftButton);
        QTest::qWait(100); // a keyboard that did not open leaves the hand idle
    }
    QCOMPARE(hand.opened, keyboards);
    QCOMPARE(hand.typed, typed);
    QCOMPARE(g_debugFeatures, after);
    QCOMPARE(hidden->text(), after == 1 ? QStringLiteral("Debug Enabled") : QString());
    if (keyboards == 0) {
        QCOMPARE(m_root->read(kSettings), fileBefore);
    } else {
        QSettings stored(m_root->local(kSettings), QSettings::IniFormat);
        QCOMPARE(stored.value(QStringLiteral("Debug/Debugfeatures")).toString(), QString::number(after));
    }

    // Back on the main page, the debug and test buttons follow.
    m_window->displayWidget(0, 0, 0);
    QCOMPARE(button(m_window.get(), QStringLiteral("butDebugMenu"))->isHidden(), after != 1);
    QCOMPARE(button(m_window.get(), QStringLiteral("butTestMenu"))->isHidden(), after != 1);
}

QTEST_MAIN(TestSysteminformation)
#include "tst_systeminformation.moc"
