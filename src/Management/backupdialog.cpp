#include "backupdialog.h"

BackupDialog::BackupDialog(QWidget *parent)
    : PlaceholderDialog(QStringLiteral("BackupDialog"), parent)
{
}
