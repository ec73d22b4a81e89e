#include "messagedialog.h"
#include "ui_messagedialog.h"

#include <QFont>
#include <QTimer>

namespace {
constexpr int kMaxAutoCloseSeconds = 86399;
constexpr int kButtonY = 212;
constexpr int kButtonWidth = 150;
constexpr int kButtonHeight = 50;
} // namespace

MessageDialog::MessageDialog(QWidget *parent)
    : KeyDialog(parent)
    , ui(new Ui::MessageDialog)
{
    ui->setupUi(this);
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &MessageDialog::autoCloseDialog);
    QFont headline(QStringLiteral("Arial Unicode MS"), 25, QFont::Bold);
    ui->labelHeadline->setFont(headline);
}

MessageDialog::~MessageDialog()
{
    delete ui;
    m_timeoutClose = -1;
    delete m_timer;
}

void MessageDialog::inform(int icon, const QString &headline, const QString &text)
{
    MessageDialog box;
    box.setIcon(icon);
    box.setHeadline(headline);
    box.setDialogType(0);
    box.setInfotext(text);
    box.exec();
}

void MessageDialog::setIcon(int icon)
{
    static const char *const kIcons[] = {"Information", "Warning", "Error", "Question"};
    if (icon < 0 || icon > 3)
        icon = 0;
    ui->labelIcon->setStyleSheet(
        QStringLiteral("image: url(:/Resources/Icons/Tools/Messagedialog/%1.png);").arg(QLatin1String(kIcons[icon])));
    ui->labelIcon->clear();
}

void MessageDialog::setDialogType(int type)
{
    const QString style = QStringLiteral("QPushButton{Text-align: center;}");
    ui->butLeft->setStyleSheet(style);
    ui->butMiddle->setStyleSheet(style);
    ui->butRight->setStyleSheet(style);

    // Each used button: its text, result code and x position.
    auto use = [](QPushButton *button, int &code, const QString &text, int value, int x) {
        button->setText(text);
        code = value;
        button->setGeometry(x, kButtonY, kButtonWidth, kButtonHeight);
        button->show();
    };
    auto hide = [](QPushButton *button, int &code) {
        button->hide();
        code = None;
    };
    switch (type) {
    case 1:
        hide(ui->butLeft, m_leftButton);
        use(ui->butMiddle, m_middleButton, tr("OK"), Ok, 85);
        use(ui->butRight, m_rightButton, tr("Cancel"), Cancel, 245);
        break;
    case 2:
        hide(ui->butLeft, m_leftButton);
        use(ui->butMiddle, m_middleButton, tr("Yes"), Yes, 85);
        use(ui->butRight, m_rightButton, tr("No"), No, 245);
        break;
    case 3:
        use(ui->butLeft, m_leftButton, tr("Yes"), Yes, 5);
        use(ui->butMiddle, m_middleButton, tr("No"), No, 165);
        use(ui->butRight, m_rightButton, tr("Cancel"), Cancel, 325);
        break;
    default: // 0 and any value outside 0..3
        hide(ui->butLeft, m_leftButton);
        use(ui->butMiddle, m_middleButton, tr("OK"), Ok, 165);
        hide(ui->butRight, m_rightButton);
        break;
    }
}

void MessageDialog::setHeadline(QString text)
{
    ui->labelHeadline->setText(text);
}

void MessageDialog::setInfotext(QString text)
{
    ui->labelInfotext->setText(text);
}

void MessageDialog::setAutoCloseTimeout(int seconds)
{
    if (seconds >= 1 && seconds <= kMaxAutoCloseSeconds) {
        m_timeoutClose = seconds;
        m_timer->start(seconds * 1000);
    } else {
        m_timeoutClose = -1;
        m_timer->stop();
    }
}

void MessageDialog::finish(int code)
{
    m_pressedButton = code;
    m_timer->stop();
    close();
}

void MessageDialog::on_butLeft_clicked()
{
    finish(m_leftButton);
}

void MessageDialog::on_butMiddle_clicked()
{
    finish(m_middleButton);
}

void MessageDialog::on_butRight_clicked()
{
    finish(m_rightButton);
}

void MessageDialog::autoCloseDialog()
{
    finish(TimedOut);
}

void MessageDialog::escapeReleased()
{
    finish(Cancel);
}
