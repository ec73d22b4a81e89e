#ifndef TESTMENUBATTERY_H
#define TESTMENUBATTERY_H

#include "readingtest.h"

namespace Ui {
class TestmenuBattery;
}

// The battery test: capacity, current, charge state, voltage and
// temperature as the charger's and the fuel gauge's driver files report
// them, read once at the start, on Read and every 1100 ms while Autoread
// runs. Nothing is judged. A toggle routes the service connector to the USB
// device port and back; every verdict first routes it back to the UART.
// The station's "Get" commands answer the last reading.
class TestmenuBattery : public ReadingTest
{
    Q_OBJECT
public:
    static constexpr int kAutoreadMs = 1100;
    static const char kChargerStatusFile[];
    static const char kCapacityFile[];
    static const char kVoltageFile[];
    static const char kCurrentFile[];
    static const char kTemperatureFile[];

    explicit TestmenuBattery(QWidget *parent = nullptr);
    ~TestmenuBattery() override;

    void updateValues() override;

protected:
    bool executeOwnCommand(const QString &command) override;
    void stopTest() override;

private slots:
    void on_butRead_clicked();
    void on_butAutoread_clicked();
    void on_butUartUsb_clicked();

private:
    void setUart(bool uart);

    Ui::TestmenuBattery *ui;
    int m_battFuelPercent = 0;
    bool m_charging = false;
    float m_voltage = 0;
    float m_current = 0;
    float m_temperature = 0;
    bool m_modeUart = true;
};

#endif // TESTMENUBATTERY_H
