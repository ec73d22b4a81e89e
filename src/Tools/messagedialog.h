#ifndef MESSAGEDIALOG_H
#define MESSAGEDIALOG_H

#include "keydialog.h"

namespace Ui {
class MessageDialog;
}
class QTimer;

// The instrument's one message box: full screen, modal, with an icon, a
// headline, an information text and up to three buttons; it may close itself
// after a set time. Callers configure it, run exec() and read the answer with
// getPressedButton() (exec()'s own result carries no meaning):
//   -1 still open or closed another way, 0 OK, 1 Cancel (also the power key's
//   Escape release), 2 Yes, 3 No, 4 closed by the automatic-close timer.
class MessageDialog : public KeyDialog
{
    Q_OBJECT
public:
    enum Result { None = -1, Ok = 0, Cancel = 1, Yes = 2, No = 3, TimedOut = 4 };

    explicit MessageDialog(QWidget *parent = nullptr);
    ~MessageDialog() override;

    // A message with OK only, shown until it is closed.
    static void inform(int icon, const QString &headline, const QString &text);

    // 0 information (also any value outside 0..3), 1 warning, 2 error, 3 question.
    void setIcon(int icon);
    // 0 OK (also any value outside 0..3), 1 OK and Cancel, 2 Yes and No,
    // 3 Yes, No and Cancel.
    void setDialogType(int type);
    void setHeadline(QString text);
    void setInfotext(QString text);
    // 1 to 86399 s starts the timer at once (so set it last, right before
    // exec()); any other value switches automatic close off.
    void setAutoCloseTimeout(int seconds);
    int getAutoCloseTimeout() const { return m_timeoutClose; }
    int getPressedButton() const { return m_pressedButton; }

private slots:
    void on_butLeft_clicked();
    void on_butMiddle_clicked();
    void on_butRight_clicked();
    void autoCloseDialog();

protected:
    void escapeReleased() override;

private:
    void finish(int code);

    Ui::MessageDialog *ui;
    QTimer *m_timer;
    int m_pressedButton = None;
    int m_leftButton = None;
    int m_middleButton = None;
    int m_rightButton = None;
    int m_timeoutClose = -1;
};

#endif // MESSAGEDIALOG_H
