#ifndef TESTMENUFLASHUPDATE_H
#define TESTMENUFLASHUPDATE_H

#include "testdialog.h"

namespace Ui {
class TestMenuFlashUpdate;
}

// The flash-update preparation: mounts the SD card's boot partition on
// "/media/boot" and places the empty marker ".do_update" there, which the
// installer acts on at the next start, then lists the partition for the
// operator. The results of the commands are not looked at: the listing is
// the evidence. The partition stays mounted.
class TestMenuFlashUpdate : public TestDialog
{
    Q_OBJECT
public:
    static constexpr int kListingWaitMs = 3000;

    explicit TestMenuFlashUpdate(QWidget *parent = nullptr);
    ~TestMenuFlashUpdate() override;

protected:
    bool executeOwnCommand(const QString &command) override;

private slots:
    void on_butStart_clicked();

private:
    Ui::TestMenuFlashUpdate *ui;
};

#endif // TESTMENUFLASHUPDATE_H
