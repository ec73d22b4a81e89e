#include "hearingprotection.h"
#include "ui_hearingprotection.h"

#include "audiocodecsetup.h"
#include "bluetooth.h"
#include "mainmenu.h"
#include "mediabackend.h"
#include "medialibrary.h"

#include <QDebug>
#include <QKeyEvent>

namespace {

const char kTesttone[] = ":/Resources/Files/Testtone_300HzFS.wav";
constexpr int kMinOffset = -4;
constexpr int kMaxOffset = 10;
// The headphone link's gain for an offset: 1..15.
constexpr int kGainForOffsetZero = 5;
constexpr int kToneVolume = 70;

QString switchStyle(const char *position)
{
    return QStringLiteral("QPushButton {image: url(:/Resources/Icons/Management/Systemsettings/Radioswitch_%1_2x40px.png); "
                          "\t\t\t\t\t\t\t\t\tpadding: 0px 0px; border: 0px; background-color: none; color: white;}")
        .arg(QLatin1String(position));
}

} // namespace

HearingProtection::HearingProtection(QWidget *parent)
    : KeyDialog(parent), ui(new Ui::HearingProtection)
{
    if (MediaBackend *backend = MediaLibrary::backend())
        m_player.reset(backend->createLoopingPlayer(QUrl(QStringLiteral("qrc") + QLatin1String(kTesttone)),
                                                    kToneVolume));
    ui->setupUi(this);
    ui->labelHeadline->setText(tr("HearingProtection"));
    ui->labelWarning->setText(tr("WarningRiskOfAcousticShock"));
}

HearingProtection::~HearingProtection()
{
    m_player.reset(); // ends a playback
    delete ui;
}

void HearingProtection::init(bool protection, int headphoneVolumeOffset)
{
    m_headphoneVolumeOffset = headphoneVolumeOffset >= kMinOffset && headphoneVolumeOffset <= kMaxOffset
                                  ? headphoneVolumeOffset
                                  : 0;
    m_modeHearingProtection = protection;
    m_playTesttone = false;
    if (MainMenu *w = MainMenu::getInstanceMainMenu()) {
        m_audioCodec = w->getAudioCodecInstance();
        m_btSource = w->getBtSourceInstance();
    }

    stopTone();
    // A PC without a media back end (or without the sound module) plays
    // nothing; that is all.
    static bool s_reported = false;
    if ((!m_player || !m_player->available()) && !s_reported) {
        qDebug() << "Test tone: no media service available, the tone stays silent";
        s_reported = true;
    }

    updateStylesheetProtectionMode();
    ui->labelWarning->setText(protection ? tr("MaximumVolumeWillBeLimited") : tr("WarningRiskOfAcousticShock"));
    showHeadphoneVolumeAdjust(!protection);
    ui->labelHeadphoneVolumeOffset->setText(QString::number(m_headphoneVolumeOffset));
}

void HearingProtection::showHeadphoneVolumeAdjust(bool a_show)
{
    ui->labelDefaultHeadphoneVolume->setVisible(a_show);
    ui->labelHeadphoneVolumeOffset->setVisible(a_show);
    ui->butVolDown->setVisible(a_show);
    ui->butVolUp->setVisible(a_show);
    ui->butPlayPause->setVisible(a_show);
}

void HearingProtection::updateStylesheetProtectionMode()
{
    if (m_modeHearingProtection) {
        ui->butSelect->setStyleSheet(switchStyle("top"));
        showHeadphoneVolumeAdjust(false);
        stopTone();
        m_playTesttone = false;
    } else {
        ui->butSelect->setStyleSheet(switchStyle("bottom"));
        showHeadphoneVolumeAdjust(true);
    }
}

void HearingProtection::setProtection(bool protection)
{
    m_modeHearingProtection = protection;
    updateStylesheetProtectionMode();
    ui->labelWarning->setText(protection ? tr("MaximumVolumeWillBeLimited") : tr("WarningRiskOfAcousticShock"));
}

void HearingProtection::on_butEnabled_clicked()
{
    setProtection(true);
}

void HearingProtection::on_butDisabled_clicked()
{
    setProtection(false);
}

void HearingProtection::on_butSelect_clicked()
{
    setProtection(!m_modeHearingProtection);
}

void HearingProtection::applyOffset(int offset)
{
    m_headphoneVolumeOffset = qBound(kMinOffset, offset, kMaxOffset);
    ui->labelHeadphoneVolumeOffset->setText(QString::number(m_headphoneVolumeOffset));
    if (m_btSource)
        m_btSource->setBtAdcGain(m_headphoneVolumeOffset + kGainForOffsetZero);
}

void HearingProtection::on_butVolDown_clicked()
{
    applyOffset(m_headphoneVolumeOffset - 1);
}

void HearingProtection::on_butVolUp_clicked()
{
    applyOffset(m_headphoneVolumeOffset + 1);
}

void HearingProtection::on_butPlayPause_clicked()
{
    if (!m_playTesttone) {
        qDebug() << "Play Testtone" << kTesttone;
        if (m_audioCodec) {
            m_audioCodec->init();
            m_audioCodec->setFilter(quint32(-1), quint32(-1), 0);
            m_audioCodec->setRouting(1);
        }
        if (MainMenu *w = MainMenu::getInstanceMainMenu())
            w->muteAudioPath(false, false);
        if (m_player)
            m_player->play();
        m_playTesttone = true;
    } else {
        qDebug() << "Pause Testtone" << kTesttone;
        stopTone();
        m_playTesttone = false;
    }
}

void HearingProtection::stopTone()
{
    if (m_player)
        m_player->stop();
}

void HearingProtection::restoreListening()
{
    stopTone();
    m_playTesttone = false;
    if (m_audioCodec) {
        m_audioCodec->init();
        m_audioCodec->setFilter(quint32(-1), quint32(-1), 0);
        m_audioCodec->setRouting(0);
    }
    if (MainMenu *w = MainMenu::getInstanceMainMenu())
        w->muteAudioPath(true, false);
}

void HearingProtection::on_butAccept_clicked()
{
    restoreListening();
    accept();
}

void HearingProtection::on_butClose_clicked()
{
    restoreListening();
    reject();
}

void HearingProtection::escapeReleased()
{
    on_butClose_clicked();
}
