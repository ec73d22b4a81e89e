#include "testdialog.h"
#include "ui_testdialogframe.h"

#include "gpio.h"
#include "testmenuremotectrl.h"

#include <QStackedWidget>

TestDialog::TestDialog(const Setup &setup, QWidget *parent)
    : KeyDialog(parent), frame(new Ui::TestDialogFrame),
      m_openingCommand(QString::fromLatin1(setup.openingCommand))
{
    resize(480, 272);
    m_subMenu = new QStackedWidget(this);
    frame->setupUi(m_subMenu);
    // A form's top widget keeps only its size: place the column.
    m_subMenu->setGeometry(426, 1, 54, 270);
    frame->butBack->setToolTip(tr("Back"));
    frame->butPass->setToolTip(tr("Pass"));
    frame->butFail->setToolTip(tr("Fail"));
    // Plain member functions, connected here: a test's own form connects
    // its slots by name, and would connect a slot of the frame a second time.
    connect(frame->butBack, &QPushButton::clicked, this, [this]() { on_butBack_clicked(); });
    connect(frame->butPass, &QPushButton::clicked, this, [this]() { on_butPass_clicked(); });
    connect(frame->butFail, &QPushButton::clicked, this, [this]() { on_butFail_clicked(); });

    switch (setup.lines) {
    case SwitchLines::Uart:
        Gpio::setValue(50, 0);
        Gpio::setValue(65, 1);
        break;
    case SwitchLines::Usb:
        Gpio::setValue(65, 0);
        Gpio::setValue(50, 0);
        break;
    case SwitchLines::Untouched:
        break;
    }

    remoteCtrl = new TestmenuRemoteCtrl(this);
    connect(remoteCtrl, &TestmenuRemoteCtrl::sendCommand, this, &TestDialog::executeCommand,
            Qt::UniqueConnection);
    frame->butPass->setVisible(setup.passAtStart);
}

TestDialog::~TestDialog()
{
    // The reader first: no poll may reach a test that is half destroyed.
    delete remoteCtrl;
    delete frame;
}

void TestDialog::executeCommand(QString command)
{
    if (executeOwnCommand(command))
        return;
    if (executeVerdictCommand(command))
        return;
    answerOpeningOrUnknown(command);
}

bool TestDialog::executeOwnCommand(const QString &)
{
    return false;
}

bool TestDialog::executeVerdictCommand(const QString &command)
{
    if (command.startsWith(QLatin1String("cmdExit")))
        on_butBack_clicked();
    else if (command.startsWith(QLatin1String("cmdPass")))
        on_butPass_clicked();
    else if (command.startsWith(QLatin1String("cmdFail")))
        on_butFail_clicked();
    else
        return false;
    return true;
}

void TestDialog::answerOpeningOrUnknown(const QString &command)
{
    if (command.startsWith(m_openingCommand))
        remoteCtrl->writeResult(QStringLiteral("staActive"));
    else
        remoteCtrl->writeResult(QStringLiteral("staUnknownCommand"));
}

void TestDialog::escapeReleased()
{
    // The power key's release: a test closes only with a verdict.
}

void TestDialog::giveVerdict(const char *word, int result)
{
    stopTest();
    if (!stoppedCleanly()) {
        remoteCtrl->writeResult(QStringLiteral("resFailed"));
        return;
    }
    remoteCtrl->writeResult(QString::fromLatin1(word));
    done(result);
}

void TestDialog::on_butBack_clicked()
{
    giveVerdict("resCanceled", Rejected);
}

void TestDialog::on_butPass_clicked()
{
    giveVerdict("resPassed", Accepted);
}

void TestDialog::on_butFail_clicked()
{
    giveVerdict("resFailed", Rejected);
}

void TestDialog::showPass()
{
    frame->butPass->show();
}

QString TestDialog::commandOutputText(const QByteArray &output)
{
    QByteArray text = output.left(kMaxShownBytes);
    const int zero = text.indexOf('\0');
    if (zero >= 0)
        text.truncate(zero);
    return QString::fromUtf8(text);
}

QPushButton *TestDialog::backButton() const
{
    return frame->butBack;
}

QPushButton *TestDialog::passButton() const
{
    return frame->butPass;
}

QPushButton *TestDialog::failButton() const
{
    return frame->butFail;
}

QStackedWidget *TestDialog::subMenu() const
{
    return m_subMenu;
}
