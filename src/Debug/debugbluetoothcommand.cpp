#include "debugbluetoothcommand.h"
#include "ui_debugbluetoothcommand.h"

#include "bluetooth.h"
#include "debuginitbluetooth.h"
#include "gpio.h"
#include "mainmenu.h"
#include "messagedialog.h"
#include "virtualkeyboard.h"

#include <QTimer>

int DebugBluetoothCommand::s_symbolCounter = 0;

DebugBluetoothCommand::DebugBluetoothCommand(QWidget *parent)
    : KeyDialog(parent), ui(new Ui::DebugBluetoothCommand)
{
    ui->setupUi(this);
    if (MainMenu *w = MainMenu::getInstanceMainMenu()) {
        btSource = w->getBtSourceInstance();
        btSink = w->getBtSinkInstance();
    }
    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &DebugBluetoothCommand::updateBtInfo);
    m_timer->start(kRefreshMs);
    showModeFromCarrier();
}

DebugBluetoothCommand::~DebugBluetoothCommand()
{
    m_timer->stop();
    delete ui;
}

void DebugBluetoothCommand::showModeFromCarrier()
{
    // GPIO 59 is the sensor-unit module's carrier detect: high in data mode.
    ui->labelCommunicationMode->setText(Gpio::getValue(59) ? QStringLiteral("Data") : QStringLiteral("Cmd"));
}

void DebugBluetoothCommand::updateBtInfo()
{
    // getData hands out the text once and clears it itself.
    if (btSink) {
        const QString text = btSink->getData();
        if (!text.isEmpty())
            appendColoured(ui->textBtInfo, Qt::black, text);
    }
    if (btSource) {
        const QString text = btSource->getData();
        if (!text.isEmpty())
            appendColoured(ui->textBtInfo, Qt::blue, text);
    }
    toggleButtonSymbol();
    showModeFromCarrier();
}

void DebugBluetoothCommand::toggleButtonSymbol()
{
    static const char *const symbols[] = {"/", "|", "\\", "|"};
    ui->butKeyboard->setText(QString::fromLatin1(symbols[s_symbolCounter]));
    s_symbolCounter = (s_symbolCounter + 1) % 4;
}

void DebugBluetoothCommand::on_butCancel_clicked()
{
    close();
}

void DebugBluetoothCommand::refuseLongCommand(int length)
{
    MessageDialog message(this);
    message.setIcon(1);
    message.setDialogType(0);
    message.setHeadline(QStringLiteral("Command too long"));
    message.setInfotext(QStringLiteral("%1 characters; a module command holds at most %2.")
                            .arg(length)
                            .arg(kMaxCommandLength));
    message.exec();
}

void DebugBluetoothCommand::on_butKeyboard_clicked()
{
    VirtualKeyboard keyboard(this);
    keyboard.setText(QString());
    keyboard.enableSpecialChar(true);
    if (keyboard.exec() != 1) {
        ui->leditCmd->clear();
        return;
    }
    const QString text = keyboard.getText();
    if (!fitsLink(text)) {
        ui->leditCmd->clear();
        refuseLongCommand(text.size());
        return;
    }
    ui->leditCmd->setText(text);
}

void DebugBluetoothCommand::on_butAt_clicked()
{
    ui->leditCmd->setText(QStringLiteral("AT"));
}

void DebugBluetoothCommand::send(Bluetooth *link, const QColor &colour)
{
    const QString command = ui->leditCmd->text();
    if (!fitsLink(command)) {
        refuseLongCommand(command.size());
        return;
    }
    if (!link)
        return;
    ui->textBtInfo->setTextColor(colour);
    link->clearData();
    appendColoured(ui->textBtInfo, colour, command);
    link->sendData(command);
}

void DebugBluetoothCommand::on_butSendSource_clicked()
{
    send(btSource, Qt::darkGreen);
}

void DebugBluetoothCommand::on_butSendSink_clicked()
{
    send(btSink, Qt::red);
}

void DebugBluetoothCommand::on_butClear_clicked()
{
    ui->leditCmd->clear();
    ui->textBtInfo->clear();
}

void DebugBluetoothCommand::on_butCommandMode_clicked()
{
    ui->labelCommunicationMode->setText(QStringLiteral("Cmd"));
    if (btSink)
        btSink->switchBtMode(0);
}

void DebugBluetoothCommand::on_butDataMode_clicked()
{
    ui->labelCommunicationMode->setText(QStringLiteral("Data"));
    if (btSink)
        btSink->switchBtMode(1);
}
