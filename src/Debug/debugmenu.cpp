#include "debugmenu.h"
#include "ui_debugmenu.h"

#include "audiocodecsetup.h"
#include "bluetooth.h"
#include "commandrunner.h"
#include "debugaudiolevelfft.h"
#include "debugbluetoothcommand.h"
#include "debuggain.h"
#include "debuginitbluetooth.h"
#include "datapartition.h"
#include "gpio.h"
#include "mainmenu.h"
#include "regularfile.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QKeyEvent>
#include <QTimer>

const char DebugMenu::kTestFirmwareFile[] = "/media/tq3900/FW_GX4_V1-22-33.gx4";

namespace {

// What the probe reads of the output of "df -Th".
constexpr int kProbeBytes = 2048;

AudioCodecSetup *codec()
{
    MainMenu *w = MainMenu::getInstanceMainMenu();
    return w ? w->getAudioCodecInstance() : nullptr;
}

Bluetooth *sinkLink()
{
    MainMenu *w = MainMenu::getInstanceMainMenu();
    return w ? w->getBtSinkInstance() : nullptr;
}

} // namespace

DebugMenu::DebugMenu(QWidget *parent)
    : KeyDialog(parent), ui(new Ui::DebugMenu)
{
    ui->setupUi(this);
    showPage(1);
    m_uartTerminal = false;
    // The service connector starts on USB whenever the menu opens.
    Gpio::setValue(65, 0);
    Gpio::setValue(50, 0);
    ui->butUartTerminal->setText(QStringLiteral("UART-Terminal State=disabled"));
    m_anyTimer = new QTimer(this);
    connect(m_anyTimer, &QTimer::timeout, this, &DebugMenu::timerSlot);
    m_btSink = sinkLink();
}

DebugMenu::~DebugMenu()
{
    m_anyTimer->stop();
    delete ui;
}

QByteArray DebugMenu::testFirmwareImage()
{
    QByteArray image(1041, '\0');
    for (int i = 0; i < 256; ++i)
        image[i] = char(i);
    const char fill[] = {char(0xA1), char(0xB2), char(0xC3)};
    for (int block = 0; block < 3; ++block)
        for (int i = 0; i < 256; ++i)
            image[256 + block * 256 + i] = fill[block];
    for (int i = 1024; i < 1041; ++i)
        image[i] = char(0xD4);
    return image;
}

QString DebugMenu::filesystemLine(const QByteArray &dfOutput)
{
    QByteArray head = dfOutput.left(kProbeBytes);
    const int zero = head.indexOf('\0');
    if (zero >= 0)
        head.truncate(zero);
    const QString text = QString::fromUtf8(head);
    if (text.contains(QLatin1String("/dev/root")))
        return QStringLiteral("Filesystem: SD-Karte ") + text;
    if (text.contains(QLatin1String("ubi0:root")))
        return QStringLiteral("Filesystem: Flash ") + text;
    return QStringLiteral("Filesystem: Unknown ") + text;
}

bool DebugMenu::isStresstestRunning() const
{
    return m_anyTimer->isActive();
}

void DebugMenu::showPage(int page)
{
    m_currentPage = page;
    QWidget *pages[] = {ui->debug_1, ui->debug_2, ui->debug_3};
    ui->mainArea->setCurrentWidget(pages[page - 1]);
}

void DebugMenu::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F11) {
        event->accept();
        close();
        return;
    }
    KeyDialog::keyPressEvent(event);
}

void DebugMenu::escapeReleased()
{
    // The power key's release follows its F11, which already closed the
    // menu; a bare Escape leaves the menu open.
}

void DebugMenu::on_butCancel_clicked()
{
    close();
    m_anyTimer->stop();
}

void DebugMenu::on_butUp_clicked()
{
    showPage(m_currentPage == 1 ? 3 : m_currentPage - 1);
}

void DebugMenu::on_butDown_clicked()
{
    showPage(m_currentPage == 3 ? 1 : m_currentPage + 1);
}

void DebugMenu::on_butInitBt_clicked()
{
    DebugInitBluetooth dialog(this);
    dialog.exec();
}

void DebugMenu::on_butBtCommand_clicked()
{
    DebugBluetoothCommand dialog(this);
    dialog.exec();
}

void DebugMenu::on_butGain_clicked()
{
    DebugGain dialog(this);
    dialog.init();
    dialog.exec();
}

void DebugMenu::on_butAudioLevelFft_clicked()
{
    DebugAudioLevelFft dialog(this);
    dialog.exec();
}

void DebugMenu::on_butUartTerminal_clicked()
{
    m_uartTerminal = !m_uartTerminal;
    Gpio::setValue(50, 0);
    Gpio::setValue(65, m_uartTerminal ? 1 : 0);
    ui->butUartTerminal->setText(m_uartTerminal ? QStringLiteral("UART-Terminal State=enabled")
                                                : QStringLiteral("UART-Terminal State=disabled"));
}

void DebugMenu::on_butExit_clicked()
{
    // Ends every running event loop: from the main page's button the
    // program's own loop ends too, from the start-up word only this menu's.
    QCoreApplication::exit(0);
}

void DebugMenu::on_butTetrix_clicked()
{
    const bool started = CommandRunner::startDetached(QStringLiteral("/usr/games/tetrix/tetrix"));
    qDebug() << "Tetrix:" << started;
    QCoreApplication::exit(-2);
}

void DebugMenu::on_butCrash_clicked()
{
    // Deliberately harmless: the button is kept for the layout only.
    qDebug() << "Crash: no action";
}

void DebugMenu::on_butFwTestString_clicked()
{
    const QString path = DataPartition::path(QString::fromLatin1(kTestFirmwareFile));
    // Only a regular file (or none yet) is written; a link or a FIFO in its
    // place is left alone. Read-write keeps whatever follows the image in a
    // longer file.
    QFile file;
    if (!RegularFile::openForWriting(path, &file)) {
        qDebug() << "Testfile not written: no regular file" << kTestFirmwareFile;
        return;
    }
    const QByteArray image = testFirmwareImage();
    file.write(image);
    file.close();
    qDebug() << "Testfile written" << kTestFirmwareFile << image.mid(48, 7);
}

void DebugMenu::on_butDetectFilesystem_clicked()
{
    const CommandRunner::Result r = CommandRunner::runWithTimeout(QStringLiteral("df -Th"), 10000);
    if (r.exitCode == -1 && !r.timedOut && r.output.isEmpty())
        qDebug() << "Prozess konnte nicht gestartet werden.";
    qDebug().noquote() << filesystemLine(r.output);
}

void DebugMenu::on_butStresstestBluetooth_clicked()
{
    m_btSink = sinkLink();
    m_anyTimer->start(kStresstestPeriodMs);
}

void DebugMenu::timerSlot()
{
    if (m_btSink)
        m_btSink->sendData(QStringLiteral("BT_TX S"));
}

void DebugMenu::on_butResetAudio_clicked()
{
    // A state file already there is kept as it is.
    AudioCodecSetup::restoreMixerState(false);
    if (AudioCodecSetup *c = codec())
        c->init();
}

void DebugMenu::on_butAudioCodecStresstest_clicked()
{
    AudioCodecSetup *c = codec();
    if (!c)
        return;
    c->init();
    for (int round = 0; round < 50; ++round) {
        c->setFilter(125, 800, 1);
        c->setRouting(0);
        c->setFilter(63, 1600, 1);
        c->setRouting(1);
    }
}

void DebugMenu::on_butSetGX4ToDebugMode_clicked()
{
    qDebug() << "Set GX-4 to debug mode.";
    if (m_btSink)
        m_btSink->sendData(QStringLiteral("BT_TX X DEBUG"));
}

void DebugMenu::on_but11_clicked()
{
    // The pressure screen has no other way in.
    m_requestedScreen = 11;
    close();
}
