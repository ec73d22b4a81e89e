#include "testmenu.h"
#include "ui_testmenu.h"

#include "gpio.h"
#include "testmenuaudio.h"
#include "testmenuaudioloopback.h"
#include "testmenubattery.h"
#include "testmenudisplay.h"
#include "testmenuflashupdate.h"
#include "testmenugps.h"
#include "testmenuinitbluetooth.h"
#include "testmenukeyboard.h"
#include "testmenuled.h"
#include "testmenuremotectrl.h"
#include "testmenusdcard.h"
#include "testmenuselftest.h"
#include "testmenusensordetection.h"
#include "testmenuuartusbswitch.h"
#include "testmenuusb.h"

#include <QDebug>
#include <QKeyEvent>

namespace {

// The station's commands, tried in this order; the first prefix that
// matches acts. "cmdTestUsb" comes after "cmdTestUartUsbSwitch" and
// "cmdTestAudioLoopback" after "cmdTestAudioChannels": no prefix is a
// prefix of another that comes later.
struct StationCommand {
    const char *prefix;
    void (TestMenu::*action)();
};

} // namespace

TestMenu::TestMenu(QWidget *parent)
    : KeyDialog(parent), ui(new Ui::TestMenu)
{
    ui->setupUi(this);
    ui->butUp->setToolTip(tr("PreviousPage"));
    ui->butCancel->setToolTip(tr("Mainmenu"));
    ui->butDown->setToolTip(tr("NextPage"));

    Gpio::setValue(50, 0);
    Gpio::setValue(65, 1);
    // The form leaves the last page shown.
    showPage(1);

    // Tell the station that the menu is there.
    if (!TestmenuRemoteCtrl::writeCommandFile(QString::fromLatin1(TestmenuRemoteCtrl::kCommandFile),
                                              "staActiveMenu\n"))
        qDebug() << "ERROR: Could not open file:" << TestmenuRemoteCtrl::kCommandFile;

    remoteCtrl = new TestmenuRemoteCtrl(this);
    connect(remoteCtrl, &TestmenuRemoteCtrl::sendCommand, this, &TestMenu::executeCommand,
            Qt::UniqueConnection);
}

TestMenu::~TestMenu()
{
    delete remoteCtrl;
    delete ui;
}

void TestMenu::executeCommand(QString command)
{
    static const StationCommand commands[] = {
        {"cmdTestDisplay", &TestMenu::on_butDisplay_clicked},
        {"cmdTestUartUsbSwitch", &TestMenu::on_butUartUsbSwitch_clicked},
        {"cmdTestBluetooth", &TestMenu::on_butInitBt_clicked},
        {"cmdTestBattery", &TestMenu::on_butBattery_clicked},
        {"cmdTestKeyboard", &TestMenu::on_butKeyboard_clicked},
        {"cmdTestSensordetection", &TestMenu::on_butSensordetection_clicked},
        {"cmdTestAudioChannels", &TestMenu::on_butAudio_clicked},
        {"cmdTestAudioLoopback", &TestMenu::on_butAudioLoopback_clicked},
        {"cmdTestLed", &TestMenu::on_butLed_clicked},
        {"cmdTestGps", &TestMenu::on_butGps_clicked},
        {"cmdTestUsb", &TestMenu::on_butUsb_clicked},
        {"cmdTestSelftest", &TestMenu::on_butSelftest_clicked},
        {"cmdTestSdcard", &TestMenu::on_butSdcard_clicked},
        {"cmdFlashUpdate", &TestMenu::on_butEnableFlashUpdate_clicked},
        {"cmdFinish", &TestMenu::on_butCancel_clicked},
    };
    for (const StationCommand &c : commands) {
        if (command.startsWith(QLatin1String(c.prefix))) {
            (this->*c.action)();
            return;
        }
    }
    remoteCtrl->writeResult(QStringLiteral("staUnknownCommand"));
}

template <class T> void TestMenu::runTest()
{
    // The test's own reader alone takes the station's commands while it runs.
    remoteCtrl->pause();
    {
        T test(this);
        test.exec();
    }
    if (isVisible())
        remoteCtrl->resume();
}

void TestMenu::done(int result)
{
    // A closed menu takes no further station commands: a command the station
    // writes afterwards is left for whoever reads the file next.
    remoteCtrl->pause();
    KeyDialog::done(result);
}

void TestMenu::on_butKeyboard_clicked() { runTest<TestmenuKeyboard>(); }
void TestMenu::on_butSensordetection_clicked() { runTest<TestmenuSensordetection>(); }
void TestMenu::on_butBattery_clicked() { runTest<TestmenuBattery>(); }
void TestMenu::on_butLed_clicked() { runTest<TestmenuLed>(); }
void TestMenu::on_butDisplay_clicked() { runTest<TestmenuDisplay>(); }
void TestMenu::on_butUsb_clicked() { runTest<TestmenuUsb>(); }
void TestMenu::on_butGps_clicked() { runTest<TestmenuGps>(); }
void TestMenu::on_butInitBt_clicked() { runTest<TestmenuInitBluetooth>(); }
void TestMenu::on_butSelftest_clicked() { runTest<TestmenuSelftest>(); }
void TestMenu::on_butAudio_clicked() { runTest<TestmenuAudio>(); }
void TestMenu::on_butAudioLoopback_clicked() { runTest<TestMenuAudioLoopback>(); }
void TestMenu::on_butEnableFlashUpdate_clicked() { runTest<TestMenuFlashUpdate>(); }
void TestMenu::on_butSdcard_clicked() { runTest<TestmenuSdcard>(); }
void TestMenu::on_butUartUsbSwitch_clicked() { runTest<TestmenuUartUsbSwitch>(); }

void TestMenu::showPage(int page)
{
    QWidget *pages[] = {ui->test_1, ui->test_2, ui->test_3};
    m_currentPage = page;
    ui->mainArea->setCurrentWidget(pages[page - 1]);
}

void TestMenu::on_butUp_clicked()
{
    showPage(m_currentPage == 1 ? 3 : m_currentPage - 1);
}

void TestMenu::on_butDown_clicked()
{
    showPage(m_currentPage == 3 ? 1 : m_currentPage + 1);
}

void TestMenu::on_butCancel_clicked()
{
    close();
}

void TestMenu::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F11) {
        event->accept();
        close();
        return;
    }
    KeyDialog::keyPressEvent(event);
}

void TestMenu::escapeReleased()
{
    // The power key's release follows its F11; the menu closes on F11 only.
}
