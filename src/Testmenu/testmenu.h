#ifndef TESTMENU_H
#define TESTMENU_H

#include "keydialog.h"

#include <QString>

namespace Ui {
class TestMenu;
}

class TestmenuRemoteCtrl;

// The production test menu: three pages of five buttons, one per hardware
// test, and a column of page-up, home and page-down buttons. An operator
// opens the tests by touch; the factory test station opens them, and closes
// the menu, through the command file "/media/ramdisk/production" that the
// menu's own reader polls. The menu announces itself with "staActiveMenu".
//
// Each test runs modally inside the slot that opened it. The menu's reader
// pauses while a test runs, however it was opened, so that only the test's
// own reader takes the station's commands (the test's "cmdPass" must reach
// the test, and an opening command must not open a second test on top).
//
// The power key's press (F11) closes the menu, as does the home button and
// "cmdFinish"; Escape (the power key's release) does not.
class TestMenu : public KeyDialog
{
    Q_OBJECT
public:
    explicit TestMenu(QWidget *parent = nullptr);
    ~TestMenu() override;

    int currentPage() const { return m_currentPage; }
    TestmenuRemoteCtrl *remote() const { return remoteCtrl; }

public slots:
    // The station's commands: the opening command of a test opens it,
    // "cmdFinish" closes the menu, anything else is "staUnknownCommand".
    void executeCommand(QString command);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void done(int result) override;
    void escapeReleased() override;

private slots:
    void on_butKeyboard_clicked();
    void on_butSensordetection_clicked();
    void on_butBattery_clicked();
    void on_butLed_clicked();
    void on_butDisplay_clicked();
    void on_butUsb_clicked();
    void on_butGps_clicked();
    void on_butInitBt_clicked();
    void on_butSelftest_clicked();
    void on_butAudio_clicked();
    void on_butAudioLoopback_clicked();
    void on_butEnableFlashUpdate_clicked();
    void on_butSdcard_clicked();
    void on_butUartUsbSwitch_clicked();
    void on_butUp_clicked();
    void on_butDown_clicked();
    void on_butCancel_clicked();

private:
    template <class T> void runTest();
    void showPage(int page);

    Ui::TestMenu *ui;
    TestmenuRemoteCtrl *remoteCtrl;
    int m_currentPage = 1;
};

#endif // TESTMENU_H
