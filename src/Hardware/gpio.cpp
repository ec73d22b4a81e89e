#include "gpio.h"
#include "driverhelper.h"

#include <QDebug>
#include <cstdio>

namespace {
void linePath(char *out, size_t size, unsigned line, const char *attribute)
{
    std::snprintf(out, size, "/sys/class/gpio/gpio%u/%s", line, attribute);
}

void setupLine(unsigned line, int direction, int value = -1, bool exportFirst = true)
{
    if (exportFirst)
        Gpio::exportLine(line);
    Gpio::setDirection(line, direction);
    if (value >= 0)
        Gpio::setValue(line, value);
}
} // namespace

void Gpio::init()
{
    qDebug() << "Init GPIO-Pins";
    setupLine(58, DIRECTION_OUT, 0);   // Bluetooth module control line
    setupLine(59, DIRECTION_IN);       // Bluetooth module status (carrier)
    setupLine(114, DIRECTION_OUT, 1);
    setupLine(96, DIRECTION_OUT, 1);
    setupLine(54, DIRECTION_OUT, 1);
    setupLine(48, DIRECTION_IN);       // wired-sensor detection
    DriverHelper::writeFile("/sys/class/pwm/pwmchip1/export", "0");
    setupLine(113, DIRECTION_OUT, 0, false); // never exported by us
    setupLine(65, DIRECTION_OUT, 0);   // service connector: 0 USB, 1 UART
    setupLine(50, DIRECTION_OUT, 0);
    setupLine(17, DIRECTION_OUT, 1);   // audio-path enable
    setupLine(115, DIRECTION_OUT, 0);  // debug LED
    setupLine(16, DIRECTION_OUT, 1);   // GPS receiver power
}

void Gpio::exportLine(unsigned line)
{
    DriverHelper::writeFile("/sys/class/gpio/export", static_cast<int>(line));
}

void Gpio::setDirection(unsigned line, int direction)
{
    char path[64];
    linePath(path, sizeof path, line, "direction");
    DriverHelper::writeFile(path, direction == DIRECTION_IN ? "in" : "out");
}

void Gpio::setValue(unsigned line, int value)
{
    char path[64];
    linePath(path, sizeof path, line, "value");
    DriverHelper::writeFile(path, value ? "1" : "0");
}

bool Gpio::getValue(unsigned line)
{
    char path[64];
    linePath(path, sizeof path, line, "value");
    char c[2] = {0, 0};
    if (!DriverHelper::readFile(path, c, sizeof c))
        return false;
    return c[0] != '\0' && c[0] != '0';
}
