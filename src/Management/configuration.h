#ifndef CONFIGURATION_H
#define CONFIGURATION_H

#include "keydialog.h"

#include <QString>

namespace Ui {
class Configuration;
}
class Bluetooth;
class QTimer;

// The sensor unit's information page: firmware and hardware version,
// battery, sensor, microphone gain and button mode as the unit reports them
// on "BT_TX P", with the paired unit's name and address from the settings.
//
// Opening and Reload send the request and clear the unit's fields; the
// answer is read when the unit's end marker ("!$!") arrives or after
// kReplyTimeoutMs with whatever arrived by then. Each key is searched in the
// whole answer; a key not found leaves its field as it was.
class Configuration : public KeyDialog
{
    Q_OBJECT
public:
    static constexpr int kReplyTimeoutMs = 7000;

    explicit Configuration(QWidget *parent = nullptr);
    ~Configuration() override;

    void init();

    // The texts of the tables: a sensor type code (decimal) and a gain code
    // (hexadecimal, "0x" allowed).
    static QString sensorTypeText(const QString &code);
    static QString gainSuffix(const QString &code);

    // The values of the unit's answer ("BT_RX <key> <value>" lines): the
    // first of each key in the whole text, empty when it is not there.
    struct Answer
    {
        QString sensor, gain, battery, firmware, hardware, button, mute;
    };
    static Answer parseAnswer(const QString &text);

public slots:
    void readBtAnswer();

private slots:
    void on_butMenuBack_clicked();
    void on_butReadAgain_clicked();

private:
    void showFields();

    Ui::Configuration *ui;
    Bluetooth *m_btSource = nullptr;
    Bluetooth *m_btSink = nullptr;
    QTimer *m_timer;
    QString m_micFirmwareVersion;
    QString m_micBatteryState;
    QString m_micGain;
    QString m_micSensorType;
    QString m_micButtonMode;
    QString m_micHardwareVersion;
    QString m_micBtName;
    QString m_micBtId;
    // The two words the button field is made of, kept over late answers so
    // that the field is built afresh at each parse.
    QString m_buttonWord;
    QString m_muteWord;
};

#endif // CONFIGURATION_H
