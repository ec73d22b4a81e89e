#ifndef FRAMESCREENS_H
#define FRAMESCREENS_H

// What the tests of the measurement-screen frame share: the table of the
// screens built on the frame, a hand that answers the frame's modal dialogs,
// and the simulated board paired with the sensor unit and the headphone.
//
// Every frame test runs for each screen in screens(); a screen built on the
// frame joins all of them by adding its row there.

#include "bluetooth.h"
#include "h2sensor.h"
#include "levelmeasurement.h"
#include "longtermmeasurement.h"
#include "mainmenu.h"
#include "measurementframe.h"
#include "messagedialog.h"
#include "modalaction.h"
#include "nametyper.h"
#include "pinpointing.h"
#include "pipelocating.h"
#include "sensorunitlink.h"
#include "simboard.h"
#include "statusbardata.h"
#include "testroot.h"
#include "virtualkeyboard.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

struct FrameScreen {
    int number;       // screen number of the main window
    int favourite;    // favourite code
    QString prefix;   // folder prefix of its measurements
    std::function<QWidget *(MainMenu &)> widget;
    std::function<MeasurementFrame *(MainMenu &)> frame;
    // The screen's measurement update timer, and whether it runs while muted.
    std::function<QTimer *(MainMenu &)> timer;
    bool timerWhileMuted = false;
    // Saves through the frame (muting first); the hydrogen screen saves by
    // itself and has no filter.
    bool frameSave = true;
};

inline QList<QPair<QString, FrameScreen>> screens()
{
    return {
        {"pinpointing",
         {3, 1, "PP_", [](MainMenu &w) -> QWidget * { return w.pinpointingScreen(); },
          [](MainMenu &w) { return w.pinpointingScreen()->frame(); },
          [](MainMenu &w) { return w.pinpointingScreen()->levelTimer(); }}},
        {"level measurement",
         {1, 2, "LE_", [](MainMenu &w) -> QWidget * { return w.levelmeasurementScreen(); },
          [](MainMenu &w) { return w.levelmeasurementScreen()->frame(); },
          [](MainMenu &w) { return w.levelmeasurementScreen()->levelTimer(); }}},
        {"pipe locating",
         {8, 5, "PL_", [](MainMenu &w) -> QWidget * { return w.pipelocatingScreen(); },
          [](MainMenu &w) { return w.pipelocatingScreen()->frame(); },
          [](MainMenu &w) { return w.pipelocatingScreen()->updateTimer(); }, true}},
        {"long-term measurement",
         {9, 3, "LT_", [](MainMenu &w) -> QWidget * { return w.longtermScreen(); },
          [](MainMenu &w) { return w.longtermScreen()->frame(); },
          [](MainMenu &w) { return w.longtermScreen()->updateTimer(); }}},
        {"hydrogen",
         {6, 4, "H2_", [](MainMenu &w) -> QWidget * { return w.h2sensorScreen(); },
          [](MainMenu &w) { return w.h2sensorScreen()->frame(); },
          [](MainMenu &w) { return w.h2sensorScreen()->pollTimer(); }, true, false}},
    };
}

// The screen of the running data row (screenRows()).
inline FrameScreen currentScreen()
{
    QFETCH(int, index);
    return screens().at(index).second;
}

// One data row per screen, column "index" into screens(). Programs whose
// rows take half a minute each are run by ctest once per screen, with
// TQ3900_FRAME_SCREEN="<index>/<count>" (tests/CMakeLists.txt counts the
// rows above): such a run has that screen's row only.
inline void screenRows()
{
    QTest::addColumn<int>("index");
    const QStringList shard = qEnvironmentVariable("TQ3900_FRAME_SCREEN").split(QLatin1Char('/'));
    if (shard.size() == 2 && shard.at(1).toInt() != screens().size())
        QFAIL(qPrintable(QStringLiteral("ctest runs %1 screens, screens() has %2: tests/CMakeLists.txt counts "
                                        "the rows that start a line with {\"")
                             .arg(shard.at(1))
                             .arg(screens().size())));
    for (int i = 0; i < screens().size(); ++i)
        if (shard.size() != 2 || shard.at(0).toInt() == i)
            QTest::addRow("%s", qPrintable(screens().at(i).first)) << i;
}

// Answers the modal dialogs of the frame: notes the message boxes it closes
// and types `name` into the name keyboard (or cancels it when name is null).
// The hydrogen screen's note on a missing hydrogen sensor (the simulated
// unit reports a microphone) is closed and counted apart.
class FrameModals : public ModalPoll
{
public:
    QStringList seen;
    int sensorNotes = 0;
    QString name = QStringLiteral("Garden");

private:
    void look(QWidget *modal) override
    {
        if (auto *box = qobject_cast<MessageDialog *>(modal)) {
            const QString text = box->findChild<QLabel *>("labelInfotext")->text();
            if (text.startsWith(QLatin1String("You must connect a H2-Sensor")))
                ++sensorNotes;
            else
                seen << text;
            box->findChild<QPushButton *>("butMiddle")->click();
        } else if (auto *keys = qobject_cast<VirtualKeyboard *>(modal)) {
            seen << "keyboard";
            typeName(keys, name);
        }
    }
};

// The device root and the simulated board of one frame test.
class FrameBoard
{
public:
    std::unique_ptr<TestRoot> root;
    std::unique_ptr<SimBoard> board;
    std::unique_ptr<FrameModals> modals;
    std::unique_ptr<MainMenu> window;

    // A fresh root paired with the unit and the headphone, the mute key in
    // `switchmode` ("Switch" or "Push-Button"); `extra` is appended to the
    // settings as it is. Then the simulator on it.
    void pair(const QString &switchmode, const QString &extra = QString())
    {
        root = std::make_unique<TestRoot>();
        QVERIFY(root->write("/home/root/settings.ini",
                            QStringLiteral("[Bluetooth]\nMicrophone_ID=%1\nHeadphone_ID=%2\n"
                                           "[Systemsettings]\nSwitchmode=%3\n%4")
                                .arg(SimBoard::kUnitAddress, SimBoard::kHeadphoneAddress, switchmode, extra)
                                .toUtf8()));
        board = std::make_unique<SimBoard>(root->root());
        QVERIFY2(board->isRunning(), qPrintable(board->error()));
    }

    // pair(), then a hand for the frame's dialogs and the main window on the
    // board; true once the window's link to the sensor unit is in data mode.
    bool open(const QString &switchmode)
    {
        pair(switchmode);
        if (QTest::currentTestFailed())
            return false;
        modals = std::make_unique<FrameModals>();
        window = std::make_unique<MainMenu>();
        return waitForSinkDataMode(*window->getBtSinkInstance(), *board, *root);
    }

    void reset()
    {
        window.reset();
        modals.reset();
        board.reset();
        root.reset();
        StatusbarData()->update(); // no wired sensor for the next test
    }

    // True once `line` is the last line the unit received.
    bool unitGot(const QString &line, int timeoutMs = 5000) const
    {
        if (QTest::qWaitFor([&] { return board->unitLines().value(board->unitLines().size() - 1) == line; },
                            timeoutMs))
            return true;
        qWarning() << "unit lines:" << board->unitLines().mid(board->unitLines().size() - 5);
        return false;
    }

    // The data link back after "bt ttyO2 restore rfcomm": the link's state
    // machine calls again on its own schedule, which a loaded machine or an
    // emulator stretches well beyond a first connection's wait.
    bool linkBack(const Bluetooth &link) const
    {
        return board->waitForDataLink(30000) && waitForSinkDataMode(link, *board, *root);
    }

    // The microphone lines the unit received (the status data's requests
    // for its sensor and battery left out).
    QStringList micLines() const { return board->unitLines().filter(QRegularExpression("^BT_TX I ")); }
    QStringList gpio17() const { return root->sysfsWritesTo("/sys/class/gpio/gpio17/value"); }
    static QString current(MainMenu &w)
    {
        return w.findChild<QStackedWidget *>("mainWidget")->currentWidget()->objectName();
    }
};

#endif // FRAMESCREENS_H
