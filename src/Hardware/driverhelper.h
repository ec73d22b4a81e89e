#ifndef DRIVERHELPER_H
#define DRIVERHELPER_H

// Lowest layer to the board's driver attributes (sysfs files): each call
// opens the file, writes or reads one short value and closes it again.
// Paths are board paths; they are mapped through DeviceRoot. Off the board
// every successful write is also appended as "<path> <value>" to the journal
// "sysfs.log", because a sysfs file only keeps its last value.
class DriverHelper
{
public:
    DriverHelper() = default;

    // Truncates the file and writes the text without terminator. False when
    // the file does not open; a missing file is not created.
    static bool writeFile(const char *path, const char *text);
    static bool writeFile(const char *path, int value);

    // Reads at most size - 1 bytes into buffer and always terminates it with
    // a zero byte (size 0 reads nothing). False when the file does not open.
    static bool readFile(const char *path, char *buffer, unsigned size);
    // Parses one decimal integer. False when the file does not open or holds
    // no number; value is then left unchanged.
    static bool readFile(const char *path, int &value);
};

#endif // DRIVERHELPER_H
