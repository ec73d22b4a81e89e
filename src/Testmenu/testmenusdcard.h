#ifndef TESTMENUSDCARD_H
#define TESTMENUSDCARD_H

#include "testdialog.h"

namespace Ui {
class TestmenuSdcard;
}

// The SD card test: shows the card's partition table as "parted" prints it
// (at most 3 s of output), for the operator to judge. Pass is offered after
// the first reading, whatever it showed.
class TestmenuSdcard : public TestDialog
{
    Q_OBJECT
public:
    static const char kPartedCommand[];
    static constexpr int kOutputWaitMs = 3000;

    explicit TestmenuSdcard(QWidget *parent = nullptr);
    ~TestmenuSdcard() override;

protected:
    bool executeOwnCommand(const QString &command) override;

private slots:
    void on_butStart_clicked();

private:
    Ui::TestmenuSdcard *ui;
};

#endif // TESTMENUSDCARD_H
