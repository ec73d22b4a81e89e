#include "powersaving.h"
#include "ui_powersaving.h"

#include <QPushButton>

namespace {

constexpr int kPositions = 6;

// One column of the dialog: the times of the switch positions, top to bottom,
// their texts and the position of the default.
struct TimeTable
{
    int seconds[kPositions];
    const char *text[kPositions]; // position 6 ("never") is translated instead
    int defaultPosition;          // 1-based
};

const TimeTable kPowerOff{{600, 1800, 3600, 7200, 10800, 0},
                          {"10 min", "30 min", "1 h", "2 h", "3 h", nullptr},
                          3};
const TimeTable kBacklightOff{{30, 60, 300, 600, 1800, 0},
                              {"30 s", "1 min", "5 min", "10 min", "30 min", nullptr},
                              4};

// 1-based position of a time; -1 is "never" as well; any other time not in
// the table is at the default's position.
int positionOf(const TimeTable &table, int seconds)
{
    if (seconds == -1)
        return kPositions;
    for (int i = 0; i < kPositions; ++i)
        if (table.seconds[i] == seconds)
            return i + 1;
    return table.defaultPosition;
}

// The time itself when it is in the table (or -1), else the default.
int normalised(const TimeTable &table, int seconds)
{
    if (seconds == -1)
        return -1;
    return table.seconds[positionOf(table, seconds) - 1];
}

// Position the switch goes to when pressed: the next one, from "never" round
// to the top; a time outside the table only becomes the default.
int nextPosition(const TimeTable &table, int seconds)
{
    const int position = positionOf(table, seconds);
    if (normalised(table, seconds) != seconds)
        return position;
    return position % kPositions + 1;
}

QString switchStyle(int position)
{
    // The tabs are part of the style sheet as the form was designed.
    return QStringLiteral("QPushButton {image: url(:/Resources/Icons/Management/Systemsettings/"
                          "Radioswitch_pos%1_6x38px.png); \t\t\t\t\t\t\t\t\tpadding: 0px 0px; "
                          "border: 0px; background-color: none; color: white;}")
        .arg(position);
}

} // namespace

PowerSaving::PowerSaving(QWidget *parent)
    : KeyDialog(parent)
    , ui(new Ui::PowerSaving)
{
    ui->setupUi(this);
}

PowerSaving::~PowerSaving()
{
    delete ui;
}

void PowerSaving::init(int powerOffTime, int backlightOffTime)
{
    m_powerOffTime = powerOffTime;
    updateStylesheetPower();
    m_backlightOffTime = backlightOffTime;
    updateStylesheetBacklight();
    // The focused time button is shown highlighted: at the opening it is the
    // one beside the power switch's position, not the first of the tab order.
    if (auto *button = findChild<QPushButton *>(
            QStringLiteral("butPow_%1").arg(positionOf(kPowerOff, m_powerOffTime))))
        button->setFocus();
}

int PowerSaving::getPowerOffTime(QString *text)
{
    m_powerOffTime = normalised(kPowerOff, m_powerOffTime);
    if (text) {
        const int position = positionOf(kPowerOff, m_powerOffTime);
        *text = position == kPositions ? tr("never") : QString::fromLatin1(kPowerOff.text[position - 1]);
    }
    return m_powerOffTime;
}

int PowerSaving::getBacklightOffTime(QString *text)
{
    m_backlightOffTime = normalised(kBacklightOff, m_backlightOffTime);
    if (text) {
        const int position = positionOf(kBacklightOff, m_backlightOffTime);
        *text = position == kPositions ? tr("never") : QString::fromLatin1(kBacklightOff.text[position - 1]);
    }
    return m_backlightOffTime;
}

void PowerSaving::on_butAccept_clicked()
{
    accept();
}

void PowerSaving::on_butClose_clicked()
{
    reject();
}

void PowerSaving::setPowerOff(int position)
{
    m_powerOffTime = kPowerOff.seconds[position - 1];
    updateStylesheetPower();
}

void PowerSaving::setBacklightOff(int position)
{
    m_backlightOffTime = kBacklightOff.seconds[position - 1];
    updateStylesheetBacklight();
}

void PowerSaving::on_butPow_1_clicked()
{
    setPowerOff(1);
}

void PowerSaving::on_butPow_2_clicked()
{
    setPowerOff(2);
}

void PowerSaving::on_butPow_3_clicked()
{
    setPowerOff(3);
}

void PowerSaving::on_butPow_4_clicked()
{
    setPowerOff(4);
}

void PowerSaving::on_butPow_5_clicked()
{
    setPowerOff(5);
}

void PowerSaving::on_butPow_6_clicked()
{
    setPowerOff(6);
}

void PowerSaving::on_butBl_1_clicked()
{
    setBacklightOff(1);
}

void PowerSaving::on_butBl_2_clicked()
{
    setBacklightOff(2);
}

void PowerSaving::on_butBl_3_clicked()
{
    setBacklightOff(3);
}

void PowerSaving::on_butBl_4_clicked()
{
    setBacklightOff(4);
}

void PowerSaving::on_butBl_5_clicked()
{
    setBacklightOff(5);
}

void PowerSaving::on_butBl_6_clicked()
{
    setBacklightOff(6);
}

void PowerSaving::on_butSwitchBacklight_clicked()
{
    setBacklightOff(nextPosition(kBacklightOff, m_backlightOffTime));
}

void PowerSaving::on_butSwitchPower_clicked()
{
    setPowerOff(nextPosition(kPowerOff, m_powerOffTime));
}

void PowerSaving::updateStylesheetPower()
{
    m_powerOffTime = normalised(kPowerOff, m_powerOffTime);
    ui->butSwitchPower->setStyleSheet(switchStyle(positionOf(kPowerOff, m_powerOffTime)));
}

void PowerSaving::updateStylesheetBacklight()
{
    m_backlightOffTime = normalised(kBacklightOff, m_backlightOffTime);
    ui->butSwitchBacklight->setStyleSheet(switchStyle(positionOf(kBacklightOff, m_backlightOffTime)));
}
