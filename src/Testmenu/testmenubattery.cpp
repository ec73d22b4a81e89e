#include "testmenubattery.h"
#include "ui_testmenubattery.h"

#include "gpio.h"
#include "testmenuremotectrl.h"

#include <QDebug>

const char TestmenuBattery::kChargerStatusFile[] = "/sys/class/power_supply/bq24190-battery/status";
const char TestmenuBattery::kCapacityFile[] = "/sys/class/power_supply/bq27426-0/capacity";
const char TestmenuBattery::kVoltageFile[] = "/sys/class/power_supply/bq27426-0/voltage_now";
const char TestmenuBattery::kCurrentFile[] = "/sys/class/power_supply/bq27426-0/current_now";
const char TestmenuBattery::kTemperatureFile[] = "/sys/class/power_supply/bq27426-0/temp";

namespace {

// Up to six significant digits, no trailing zeros: 3.8, 0.0125, 23.5.
QString number(float value)
{
    return QString::number(double(value), 'g', 6);
}

} // namespace

TestmenuBattery::TestmenuBattery(QWidget *parent)
    : ReadingTest(Setup{"cmdTestBattery"}, kAutoreadMs, parent), ui(new Ui::TestmenuBattery)
{
    ui->setupUi(this);
    ui->labelUartUsb->setText(QStringLiteral("UART"));
    updateValues();
}

TestmenuBattery::~TestmenuBattery()
{
    delete ui;
}

void TestmenuBattery::updateValues()
{
    // A file that cannot be opened keeps the value it had; a text that is
    // no number reads 0.
    QString text;
    if (readDriverFile(kChargerStatusFile, &text))
        m_charging = text == QLatin1String("charging");
    if (readDriverFile(kCapacityFile, &text))
        m_battFuelPercent = text.toInt();
    if (readDriverFile(kVoltageFile, &text))
        m_voltage = text.toFloat() / 1000000.0f;
    if (readDriverFile(kCurrentFile, &text))
        m_current = text.toFloat() / 1000000.0f;
    if (readDriverFile(kTemperatureFile, &text))
        m_temperature = text.toFloat() / 10.0f;

    ui->lineEditCapacity->setText(QStringLiteral("%1 %").arg(m_battFuelPercent));
    ui->lineEditCurrent->setText(QStringLiteral("%1 A").arg(number(m_current)));
    // Only "charging" is charging: a full battery shows "Discharging".
    ui->lineEditCharging->setText(m_charging ? QStringLiteral("Charging") : QStringLiteral("Discharging"));
    ui->lineEditVoltage->setText(QStringLiteral("%1 V").arg(number(m_voltage)));
    ui->lineEditTemperature->setText(QStringLiteral("%1 °C").arg(number(m_temperature)));
}

bool TestmenuBattery::executeOwnCommand(const QString &command)
{
    qDebug() << "TestmenuBattery: executeCommand" << command;
    if (command.startsWith(QLatin1String("cmdBatteryRead"))) {
        on_butRead_clicked();
    } else if (command.startsWith(QLatin1String("cmdBatteryAutoread"))) {
        on_butAutoread_clicked();
    } else if (command.startsWith(QLatin1String("cmdBatteryGetVoltage"))) {
        remoteCtrl->writeResult(QStringLiteral("resBatteryVoltage=%1 V").arg(number(m_voltage)));
    } else if (command.startsWith(QLatin1String("cmdBatteryGetCurrent"))) {
        remoteCtrl->writeResult(QStringLiteral("resBatteryCurrent=%1 A").arg(number(m_current)));
    } else if (command.startsWith(QLatin1String("cmdBatteryGetTemperature"))) {
        remoteCtrl->writeResult(QStringLiteral("resBatteryTemperature=%1 C").arg(number(m_temperature)));
    } else if (command.startsWith(QLatin1String("cmdBatteryGetCapacity"))) {
        remoteCtrl->writeResult(QStringLiteral("resBatteryCapacity=%1 %").arg(m_battFuelPercent));
    } else if (command.startsWith(QLatin1String("cmdBatteryGetChargestate"))) {
        remoteCtrl->writeResult(m_charging ? QStringLiteral("resBatteryChargestate=charging")
                                           : QStringLiteral("resBatteryChargestate=discharging"));
    } else {
        return false;
    }
    return true;
}

void TestmenuBattery::on_butRead_clicked()
{
    read();
}

void TestmenuBattery::on_butAutoread_clicked()
{
    autoread();
}

void TestmenuBattery::setUart(bool uart)
{
    Gpio::setValue(50, 0);
    Gpio::setValue(65, uart ? 1 : 0);
    m_modeUart = uart;
    ui->labelUartUsb->setText(uart ? QStringLiteral("UART") : QStringLiteral("USB"));
}

void TestmenuBattery::on_butUartUsb_clicked()
{
    setUart(!m_modeUart);
}

void TestmenuBattery::stopTest()
{
    // The connector is back on the UART whenever the test ends.
    ReadingTest::stopTest();
    setUart(true);
}
