#include "simulator.h"

#include "boardidentity.h"
#include "boardshell.h"
#include "btinquiry.h"
#include "btmodulepeer.h"
#include "codecview.h"
#include "controlchannel.h"
#include "converterinput.h"
#include "converterstream.h"
#include "devicetree.h"
#include "gpspeer.h"
#include "headphonepeer.h"
#include "measfolders.h"
#include "microphonestream.h"
#include "mixertool.h"
#include "modulemodeline.h"
#include "powersupply.h"
#include "ptyport.h"
#include "sensorunitpeer.h"
#include "sdcard.h"
#include "signalgenerator.h"
#include "usbstorage.h"
#include "teststation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <csignal>
#include <unistd.h>

namespace Sim {

namespace {
// The sensor-unit module's DTR input and carrier-detect output.
const unsigned kDtrLine = 58;
const unsigned kCarrierLine = 59;
} // namespace

Simulator::Simulator(const QString &root, QObject *parent)
    : QObject(parent), m_root(QDir(root).absolutePath())
{
}

Simulator::~Simulator()
{
    stop();
    delete m_power;
    delete m_mixer;
    delete m_signal;
    delete m_inquiry;
}

QString Simulator::pidFilePath(const QString &root)
{
    return root + QStringLiteral("/.tq3900/sim.pid");
}

bool Simulator::otherSimulatorRunning(qint64 *pid) const
{
    const qint64 other = readBoardFile(m_root, QStringLiteral("/.tq3900/sim.pid")).trimmed().toLongLong();
    if (other <= 0 || other == QCoreApplication::applicationPid())
        return false;
    if (::kill(pid_t(other), 0) != 0)
        return false;
    // The pid may have been reused by an unrelated process.
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(other));
    if (!cmdline.open(QIODevice::ReadOnly) || !cmdline.readAll().contains("tq3900-sim"))
        return false;
    *pid = other;
    return true;
}

bool Simulator::start(QString *error)
{
    auto fail = [this, error](const QString &text) {
        if (error)
            *error = text;
        stop();
        return false;
    };
    if (m_running)
        return true;
    if (!layoutDeviceTree(m_root))
        return fail(QStringLiteral("cannot lay out the device tree under %1").arg(m_root));
    qint64 other = 0;
    if (otherSimulatorRunning(&other))
        return fail(QStringLiteral("a simulator already runs on %1 (pid %2)").arg(m_root).arg(other));
    if (m_powerOnReset && !resetBoardLines(m_root))
        return fail(QStringLiteral("cannot reset the GPIO lines under %1").arg(m_root));

    m_running = true; // from here on stop() has something to undo
    const struct
    {
        const char *name;
        int baud;
    } ports[] = {{"ttyO1", 9600}, {"ttyO2", 115200}, {"ttyO3", 115200}};
    for (const auto &p : ports) {
        auto *port = new PtyPort(QLatin1String(p.name), p.baud, this);
        m_ports.insert(port->name(), port);
        QString why;
        if (!port->open(m_root + QStringLiteral("/dev/") + port->name(), &why))
            return fail(why);
    }

    m_gps = new GpsPeer(m_root, m_ports.value(QStringLiteral("ttyO1")), this);
    for (const char *name : {"ttyO2", "ttyO3"})
        m_btModules.insert(QLatin1String(name), new BtModulePeer(m_root, m_ports.value(QLatin1String(name)), this));
    m_modeLine = new ModuleModeLine(m_root, kDtrLine, kCarrierLine, this);
    m_btModules.value(QStringLiteral("ttyO2"))->setModeLine(m_modeLine);
    m_sensorUnit = new SensorUnitPeer(m_root, this);
    m_headphone = new HeadphonePeer(this);
    m_btModules.value(QStringLiteral("ttyO2"))->setRemote(m_sensorUnit);
    m_btModules.value(QStringLiteral("ttyO3"))->setRemote(m_headphone);
    // The unit restarting after an update is out of reach for a while.
    BtModulePeer *unitModule = m_btModules.value(QStringLiteral("ttyO2"));
    connect(m_sensorUnit, &SensorUnitPeer::offAir, unitModule,
            [unitModule](bool off) { off ? unitModule->drop("RFCOMM") : unitModule->restore("RFCOMM"); });
    m_inquiry = new BtInquiry;
    for (BtModulePeer *module : qAsConst(m_btModules))
        module->setInquiry(m_inquiry);
    m_btModules.value(QStringLiteral("ttyO2"))->setPeerModule(m_btModules.value(QStringLiteral("ttyO3")));
    m_btModules.value(QStringLiteral("ttyO3"))->setPeerModule(m_btModules.value(QStringLiteral("ttyO2")));
    m_power = new PowerSupply(m_root);
    m_signal = new SignalSource;
    m_converter = new ConverterStream(m_root, *m_signal, this);
    m_microphone = new MicrophoneStream(m_root, *m_signal, this);
    m_usbStorage = new UsbStorage(m_root, this);
    QString unmountError;
    if (m_dataUnmounted && !m_usbStorage->unmountAtBoot(&unmountError))
        return fail(QStringLiteral("cannot start with the data partition unmounted: ") + unmountError);
    m_testStation = new TestStation(m_root, this);

    m_shell = new BoardShell(m_root, this);
    m_sdCard = new SdCard(m_root, this);
    if (!m_sdCard->layout())
        return fail(QStringLiteral("cannot lay out the SD card's boot partition under %1").arg(m_root));
    m_sdCard->registerShell(*m_shell);
    m_mixer = new MixerTool;
    m_mixer->registerShell(*m_shell);
    m_control = new ControlChannel(m_root, this);
    registerCommands();
    m_gps->registerCommands(*m_control);
    m_power->registerCommands(*m_control);
    m_signal->registerCommands(*m_control);
    BtModulePeer::registerCommands(*m_control, m_btModules);
    m_sensorUnit->registerCommands(*m_control);
    m_headphone->registerCommands(*m_control);
    CodecView(m_root).registerCommands(*m_control);
    BoardIdentity::registerCommands(*m_control, m_root);
    ConverterInput::registerCommands(*m_control, m_root);
    m_inquiry->registerCommands(*m_control);
    m_usbStorage->registerCommands(*m_control);
    m_usbStorage->registerShell(*m_shell);
    // The folders carry the instrument's clock, which follows the receiver.
    GpsPeer *gps = m_gps;
    MeasFolders(m_root, [gps] {
        MeasFolders::Receiver r;
        r.fix = gps->fix().valid && gps->isPowered();
        r.utc = gps->clock();
        r.latitude = gps->fix().latitude;
        r.longitude = gps->fix().longitude;
        return r;
    }).registerCommands(*m_control);
    m_testStation->registerCommands(*m_control);
    m_sdCard->registerCommands(*m_control);
    m_mixer->registerCommands(*m_control);
    QString why;
    if (!m_control->open(&why))
        return fail(why);
    if (!m_shell->open(&why))
        return fail(why);
    if (!m_converter->open(&why))
        return fail(why);
    if (!m_microphone->open(&why))
        return fail(why);

    if (!writeBoardFile(m_root, QStringLiteral("/.tq3900/sim.pid"),
                        QByteArray::number(QCoreApplication::applicationPid()) + '\n'))
        return fail(QStringLiteral("cannot write %1").arg(pidFilePath(m_root)));

    m_modeLine->start();
    m_gps->start();
    return true;
}

void Simulator::stop()
{
    if (!m_running)
        return;
    m_running = false;
    if (m_gps)
        m_gps->stop();
    if (m_modeLine)
        m_modeLine->stop();
    if (m_control)
        m_control->close();
    if (m_shell)
        m_shell->close();
    if (m_converter)
        m_converter->close();
    if (m_microphone)
        m_microphone->close();
    for (PtyPort *port : qAsConst(m_ports))
        port->close();
    // Leave the pid file of another simulator alone.
    const qint64 pid = readBoardFile(m_root, QStringLiteral("/.tq3900/sim.pid")).trimmed().toLongLong();
    if (pid == QCoreApplication::applicationPid())
        QFile::remove(pidFilePath(m_root));
}

QStringList Simulator::linkLines() const
{
    QStringList lines;
    for (const PtyPort *port : m_ports)
        lines << port->name() + QStringLiteral(" -> ") + port->slavePath();
    return lines;
}

void Simulator::registerCommands()
{
    m_control->registerCommand(
        QStringLiteral("gpio"), QStringLiteral("gpio <line> <0|1>: sets an input line (48 wired sensor, 59 carrier)"),
        [this](const ControlRequest &r) {
            const QString usage = QStringLiteral("usage: gpio <line> <0|1>");
            bool ok = false;
            const uint line = r.args.value(0).toUInt(&ok);
            if (r.args.size() != 2 || !ok)
                return QStringLiteral("error: ") + usage;
            if (r.args[1] != QLatin1String("0") && r.args[1] != QLatin1String("1"))
                return QStringLiteral("error: value must be 0 or 1; ") + usage;
            const QString dir = QStringLiteral("/sys/class/gpio/gpio%1").arg(line);
            if (!QFileInfo(m_root + dir).isDir())
                return QStringLiteral("error: no gpio line %1").arg(line);
            if (!writeBoardFile(m_root, dir + QStringLiteral("/value"), r.args[1].toLatin1()))
                return QStringLiteral("error: cannot write %1/value").arg(dir);
            return QStringLiteral("ok");
        });
    m_control->registerCommand(QStringLiteral("quit"), QStringLiteral("stops the simulator"),
                               [this](const ControlRequest &) {
                                   // After the reply is journalled.
                                   QTimer::singleShot(0, this, &Simulator::quitRequested);
                                   return QStringLiteral("ok");
                               });
}

} // namespace Sim
