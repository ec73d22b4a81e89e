#ifndef TESTMENUSDCARD_H
#define TESTMENUSDCARD_H

#include "commandrunner.h"
#include "testdialog.h"

namespace Ui {
class TestmenuSdcard;
}

// The SD card test: shows the card's partition table as "parted" prints it
// (at most 3 s of output), for the operator to judge. Pass is offered after
// the first reading, whatever it showed; the status line says whether a
// whole table came, or none, or the tool failed.
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
    // The status line for what the tool answered.
    static QString statusText(const CommandRunner::Result &r);

    Ui::TestmenuSdcard *ui;
};

#endif // TESTMENUSDCARD_H
