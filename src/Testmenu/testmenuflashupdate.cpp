#include "testmenuflashupdate.h"
#include "ui_testmenuflashupdate.h"

#include "commandrunner.h"

#include <QDebug>

TestMenuFlashUpdate::TestMenuFlashUpdate(QWidget *parent)
    : TestDialog(Setup{"cmdFlashUpdate"}, parent), ui(new Ui::TestMenuFlashUpdate)
{
    ui->setupUi(this);
}

TestMenuFlashUpdate::~TestMenuFlashUpdate()
{
    delete ui;
}

bool TestMenuFlashUpdate::executeOwnCommand(const QString &command)
{
    if (!command.startsWith(QLatin1String("cmdGenerateFlashUpdateFile")))
        return false;
    on_butStart_clicked();
    return true;
}

void TestMenuFlashUpdate::on_butStart_clicked()
{
    CommandRunner::run(QStringLiteral("mkdir /media/boot"));
    CommandRunner::run(QStringLiteral("mount /dev/mmcblk0p1 /media/boot/"));
    CommandRunner::run(QStringLiteral("touch /media/boot/.do_update"));
    const CommandRunner::Result listing =
        CommandRunner::runWithTimeout(QStringLiteral("ls -la /media/boot"), kListingWaitMs);
    ui->labelStatus->setText(QStringLiteral("File for flash update generated."));
    qDebug() << "TestmenuFlashUpdate:" << listing.output;
    ui->textEdit->setPlainText(commandOutputText(listing.output));
    showPass();
}
