#ifndef SIM_BOARDIDENTITY_H
#define SIM_BOARDIDENTITY_H

#include <QByteArray>
#include <QString>

namespace Sim {

class ControlChannel;

// What the board tells about itself: the root file system in the output of
// "df -Th" (a scripted command-runner answer under .tq3900/answers/), the
// hardware revision on the converter's single-value inputs 4 and 5
// (in_voltage4_raw, in_voltage5_raw; a revision-1 board reads 1001..1399 on
// both), and the identity files /home/root/serialNumber and
// /home/root/bspinfo written in production.
namespace BoardIdentity {

enum class RootFs { SdCard, Flash, Unknown };

constexpr int kRevision1Input = 1200;
constexpr int kMaxInput = 4095;
extern const char kDefaultSerialNumber[];
extern const char kDefaultBspInfo[];

// The output of "df -Th" on a board that boots from the kind of root given.
QByteArray dfOutput(RootFs root);
// Board path of the answer file for "df -Th".
QString dfAnswerPath();

bool setRootFs(const QString &root, RootFs kind);
bool setRevisionInputs(const QString &root, int ain4, int ain5);

// Adds "identity" with its sub-commands rootfs, hwrev, serial and bsp.
void registerCommands(ControlChannel &channel, const QString &root);

} // namespace BoardIdentity
} // namespace Sim

#endif // SIM_BOARDIDENTITY_H
