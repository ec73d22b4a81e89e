#ifndef TESTMENUKEYBOARD_H
#define TESTMENUKEYBOARD_H

#include "testdialog.h"

namespace Ui {
class TestmenuKeyboard;
}

class QLabel;
class QPushButton;
class QTimer;

// The keyboard test: the operator presses and releases each of the six
// hardware keys once. While the test is open the key filter hands F1 to F6
// on unchanged (raw-key mode, renewed every 50 ms), so that the power key
// neither powers down nor closes anything; each key seen pressed and then
// released turns green and reads "OK", and with all six Pass is offered.
// Every verdict and the destructor end raw-key mode.
class TestmenuKeyboard : public TestDialog
{
    Q_OBJECT
public:
    static constexpr int kRefreshMs = 50;
    static const char kDoneStyle[];

    explicit TestmenuKeyboard(QWidget *parent = nullptr);
    ~TestmenuKeyboard() override;

    QTimer *refreshTimer() const { return m_timer; }

public slots:
    // The 50 ms refresh: raw-key mode on, finished keys shown, Pass once all
    // six are done.
    void updateData();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void stopTest() override;

private:
    struct Key {
        int code;
        bool pressed = false;
        bool released = false;
        QPushButton *indicator = nullptr;
        QLabel *label = nullptr;
    };
    Key *keyFor(int code);

    Ui::TestmenuKeyboard *ui;
    QTimer *m_timer;
    // I/O, FAV, MUTE, UP, OK, DOWN (F1, F2, F6, F3, F4, F5).
    Key m_keys[6];
};

#endif // TESTMENUKEYBOARD_H
