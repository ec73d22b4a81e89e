#ifndef FIRMWAREUPDATE_H
#define FIRMWAREUPDATE_H

#include "placeholderdialog.h"

// Not built yet: the dialog's contents.
class Firmwareupdate : public PlaceholderDialog
{
    Q_OBJECT
public:
    explicit Firmwareupdate(QWidget *parent = nullptr);
};

#endif // FIRMWAREUPDATE_H
