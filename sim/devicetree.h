#ifndef SIM_DEVICETREE_H
#define SIM_DEVICETREE_H

#include <QByteArray>
#include <QString>

namespace Sim {

// GPIO lines the instrument claims at start-up.
const unsigned kGpioLines[] = {58, 59, 114, 96, 54, 48, 113, 65, 50, 17, 115, 16};

// Lays out the board's files under root: gpio line folders, PWM, backlight,
// LEDs, power supplies, IIO, codec registers and the data folders. Existing
// files are left as they are, so a second call (the simulator on a root the
// tests already used) keeps the state. Returns false when root is unwritable.
bool layoutDeviceTree(const QString &root);

// The board's mount table (/proc/mounts), with or without the data
// partition on /media/tq3900. The laid-out tree has it mounted.
QByteArray mountTable(bool dataPartitionMounted);

// Puts the board's GPIO lines back to their power-on state (input, value
// "0"), as a new start of the board does: what a run left (a module's
// carrier on GPIO 59, DTR on 58) does not survive into the next.
bool resetBoardLines(const QString &root);

// Writes a file below root (board path), creating its folder.
bool writeBoardFile(const QString &root, const QString &boardPath, const QByteArray &content);
// Reads a file below root (board path); empty when missing.
QByteArray readBoardFile(const QString &root, const QString &boardPath);
// Appends to a file below root (board path), creating it and its folder.
bool appendBoardFile(const QString &root, const QString &boardPath, const QByteArray &content);

} // namespace Sim

#endif // SIM_DEVICETREE_H
