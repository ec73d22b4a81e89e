#ifndef RESETSETTINGS_H
#define RESETSETTINGS_H

#include "keydialog.h"

namespace Ui {
class ResetSettings;
}

// The first of the two steps before a reset to the delivery state: it says
// what the reset does and offers a Reset button, behind which a yes/no
// question asks once more. exec() returns Accepted only for Yes; the
// settings screen then carries the reset out.
class ResetSettings : public KeyDialog
{
    Q_OBJECT
public:
    explicit ResetSettings(QWidget *parent = nullptr);
    ~ResetSettings() override;

private slots:
    void on_butMenuBack_clicked();
    void on_butReset_clicked();

private:
    Ui::ResetSettings *ui;
};

#endif // RESETSETTINGS_H
