#include "firmwareupdate.h"

Firmwareupdate::Firmwareupdate(QWidget *parent)
    : PlaceholderDialog(QStringLiteral("Firmwareupdate"), parent)
{
}
