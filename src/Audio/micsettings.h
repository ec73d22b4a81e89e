#ifndef MICSETTINGS_H
#define MICSETTINGS_H

#include "keydialog.h"

class Bluetooth;
class MainMenu;

namespace Ui {
class Micsettings;
}

// The microphone gain as one of six steps. A step button applies the step at
// once through the main window (the codec amplifier for a wired sensor, the
// sensor unit's gain code in its microphone line otherwise) and shows the
// step with the resulting gain, "3(18 dB)". Close also records the step as
// the main window's current step, which the measurement screens start with;
// Escape leaves that record alone (the chosen gain stays in effect).
class Micsettings : public KeyDialog
{
    Q_OBJECT
public:
    explicit Micsettings(QWidget *parent = nullptr);
    ~Micsettings() override;

    int getMicGainStep() const { return m_micGainStep; }
    // "<step>(<gain> dB)"; a wired sensor shows the codec amplifier's gain,
    // any other the sensor unit's gain.
    static QString gainText(int step, bool wired, float pgaGain_dB, int groundGain_dB);

private slots:
    void on_butGain1_clicked() { chooseStep(1); }
    void on_butGain2_clicked() { chooseStep(2); }
    void on_butGain3_clicked() { chooseStep(3); }
    void on_butGain4_clicked() { chooseStep(4); }
    void on_butGain5_clicked() { chooseStep(5); }
    void on_butGain6_clicked() { chooseStep(6); }
    void on_butClose_clicked();

private:
    void chooseStep(int step);
    bool wiredSensor() const;
    void showGain();
    void readGroundGain();

    Ui::Micsettings *ui;
    Bluetooth *m_btSink = nullptr;
    MainMenu *m_mainMenu = nullptr;
    int m_micGainStep = 3;
    int m_groundMicGain = 0;
    int m_groundMicGain_dB = 0;
    float m_micPgaGain_dB = 0.0f;
};

#endif // MICSETTINGS_H
