#include "testmenuremotectrl.h"
#include "ui_testmenuremotectrl.h"

#include "commandrunner.h"
#include "deviceroot.h"
#include "regularfile.h"

#include <QDebug>
#include <QTimer>


const char TestmenuRemoteCtrl::kFailureScript[] = "/home/root/hardwaretest.sh dbg";
const char TestmenuRemoteCtrl::kCommandFile[] = "/media/ramdisk/production";

TestmenuRemoteCtrl::TestmenuRemoteCtrl(QWidget *parent)
    : QDialog(parent), ui(new Ui::TestmenuRemoteCtrl)
{
    ui->setupUi(this);
    ui->butBack->setToolTip(tr("Back"));
    setFileName(QString::fromLatin1(kCommandFile));
    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, [this]() { readCommandFile(); });
    m_timer->start(kPollMs);
}

TestmenuRemoteCtrl::~TestmenuRemoteCtrl()
{
    delete m_timer;
    delete ui;
}

void TestmenuRemoteCtrl::setFileName(const QString &name)
{
    m_fileName = name;
}

void TestmenuRemoteCtrl::pause()
{
    m_timer->stop();
}

void TestmenuRemoteCtrl::resume()
{
    m_timer->start(kPollMs);
}

bool TestmenuRemoteCtrl::isPolling() const
{
    return m_timer->isActive();
}

void TestmenuRemoteCtrl::on_butBack_clicked()
{
    m_timer->stop();
    close();
}

void TestmenuRemoteCtrl::runFailureScript()
{
    // The factory script is outside the program; it is given a generous
    // time, never an unbounded wait, and its result is not used.
    qDebug() << "TestmenuRemoteCtrl: running" << kFailureScript;
    const CommandRunner::Result r =
        CommandRunner::runWithTimeout(QString::fromLatin1(kFailureScript), kFailureScriptTimeoutMs);
    if (r.timedOut)
        qDebug() << "TestmenuRemoteCtrl:" << kFailureScript << "did not end within"
                 << kFailureScriptTimeoutMs << "ms";
}

QString TestmenuRemoteCtrl::firstLineText(const QByteArray &content, bool *tooLong)
{
    QByteArray line = content;
    const int newline = line.indexOf('\n');
    if (newline >= 0)
        line.truncate(newline + 1);
    *tooLong = (newline < 0 ? line.size() : newline) > kMaxLineBytes;
    if (*tooLong)
        return QString();
    const int zero = line.indexOf('\0');
    if (zero >= 0)
        line.truncate(zero);
    return QString::fromUtf8(line);
}

void TestmenuRemoteCtrl::readCommandFile()
{
    // Opened as a regular file only: a FIFO in its place must not block the
    // GUI thread, and a link is not followed (its target is no command file
    // of ours, and the answer could not replace a command read through it,
    // so the command would be taken at every poll). (An open through a
    // descriptor leaves the file object without its name, so the path is
    // given each time.)
    const RegularFile::Status status = RegularFile::openForReading(DeviceRoot::path(m_fileName), &m_commandFile,
                                                                   nullptr, RegularFile::Links::Refuse);
    if (status != RegularFile::Status::Ok) {
        qDebug().noquote() << "Could not open/read file" << m_fileName << "-" << RegularFile::describe(status);
        runFailureScript();
        return;
    }
    // One byte past the limit tells a line that is too long.
    const QByteArray head = m_commandFile.read(kMaxLineBytes + 1);
    m_commandFile.close();
    bool tooLong = false;
    const QString line = firstLineText(head, &tooLong);
    if (tooLong) {
        qDebug() << "TestmenuRemoteCtrl: first line longer than" << kMaxLineBytes << "bytes";
        writeResult(QStringLiteral("staUnknownCommand"));
        return;
    }
    analyseCommand(line);
}

int TestmenuRemoteCtrl::analyseCommand(const QString &line)
{
    if (line.startsWith(QLatin1String("cmd"))) {
        // The answer is in the file before the owner acts; whatever the
        // owner writes replaces it.
        writeResult(QStringLiteral("staActive"));
        emit sendCommand(line);
        return 0;
    }
    if (line.startsWith(QLatin1String("res")) || line.startsWith(QLatin1String("sta")))
        return 0;
    writeResult(QStringLiteral("staUnknownCommand"));
    return -1;
}

bool TestmenuRemoteCtrl::writeCommandFile(const QString &boardPath, const QByteArray &bytes)
{
    const RegularFile::Status status = RegularFile::replaceContent(DeviceRoot::path(boardPath), bytes);
    if (status == RegularFile::Status::NotRegular)
        qDebug() << "TestmenuRemoteCtrl: refused to write" << boardPath.toUtf8().constData()
                 << "(a link, FIFO or folder stands there)";
    return status == RegularFile::Status::Ok;
}

void TestmenuRemoteCtrl::writeResult(const QString &text)
{
    if (!writeCommandFile(m_fileName, (text + QLatin1Char('\n')).toLatin1())) {
        qDebug() << "Could not open/write file" << m_fileName.toUtf8().constData();
        runFailureScript();
    }
}
