// The power key's short press inside a dialog of a listening measurement
// screen, through the application's key filter as the board sends it: the
// dialog closes, the main page shows, and the path stays muted (GPIO 17, the
// unit's microphone line, the codec output) although the screen's own code
// runs on after its dialog returns. A screen left that way measures no more
// and the unit's key no longer reaches it. Saving while muted sends the
// unit its mute line once more.
#include "eventhandler.h"
#include "levelmeasurement.h"
#include "longtermmeasurement.h"
#include "mainmenu.h"
#include "measurementframe.h"
#include "pairedboard.h"
#include "pinpointing.h"
#include "pipelocating.h"
#include "sensorunitlink.h"
#include "statusbardata.h"
#include "virtualkeyboard.h"

#include <QPushButton>
#include <QStackedWidget>
#include <QtTest>

#include <functional>

namespace {

struct Row {
    int number;
    QString micButton;
    QString headphoneButton;
    std::function<QTimer *(MainMenu &)> timer;
    std::function<bool(MainMenu &)> muted;
};

QList<QPair<QString, Row>> rows()
{
    return {
        {"level measurement",
         {1, "butMenuMic", "butMenuHeadphone", [](MainMenu &w) { return w.levelmeasurementScreen()->levelTimer(); },
          [](MainMenu &w) { return w.levelmeasurementScreen()->isMuted(); }}},
        {"pinpointing",
         {3, "butMenuMicrophone", "butMenuHeadphone_2", // on the settings page
          [](MainMenu &w) { return w.pinpointingScreen()->levelTimer(); },
          [](MainMenu &w) { return w.pinpointingScreen()->isMuted(); }}},
        {"pipe locating",
         {8, "butMenuMicrophone", "butMenuHeadphone", [](MainMenu &w) { return w.pipelocatingScreen()->updateTimer(); },
          [](MainMenu &w) { return w.pipelocatingScreen()->isMuted(); }}},
        {"long-term measurement",
         {9, "butMenuMicrophone", "butMenuHeadphone", [](MainMenu &w) { return w.longtermScreen()->updateTimer(); },
          [](MainMenu &w) { return w.longtermScreen()->isMuted(); }}},
    };
}

} // namespace

class TestDialogPowerKey : public QObject
{
    Q_OBJECT

private slots:
    void powerKeyInsideDialogs();

private:
    QStringList micLines() const { return m_board->unitLines().filter(QRegularExpression("^BT_TX I ")); }
    QString lastMicLine() const
    {
        const QStringList lines = micLines();
        return lines.isEmpty() ? QString() : lines.last();
    }
    QString lastCodecOutput() const
    {
        const QStringList writes = m_root->journal("mixer.log").filter("LO DAC :=");
        return writes.isEmpty() ? QString() : writes.last();
    }
    QStringList gpio17() const { return m_root->sysfsWritesTo("/sys/class/gpio/gpio17/value"); }

    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
};

void TestDialogPowerKey::powerKeyInsideDialogs()
{
    startPairedBoard(&m_root, &m_board);
    MainMenu w;
    w.show();
    EventHandler keys;
    qApp->installEventFilter(&keys);
    QVERIFY(waitForSinkDataMode(*w.getBtSinkInstance(), *m_board, *m_root));
    auto *stack = w.findChild<QStackedWidget *>("mainWidget");

    // The power key as the board's key driver gives it: F1 press and
    // release into whatever has the focus, here the open dialog.
    QStringList closed;
    QTimer powerKey;
    connect(&powerKey, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        closed << modal->metaObject()->className();
        QTest::keyPress(modal, Qt::Key_F1);
        QTest::keyRelease(modal, Qt::Key_F1);
    });

    for (const auto &[name, row] : rows()) {
        for (const QString &button : {QStringLiteral("butMenuFilter"), row.micButton, row.headphoneButton}) {
            w.displayWidget(row.number, 1, 0);
            QWidget *page = stack->currentWidget();
            QTest::keyPress(page, Qt::Key_F6); // the mute key through the filter: listening
            QTRY_VERIFY(!w.isAudioPathMuted());
            QTRY_COMPARE(lastMicLine(), QStringLiteral("BT_TX I 0f ACTIVE SWITCH"));
            QCOMPARE(gpio17().last(), QStringLiteral("1"));
            QCOMPARE(lastCodecOutput(), QStringLiteral("LO DAC := 1"));
            QTRY_VERIFY(row.timer(w)->isActive());
            const int gpioMark = gpio17().size();
            powerKey.start(50);
            auto *open = page->findChild<QPushButton *>(button);
            QVERIFY2(open, qPrintable(button));
            open->click(); // returns once the dialog was closed
            powerKey.stop();
            QCOMPARE(closed.size(), 1);
            closed.clear();
            QCOMPARE(stack->currentWidget()->objectName(), QStringLiteral("mainPage"));
            QVERIFY2(w.isAudioPathMuted(), qPrintable(name + ": " + button));
            QCOMPARE(gpio17().mid(gpioMark), QStringList({"0"}));
            QTRY_COMPARE(lastMicLine(), QStringLiteral("BT_TX I 0f MUTE SWITCH"));
            QCOMPARE(lastCodecOutput(), QStringLiteral("LO DAC := 0"));
            // The screen left that way measures no more and counts as muted.
            QVERIFY(!row.timer(w)->isActive());
            QVERIFY(row.muted(w));
        }

        // The unit's key reaches the main page only, which keeps it muted.
        const int unitMark = gpio17().size();
        QCOMPARE(m_board->send("unit key press"), QStringLiteral("ok"));
        QCOMPARE(m_board->send("unit key release"), QStringLiteral("ok"));
        QTRY_VERIFY(!gpio17().mid(unitMark).isEmpty());
        QTest::qWait(300);
        QVERIFY2(!gpio17().mid(unitMark).contains("1"), qPrintable(gpio17().mid(unitMark).join(',')));
        QVERIFY(w.isAudioPathMuted());
        QTRY_COMPARE(lastMicLine(), QStringLiteral("BT_TX I 0f MUTE SWITCH"));
    }

    // Saving while muted sends the unit its mute once more; the keyboard
    // closed without a name stores nothing.
    w.displayWidget(1, 1, 0);
    QTRY_COMPARE(lastMicLine(), QStringLiteral("BT_TX I 0f MUTE SWITCH"));
    QTest::qWait(300);
    const int mutes = micLines().size();
    QTimer close;
    connect(&close, &QTimer::timeout, [] {
        if (auto *keyboard = qobject_cast<VirtualKeyboard *>(QApplication::activeModalWidget()))
            keyboard->findChild<QPushButton *>("but_Close")->click();
    });
    close.start(50);
    stack->currentWidget()->findChild<QPushButton *>("butMenuSave")->click();
    close.stop();
    QTRY_COMPARE(micLines().size(), mutes + 1);
    QCOMPARE(micLines().last(), QStringLiteral("BT_TX I 0f MUTE SWITCH"));
    QVERIFY(QDir(m_root->local("/media/tq3900/meas")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
    QTest::qWait(300);
    QCOMPARE(micLines().size(), mutes + 1);
    qApp->removeEventFilter(&keys);
}

QTEST_MAIN(TestDialogPowerKey)
#include "tst_dialogpowerkey.moc"
