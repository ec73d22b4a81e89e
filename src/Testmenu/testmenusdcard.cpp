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

QString TestmenuSdcard::statusText(const CommandRunner::Result &r)
{
    // Only a whole answer of a tool that ran is a table read; anything else
    // says what happened, so that nothing shown passes for a table it is not.
    if (r.output.trimmed().isEmpty())
        return QStringLiteral("No answer from parted.");
    if (r.timedOut)
        return QStringLiteral("parted did not end within %1 s.").arg(kOutputWaitMs / 1000);
    if (r.exitCode != 0)
        return QStringLiteral("parted failed (exit code %1).").arg(r.exitCode);
    return QStringLiteral("Partition table read.");
}

void TestmenuSdcard::on_butStart_clicked()
{
    // The step ends alike whatever the tool did: the output is shown and
    // Pass offered, for the operator to judge; the status tells whether
    // that output is a table at all.
    const CommandRunner::Result r =
        CommandRunner::runWithTimeout(QString::fromLatin1(kPartedCommand), kOutputWaitMs);
    ui->labelStatus->setText(statusText(r));
    qDebug() << "TestmenuSdcard:" << r.output;
    ui->textEdit->setPlainText(commandOutputText(r.output));
    showPass();
}
