#include "testmenuled.h"
#include "ui_testmenuled.h"

#include "driverhelper.h"
#include "gpio.h"
#include "statusbardata.h"

const char TestmenuLed::kIoLedFile[] = "/sys/class/leds/on_led/brightness";

TestmenuLed::TestmenuLed(QWidget *parent)
    : TestDialog(Setup{"cmdTestLed"}, parent), ui(new Ui::TestmenuLed)
{
    ui->setupUi(this);
    ui->butCHRG_ON->hide();
    ui->butCHRG_OFF->hide();
    ui->labelCHRG_LED->hide();
    // The debug LED shows what the operator set, not the status heartbeat;
    // from the verdict on the heartbeat takes it back.
    Statusbardata::holdDebugLed(true);
}

TestmenuLed::~TestmenuLed()
{
    Statusbardata::holdDebugLed(false);
    delete ui;
}

void TestmenuLed::stopTest()
{
    Statusbardata::holdDebugLed(false);
}

bool TestmenuLed::executeOwnCommand(const QString &command)
{
    static const struct {
        const char *prefix;
        void (TestmenuLed::*action)();
    } commands[] = {
        {"cmdLedIoOn", &TestmenuLed::on_butIO_ON_clicked},
        {"cmdLedIoOff", &TestmenuLed::on_butIO_OFF_clicked},
        {"cmdLedChrgOn", &TestmenuLed::on_butCHRG_ON_clicked},
        {"cmdLedChrgOff", &TestmenuLed::on_butCHRG_OFF_clicked},
        {"cmdLedDbgOn", &TestmenuLed::on_butDBG_ON_clicked},
        {"cmdLedDbgOff", &TestmenuLed::on_butDBG_OFF_clicked},
    };
    for (const auto &c : commands) {
        if (command.startsWith(QLatin1String(c.prefix))) {
            (this->*c.action)();
            return true;
        }
    }
    return false;
}

// A missing LED file is not reported: the operator sees the LED stay dark.
void TestmenuLed::on_butIO_ON_clicked()
{
    DriverHelper::writeFile(kIoLedFile, "255");
    showPass();
}

void TestmenuLed::on_butIO_OFF_clicked()
{
    DriverHelper::writeFile(kIoLedFile, "0");
    showPass();
}

// The board has no switchable charge LED; the row is hidden.
void TestmenuLed::on_butCHRG_ON_clicked()
{
}

void TestmenuLed::on_butCHRG_OFF_clicked()
{
}

void TestmenuLed::on_butDBG_ON_clicked()
{
    Gpio::setValue(115, 1);
    showPass();
}

void TestmenuLed::on_butDBG_OFF_clicked()
{
    Gpio::setValue(115, 0);
    showPass();
}
