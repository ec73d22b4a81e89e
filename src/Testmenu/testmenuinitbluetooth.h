#ifndef TESTMENUINITBLUETOOTH_H
#define TESTMENUINITBLUETOOTH_H

#include "testdialog.h"

#include <QString>

class Bluetooth;
class QLabel;

namespace Ui {
class TestmenuInitBluetooth;
}

// The Bluetooth module initialisation test: writes the factory configuration
// into the source (headphone side) and the sink module (sensor-unit side),
// forgets the device paired on that side, and 5 s later judges the settings
// the module listed in answer: a name beginning "TQE3900" and the A2DP role
// of its side. A module that passes is restarted with the new configuration.
// The verdict is shown, not written: the station reads the screen or decides
// by its own means. The two reset buttons restore the modules' factory
// settings; the pair commands are taken and do nothing.
class TestmenuInitBluetooth : public TestDialog
{
    Q_OBJECT
public:
    static constexpr int kCheckDelayMs = 5000;
    static const char kNamePrefix[];

    // The role a module's settings listing names: 1 SINK, 2 SOURCE, 0 none.
    struct Listing {
        bool received = false; // a name line was among the text
        QString name;
        int role = 0;
    };
    // The last name and A2DP role lines of a module's output.
    static Listing parseListing(const QString &text);

    explicit TestmenuInitBluetooth(QWidget *parent = nullptr);
    ~TestmenuInitBluetooth() override;

protected:
    bool executeOwnCommand(const QString &command) override;

private slots:
    void on_butInitBtSource_clicked();
    void on_butInitBtSink_clicked();
    void on_butResetBtSource_clicked();
    void on_butResetBtSink_clicked();
    void on_butPairBtSource_clicked();
    void on_butPairBtSink_clicked();
    void updateSourceData();
    void updateSinkData();

private:
    // What one side needs: its module, its label, the role it must report
    // and what the module said since its last "SET".
    struct Side {
        Bluetooth *module;
        QLabel *label;
        int role;
        const char *logName;
        QString output;
    };
    void startInit(Side &side, bool source);
    void check(Side &side);
    static void resetModule(Bluetooth *module);

    Ui::TestmenuInitBluetooth *ui;
    Bluetooth *m_btSource = nullptr;
    Bluetooth *m_btSink = nullptr;
    Side m_source;
    Side m_sink;
};

#endif // TESTMENUINITBLUETOOTH_H
