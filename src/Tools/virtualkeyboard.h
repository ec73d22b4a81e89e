#ifndef VIRTUALKEYBOARD_H
#define VIRTUALKEYBOARD_H

#include <QDialog>
#include <QString>
#include <QTextCursor>

namespace Ui {
class VirtualKeyboard;
}

class QPushButton;

// The modal on-screen keyboard (QWERTZ) with which the user types a short
// text: a measurement name, an access code, a module command. The dialog
// keeps its own copy of the text; the field above the keys only shows it.
//
// Use: construct, setText(preset) (also with an empty preset), optionally
// useEnterAsAccept(true) / enableSpecialChar(true), exec(); on 1 read
// getText(). 0 means the entry was cancelled (close key or power key).
//
// Case: the first character of a text is typed as a capital, the following
// ones as small letters; a longer preset keeps capitals. Shift toggles the
// case until the next toggle. With special characters enabled, the digit keys
// carry ! : . , + / " * @ ? and the underline key = while small letters show.
//
// Off the board a PC keyboard types into the dialog too: a character that
// one of the keys can type (letters in the case typed, digits, "-", "_",
// blank; the special characters when enabled) counts as that key's press,
// Backspace as DEL and Return as ENTER. Whatever else would change the field
// by itself (other characters, paste, a drop) is refused, so the field only
// ever shows the text the dialog returns.
class VirtualKeyboard : public QDialog
{
    Q_OBJECT
public:
    explicit VirtualKeyboard(QWidget *parent = nullptr);
    ~VirtualKeyboard() override;

    void setText(QString text);
    // The entered text without white space (blanks, line breaks) at its ends.
    QString getText() const;
    void enableSpecialChar(bool enable) { m_enableSpecialChar = enable; }
    void useEnterAsAccept(bool enable) { m_enterAsAccept = enable; }

private slots:
    void on_but_0_clicked();
    void on_but_1_clicked();
    void on_but_2_clicked();
    void on_but_3_clicked();
    void on_but_4_clicked();
    void on_but_5_clicked();
    void on_but_6_clicked();
    void on_but_7_clicked();
    void on_but_8_clicked();
    void on_but_9_clicked();
    void on_but_A_clicked();
    void on_but_B_clicked();
    void on_but_C_clicked();
    void on_but_D_clicked();
    void on_but_E_clicked();
    void on_but_F_clicked();
    void on_but_G_clicked();
    void on_but_H_clicked();
    void on_but_I_clicked();
    void on_but_J_clicked();
    void on_but_K_clicked();
    void on_but_L_clicked();
    void on_but_M_clicked();
    void on_but_N_clicked();
    void on_but_O_clicked();
    void on_but_P_clicked();
    void on_but_Q_clicked();
    void on_but_R_clicked();
    void on_but_S_clicked();
    void on_but_T_clicked();
    void on_but_U_clicked();
    void on_but_V_clicked();
    void on_but_W_clicked();
    void on_but_X_clicked();
    void on_but_Y_clicked();
    void on_but_Z_clicked();
    void on_but_Minus_clicked();
    void on_but_Underline_clicked();
    void on_but_Space_clicked();
    void on_but_Shift_clicked();
    void on_but_Enter_clicked();
    void on_but_Del_clicked();
    void on_but_Close_clicked();
    void on_but_Accept_clicked();

private:
    // Inserts the first character of the key's label at the field's cursor.
    void addText(const QPushButton *key);
    void addCharacter(const QString &character);
    // A key typed on a PC keyboard into the field; true when it was taken.
    bool typeKey(const QKeyEvent *event);
    bool isTypeable(QChar c) const;
    void updateButtonText();
    // The field's cursor position, clamped to the entered text (the field may
    // hold more when it was edited by other means than the keys).
    int insertionPoint();
    void showText(int cursorPosition);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Ui::VirtualKeyboard *ui;
    QString m_enteredText;
    bool m_lowerCase = false;
    bool m_enableSpecialChar = false;
    bool m_enterAsAccept = false;
    QTextCursor m_textCursor;
};

#endif // VIRTUALKEYBOARD_H
