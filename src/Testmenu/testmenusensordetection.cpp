#include "testmenusensordetection.h"
#include "ui_testmenusensordetection.h"

#include "driverhelper.h"
#include "gpio.h"
#include "testmenuremotectrl.h"

#include <QDebug>

const char TestmenuSensordetection::kRawFile[] = "/sys/bus/iio/devices/iio:device0/in_voltage2_raw";
const char TestmenuSensordetection::kBufferEnableFile[] = "/sys/bus/iio/devices/iio:device0/buffer/enable";

TestmenuSensordetection::TestmenuSensordetection(QWidget *parent)
    : ReadingTest(Setup{"cmdTestSensordetection"}, kAutoreadMs, parent), ui(new Ui::TestmenuSensordetection)
{
    ui->setupUi(this);
    updateValues();
}

TestmenuSensordetection::~TestmenuSensordetection()
{
    delete ui;
}

void TestmenuSensordetection::updateValues()
{
    if (Gpio::getValue(kDetectionLine)) {
        ui->lineEditSensordetection->setText(QStringLiteral("connected"));
        m_sensorDetected = 1;
    } else {
        ui->lineEditSensordetection->setText(QStringLiteral("No sensor"));
        m_sensorDetected = 0;
    }

    // The buffered capture off: the single-value channel is read without it.
    if (!DriverHelper::writeFile(kBufferEnableFile, "0"))
        qDebug() << "Error: Could not open buffer/enable";

    QString text;
    if (!readDriverFile(kRawFile, &text)) {
        ui->lineEditADValue->setText(QStringLiteral("unknown"));
        return;
    }
    ui->lineEditADValue->setText(text);
    m_sensorAdVal = text.toInt();
    qDebug() << "AD-Value" << text;
}

bool TestmenuSensordetection::executeOwnCommand(const QString &command)
{
    if (command.startsWith(QLatin1String("cmdSensordetectionRead")))
        on_butRead_clicked();
    else if (command.startsWith(QLatin1String("cmdSensordetectionAutoread")))
        on_butAutoread_clicked();
    else if (command.startsWith(QLatin1String("cmdSensordetectionAdValue")))
        remoteCtrl->writeResult(QStringLiteral("resSensordetectionAdValue=%1").arg(m_sensorAdVal));
    else if (command.startsWith(QLatin1String("cmdSensordetectionDetected")))
        remoteCtrl->writeResult(QStringLiteral("resSensordetectionDetected=%1").arg(m_sensorDetected));
    else
        return false;
    return true;
}

// Read and Autoread forget the last reading first: a channel that cannot be
// read then answers 0.
void TestmenuSensordetection::on_butRead_clicked()
{
    m_sensorAdVal = 0;
    m_sensorDetected = 0;
    read();
}

void TestmenuSensordetection::on_butAutoread_clicked()
{
    m_sensorAdVal = 0;
    m_sensorDetected = 0;
    autoread();
}
