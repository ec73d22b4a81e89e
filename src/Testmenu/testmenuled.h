#ifndef TESTMENULED_H
#define TESTMENULED_H

#include "testdialog.h"

namespace Ui {
class TestmenuLed;
}

// The LED test: the operator or the station switches the I/O LED (its
// brightness file) and the debug LED (GPIO 115) on and off and judges them.
// The charge LED's row is hidden; its commands are taken and do nothing.
// The LEDs keep the state last set when the test closes.
class TestmenuLed : public TestDialog
{
    Q_OBJECT
public:
    static const char kIoLedFile[];

    explicit TestmenuLed(QWidget *parent = nullptr);
    ~TestmenuLed() override;

protected:
    bool executeOwnCommand(const QString &command) override;
    void stopTest() override;

private slots:
    void on_butIO_ON_clicked();
    void on_butIO_OFF_clicked();
    void on_butCHRG_ON_clicked();
    void on_butCHRG_OFF_clicked();
    void on_butDBG_ON_clicked();
    void on_butDBG_OFF_clicked();

private:
    Ui::TestmenuLed *ui;
};

#endif // TESTMENULED_H
