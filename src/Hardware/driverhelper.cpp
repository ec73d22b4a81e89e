#include "driverhelper.h"
#include "deviceroot.h"

#include <QString>
#include <cstdio>
#include <cstring>

bool DriverHelper::writeFile(const char *path, const char *text)
{
    const QByteArray local = DeviceRoot::path(path);
    FILE *f = std::fopen(local.constData(), "w");
    if (!f)
        return false;
    const size_t len = std::strlen(text);
    const bool ok = std::fwrite(text, 1, len, f) == len;
    const bool closed = std::fclose(f) == 0;
    DeviceRoot::appendJournal(QStringLiteral("sysfs.log"),
                              QString::fromLocal8Bit(path) + QLatin1Char(' ')
                                  + QString::fromLocal8Bit(text));
    return ok && closed;
}

bool DriverHelper::writeFile(const char *path, int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return writeFile(path, text);
}

bool DriverHelper::readFile(const char *path, char *buffer, unsigned size)
{
    if (buffer && size > 0)
        buffer[0] = '\0';
    const QByteArray local = DeviceRoot::path(path);
    FILE *f = std::fopen(local.constData(), "r");
    if (!f)
        return false;
    if (buffer && size > 0) {
        const size_t n = std::fread(buffer, 1, size - 1, f);
        buffer[n] = '\0';
    }
    std::fclose(f);
    return true;
}

bool DriverHelper::readFile(const char *path, int &value)
{
    const QByteArray local = DeviceRoot::path(path);
    FILE *f = std::fopen(local.constData(), "r");
    if (!f)
        return false;
    int v = 0;
    const bool parsed = std::fscanf(f, "%d", &v) == 1;
    std::fclose(f);
    if (parsed)
        value = v;
    return parsed;
}
