#ifndef SENSORUNITLINK_H
#define SENSORUNITLINK_H

#include <QByteArray>

class Bluetooth;
class SimBoard;
class TestRoot;

// The value of a GPIO line as the program left it ("0" or "1").
QByteArray gpio(const TestRoot &root, int line);

// Opens the sensor-unit link on /dev/ttyO2 against the simulated board and
// waits as waitForSinkDataMode() does.
bool connectSink(Bluetooth &link, SimBoard &board, const TestRoot &root);

// Waits until the simulated module is in data mode on the RFCOMM link and
// the program's link has seen it too (RFCOMM up, carrier on GPIO 59). The
// simulator's side comes first, so waiting for it alone is not enough.
// False when it does not get there in time.
bool waitForSinkDataMode(const Bluetooth &link, SimBoard &board, const TestRoot &root);

#endif // SENSORUNITLINK_H
