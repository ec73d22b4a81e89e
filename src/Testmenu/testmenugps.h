#ifndef TESTMENUGPS_H
#define TESTMENUGPS_H

#include "testdialog.h"

namespace Ui {
class TestmenuGps;
}

class Gps;
class QTimer;

// The GPS test: every 1500 ms the position of the last fix (six decimals)
// and the receiver's latest RMC sentence. Only an RMC sentence that arrived
// since the previous update counts: the driver keeps the last sentences of a
// receiver that fell silent. The station asks whether the
// receiver is connected (an RMC sentence, with or without fix, has been
// seen) and whether the position is valid (neither coordinate within
// 0.00001 degrees of zero). Unlike the other tests, the verdict commands are
// tested before the test's own.
class TestmenuGps : public TestDialog
{
    Q_OBJECT
public:
    static constexpr int kUpdateMs = 1500;
    static constexpr double kNoPosition = 0.00001;

    // The receiver is the main window's unless one is given; without either
    // the test shows a receiver that delivers nothing.
    explicit TestmenuGps(QWidget *parent = nullptr, Gps *gps = nullptr);
    ~TestmenuGps() override;

    QTimer *updateTimer() const { return m_timer; }

    // True when both coordinates are away from zero.
    static bool isPosition(double latitude, double longitude);

public slots:
    void executeCommand(QString command) override;
    void updateGpsData();

private:
    Ui::TestmenuGps *ui;
    Gps *m_gpsModul = nullptr;
    QTimer *m_timer;
    quint32 m_rmcCount = 0; // the receiver's RMC count at the last update
    bool m_modulConnected = false;
    bool m_gpsPositionValid = false;
};

#endif // TESTMENUGPS_H
