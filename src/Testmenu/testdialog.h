#ifndef TESTDIALOG_H
#define TESTDIALOG_H

#include "keydialog.h"

#include <QString>

namespace Ui {
class TestDialogFrame;
}

class QPushButton;
class QStackedWidget;
class TestmenuRemoteCtrl;

// The frame every production test dialog is built on: the column of Back,
// Pass and Fail at the right edge, the verdict words written to the test
// station's command file, the service connector's switch lines, the test's
// own command-file reader and the station's command rules.
//
// A test derives from TestDialog, sets up its own form (its page left of the
// column, x 0 to 425) in its constructor and adds its own commands by
// overriding executeOwnCommand(). The frame, in its constructor:
//   - builds the column (subMenu with butBack, butPass, butFail);
//   - sets the switch lines: 50 := 0 and 65 := 1 (the port on the UART), or
//     as the test's Setup says;
//   - creates remoteCtrl, whose first poll comes 500 ms later, after the
//     test's constructor has ended, and connects it to executeCommand();
//   - hides Pass unless the Setup offers it from the start.
// Back, Pass and Fail (by touch or "cmdExit", "cmdPass", "cmdFail") call
// stopTest(), write "resCanceled", "resPassed" or "resFailed" and close
// (unless stoppedCleanly() says otherwise). The
// power key leaves a test open: its press (F11) goes nowhere and its release
// (Escape) is ignored, since a test closed without a verdict would leave the
// station waiting.
class TestDialog : public KeyDialog
{
    Q_OBJECT
public:
    enum class SwitchLines {
        Uart,      // 50 := 0, then 65 := 1
        Usb,       // 65 := 0, then 50 := 0
        Untouched, // the test sets them itself
    };
    struct Setup {
        const char *openingCommand; // the station command that opens the test
        SwitchLines lines = SwitchLines::Uart;
        bool passAtStart = false;   // Pass offered before the test has run
    };

    TestDialog(const Setup &setup, QWidget *parent);
    ~TestDialog() override;

    QString openingCommand() const { return m_openingCommand; }
    TestmenuRemoteCtrl *remote() const { return remoteCtrl; }

public slots:
    // The station's commands: the test's own first, then "cmdExit",
    // "cmdPass", "cmdFail", the opening command ("staActive"), else
    // "staUnknownCommand". Prefix tests, case-sensitive, so a trailing line
    // feed does no harm. A test that needs another order overrides this and
    // uses the helpers below.
    virtual void executeCommand(QString command);

protected:
    // The test's own commands; true when the command was one of them.
    virtual bool executeOwnCommand(const QString &command);
    // Undoes what the test keeps running (timers, lent devices) before any
    // verdict is written.
    virtual void stopTest() {}
    // False when stopTest() could not undo what the test holds (a data
    // partition the PC still holds): the test then stays open with its
    // message, and the station reads "resFailed" whatever the verdict.
    virtual bool stoppedCleanly() const { return true; }

    // "cmdExit", "cmdPass" or "cmdFail": gives the verdict, true.
    bool executeVerdictCommand(const QString &command);
    // The opening command is answered "staActive", anything else
    // "staUnknownCommand".
    void answerOpeningOrUnknown(const QString &command);

    void escapeReleased() override;

    // The verdict buttons, also called by the station's commands.
    void on_butBack_clicked();
    void on_butPass_clicked();
    void on_butFail_clicked();

    void showPass();
    // A tool's output as a test shows it: up to the first NUL, UTF-8, at
    // most kMaxShownBytes.
    static QString commandOutputText(const QByteArray &output);
    static constexpr int kMaxShownBytes = 65536;
    QPushButton *backButton() const;
    QPushButton *passButton() const;
    QPushButton *failButton() const;
    QStackedWidget *subMenu() const;

    TestmenuRemoteCtrl *remoteCtrl;

private:
    void giveVerdict(const char *word, int result);

    Ui::TestDialogFrame *frame;
    QStackedWidget *m_subMenu;
    QString m_openingCommand;
};

#endif // TESTDIALOG_H
