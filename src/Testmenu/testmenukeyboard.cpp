#include "testmenukeyboard.h"
#include "ui_testmenukeyboard.h"

#include "globals.h"

#include <QDebug>
#include <QKeyEvent>
#include <QTimer>

const char TestmenuKeyboard::kDoneStyle[] = "text-align: center; color: black; background-color: rgb(138, 226, 52);";

TestmenuKeyboard::TestmenuKeyboard(QWidget *parent)
    : TestDialog(Setup{"cmdTestKeyboard"}, parent), ui(new Ui::TestmenuKeyboard), m_timer(new QTimer(this))
{
    ui->setupUi(this);
    const struct {
        int code;
        QPushButton *indicator;
        QLabel *label;
    } keys[] = {
        {Qt::Key_F1, ui->butTestIO, ui->labelIO},     {Qt::Key_F2, ui->butTestFAV, ui->labelFAV},
        {Qt::Key_F6, ui->butTestMUTE, ui->labelMUTE}, {Qt::Key_F3, ui->butTestUP, ui->labelUP},
        {Qt::Key_F4, ui->butTestOK, ui->labelOK},     {Qt::Key_F5, ui->butTestDOWN, ui->labelDOWN},
    };
    for (int i = 0; i < 6; ++i) {
        m_keys[i].code = keys[i].code;
        m_keys[i].indicator = keys[i].indicator;
        m_keys[i].label = keys[i].label;
        // The indicators only show state.
        keys[i].indicator->setEnabled(false);
    }
    connect(m_timer, &QTimer::timeout, this, &TestmenuKeyboard::updateData);
    m_timer->start(kRefreshMs);
}

TestmenuKeyboard::~TestmenuKeyboard()
{
    m_timer->stop();
    // However the dialog ends, the keys get their normal meaning back.
    g_hardwareTestActive = false;
    delete ui;
}

TestmenuKeyboard::Key *TestmenuKeyboard::keyFor(int code)
{
    for (Key &k : m_keys)
        if (k.code == code)
            return &k;
    return nullptr;
}

void TestmenuKeyboard::keyPressEvent(QKeyEvent *event)
{
    if (Key *k = keyFor(event->key())) {
        k->pressed = true;
        event->accept();
        return;
    }
    TestDialog::keyPressEvent(event);
}

void TestmenuKeyboard::keyReleaseEvent(QKeyEvent *event)
{
    if (Key *k = keyFor(event->key())) {
        // A held key repeats as release/press pairs: only the real release
        // ends the key's press.
        if (event->isAutoRepeat()) {
            event->accept();
            return;
        }
        // A release counts only after a press this dialog has seen: a key
        // held down when the test opened must be pressed again.
        if (k->pressed)
            k->released = true;
        if (event->key() == Qt::Key_F1)
            qDebug() << "IO released";
        event->accept();
        return;
    }
    TestDialog::keyReleaseEvent(event);
}

void TestmenuKeyboard::updateData()
{
    g_hardwareTestActive = true;
    bool all = true;
    for (Key &k : m_keys) {
        if (k.pressed && k.released) {
            k.indicator->setStyleSheet(QLatin1String(kDoneStyle));
            k.label->setText(QStringLiteral("OK"));
        } else {
            all = false;
        }
    }
    if (all)
        showPass();
}

void TestmenuKeyboard::stopTest()
{
    m_timer->stop();
    g_hardwareTestActive = false;
}
