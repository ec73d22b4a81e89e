#include "boardidentity.h"

#include "controlchannel.h"
#include "devicetree.h"

namespace Sim {
namespace BoardIdentity {

const char kDefaultSerialNumber[] = "TQ3900000001";
const char kDefaultBspInfo[] = "BSP V1.0.3 simulated board\n";

namespace {
const char kIio[] = "/sys/bus/iio/devices/iio:device0/";

bool parseInput(const QString &text, int *value)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < 0 || v > kMaxInput)
        return false;
    *value = v;
    return true;
}
} // namespace

QByteArray dfOutput(RootFs root)
{
    QByteArray out = "Filesystem     Type      Size  Used Avail Use% Mounted on\n";
    if (root == RootFs::SdCard)
        out += "/dev/root      ext4      1.8G  412M  1.3G  25% /\n";
    else if (root == RootFs::Flash)
        out += "ubi0:root      ubifs     214M  160M   54M  75% /\n";
    out += "devtmpfs       devtmpfs  245M     0  245M   0% /dev\n"
           "tmpfs          tmpfs     249M  148K  249M   1% /run\n"
           "/dev/mmcblk0p3 vfat      5.6G  1.2G  4.4G  22% /media/tq3900\n";
    return out;
}

QString dfAnswerPath()
{
    // The answer file of the whole command (see the program's command runner):
    // exit code on the first line, the output after it.
    return QStringLiteral("/.tq3900/answers/df_-Th");
}

bool setRootFs(const QString &root, RootFs kind)
{
    return writeBoardFile(root, dfAnswerPath(), "0\n" + dfOutput(kind));
}

bool setRevisionInputs(const QString &root, int ain4, int ain5)
{
    const bool a = writeBoardFile(root, QLatin1String(kIio) + "in_voltage4_raw", QByteArray::number(ain4) + '\n');
    const bool b = writeBoardFile(root, QLatin1String(kIio) + "in_voltage5_raw", QByteArray::number(ain5) + '\n');
    return a && b;
}

void registerCommands(ControlChannel &channel, const QString &root)
{
    const QString usage = QStringLiteral(
        "error: usage: identity rootfs <sd|flash|none> | identity hwrev <ain4> <ain5> (0-%1) | "
        "identity serial <text> | identity bsp <text>")
                              .arg(kMaxInput);
    channel.registerCommand(
        QStringLiteral("identity"),
        QStringLiteral("identity rootfs|hwrev|serial|bsp ...: root file system, hardware revision inputs, "
                       "serial number, BSP information"),
        [root, usage](const ControlRequest &r) {
            const QString what = r.args.value(0);
            bool ok = false;
            if (what == QLatin1String("rootfs") && r.args.size() == 2) {
                const QString kind = r.args.value(1);
                if (kind == QLatin1String("sd"))
                    ok = setRootFs(root, RootFs::SdCard);
                else if (kind == QLatin1String("flash"))
                    ok = setRootFs(root, RootFs::Flash);
                else if (kind == QLatin1String("none"))
                    ok = setRootFs(root, RootFs::Unknown);
                else
                    return usage;
            } else if (what == QLatin1String("hwrev") && r.args.size() == 3) {
                int ain4 = 0, ain5 = 0;
                if (!parseInput(r.args.value(1), &ain4) || !parseInput(r.args.value(2), &ain5))
                    return usage;
                ok = setRevisionInputs(root, ain4, ain5);
            } else if (what == QLatin1String("serial") && r.args.size() >= 2) {
                // Written as production does: the text alone, no line end.
                ok = writeBoardFile(root, QStringLiteral("/home/root/serialNumber"), r.rest(1).toUtf8());
            } else if (what == QLatin1String("bsp") && r.args.size() >= 2) {
                ok = writeBoardFile(root, QStringLiteral("/home/root/bspinfo"), r.rest(1).toUtf8() + '\n');
            } else {
                return usage;
            }
            return ok ? QStringLiteral("ok") : QStringLiteral("error: cannot write the identity files");
        });
}

} // namespace BoardIdentity
} // namespace Sim
