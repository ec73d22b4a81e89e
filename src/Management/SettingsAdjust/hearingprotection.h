#ifndef HEARINGPROTECTION_H
#define HEARINGPROTECTION_H

#include "keydialog.h"

#include <memory>

class AudioCodecSetup;
class Bluetooth;
class MediaTonePlayer;

namespace Ui {
class HearingProtection;
}

// The hearing-protection settings dialog: protection active (headphone
// volume limited) or inactive with a headphone volume offset of -4..+10,
// which the user can judge by a looping 300 Hz test tone (played through the
// sound module, which the dialog loads when first built). Every offset step
// goes to the headphone link at once as gain offset + 5.
//
// The opener calls init() with the stored values, runs exec() and, on 1,
// stores getModeHearingProtection() and getHeadphoneVolumeOffset().
// Leaving in any way (accept, cancel, Escape) stops the tone and puts the
// codec back into listening routing without filter, with the path muted.
class HearingProtection : public KeyDialog
{
    Q_OBJECT
public:
    explicit HearingProtection(QWidget *parent = nullptr);
    ~HearingProtection() override;

    void init(bool protection, int headphoneVolumeOffset);
    bool getModeHearingProtection() const { return m_modeHearingProtection; }
    int getHeadphoneVolumeOffset() const { return m_headphoneVolumeOffset; }
    void showHeadphoneVolumeAdjust(bool a_show);

protected:
    // Escape leaves as Cancel does, so a playing tone never leaves the codec
    // in playback with the path open.
    void escapeReleased() override;

private slots:
    void on_butAccept_clicked();
    void on_butClose_clicked();
    void on_butEnabled_clicked();
    void on_butDisabled_clicked();
    void on_butSelect_clicked();
    void updateStylesheetProtectionMode();
    void on_butVolDown_clicked();
    void on_butVolUp_clicked();
    void on_butPlayPause_clicked();

private:
    void stopTone();
    // Stops the tone and leaves the codec listening, unfiltered and muted.
    void restoreListening();
    void setProtection(bool protection);
    void applyOffset(int offset);

    Ui::HearingProtection *ui;
    // nullptr without the sound module: the tone stays silent.
    std::unique_ptr<MediaTonePlayer> m_player;
    AudioCodecSetup *m_audioCodec = nullptr;
    Bluetooth *m_btSource = nullptr;
    bool m_modeHearingProtection = true;
    int m_headphoneVolumeOffset = 0;
    bool m_playTesttone = false;

    friend class TestHearingProtection;
};

#endif // HEARINGPROTECTION_H
