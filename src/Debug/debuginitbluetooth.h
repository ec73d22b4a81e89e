#ifndef DEBUGINITBLUETOOTH_H
#define DEBUGINITBLUETOOTH_H

#include "keydialog.h"

namespace Ui {
class DebugInitBluetooth;
}

class Bluetooth;
class QColor;
class QTextEdit;
class QTimer;

// Writes a Bluetooth module's configuration again, restarts it and sends
// bare "AT" probes. Everything both modules answer is shown in one view,
// refreshed every 100 ms: the sensor-unit module in black, the headphone
// module in blue; what is done on the headphone module in green, on the
// sensor-unit module in red.
class DebugInitBluetooth : public KeyDialog
{
    Q_OBJECT
public:
    explicit DebugInitBluetooth(QWidget *parent = nullptr);
    ~DebugInitBluetooth() override;

    static constexpr int kRefreshMs = 100;

public slots:
    void updateBtInfo();

private slots:
    void on_butCancel_clicked();
    void on_butInitUart_clicked();
    void on_butInitBtSource_clicked();
    void on_butInitBtSink_clicked();
    void on_butAt_clicked();
    void on_butAt_2_clicked();
    void on_butClear_clicked();

private:
    Ui::DebugInitBluetooth *ui;
    Bluetooth *btSource = nullptr;
    Bluetooth *btSink = nullptr;
    QTimer *m_timer = nullptr;
};

// Appends text in a colour at the end of a text view, as the debug screens
// show the modules' traffic.
void appendColoured(QTextEdit *view, const QColor &colour, const QString &text);

#endif // DEBUGINITBLUETOOTH_H
