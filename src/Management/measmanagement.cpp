#include "measmanagement.h"

MeasManagement::MeasManagement(QWidget *parent)
    : PlaceholderScreen(QStringLiteral("MeasManagement"), true, parent)
{
}

void MeasManagement::init(int page, bool editDeleteMode)
{
    recordInit(QStringLiteral("init %1 %2").arg(page).arg(editDeleteMode ? 1 : 0));
}

int MeasManagement::screenOf(const QString &folder)
{
    const QString prefix = folder.left(3);
    if (prefix == QLatin1String("LE_"))
        return 1;
    if (prefix == QLatin1String("PP_"))
        return 3;
    if (prefix == QLatin1String("H2_"))
        return 6;
    if (prefix == QLatin1String("PL_"))
        return 8;
    if (prefix == QLatin1String("LT_"))
        return 9;
    return -1;
}

bool MeasManagement::openMeasurement(const QString &folder)
{
    const int screen = screenOf(folder);
    if (screen < 0)
        return false;
    m_selectedMeasurementDir = folder;
    emit gotoWidget(screen, -1, 1);
    return true;
}
