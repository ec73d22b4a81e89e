// The sensor unit's information page and the management menu around it,
// against the simulated board: the page asks the simulated unit with
// "BT_TX P" and shows what it answers. Observed: the unit's journal of the
// requests it received, the eight fields, the reply timer, the screens the
// menu returns to.
#include "bluetooth.h"
#include "configuration.h"
#include "eventhandler.h"
#include "mainmenu.h"
#include "management.h"
#include "messagedialog.h"
#include "modalaction.h"
#include "sensorunitlink.h"
#include "simboard.h"
#include "statusbardata.h"
#include "testroot.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

const char kName[] = "GX-4 0815";

} // namespace

class TestUnitInformation : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void informationPage();
    void menuAroundTheDialogs();

private:
    int requests() const { return m_board->unitLines().count(QStringLiteral("BT_TX P")); }
    QString screen() const { return m_window->findChild<QStackedWidget *>("mainWidget")->currentWidget()->objectName(); }
    void hardwareKey(Qt::Key key);

    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
    std::unique_ptr<MainMenu> m_window;
};

void TestUnitInformation::init()
{
    m_root = std::make_unique<TestRoot>();
    QVERIFY(m_root->write("/home/root/settings.ini",
                          QStringLiteral("[Bluetooth]\nMicrophone_ID=%1\nMicrophone_Name=%2\nHeadphone_ID=%3\n"
                                         "[Systemsettings]\nSwitchmode=Switch\n")
                              .arg(QLatin1String(SimBoard::kUnitAddress), QLatin1String(kName),
                                   QLatin1String(SimBoard::kHeadphoneAddress))
                              .toUtf8()));
    m_board = std::make_unique<SimBoard>(m_root->root());
    QVERIFY2(m_board->isRunning(), qPrintable(m_board->error()));
}

void TestUnitInformation::cleanup()
{
    m_window.reset();
    m_board.reset();
    m_root.reset();
}

void TestUnitInformation::hardwareKey(Qt::Key key)
{
    QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeModalWidget();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

void TestUnitInformation::informationPage()
{
    for (const char *command : {"unit sensor 2", "unit battery 4100", "unit info MIC-GAIN 0D", "unit info 7 SWITCH",
                                "unit info MUTE_STATE ACTIVE", "unit info FW-VERSION 1.22"})
        QCOMPARE(m_board->send(command), QStringLiteral("ok"));
    QCOMPARE(m_board->send("unit info"),
             QStringLiteral("HW-VERSION 2.1; FW-VERSION 1.22; BATT_VOLTAGE 4100; SENSOR 2; MIC-GAIN 0D; "
                            "MUTE_STATE ACTIVE; BUTTON SWITCH"));
    QVERIFY(m_board->send("unit info 8 x").startsWith("error: "));
    QVERIFY(m_board->send("unit info FOO x").startsWith("error: "));
    m_window = std::make_unique<MainMenu>();
    m_window->show();
    QVERIFY(waitForSinkDataMode(*m_window->getBtSinkInstance(), *m_board, *m_root));

    Configuration page(m_window.get());
    page.show();
    auto field = [&page](const char *name) { return page.findChild<QLineEdit *>(name)->text(); };
    auto *timer = page.findChild<QTimer *>("replyTimer");
    QCOMPARE(timer->interval(), 7000);
    // Name and address at once, the unit's fields once its end marker came.
    QCOMPARE(field("editBtName"), QString(kName));
    QCOMPARE(field("editBtId"), QString(SimBoard::kUnitAddress));
    QTRY_COMPARE(field("editSensorType"), QStringLiteral("R-5"));
    QCOMPARE(field("editGain"), QStringLiteral("0D (2 / 12dB)"));
    QCOMPARE(field("editButtonMode"), QStringLiteral("SWITCH (ACTIVE)"));
    QCOMPARE(field("editFirmwareVersion"), QStringLiteral("V 1.22"));
    QCOMPARE(field("editHardwareVersion"), QStringLiteral("V 2.1"));
    QCOMPARE(StatusbarData()->batteryMicrophone(), 100);
    QCOMPARE(field("editBatteryState"), QStringLiteral("4100 mV (100 %)"));
    QVERIFY(!timer->isActive());
    QCOMPARE(requests(), 1);

    // An end marker after the answer was read: the button field is built
    // afresh, the mute state shows once.
    // (The page's slot was connected before the spy: it has run once the
    // spy counts.)
    QSignalSpy marker(m_window->getBtSinkInstance(), &Bluetooth::terminationStringDetected);
    QCOMPARE(m_board->send("bt ttyO2 send BT_RX MUTE_STATE ACTIVE"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("bt ttyO2 send !$!"), QStringLiteral("ok"));
    QTRY_COMPARE(marker.count(), 1);
    QCOMPARE(field("editButtonMode"), QStringLiteral("SWITCH (ACTIVE)"));
    QCOMPARE(field("editSensorType"), QStringLiteral("R-5"));

    // Reload: the unit's fields cleared at once, asked once more; codes
    // outside the tables, a line the unit leaves out stays empty.
    for (const char *command : {"unit sensor 7", "unit info MIC-GAIN 0B", "unit info HW-VERSION -"})
        QCOMPARE(m_board->send(command), QStringLiteral("ok"));
    QTest::mouseClick(page.findChild<QPushButton *>("butReadAgain"), Qt::LeftButton);
    for (const char *name : {"editSensorType", "editGain", "editButtonMode", "editFirmwareVersion",
                             "editHardwareVersion", "editBatteryState"})
        QVERIFY2(field(name).isEmpty(), name);
    QCOMPARE(field("editBtName"), QString(kName));
    QVERIFY(timer->isActive());
    QTRY_COMPARE(field("editGain"), QStringLiteral("0B (?)"));
    QCOMPARE(field("editSensorType"), QCoreApplication::translate("Configuration", "unknown"));
    QCOMPARE(field("editHardwareVersion"), QString());
    QCOMPARE(field("editFirmwareVersion"), QStringLiteral("V 1.22"));
    QCOMPARE(requests(), 2);
    // Rows between those: sensor code 1, gain 11.
    for (const char *command : {"unit sensor 1", "unit info MIC-GAIN 11"})
        QCOMPARE(m_board->send(command), QStringLiteral("ok"));
    QTest::mouseClick(page.findChild<QPushButton *>("butReadAgain"), Qt::LeftButton);
    QTRY_COMPARE(field("editGain"), QStringLiteral("11 (4 / 24dB)"));
    QCOMPARE(field("editSensorType"), QStringLiteral("K-5"));

    // A unit that ignores the request: after 7 s only name and address, no
    // message.
    QCOMPARE(m_board->send("unit ignore P"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("unit ignore"), QStringLiteral("P"));
    QElapsedTimer waited;
    waited.start();
    QTest::mouseClick(page.findChild<QPushButton *>("butReadAgain"), Qt::LeftButton);
    QTRY_COMPARE(requests(), 4);
    QTRY_VERIFY_WITH_TIMEOUT(!timer->isActive(), 60000);
    QVERIFY2(waited.elapsed() >= 6990, qPrintable(QString::number(waited.elapsed())));
    for (const char *name : {"editSensorType", "editGain", "editButtonMode", "editFirmwareVersion",
                             "editHardwareVersion", "editBatteryState"})
        QVERIFY2(field(name).isEmpty(), name);
    QCOMPARE(field("editBtId"), QString(SimBoard::kUnitAddress));
    QVERIFY(!QApplication::activeModalWidget());
    for (QWidget *top : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<MessageDialog *>(top) || !top->isVisible());
    // An answer whose end marker is lost: shown when the wait ends.
    QTest::mouseClick(page.findChild<QPushButton *>("butReadAgain"), Qt::LeftButton);
    QTRY_COMPARE(requests(), 5);
    QCOMPARE(m_board->send("bt ttyO2 send BT_RX FW-VERSION 1.23"), QStringLiteral("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(!timer->isActive(), 60000);
    QCOMPARE(field("editFirmwareVersion"), QStringLiteral("V 1.23"));
    QCOMPARE(m_board->send("unit ignore none"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("unit ignore"), QStringLiteral("none"));
}

// The menu: the information page closed in either way leads to the main
// page, the firmware and PC dialogs back to the menu.
void TestUnitInformation::menuAroundTheDialogs()
{
    m_window = std::make_unique<MainMenu>();
    m_window->show();
    QVERIFY(waitForSinkDataMode(*m_window->getBtSinkInstance(), *m_board, *m_root));
    Management *menu = nullptr;
    auto openMenu = [&] {
        m_window->displayWidget(0, 0, 0);
        QTest::mouseClick(m_window->findChild<QPushButton *>("butManagement"), Qt::LeftButton);
        QCOMPARE(screen(), QStringLiteral("Management"));
        menu = m_window->managementScreen();
    };
    auto press = [&](const char *name) { QTest::mouseClick(menu->findChild<QPushButton *>(name), Qt::LeftButton); };

    openMenu();
    QCOMPARE(menu->findChild<QPushButton *>("butDeviceConfig")->text(), QCoreApplication::translate("Management", "GX-4"));
    int before = requests();
    {
        ModalAction<Configuration> back([](Configuration *d) {
            QTRY_VERIFY(!d->findChild<QLineEdit *>("editSensorType")->text().isEmpty());
            d->findChild<QPushButton *>("butMenuBack")->click();
        });
        press("butDeviceConfig");
        QCOMPARE(back.count(), 1);
    }
    QCOMPARE(screen(), QStringLiteral("mainPage"));
    QCOMPARE(requests(), before + 1);
    QVERIFY(!menu->findChild<Configuration *>());

    // The power key through the key filter: its release closes the page.
    EventHandler filter;
    qApp->installEventFilter(&filter);
    openMenu();
    {
        ModalAction<Configuration> power([this](Configuration *) { hardwareKey(Qt::Key_F1); });
        press("butDeviceConfig");
        QCOMPARE(power.count(), 1);
    }
    QCOMPARE(screen(), QStringLiteral("mainPage"));
    qApp->removeEventFilter(&filter);

    for (const char *name : {"butFirmwareupdate", "butDatatransmission"}) {
        openMenu();
        ModalAction<QDialog> close([](QDialog *d) { d->reject(); });
        press(name);
        QCOMPARE(close.count(), 1);
        QCOMPARE(screen(), QStringLiteral("Management"));
    }
}

QTEST_MAIN(TestUnitInformation)
#include "tst_unitinformation.moc"
