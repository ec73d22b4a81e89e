#include "devicetree.h"

#include "boardidentity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Sim {

bool writeBoardFile(const QString &root, const QString &boardPath, const QByteArray &content)
{
    const QString local = root + boardPath;
    if (!QDir().mkpath(QFileInfo(local).path()))
        return false;
    QFile f(local);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(content) == content.size();
}

QByteArray readBoardFile(const QString &root, const QString &boardPath)
{
    QFile f(root + boardPath);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

bool appendBoardFile(const QString &root, const QString &boardPath, const QByteArray &content)
{
    const QString local = root + boardPath;
    if (!QDir().mkpath(QFileInfo(local).path()))
        return false;
    QFile f(local);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    return f.write(content) == content.size();
}

namespace {
const char kPowerOnDirection[] = "in";

// Line 48 reads 0: no wired sensor plugged in. Line 16 (GPS receiver power)
// comes up on, as the board powers the receiver at boot.
QByteArray powerOnValue(unsigned line)
{
    return line == 16 ? "1" : "0";
}

bool ensureFile(const QString &root, const QString &boardPath, const QByteArray &content)
{
    if (QFileInfo::exists(root + boardPath))
        return true;
    return writeBoardFile(root, boardPath, content);
}
} // namespace

QByteArray mountTable(bool dataPartitionMounted)
{
    QByteArray table = "/dev/root / ext4 rw,relatime 0 0\n"
                       "proc /proc proc rw,relatime 0 0\n"
                       "tmpfs /media/ramdisk tmpfs rw,relatime 0 0\n";
    if (dataPartitionMounted)
        table += "/dev/mmcblk0p3 /media/tq3900 vfat rw,relatime,fmask=0022,dmask=0022,codepage=437,"
                 "iocharset=iso8859-1,shortname=mixed,errors=remount-ro 0 0\n";
    return table;
}

bool layoutDeviceTree(const QString &root)
{
    if (!QDir().mkpath(root))
        return false;
    bool ok = true;
    for (const char *dir : {"/home/root/meas/wav_temp", "/media/tq3900", "/media/tq3900/meas", "/media/ramdisk",
                            "/media/boot", "/var/lib/alsa", "/dev", "/usr/lib/fonts",
                            "/home/root/fonts", "/.tq3900"})
        ok = QDir().mkpath(root + QLatin1String(dir)) && ok;

    ok = ensureFile(root, "/proc/mounts", mountTable(true)) && ok;
    ok = ensureFile(root, "/sys/class/gpio/export", "") && ok;
    ok = ensureFile(root, "/sys/class/gpio/unexport", "") && ok;
    for (unsigned line : kGpioLines) {
        const QString base = QStringLiteral("/sys/class/gpio/gpio%1/").arg(line);
        ok = ensureFile(root, base + "direction", kPowerOnDirection) && ok;
        ok = ensureFile(root, base + "value", powerOnValue(line)) && ok;
    }
    ok = ensureFile(root, "/sys/class/pwm/pwmchip1/export", "") && ok;
    for (const char *f : {"period", "duty_cycle", "enable"})
        ok = ensureFile(root, QStringLiteral("/sys/class/pwm/pwmchip1/pwm0/") + f, "0") && ok;
    ok = ensureFile(root, "/sys/class/backlight/backlight/brightness", "6") && ok;
    // The codec driver's register file (the program writes "<reg> <value>").
    ok = ensureFile(root, "/sys/bus/i2c/devices/1-0018/registers", "") && ok;
    ok = ensureFile(root, "/sys/class/leds/on_led/brightness", "0") && ok;

    const QString gauge = "/sys/class/power_supply/bq27426-0/";
    ok = ensureFile(root, gauge + "capacity", "87\n") && ok;
    ok = ensureFile(root, gauge + "voltage_now", "3950000\n") && ok;
    ok = ensureFile(root, gauge + "current_now", "-120000\n") && ok;
    ok = ensureFile(root, gauge + "temp", "251\n") && ok;
    ok = ensureFile(root, gauge + "status", "Discharging\n") && ok;
    const QString charger = "/sys/class/power_supply/bq24190-battery/";
    ok = ensureFile(root, charger + "status", "Discharging\n") && ok;
    // The chips' names as their drivers give them; written every time, so
    // that a root laid out before carries them too.
    ok = writeBoardFile(root, gauge + "device/name", "bq27426\n") && ok;
    ok = writeBoardFile(root, charger + "device/name", "bq24190\n") && ok;

    const QString iio = "/sys/bus/iio/devices/iio:device0/";
    ok = ensureFile(root, iio + "buffer/enable", "0") && ok;
    ok = ensureFile(root, iio + "buffer/length", "2") && ok;
    ok = ensureFile(root, iio + "scan_elements/in_voltage0_en", "0") && ok;
    for (const char *ch : {"in_voltage1_raw", "in_voltage2_raw"})
        ok = ensureFile(root, iio + ch, "2048\n") && ok;
    // Inputs 4 and 5 code the hardware revision: a revision-1 board.
    const QByteArray revision = QByteArray::number(BoardIdentity::kRevision1Input) + '\n';
    for (const char *ch : {"in_voltage4_raw", "in_voltage5_raw"})
        ok = ensureFile(root, iio + ch, revision) && ok;
    ok = ensureFile(root, "/sys/bus/i2c/devices/1-0018/registers", "") && ok;

    ok = ensureFile(root, "/home/root/serialNumber", BoardIdentity::kDefaultSerialNumber) && ok;
    ok = ensureFile(root, "/home/root/productionDate", "2026-01-15") && ok;
    ok = ensureFile(root, "/home/root/bspinfo", BoardIdentity::kDefaultBspInfo) && ok;
    // The board boots from the SD card.
    ok = ensureFile(root, BoardIdentity::dfAnswerPath(), "0\n" + BoardIdentity::dfOutput(BoardIdentity::RootFs::SdCard)) && ok;
    return ok;
}

bool resetBoardLines(const QString &root)
{
    bool ok = true;
    for (unsigned line : kGpioLines) {
        const QString base = QStringLiteral("/sys/class/gpio/gpio%1/").arg(line);
        ok = writeBoardFile(root, base + "direction", kPowerOnDirection) && ok;
        ok = writeBoardFile(root, base + "value", powerOnValue(line)) && ok;
    }
    return ok;
}

} // namespace Sim
