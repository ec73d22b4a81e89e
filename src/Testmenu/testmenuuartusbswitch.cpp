#include "testmenuuartusbswitch.h"
#include "ui_testmenuuartusbswitch.h"

#include "gpio.h"

TestmenuUartUsbSwitch::TestmenuUartUsbSwitch(QWidget *parent)
    : TestDialog(Setup{"cmdTestUartUsbSwitch", SwitchLines::Usb, true}, parent), ui(new Ui::TestmenuUartUsbSwitch)
{
    ui->setupUi(this);
    ui->labelState->setText(QStringLiteral("Selected mode: USB"));
}

TestmenuUartUsbSwitch::~TestmenuUartUsbSwitch()
{
    delete ui;
}

// The switch commands write nothing of their own: the reader's "staActive"
// stays in the file.
bool TestmenuUartUsbSwitch::executeOwnCommand(const QString &command)
{
    if (command.startsWith(QLatin1String("cmdUartUsbSwitchUart")))
        on_butUart_clicked();
    else if (command.startsWith(QLatin1String("cmdUartUsbSwitchUsb")))
        on_butUsb_clicked();
    else
        return false;
    return true;
}

// Line 50 first in both directions: the switch changes over only with line
// 65, once 50 is settled.
void TestmenuUartUsbSwitch::on_butUart_clicked()
{
    Gpio::setValue(50, 0);
    Gpio::setValue(65, 1);
    ui->labelState->setText(QStringLiteral("Selected mode: UART"));
}

void TestmenuUartUsbSwitch::on_butUsb_clicked()
{
    Gpio::setValue(50, 0);
    Gpio::setValue(65, 0);
    ui->labelState->setText(QStringLiteral("Selected mode: USB"));
}
