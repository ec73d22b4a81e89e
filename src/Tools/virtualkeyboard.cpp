#include "virtualkeyboard.h"
#include "ui_virtualkeyboard.h"

#include "deviceroot.h"
#include "keydialog.h"

#include <QDebug>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QShowEvent>

#include <array>

VirtualKeyboard::VirtualKeyboard(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::VirtualKeyboard)
{
    ui->setupUi(this);
    m_textCursor = ui->textEdit->textCursor();
    ui->textEdit->setFocus();
    if (!DeviceRoot::isBoard()) {
        // A PC keyboard: its keys go through typeKey; composed input, drops
        // and the X11 middle-button paste would write into the field alone.
        ui->textEdit->installEventFilter(this);
        ui->textEdit->viewport()->installEventFilter(this);
        ui->textEdit->setAttribute(Qt::WA_InputMethodEnabled, false);
        ui->textEdit->setAcceptDrops(false);
        // A key clicked with the mouse leaves the typing in the field.
        for (QPushButton *key : findChildren<QPushButton *>())
            key->setFocusPolicy(Qt::NoFocus);
    }
}

VirtualKeyboard::~VirtualKeyboard()
{
    delete ui;
}

void VirtualKeyboard::setText(QString text)
{
    m_enteredText = text;
    ui->textEdit->setPlainText(m_enteredText);
    m_textCursor = ui->textEdit->textCursor();
    const bool moved = m_textCursor.movePosition(QTextCursor::End);
    ui->textEdit->setTextCursor(m_textCursor);
    qDebug() << "TextCursor" << moved << m_textCursor.position();
    if (m_enteredText.length() == 0)
        m_lowerCase = false;
    else if (m_enteredText.length() == 1)
        m_lowerCase = true;
    updateButtonText();
}

QString VirtualKeyboard::getText() const
{
    return m_enteredText.trimmed();
}

void VirtualKeyboard::on_but_0_clicked() { addText(ui->but_0); }
void VirtualKeyboard::on_but_1_clicked() { addText(ui->but_1); }
void VirtualKeyboard::on_but_2_clicked() { addText(ui->but_2); }
void VirtualKeyboard::on_but_3_clicked() { addText(ui->but_3); }
void VirtualKeyboard::on_but_4_clicked() { addText(ui->but_4); }
void VirtualKeyboard::on_but_5_clicked() { addText(ui->but_5); }
void VirtualKeyboard::on_but_6_clicked() { addText(ui->but_6); }
void VirtualKeyboard::on_but_7_clicked() { addText(ui->but_7); }
void VirtualKeyboard::on_but_8_clicked() { addText(ui->but_8); }
void VirtualKeyboard::on_but_9_clicked() { addText(ui->but_9); }
void VirtualKeyboard::on_but_A_clicked() { addText(ui->but_A); }
void VirtualKeyboard::on_but_B_clicked() { addText(ui->but_B); }
void VirtualKeyboard::on_but_C_clicked() { addText(ui->but_C); }
void VirtualKeyboard::on_but_D_clicked() { addText(ui->but_D); }
void VirtualKeyboard::on_but_E_clicked() { addText(ui->but_E); }
void VirtualKeyboard::on_but_F_clicked() { addText(ui->but_F); }
void VirtualKeyboard::on_but_G_clicked() { addText(ui->but_G); }
void VirtualKeyboard::on_but_H_clicked() { addText(ui->but_H); }
void VirtualKeyboard::on_but_I_clicked() { addText(ui->but_I); }
void VirtualKeyboard::on_but_J_clicked() { addText(ui->but_J); }
void VirtualKeyboard::on_but_K_clicked() { addText(ui->but_K); }
void VirtualKeyboard::on_but_L_clicked() { addText(ui->but_L); }
void VirtualKeyboard::on_but_M_clicked() { addText(ui->but_M); }
void VirtualKeyboard::on_but_N_clicked() { addText(ui->but_N); }
void VirtualKeyboard::on_but_O_clicked() { addText(ui->but_O); }
void VirtualKeyboard::on_but_P_clicked() { addText(ui->but_P); }
void VirtualKeyboard::on_but_Q_clicked() { addText(ui->but_Q); }
void VirtualKeyboard::on_but_R_clicked() { addText(ui->but_R); }
void VirtualKeyboard::on_but_S_clicked() { addText(ui->but_S); }
void VirtualKeyboard::on_but_T_clicked() { addText(ui->but_T); }
void VirtualKeyboard::on_but_U_clicked() { addText(ui->but_U); }
void VirtualKeyboard::on_but_V_clicked() { addText(ui->but_V); }
void VirtualKeyboard::on_but_W_clicked() { addText(ui->but_W); }
void VirtualKeyboard::on_but_X_clicked() { addText(ui->but_X); }
void VirtualKeyboard::on_but_Y_clicked() { addText(ui->but_Y); }
void VirtualKeyboard::on_but_Z_clicked() { addText(ui->but_Z); }
void VirtualKeyboard::on_but_Minus_clicked() { addText(ui->but_Minus); }
void VirtualKeyboard::on_but_Underline_clicked() { addText(ui->but_Underline); }
void VirtualKeyboard::on_but_Space_clicked() { addText(ui->but_Space); }

void VirtualKeyboard::on_but_Shift_clicked()
{
    m_lowerCase = !m_lowerCase;
    updateButtonText();
}

void VirtualKeyboard::on_but_Enter_clicked()
{
    if (m_enterAsAccept) {
        accept();
        return;
    }
    // The line break goes to the end, wherever the cursor stands.
    m_enteredText.append(QLatin1Char('\n'));
    showText(m_enteredText.length());
}

void VirtualKeyboard::on_but_Del_clicked()
{
    const int p = insertionPoint();
    if (p <= 0)
        return;
    m_enteredText.remove(p - 1, 1);
    showText(p - 1);
}

void VirtualKeyboard::on_but_Close_clicked()
{
    close();
}

void VirtualKeyboard::on_but_Accept_clicked()
{
    accept();
}

void VirtualKeyboard::addText(const QPushButton *key)
{
    // A key types what it shows.
    addCharacter(key->text().left(1));
}

void VirtualKeyboard::addCharacter(const QString &character)
{
    if (character.isEmpty())
        return;
    const int p = insertionPoint();
    m_enteredText.insert(p, character);
    showText(p + 1);

    // First character a capital, the following ones small. (The text is
    // never empty here; an empty preset selects capitals in setText.)
    if (m_enteredText.length() == 1)
        m_lowerCase = true;
    updateButtonText();
}

int VirtualKeyboard::insertionPoint()
{
    m_textCursor = ui->textEdit->textCursor();
    return qBound(0, m_textCursor.position(), int(m_enteredText.length()));
}

void VirtualKeyboard::showText(int cursorPosition)
{
    ui->textEdit->setPlainText(m_enteredText);
    ui->textEdit->setFocus();
    m_textCursor = ui->textEdit->textCursor();
    m_textCursor.setPosition(cursorPosition);
    ui->textEdit->setTextCursor(m_textCursor);
}

void VirtualKeyboard::updateButtonText()
{
    const std::array<QPushButton *, 26> letters = {
        ui->but_A, ui->but_B, ui->but_C, ui->but_D, ui->but_E, ui->but_F, ui->but_G,
        ui->but_H, ui->but_I, ui->but_J, ui->but_K, ui->but_L, ui->but_M, ui->but_N,
        ui->but_O, ui->but_P, ui->but_Q, ui->but_R, ui->but_S, ui->but_T, ui->but_U,
        ui->but_V, ui->but_W, ui->but_X, ui->but_Y, ui->but_Z};
    const std::array<QPushButton *, 10> digits = {ui->but_1, ui->but_2, ui->but_3, ui->but_4,
                                                   ui->but_5, ui->but_6, ui->but_7, ui->but_8,
                                                   ui->but_9, ui->but_0};
    static const char kDigits[] = "1234567890";
    static const char kSpecial[] = "!:.,+/\"*@?";

    for (size_t i = 0; i < letters.size(); ++i) {
        const QChar letter(char('A' + i));
        letters[i]->setText(m_lowerCase ? letter.toLower() : letter);
    }
    const bool special = m_lowerCase && m_enableSpecialChar;
    for (size_t i = 0; i < digits.size(); ++i)
        digits[i]->setText(QString(QLatin1Char(special ? kSpecial[i] : kDigits[i])));
    ui->but_Underline->setText(special ? QStringLiteral("=") : QStringLiteral("_"));
    ui->but_Minus->setText(QStringLiteral("-"));
    ui->but_Space->setText(QStringLiteral(" "));
}

void VirtualKeyboard::keyPressEvent(QKeyEvent *event)
{
    // Escape is handled at its release (the power key's short press ends in
    // an Escape release); no other key may press a default button.
    if (event->key() == Qt::Key_Escape)
        return;
    QWidget::keyPressEvent(event);
}

void VirtualKeyboard::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void VirtualKeyboard::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        placeOverMainWindow(this);
}

bool VirtualKeyboard::isTypeable(QChar c) const
{
    static const QString kPlain = QStringLiteral("-_ ");
    static const QString kSpecial = QStringLiteral("!:.,+/\"*@?=");
    const ushort u = c.unicode();
    if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9'))
        return true;
    return kPlain.contains(c) || (m_enableSpecialChar && kSpecial.contains(c));
}

bool VirtualKeyboard::typeKey(const QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        on_but_Enter_clicked();
        return true;
    case Qt::Key_Backspace:
        on_but_Del_clicked();
        return true;
    case Qt::Key_Delete:
        return true; // there is no key that deletes forward
    default:
        break;
    }
    if (event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut)
        || event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)
        || event->matches(QKeySequence::DeleteStartOfWord) || event->matches(QKeySequence::DeleteEndOfWord)
        || event->matches(QKeySequence::DeleteEndOfLine) || event->matches(QKeySequence::DeleteCompleteLine))
        return true;
    const QString text = event->text();
    // No text: cursor keys and the instrument's keys, which keep their way.
    if (text.isEmpty() || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    for (const QChar c : text)
        if (isTypeable(c))
            addCharacter(QString(c));
    return true;
}

bool VirtualKeyboard::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->textEdit && event->type() == QEvent::KeyPress)
        return typeKey(static_cast<QKeyEvent *>(event));
    if (watched == ui->textEdit->viewport()
        && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease)
        && static_cast<QMouseEvent *>(event)->button() == Qt::MiddleButton)
        return true;
    return QDialog::eventFilter(watched, event);
}
