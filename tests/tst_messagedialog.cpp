// The message box and the dialog key convention: the result code of every
// button of every type, Escape (press swallowed, release cancels), the
// power key's short press through the key filter, automatic close.
#include "eventhandler.h"
#include "keydialog.h"
#include "mainmenu.h"
#include "messagedialog.h"
#include "popupinfo.h"
#include "testroot.h"
#include "virtualkeyboard.h"

#include <QLabel>
#include <QScreen>
#include <QPushButton>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

QPushButton *button(QDialog &d, const char *name)
{
    return d.findChild<QPushButton *>(QLatin1String(name));
}

// Runs the dialog modally; `act` runs inside its event loop. Returns the
// milliseconds the dialog was open (-1 when it did not close within 5 s).
qint64 runModal(QDialog &dialog, const std::function<void()> &act, int closeAfterMs = 5000)
{
    bool timedOut = false;
    QTimer::singleShot(50, &dialog, act);
    QTimer::singleShot(closeAfterMs, &dialog, [&] {
        timedOut = dialog.isVisible();
        dialog.done(-7);
    });
    QElapsedTimer clock;
    clock.start();
    dialog.exec();
    return timedOut ? -1 : clock.elapsed();
}

} // namespace

class TestMessageDialog : public QObject
{
    Q_OBJECT

private slots:
    void buttonsOfEveryType_data();
    void buttonsOfEveryType();
    void escapePressAloneStaysOpenReleaseCancels_data();
    void escapePressAloneStaysOpenReleaseCancels();
    void powerKeyShortPressCancels();
    void automaticClose();
    void iconsAndTexts();
    void keyDialogConvention();
    void dialogsOpenOverTheInstrumentsWindow();
};

void TestMessageDialog::buttonsOfEveryType_data()
{
    QTest::addColumn<int>("type");
    // Per button left/middle/right: "" hidden, else "<text>=<code>@<x>".
    QTest::addColumn<QStringList>("layout");
    QTest::newRow("0 OK") << 0 << QStringList{"", "OK=0@165", ""};
    QTest::newRow("1 OK Cancel") << 1 << QStringList{"", "OK=0@85", "Cancel=1@245"};
    QTest::newRow("2 Yes No") << 2 << QStringList{"", "Yes=2@85", "No=3@245"};
    QTest::newRow("3 Yes No Cancel") << 3 << QStringList{"Yes=2@5", "No=3@165", "Cancel=1@325"};
    QTest::newRow("7 falls back to OK") << 7 << QStringList{"", "OK=0@165", ""};
    QTest::newRow("-1 falls back to OK") << -1 << QStringList{"", "OK=0@165", ""};
}

void TestMessageDialog::buttonsOfEveryType()
{
    QFETCH(int, type);
    QFETCH(QStringList, layout);
    const char *const names[3] = {"butLeft", "butMiddle", "butRight"};
    for (int i = 0; i < 3; ++i) {
        MessageDialog dialog;
        // A type set before must not leave a button of its own behind.
        dialog.setDialogType(3);
        dialog.setDialogType(type);
        QPushButton *b = button(dialog, names[i]);
        if (layout[i].isEmpty()) {
            dialog.show();
            QVERIFY2(!b->isVisible(), names[i]);
            continue;
        }
        bool shown = false;
        const qint64 open = runModal(dialog, [&] {
            shown = b->isVisible();
            b->click();
        }, 1000);
        QVERIFY2(shown, names[i]);
        QVERIFY(open >= 0);
        const QString text = layout[i].section('=', 0, 0);
        const int code = layout[i].section('=', 1).section('@', 0, 0).toInt();
        const int x = layout[i].section('@', 1).toInt();
        QCOMPARE(b->text(), text);
        QCOMPARE(b->geometry(), QRect(x, 212, 150, 50));
        QCOMPARE(dialog.getPressedButton(), code);
    }
}

void TestMessageDialog::escapePressAloneStaysOpenReleaseCancels_data()
{
    QTest::addColumn<int>("type");
    for (int type = 0; type <= 3; ++type)
        QTest::newRow(qPrintable(QString::number(type))) << type;
}

void TestMessageDialog::escapePressAloneStaysOpenReleaseCancels()
{
    QFETCH(int, type);
    MessageDialog dialog;
    dialog.setDialogType(type);
    bool openAfterPress = false;
    const qint64 open = runModal(dialog, [&] {
        QWidget *target = dialog.focusWidget() ? dialog.focusWidget() : &dialog;
        QTest::keyPress(target, Qt::Key_Escape);
        QTest::keyPress(target, Qt::Key_A); // ignored
        QTest::qWait(100);
        openAfterPress = dialog.isVisible() && dialog.getPressedButton() == -1;
        QTest::keyRelease(target, Qt::Key_Escape);
    });
    QVERIFY(openAfterPress);
    QVERIFY(open >= 0);
    QCOMPARE(dialog.getPressedButton(), 1);
}

// The power key's short press reaches a dialog as the key filter makes it:
// F11 press, then the Escape release sent to the focus widget.
void TestMessageDialog::powerKeyShortPressCancels()
{
    TestRoot root;
    MainMenu window;
    EventHandler filter;
    qApp->installEventFilter(&filter);
    MessageDialog dialog(&window);
    dialog.setDialogType(2);
    dialog.show();
    dialog.activateWindow();
    QTRY_VERIFY(dialog.focusWidget());
    const qint64 open = runModal(dialog, [&] {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_F1, Qt::NoModifier);
        QApplication::sendEvent(dialog.focusWidget(), &press);
        QCoreApplication::processEvents(); // the posted F11
        QApplication::sendEvent(dialog.focusWidget(), &release);
    });
    qApp->removeEventFilter(&filter);
    QVERIFY(open >= 0);
    QCOMPARE(dialog.getPressedButton(), 1);
}

void TestMessageDialog::automaticClose()
{
    MessageDialog dialog;
    dialog.setDialogType(1);
    dialog.setAutoCloseTimeout(86399);
    QCOMPARE(dialog.getAutoCloseTimeout(), 86399);
    dialog.setAutoCloseTimeout(86400); // out of range: off
    QCOMPARE(dialog.getAutoCloseTimeout(), -1);
    QCOMPARE(runModal(dialog, [] {}, 1500), qint64(-1));
    QCOMPARE(dialog.getPressedButton(), -1);

    // The time runs from the call, not from exec().
    MessageDialog timed;
    timed.setAutoCloseTimeout(0);
    QCOMPARE(timed.getAutoCloseTimeout(), -1);
    timed.setAutoCloseTimeout(1);
    QTest::qWait(400);
    const qint64 open = runModal(timed, [] {});
    QVERIFY2(open >= 450 && open < 1000, qPrintable(QString::number(open)));
    QCOMPARE(timed.getPressedButton(), 4);

    // A button before the time is up stops the timer: its code stays.
    MessageDialog answered;
    answered.setDialogType(2);
    answered.setAutoCloseTimeout(1);
    runModal(answered, [&] { button(answered, "butRight")->click(); });
    QTest::qWait(1200);
    QCOMPARE(answered.getPressedButton(), 3);
}

void TestMessageDialog::iconsAndTexts()
{
    MessageDialog dialog;
    auto *icon = dialog.findChild<QLabel *>("labelIcon");
    QCOMPARE(dialog.size(), QSize(480, 272));
    QCOMPARE(icon->geometry(), QRect(10, 10, 60, 60));
    const QStringList names = {"Information", "Warning", "Error", "Question", "Information", "Information"};
    const int values[] = {0, 1, 2, 3, 4, -1};
    for (int i = 0; i < 6; ++i) {
        dialog.setIcon(values[i]);
        const QString style = icon->styleSheet();
        const QString file = style.section("url(", 1).section(')', 0, 0);
        QCOMPARE(file, QStringLiteral(":/Resources/Icons/Tools/Messagedialog/%1.png").arg(names[i]));
        // The picture is one of ours, 60 px, and not blank.
        const QImage picture(file);
        QCOMPARE(picture.size(), QSize(60, 60));
        QVERIFY(picture.pixelColor(30, 30).alpha() > 0);
        QVERIFY(icon->text().isEmpty());
    }
    dialog.setHeadline("Warning");
    dialog.setInfotext("The battery is very low.");
    auto *headline = dialog.findChild<QLabel *>("labelHeadline");
    QCOMPARE(headline->text(), QStringLiteral("Warning"));
    QCOMPARE(headline->font().pointSize(), 25);
    QVERIFY(headline->font().bold());
    QCOMPARE(dialog.findChild<QLabel *>("labelInfotext")->text(), QStringLiteral("The battery is very low."));
}

// The helper every dialog derives from: Escape press swallowed, release
// rejects, Return does not accept through a default button.
void TestMessageDialog::keyDialogConvention()
{
    KeyDialog dialog;
    auto *ok = new QPushButton("OK", &dialog);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    int result = -1;
    bool openAfterPresses = false;
    QTimer::singleShot(50, &dialog, [&] {
        QTest::keyPress(&dialog, Qt::Key_Escape);
        QTest::keyClick(&dialog, Qt::Key_Return);
        QTest::keyClick(&dialog, Qt::Key_Enter);
        openAfterPresses = dialog.isVisible();
        QTest::keyRelease(&dialog, Qt::Key_Escape);
    });
    QTimer::singleShot(3000, &dialog, [&] { dialog.done(-7); });
    result = dialog.exec();
    QVERIFY(openAfterPresses);
    QCOMPARE(result, int(QDialog::Rejected));
}

// On a desktop larger than the instrument's screen (the offscreen one is
// 800 x 600) every dialog opens over the instrument's window, centred on
// it: a note made without a parent, which the window system would put in the
// middle of the desktop, a dialog over a screen, the pop-up and the keyboard.
void TestMessageDialog::dialogsOpenOverTheInstrumentsWindow()
{
    TestRoot root;
    MainMenu window;
    window.move(300, 310);
    window.show();
    const QRect inside = window.geometry(); // within its frame
    QCOMPARE(inside.size(), QSize(480, 272));
    QVERIFY(inside.x() >= 300 && inside.y() >= 310);
    QVERIFY(QGuiApplication::primaryScreen()->geometry().contains(window.frameGeometry()));

    QRect note;
    QTimer answer; // answers the note once it is open
    connect(&answer, &QTimer::timeout, [&note] {
        if (auto *open = qobject_cast<MessageDialog *>(QApplication::activeModalWidget())) {
            note = open->geometry();
            open->findChild<QPushButton *>("butMiddle")->click();
        }
    });
    answer.start(50);
    MessageDialog::inform(1, QStringLiteral("Warning"), QStringLiteral("NoBluetoothConnectionPleaseCheckYourGX4"));
    answer.stop();
    QCOMPARE(note, inside);

    MessageDialog overScreen(window.centralWidget());
    overScreen.show();
    QCOMPARE(overScreen.geometry(), inside);
    overScreen.close();
    PopupInfo popup;
    popup.show();
    QCOMPARE(popup.geometry(), QRect(inside.topLeft() + QPoint(215, 111), QSize(50, 50)));
    popup.close();
    VirtualKeyboard keyboard;
    keyboard.show();
    QCOMPARE(keyboard.geometry(), inside);
    keyboard.close();
}

QTEST_MAIN(TestMessageDialog)
#include "tst_messagedialog.moc"
