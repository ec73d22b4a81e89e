#ifndef TESTMENUSENSORDETECTION_H
#define TESTMENUSENSORDETECTION_H

#include "readingtest.h"

namespace Ui {
class TestmenuSensordetection;
}

// The sensor detection test: whether the wired sensor's socket reports a
// plugged sensor (GPIO 48) and the raw value of the converter's channel 2,
// read once at the start, on Read and every 1000 ms while Autoread runs.
// Each reading switches the converter's buffered capture off first (the
// single-value channel is read with the buffer off) and leaves it off.
// Nothing is judged; "Get"-style commands answer the last reading.
class TestmenuSensordetection : public ReadingTest
{
    Q_OBJECT
public:
    static constexpr int kAutoreadMs = 1000;
    static const char kRawFile[];
    static const char kBufferEnableFile[];
    static constexpr unsigned kDetectionLine = 48;

    explicit TestmenuSensordetection(QWidget *parent = nullptr);
    ~TestmenuSensordetection() override;

    void updateValues() override;

protected:
    bool executeOwnCommand(const QString &command) override;

private slots:
    void on_butRead_clicked();
    void on_butAutoread_clicked();

private:
    Ui::TestmenuSensordetection *ui;
    int m_sensorAdVal = 0;
    int m_sensorDetected = 0;
};

#endif // TESTMENUSENSORDETECTION_H
