#include "converterinput.h"

#include "controlchannel.h"
#include "devicetree.h"

#include <QFile>

namespace Sim {
namespace ConverterInput {

QString channel2Path()
{
    return QStringLiteral("/sys/bus/iio/devices/iio:device0/in_voltage2_raw");
}

bool setChannel2(const QString &root, int raw)
{
    return writeBoardFile(root, channel2Path(), QByteArray::number(raw) + '\n');
}

bool removeChannel2(const QString &root)
{
    const QString path = root + channel2Path();
    return !QFile::exists(path) || QFile::remove(path);
}

void registerCommands(ControlChannel &channel, const QString &root)
{
    channel.registerCommand(
        QStringLiteral("adc2"),
        QStringLiteral("adc2 <0-%1|absent>: raw value of converter channel 2 (the wired sensor's input), "
                       "or no channel file").arg(kMaxRaw),
        [root](const ControlRequest &r) {
            const QString usage = QStringLiteral("error: usage: adc2 <0-%1|absent>").arg(kMaxRaw);
            if (r.args.size() != 1)
                return usage;
            bool ok = false;
            if (r.args[0] == QLatin1String("absent")) {
                ok = removeChannel2(root);
            } else {
                bool number = false;
                const int raw = r.args[0].toInt(&number);
                if (!number || raw < 0 || raw > kMaxRaw)
                    return usage;
                ok = setChannel2(root, raw);
            }
            return ok ? QStringLiteral("ok") : QStringLiteral("error: cannot write the converter's files");
        });
}

} // namespace ConverterInput
} // namespace Sim
