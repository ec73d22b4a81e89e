#ifndef MEASMANAGEMENT_H
#define MEASMANAGEMENT_H

#include "placeholderscreen.h"

#include <QString>

// The stored-measurement browser (screen 7).
//
// Built so far: the folder picked last, which a measurement screen opened
// with init(1) shows, and opening a picked folder in its screen. Not built
// yet: the list, its pages and the edit and delete mode; it records the
// inits it receives.
class MeasManagement : public PlaceholderScreen
{
    Q_OBJECT
public:
    explicit MeasManagement(QWidget *parent = nullptr);
    void init(int page, bool editDeleteMode);

    // Folder name (below /media/tq3900/meas/) of the measurement picked last.
    QString getSelectedMeasurementDir() const { return m_selectedMeasurementDir; }
    // The screen that shows a folder by its prefix: "LE" 1, "PP" 3, "H2" 6, "PL" 8,
    // "LT" 9; -1 for any other.
    static int screenOf(const QString &folder);
    // Picks a folder and opens it in its screen with gotoWidget(screen, -1, 1).
    // False (nothing picked) for a folder no screen shows.
    bool openMeasurement(const QString &folder);

private:
    QString m_selectedMeasurementDir;
};

#endif // MEASMANAGEMENT_H
