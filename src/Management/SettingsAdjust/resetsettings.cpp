#include "resetsettings.h"
#include "ui_resetsettings.h"

#include "messagedialog.h"

#include <QDebug>

ResetSettings::ResetSettings(QWidget *parent)
    : KeyDialog(parent)
    , ui(new Ui::ResetSettings)
{
    ui->setupUi(this);
}

ResetSettings::~ResetSettings()
{
    delete ui;
}

void ResetSettings::on_butMenuBack_clicked()
{
    reject();
}

void ResetSettings::on_butReset_clicked()
{
    MessageDialog question(this);
    question.setIcon(1);
    question.setHeadline(tr("Warning"));
    question.setDialogType(2);
    //: Do you really want to reset all settings?
    question.setInfotext(tr("DoYouReallyWantToResetAllSettings"));
    question.exec();
    switch (question.getPressedButton()) {
    case 2:
        qDebug() << "Messagedialog Button Yes";
        accept();
        break;
    case 3:
        qDebug() << "Messagedialog Button No";
        reject();
        break;
    default:
        // Escape (reported as Cancel) or anything else: no reset.
        qDebug() << "Messagedialog Button Unknown";
        reject();
        break;
    }
}
