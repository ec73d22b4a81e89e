#ifndef DEBUGBLUETOOTHCOMMAND_H
#define DEBUGBLUETOOTHCOMMAND_H

#include "keydialog.h"

#include <QString>

namespace Ui {
class DebugBluetoothCommand;
}

class Bluetooth;
class QTimer;

// Sends any line typed on the virtual keyboard to either Bluetooth module and
// switches the sensor-unit module between command and data mode. Both
// modules' answers are shown (sensor unit black, headphone blue, sent lines
// green to the headphone module and red to the sensor-unit module), the mode
// label follows the carrier-detect line GPIO 59 every 100 ms.
//
// The link writes a line with its "\n" through a 256-byte buffer, so a
// command of more than kMaxCommandLength characters is refused with a
// message, both when it comes from the keyboard and when it is sent.
class DebugBluetoothCommand : public KeyDialog
{
    Q_OBJECT
public:
    explicit DebugBluetoothCommand(QWidget *parent = nullptr);
    ~DebugBluetoothCommand() override;

    static constexpr int kRefreshMs = 100;
    static constexpr int kMaxCommandLength = 254;
    static bool fitsLink(const QString &command) { return command.size() <= kMaxCommandLength; }

public slots:
    void updateBtInfo();
    void toggleButtonSymbol();

private slots:
    void on_butCancel_clicked();
    void on_butKeyboard_clicked();
    void on_butAt_clicked();
    void on_butSendSource_clicked();
    void on_butSendSink_clicked();
    void on_butClear_clicked();
    void on_butCommandMode_clicked();
    void on_butDataMode_clicked();

private:
    void send(Bluetooth *link, const QColor &colour);
    void refuseLongCommand(int length);
    void showModeFromCarrier();

    Ui::DebugBluetoothCommand *ui;
    Bluetooth *btSource = nullptr;
    Bluetooth *btSink = nullptr;
    QTimer *m_timer = nullptr;
    // The activity indicator's position, shared by every opening for the run.
    static int s_symbolCounter;
};

#endif // DEBUGBLUETOOTHCOMMAND_H
