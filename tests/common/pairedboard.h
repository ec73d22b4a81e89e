#ifndef PAIREDBOARD_H
#define PAIREDBOARD_H

#include "simboard.h"
#include "testroot.h"

#include <QDir>
#include <QtTest>

#include <memory>

// A fresh device root as the board has it out of the box, and the
// simulator running on it.
inline void startBoard(std::unique_ptr<TestRoot> *root, std::unique_ptr<SimBoard> *board)
{
    *root = std::make_unique<TestRoot>();
    QVERIFY((*root)->isValid());
    *board = std::make_unique<SimBoard>((*root)->root());
    QVERIFY2((*board)->isRunning(), qPrintable((*board)->error()));
}

// settings.ini of an instrument paired with the simulated sensor unit and
// headphone, the mute key in switch mode; `more` is appended as it is.
inline QByteArray pairedSettings(const QString &more = QString())
{
    return QStringLiteral("[Bluetooth]\nMicrophone_ID=%1\nHeadphone_ID=%2\n[Systemsettings]\nSwitchmode=Switch\n%3")
        .arg(QLatin1String(SimBoard::kUnitAddress), QLatin1String(SimBoard::kHeadphoneAddress), more)
        .toUtf8();
}

// A fresh device root with those settings and an empty data partition, and
// the simulator running on it (the set-up of the measurement screens' tests).
inline void startPairedBoard(std::unique_ptr<TestRoot> *root, std::unique_ptr<SimBoard> *board,
                             const QString &more = QString())
{
    *root = std::make_unique<TestRoot>();
    QVERIFY((*root)->write("/home/root/settings.ini", pairedSettings(more)));
    QVERIFY(QDir().mkpath((*root)->local("/media/tq3900/meas")));
    *board = std::make_unique<SimBoard>((*root)->root());
    QVERIFY2((*board)->isRunning(), qPrintable((*board)->error()));
}

#endif // PAIREDBOARD_H
