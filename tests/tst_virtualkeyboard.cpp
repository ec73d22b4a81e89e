// The on-screen keyboard, driven by clicks on its own buttons: the case rule,
// Shift and the special characters, insertion at the cursor, Delete, Enter,
// the trimmed result and the results of exec() (also for the power key
// through the application's key filter).
#include "eventhandler.h"
#include "virtualkeyboard.h"

#include <QClipboard>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include <functional>

namespace {

QPushButton *key(const VirtualKeyboard &kb, const QString &name)
{
    auto *button = kb.findChild<QPushButton *>(name);
    if (!button)
        qFatal("no key %s", qPrintable(name));
    return button;
}

// Clicks the keys named by the words ("P U M P", "Space", "1").
void press(const VirtualKeyboard &kb, const QString &keys)
{
    for (const QString &k : keys.split(' ', Qt::SkipEmptyParts))
        QTest::mouseClick(key(kb, "but_" + k), Qt::LeftButton);
}

QPlainTextEdit *field(const VirtualKeyboard &kb)
{
    return kb.findChild<QPlainTextEdit *>("textEdit");
}

// Runs exec() while action drives the open dialog.
int execWith(VirtualKeyboard &kb, const std::function<void()> &action)
{
    QTimer::singleShot(0, &kb, action);
    return kb.exec();
}

const QStringList kLetters = QString("ABCDEFGHIJKLMNOPQRSTUVWXYZ").split("", Qt::SkipEmptyParts);

} // namespace

class TestVirtualKeyboard : public QObject
{
    Q_OBJECT

private slots:
    // Characters and case
    void firstLetterCapitalThenSmall();
    void presetSelectsCase_data();
    void presetSelectsCase();
    void shiftIsALock();
    void specialCharacters();
    void everyKeyTypesItsLabel();

    // Cursor and editing
    void insertsAtMovedCursor();
    void deleteBeforeCursor();
    void deleteAtStartChangesNothing();
    void deleteKeepsCaseMode();
    void insertionPointClampedToText();
    void pcKeyboardTypesAsTheKeys();

    // Result
    void resultIsTrimmed();
    void enterAppendsLineBreakAtEnd();
    void enterAccepts();
    void execResults_data();
    void execResults();
    void powerKeyCancels();
};

// ---------------------------------------------------------------------------
// Characters and case

void TestVirtualKeyboard::firstLetterCapitalThenSmall()
{
    VirtualKeyboard kb;
    kb.setText("");
    QCOMPARE(key(kb, "but_P")->text(), QStringLiteral("P"));
    press(kb, "P");
    QCOMPARE(key(kb, "but_U")->text(), QStringLiteral("u"));
    press(kb, "U M P");
    QCOMPARE(kb.getText(), QStringLiteral("Pump"));
    QCOMPARE(field(kb)->toPlainText(), QStringLiteral("Pump"));
    QCOMPARE(field(kb)->textCursor().position(), 4);
}

void TestVirtualKeyboard::presetSelectsCase_data()
{
    QTest::addColumn<QString>("preset");
    QTest::addColumn<QString>("result");
    QTest::newRow("empty: capital") << "" << "P";
    QTest::newRow("one character: small") << "X" << "Xp";
    QTest::newRow("two characters keep capitals") << "AB" << "ABP";
    QTest::newRow("four characters keep capitals") << "Pump" << "PumpP";
}

void TestVirtualKeyboard::presetSelectsCase()
{
    QFETCH(QString, preset);
    QFETCH(QString, result);
    VirtualKeyboard kb;
    kb.setText(preset);
    QCOMPARE(field(kb)->toPlainText(), preset);
    QCOMPARE(field(kb)->textCursor().position(), preset.length()); // cursor at the end
    press(kb, "P");
    QCOMPARE(kb.getText(), result);
}

void TestVirtualKeyboard::shiftIsALock()
{
    VirtualKeyboard kb;
    kb.setText("");
    press(kb, "A B Shift C D Shift E");
    QCOMPARE(kb.getText(), QStringLiteral("AbCDe"));
    QCOMPARE(key(kb, "but_F")->text(), QStringLiteral("f"));
    // Without special characters Shift leaves digits and underline alone.
    press(kb, "1 Underline Minus Shift 2 Underline");
    QCOMPARE(kb.getText(), QStringLiteral("AbCDe1_-2_"));
}

void TestVirtualKeyboard::specialCharacters()
{
    VirtualKeyboard kb;
    kb.setText("");
    kb.enableSpecialChar(true);
    // Shown at the next relabelling only: the first key still is a capital.
    QCOMPARE(key(kb, "but_1")->text(), QStringLiteral("1"));
    press(kb, "A 1");
    QCOMPARE(kb.getText(), QStringLiteral("A!"));
    press(kb, "Shift 1");
    QCOMPARE(kb.getText(), QStringLiteral("A!1"));

    press(kb, "Shift");
    const QString specials = "!:.,+/\"*@?";
    const QString digits = "1234567890";
    for (int i = 0; i < 10; ++i)
        QCOMPARE(key(kb, QStringLiteral("but_%1").arg(digits.at(i)))->text(), QString(specials.at(i)));
    QCOMPARE(key(kb, "but_Underline")->text(), QStringLiteral("="));
    QCOMPARE(key(kb, "but_Minus")->text(), QStringLiteral("-"));
    press(kb, "2 3 4 5 6 7 8 9 0 Underline Minus");
    QCOMPARE(kb.getText(), QStringLiteral("A!1:.,+/\"*@?=-"));
}

// Every one of the 38 character keys and the space key types its own label
// in both cases: a key wired to the wrong slot shows here.
void TestVirtualKeyboard::everyKeyTypesItsLabel()
{
    QStringList names = kLetters;
    const QString digits = "0123456789";
    for (const QChar d : digits)
        names << QString(d);
    names << "Minus" << "Underline" << "Space";
    const QMap<QString, QString> typed = {{"Minus", "-"}, {"Underline", "_"}, {"Space", " "}};

    for (const bool small : {false, true}) {
        VirtualKeyboard kb;
        kb.setText("XYZW");
        if (small)
            press(kb, "Shift");
        QString expected = "XYZW";
        for (const QString &name : names) {
            press(kb, name);
            QString c = typed.value(name, name);
            if (small)
                c = c.toLower();
            expected += c;
            QCOMPARE(field(kb)->toPlainText(), expected);
        }
    }
}

// ---------------------------------------------------------------------------
// Cursor and editing

void TestVirtualKeyboard::insertsAtMovedCursor()
{
    VirtualKeyboard kb;
    kb.show();
    QVERIFY(QTest::qWaitForWindowExposed(&kb));
    kb.setText("Pump");
    // The user touches the start of the text.
    QPlainTextEdit *edit = field(kb);
    QTest::mouseClick(edit->viewport(), Qt::LeftButton, {}, edit->cursorRect(QTextCursor(edit->document())).center());
    QCOMPARE(edit->textCursor().position(), 0);
    press(kb, "X");
    QCOMPARE(kb.getText(), QStringLiteral("XPump"));
    QCOMPARE(edit->textCursor().position(), 1);
    press(kb, "Y");
    QCOMPARE(kb.getText(), QStringLiteral("XYPump"));
    QCOMPARE(edit->textCursor().position(), 2);
}

void TestVirtualKeyboard::deleteBeforeCursor()
{
    VirtualKeyboard kb;
    kb.setText("Pumpe");
    press(kb, "Del");
    QCOMPARE(kb.getText(), QStringLiteral("Pump"));
    QCOMPARE(field(kb)->textCursor().position(), 4);

    QTextCursor c = field(kb)->textCursor();
    c.setPosition(2);
    field(kb)->setTextCursor(c);
    press(kb, "Del");
    QCOMPARE(kb.getText(), QStringLiteral("Pmp"));
    QCOMPARE(field(kb)->toPlainText(), QStringLiteral("Pmp"));
    QCOMPARE(field(kb)->textCursor().position(), 1);
}

void TestVirtualKeyboard::deleteAtStartChangesNothing()
{
    VirtualKeyboard kb;
    kb.setText("Pump");
    QTextCursor c = field(kb)->textCursor();
    c.setPosition(0);
    field(kb)->setTextCursor(c);
    press(kb, "Del Del");
    QCOMPARE(kb.getText(), QStringLiteral("Pump"));
    QCOMPARE(field(kb)->textCursor().position(), 0);

    VirtualKeyboard empty;
    empty.setText("");
    press(empty, "Del");
    QCOMPARE(empty.getText(), QString());
}

void TestVirtualKeyboard::deleteKeepsCaseMode()
{
    VirtualKeyboard kb;
    kb.setText("");
    press(kb, "A B Del Del"); // small letters were in force
    QCOMPARE(kb.getText(), QString());
    press(kb, "C");
    QCOMPARE(kb.getText(), QStringLiteral("c"));
}

// The field edited by other means than the keys: the keys still insert into
// the keyboard's own text, at most at its end.
void TestVirtualKeyboard::insertionPointClampedToText()
{
    VirtualKeyboard kb;
    kb.show();
    QVERIFY(QTest::qWaitForWindowExposed(&kb));
    kb.setText("ABC");
    field(kb)->insertPlainText("  ");
    QCOMPARE(field(kb)->toPlainText(), QStringLiteral("ABC  "));
    QCOMPARE(field(kb)->textCursor().position(), 5);
    press(kb, "D");
    QCOMPARE(kb.getText(), QStringLiteral("ABCD"));
    QCOMPARE(field(kb)->toPlainText(), QStringLiteral("ABCD"));
    QCOMPARE(field(kb)->textCursor().position(), 4);

    field(kb)->insertPlainText("  ");
    press(kb, "Del");
    QCOMPARE(kb.getText(), QStringLiteral("ABC"));
    QCOMPARE(field(kb)->textCursor().position(), 3);
}

// A PC keyboard types into the field as the keys would: what no key can
// type is refused, and the field never shows more than the result.
void TestVirtualKeyboard::pcKeyboardTypesAsTheKeys()
{
    VirtualKeyboard kb;
    kb.show();
    QVERIFY(QTest::qWaitForWindowExposed(&kb));
    kb.setText("");
    kb.useEnterAsAccept(true);
    QTest::keyClicks(field(kb), "Main St 12!");
    QCOMPARE(kb.getText(), QStringLiteral("Main St 12")); // no "!" without special characters
    QCOMPARE(field(kb)->toPlainText(), QStringLiteral("Main St 12"));
    QCOMPARE(key(kb, "but_B")->text(), QStringLiteral("b")); // the case rule followed the typing

    // Backspace deletes as DEL does, at the cursor; Delete and a paste change nothing.
    QTest::keyClick(field(kb), Qt::Key_Left);
    QTest::keyClick(field(kb), Qt::Key_Backspace);
    QTest::keyClick(field(kb), Qt::Key_Delete);
    QApplication::clipboard()->setText("XYZ");
    QTest::keyClick(field(kb), Qt::Key_V, Qt::ControlModifier);
    QKeyEvent umlaut(QEvent::KeyPress, Qt::Key_Adiaeresis, Qt::NoModifier, QStringLiteral("ä"));
    QApplication::sendEvent(field(kb), &umlaut);
    QCOMPARE(kb.getText(), QStringLiteral("Main St 2"));
    QCOMPARE(field(kb)->toPlainText(), kb.getText());
    // The key buttons clicked with the mouse leave the typing in the field.
    press(kb, "Shift");
    QCOMPARE(kb.focusWidget(), field(kb));
    QTest::keyClicks(kb.focusWidget(), "-_");
    QCOMPARE(kb.getText(), QStringLiteral("Main St -_2"));

    // The instrument's select key (a Space without text) types nothing.
    QKeyEvent select(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QString());
    QApplication::sendEvent(field(kb), &select);
    QCOMPARE(kb.getText(), QStringLiteral("Main St -_2"));

    // Return accepts as ENTER does.
    QCOMPARE(execWith(kb, [&kb] { QTest::keyClick(field(kb), Qt::Key_Return); }), 1);
    QCOMPARE(kb.getText(), QStringLiteral("Main St -_2"));

    // With special characters they count; Return then breaks the line.
    VirtualKeyboard raw;
    raw.show();
    raw.setText("");
    raw.enableSpecialChar(true);
    QTest::keyClicks(field(raw), "at!:.,+/\"*@?=#");
    QTest::keyClick(field(raw), Qt::Key_Return);
    QVERIFY(raw.isVisible());
    QTest::keyClicks(field(raw), "x");
    QCOMPARE(field(raw)->toPlainText(), QStringLiteral("at!:.,+/\"*@?=\nx"));
}

// ---------------------------------------------------------------------------
// Result

void TestVirtualKeyboard::resultIsTrimmed()
{
    VirtualKeyboard kb;
    kb.setText("");
    press(kb, "Space Space W A Space T Space Space");
    QCOMPARE(field(kb)->toPlainText(), QStringLiteral("  wa t  "));
    QCOMPARE(kb.getText(), QStringLiteral("wa t"));
}

void TestVirtualKeyboard::enterAppendsLineBreakAtEnd()
{
    VirtualKeyboard kb;
    kb.setText("AT+");
    QTextCursor c = field(kb)->textCursor();
    c.setPosition(1);
    field(kb)->setTextCursor(c);
    press(kb, "Enter");
    QCOMPARE(field(kb)->toPlainText(), QStringLiteral("AT+\n"));
    QCOMPARE(field(kb)->textCursor().position(), 4);
    QCOMPARE(kb.getText(), QStringLiteral("AT+")); // a trailing line break is trimmed
    press(kb, "B");
    QCOMPARE(kb.getText(), QStringLiteral("AT+\nB"));
}

void TestVirtualKeyboard::enterAccepts()
{
    VirtualKeyboard kb;
    kb.setText("Valve");
    kb.useEnterAsAccept(true);
    QCOMPARE(execWith(kb, [&kb] { press(kb, "Enter"); }), 1);
    QCOMPARE(kb.getText(), QStringLiteral("Valve")); // no line break added
}

void TestVirtualKeyboard::execResults_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("text");
    QTest::newRow("accept") << "P U M P Accept" << 1 << "Pump";
    QTest::newRow("close") << "P U M P Close" << 0 << "Pump";
}

void TestVirtualKeyboard::execResults()
{
    QFETCH(QString, keys);
    QFETCH(int, result);
    QFETCH(QString, text);
    VirtualKeyboard kb;
    kb.setText("");
    QCOMPARE(execWith(kb, [&kb, keys] { press(kb, keys); }), result);
    QCOMPARE(kb.getText(), text);
}

void TestVirtualKeyboard::powerKeyCancels()
{
    EventHandler filter;
    qApp->installEventFilter(&filter);
    VirtualKeyboard kb;
    kb.setText("Pump");
    const int result = execWith(kb, [&kb] {
        QWidget *target = kb.focusWidget() ? kb.focusWidget() : &kb;
        QTest::keyPress(target, Qt::Key_F1);
        QTest::keyRelease(target, Qt::Key_F1);
    });
    qApp->removeEventFilter(&filter);
    QCOMPARE(result, 0);

    // A plain Escape press alone does not close the keyboard.
    VirtualKeyboard kb2;
    kb2.setText("");
    bool stillOpen = false;
    const int result2 = execWith(kb2, [&kb2, &stillOpen] {
        QTest::keyPress(&kb2, Qt::Key_Escape);
        QTest::keyPress(&kb2, Qt::Key_Return);
        stillOpen = kb2.isVisible();
        QTest::keyRelease(&kb2, Qt::Key_Escape);
    });
    QVERIFY(stillOpen);
    QCOMPARE(result2, 0);
}

QTEST_MAIN(TestVirtualKeyboard)
#include "tst_virtualkeyboard.moc"
