#ifndef BACKUPDIALOG_H
#define BACKUPDIALOG_H

#include "placeholderdialog.h"

// Not built yet: the dialog's contents.
class BackupDialog : public PlaceholderDialog
{
    Q_OBJECT
public:
    explicit BackupDialog(QWidget *parent = nullptr);
};

#endif // BACKUPDIALOG_H
