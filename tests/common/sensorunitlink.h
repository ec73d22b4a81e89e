#ifndef SENSORUNITLINK_H
#define SENSORUNITLINK_H

#include <QByteArray>

class Bluetooth;
class SimBoard;
class TestRoot;

// The value of a GPIO line as the program left it ("0" or "1").
QByteArray gpio(const TestRoot &root, int line);

// Opens the sensor-unit link on /dev/ttyO2 against the simulated board and
// waits until the link is in data mode on its RFCOMM link (carrier on
// GPIO 59). False when it does not get there in time.
bool connectSink(Bluetooth &link, SimBoard &board, const TestRoot &root);

#endif // SENSORUNITLINK_H
