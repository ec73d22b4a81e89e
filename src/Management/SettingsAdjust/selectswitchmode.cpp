#include "selectswitchmode.h"
#include "ui_selectswitchmode.h"


namespace {

// The stored texts of the two modes.
const QString kSwitch = QStringLiteral("Switch");
const QString kPushButton = QStringLiteral("Push-Button");

} // namespace

SelectSwitchmode::SelectSwitchmode(QWidget *parent)
    : KeyDialog(parent)
    , ui(new Ui::SelectSwitchmode)
{
    ui->setupUi(this);
}

SelectSwitchmode::~SelectSwitchmode()
{
    delete ui;
}

void SelectSwitchmode::init(QString mode)
{
    m_switchmode = mode;
    updateSwitchImage();
}

void SelectSwitchmode::on_butSwitch_clicked()
{
    m_switchmode = kSwitch;
    updateSwitchImage();
}

void SelectSwitchmode::on_butPushButton_clicked()
{
    m_switchmode = kPushButton;
    updateSwitchImage();
}

void SelectSwitchmode::on_butSwitchSelect_clicked()
{
    // Anything but exactly "Switch" (also an unknown stored text) counts as
    // the lower position, so the press moves the switch up.
    m_switchmode = m_switchmode == kSwitch ? kPushButton : kSwitch;
    updateSwitchImage();
}

void SelectSwitchmode::on_butAccept_clicked()
{
    accept();
}

void SelectSwitchmode::on_butClose_clicked()
{
    reject();
}

void SelectSwitchmode::updateSwitchImage()
{
    const QString position = m_switchmode == kSwitch ? QStringLiteral("top") : QStringLiteral("bottom");
    ui->butSwitchSelect->setStyleSheet(
        QStringLiteral("QPushButton {image: url(:/Resources/Icons/Management/Systemsettings/"
                       "Radioswitch_%1_2x40px.png); padding: 0px 0px; border: 0px; "
                       "background-color: none; color: white;}")
            .arg(position));
}
