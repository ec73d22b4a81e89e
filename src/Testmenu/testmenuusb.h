#ifndef TESTMENUUSB_H
#define TESTMENUUSB_H

#include "testdialog.h"

namespace Ui {
class TestmenuUsb;
}

// The USB test: the service connector stays in USB mode while the test is
// open; Connect lends the data partition to the PC at the other end as a
// USB drive, Disconnect takes it back and applies the provisioning files
// the PC left on it, as the PC data transfer does. Every verdict first takes
// a lent partition back (without provisioning) and returns the connector to
// the UART; while the PC still holds the partition no verdict closes the
// test (the station reads "resFailed" and the label says why). On opening, one line pointing to the instrument's documentation
// is written at the start of "/media/tq3900/info.txt", for the PC to find.
class TestmenuUsb : public TestDialog
{
    Q_OBJECT
public:
    static const char kInfoFile[];
    static const char kInfoLine[];

    explicit TestmenuUsb(QWidget *parent = nullptr);
    ~TestmenuUsb() override;

    bool isLent() const { return m_connectedWithUsb; }

protected:
    bool executeOwnCommand(const QString &command) override;
    void stopTest() override;
    bool stoppedCleanly() const override { return !m_connectedWithUsb; }

private slots:
    void on_butConnect_clicked();
    void on_butDisconnect_clicked();

private:
    static void writeInfoLine();
    void showLent(bool lent);

    Ui::TestmenuUsb *ui;
    QString m_prompt;
    bool m_connectedWithUsb = false;
};

#endif // TESTMENUUSB_H
