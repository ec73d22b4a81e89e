#include "displaysettings.h"
#include "ui_displaysettings.h"

#include "backlight.h"
#include "driverhelper.h"
#include "mainmenu.h"
#include "systemsettings.h"

#include <QDebug>

namespace {

constexpr int kLow = 5;
constexpr int kMedium = 6;
constexpr int kHigh = 7;

bool isLevel(int level)
{
    return level >= kLow && level <= kHigh;
}

} // namespace

Displaysettings::Displaysettings(QWidget *parent)
    : KeyDialog(parent)
    , ui(new Ui::Displaysettings)
{
    ui->setupUi(this);
}

Displaysettings::~Displaysettings()
{
    delete ui;
}

void Displaysettings::init()
{
    // At most 10 bytes: the attribute holds a small number and a line feed.
    char buffer[11];
    if (DriverHelper::readFile(Backlight::kBrightness, buffer, sizeof buffer)) {
        const QByteArray read(buffer);
        m_brightness = read.trimmed().toInt(); // 0 when it is no number
        qDebug() << "Current Brightness Value from file:" << read << m_brightness;
    }
    qDebug() << "Current Brightness:" << m_brightness;
    applyBrightness();
    m_levelAtInit = m_brightness;
}

int Displaysettings::getBrightness(QString *text)
{
    if (text) {
        switch (m_brightness) {
        case kLow:
            *text = tr("low");
            break;
        case kMedium:
            *text = tr("medium");
            break;
        case kHigh:
            *text = tr("high");
            break;
        default:
            text->clear();
        }
    }
    return m_brightness;
}

void Displaysettings::on_butBrightnessHigh_clicked()
{
    m_brightness = kHigh;
    applyBrightness();
}

void Displaysettings::on_butBrightnessMedium_clicked()
{
    m_brightness = kMedium;
    applyBrightness();
}

void Displaysettings::on_butBrightnessLow_clicked()
{
    m_brightness = kLow;
    applyBrightness();
}

void Displaysettings::on_butBrightnessSelect_clicked()
{
    // The switch steps medium, low, high, medium.
    switch (m_brightness) {
    case kMedium:
        m_brightness = kLow;
        break;
    case kLow:
        m_brightness = kHigh;
        break;
    default:
        m_brightness = kMedium;
    }
    applyBrightness();
}

void Displaysettings::on_butAccept_clicked()
{
    accept();
}

void Displaysettings::on_butClose_clicked()
{
    reject();
}

void Displaysettings::reject()
{
    // Cancel, the power key and closing all end here.
    DriverHelper::writeFile(Backlight::kBrightness, storedBrightness());
    QDialog::reject();
}

int Displaysettings::storedBrightness() const
{
    int level = m_levelAtInit;
    if (MainMenu *w = MainMenu::getInstanceMainMenu())
        level = w->getInstanceSystemsettings()->getBrightness();
    // A settings file without a usable level must not leave the display dark.
    return isLevel(level) ? level : kMedium;
}

void Displaysettings::applyBrightness()
{
    if (!isLevel(m_brightness))
        m_brightness = kMedium;
    const char *position = m_brightness == kHigh ? "top" : m_brightness == kMedium ? "middle" : "bottom";
    ui->butBrightnessSelect->setStyleSheet(
        QStringLiteral("QPushButton {image: url(:/Resources/Icons/Management/Systemsettings/"
                       "Radioswitch_%1_3x40px.png); padding: 0px 0px; border: 0px; "
                       "background-color: none; color: white;}")
            .arg(QLatin1String(position)));
    // A missing attribute is neither created nor reported.
    DriverHelper::writeFile(Backlight::kBrightness, m_brightness);
}
