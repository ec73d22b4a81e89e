#ifndef DEBUGMENU_H
#define DEBUGMENU_H

#include "keydialog.h"

#include <QByteArray>
#include <QString>

namespace Ui {
class DebugMenu;
}

class Bluetooth;
class QTimer;

// The developer's menu: three pages of buttons for the debug screens, the
// service connector's UART/USB switch, stress tests of the sensor-unit link
// and of the codec, the ALSA state restore, the file-system probe, the
// sensor unit's test firmware file and debug mode, and leaving the program.
//
// Opening it switches the service connector to USB (GPIO 65 and 50 := 0).
// Only the power key's press (F11) closes it besides Cancel; the Escape that
// follows the power key and every other key are ignored.
class DebugMenu : public KeyDialog
{
    Q_OBJECT
public:
    explicit DebugMenu(QWidget *parent = nullptr);
    ~DebugMenu() override;

    // The sensor unit's test firmware image: 1041 bytes, 0x00..0xFF, then
    // 256 x 0xA1, 256 x 0xB2, 256 x 0xC3 and 17 x 0xD4.
    static QByteArray testFirmwareImage();
    // The debug line of the file-system probe for the output of "df -Th".
    static QString filesystemLine(const QByteArray &dfOutput);

    static constexpr int kStresstestPeriodMs = 517;
    static const char kTestFirmwareFile[];

    int currentPage() const { return m_currentPage; }
    // The screen the menu was left for (the main window shows it one level
    // deep once the menu has closed), or -1.
    int requestedScreen() const { return m_requestedScreen; }
    bool isStresstestRunning() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void escapeReleased() override;

private slots:
    void on_butCancel_clicked();
    void on_butUp_clicked();
    void on_butDown_clicked();
    void on_butInitBt_clicked();
    void on_butBtCommand_clicked();
    void on_butGain_clicked();
    void on_butAudioLevelFft_clicked();
    void on_butUartTerminal_clicked();
    void on_butExit_clicked();
    void on_butTetrix_clicked();
    void on_butCrash_clicked();
    void on_butFwTestString_clicked();
    void on_butDetectFilesystem_clicked();
    void on_butStresstestBluetooth_clicked();
    void on_butResetAudio_clicked();
    void on_butAudioCodecStresstest_clicked();
    void on_butSetGX4ToDebugMode_clicked();
    void on_but11_clicked();
    void timerSlot();

private:
    void showPage(int page);

    Ui::DebugMenu *ui;
    Bluetooth *m_btSink = nullptr;
    QTimer *m_anyTimer = nullptr;
    int m_currentPage = 1;
    bool m_uartTerminal = false;
    int m_requestedScreen = -1;
};

#endif // DEBUGMENU_H
