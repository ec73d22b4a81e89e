#ifndef GPIO_H
#define GPIO_H

// Access to the board's control lines through the sysfs GPIO files. A line is
// named by its kernel number; nothing is cached, every call opens and closes
// its file. A missing line is skipped silently (getValue then reads false).
class Gpio
{
public:
    enum Direction { DIRECTION_IN = 0, DIRECTION_OUT = 1 };

    // Claims every line the instrument uses, with direction and start value.
    static void init();
    static void exportLine(unsigned line);
    static void setDirection(unsigned line, int direction);
    static void setValue(unsigned line, int value);
    static bool getValue(unsigned line);
};

#endif // GPIO_H
