#ifndef TESTMENUUARTUSBSWITCH_H
#define TESTMENUUARTUSBSWITCH_H

#include "testdialog.h"

namespace Ui {
class TestmenuUartUsbSwitch;
}

// The UART/USB switch test: the operator or the station switches the service
// connector between its serial terminal (line 65 "1") and the USB device
// port (line 65 "0"), line 50 held at 0, and checks both. It opens in USB
// mode, whatever the menu had set, and offers Pass from the start. The
// verdicts leave the last selected mode in force.
class TestmenuUartUsbSwitch : public TestDialog
{
    Q_OBJECT
public:
    explicit TestmenuUartUsbSwitch(QWidget *parent = nullptr);
    ~TestmenuUartUsbSwitch() override;

protected:
    bool executeOwnCommand(const QString &command) override;

private slots:
    void on_butUart_clicked();
    void on_butUsb_clicked();

private:
    Ui::TestmenuUartUsbSwitch *ui;
};

#endif // TESTMENUUARTUSBSWITCH_H
