#ifndef SIM_CONVERTERINPUT_H
#define SIM_CONVERTERINPUT_H

#include <QString>

namespace Sim {

class ControlChannel;

// The converter's single-value input of channel 2 (in_voltage2_raw), on
// which the wired sensor's socket lies: the raw value as the driver shows it
// (a number and a line feed), or no file at all (a channel the driver does
// not offer).
namespace ConverterInput {

constexpr int kMaxRaw = 4095;

QString channel2Path();
bool setChannel2(const QString &root, int raw);
bool removeChannel2(const QString &root);

// Adds "adc2 <0-4095|absent>".
void registerCommands(ControlChannel &channel, const QString &root);

} // namespace ConverterInput
} // namespace Sim

#endif // SIM_CONVERTERINPUT_H
