#include "management.h"

Management::Management(QWidget *parent)
    : PlaceholderScreen(QStringLiteral("Management"), false, parent)
{
}

void Management::init()
{
    recordInit(QStringLiteral("init"));
}
