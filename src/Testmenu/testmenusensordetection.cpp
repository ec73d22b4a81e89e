#include "testmenusensordetection.h"
#include "ui_testmenusensordetection.h"

#include "deviceroot.h"
#include "driverhelper.h"
#include "gpio.h"
#include "testmenuremotectrl.h"

#include <QDebug>
#include <QTimer>

const char TestmenuSensordetection::kRawFile[] = "/sys/bus/iio/devices/iio:device0/in_voltage2_raw";
const char TestmenuSensordetection::kBufferEnableFile[] = "/sys/bus/iio/devices/iio:device0/buffer/enable";

namespace {
const int kMaxValueBytes = 32;
}

TestmenuSensordetection::TestmenuSensordetection(QWidget *parent)
    : TestDialog(Setup{"cmdTestSensordetection"}, parent), ui(new Ui::TestmenuSensordetection),
      m_timer(new QTimer(this)), m_adValue(DeviceRoot::path(QString::fromLatin1(kRawFile)))
{
    ui->setupUi(this);
    connect(m_timer, &QTimer::timeout, this, &TestmenuSensordetection::updateValues);
    updateValues();
}

TestmenuSensordetection::~TestmenuSensordetection()
{
    m_timer->stop();
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

    if (!m_adValue.open(QIODevice::ReadOnly)) {
        ui->lineEditADValue->setText(QStringLiteral("unknown"));
        return;
    }
    QByteArray raw = m_adValue.read(kMaxValueBytes);
    m_adValue.close();
    const int zero = raw.indexOf('\0');
    if (zero >= 0)
        raw.truncate(zero);
    const QString text = QString::fromLatin1(raw).toLower().trimmed();
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

void TestmenuSensordetection::on_butRead_clicked()
{
    m_sensorAdVal = 0;
    m_sensorDetected = 0;
    m_timer->stop();
    updateValues();
    showPass();
}

void TestmenuSensordetection::on_butAutoread_clicked()
{
    m_sensorAdVal = 0;
    m_sensorDetected = 0;
    m_timer->start(kAutoreadMs);
    updateValues();
    showPass();
}

void TestmenuSensordetection::stopTest()
{
    m_timer->stop();
}
