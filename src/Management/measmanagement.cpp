#include "measmanagement.h"

MeasManagement::MeasManagement(QWidget *parent)
    : PlaceholderScreen(QStringLiteral("MeasManagement"), true, parent)
{
}

void MeasManagement::init(int page, bool editDeleteMode)
{
    recordInit(QStringLiteral("init %1 %2").arg(page).arg(editDeleteMode ? 1 : 0));
}
