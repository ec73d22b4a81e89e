#include "sensorunitlink.h"

#include "bluetooth.h"
#include "simboard.h"
#include "testroot.h"

#include <QtTest>

QByteArray gpio(const TestRoot &root, int line)
{
    return root.read(QStringLiteral("/sys/class/gpio/gpio%1/value").arg(line)).trimmed();
}

bool connectSink(Bluetooth &link, SimBoard &board, const TestRoot &root)
{
    link.initBluetooth(QStringLiteral("/dev/ttyO2"), QString::fromLatin1(SimBoard::kUnitAddress));
    link.callBtDeviceA2DP(true);
    return waitForSinkDataMode(link, board, root);
}

bool waitForSinkDataMode(const Bluetooth &link, SimBoard &board, const TestRoot &root)
{
    if (!board.waitForDataLink())
        return false;
    // The carrier has held and the state machine is in data mode: a message
    // to the unit goes out at once.
    if (!QTest::qWaitFor([&link] { return link.isDataModeKnown(); }, 3000))
        return false;
    return gpio(root, 59) == "1";
}
