#ifndef POPUPINFO_H
#define POPUPINFO_H

#include <QDialog>

class QLabel;
class QTimer;

// A small modal confirmation: a black 50 x 50 square in the middle of the
// screen with one 40 px icon, closed by itself after one second. Keys do not
// close it early.
class PopupInfo : public QDialog
{
    Q_OBJECT
public:
    explicit PopupInfo(QWidget *parent = nullptr);
    ~PopupInfo() override;

    // 2 screenshot camera, 3 bug (UART mode), anything else the favourite
    // star. Starts the one-second timer.
    void setPicture(int n);

public slots:
    void closeDlg();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    struct Form {
        QLabel *label = nullptr;
    };
    Form *ui;
    QTimer *m_timer;
};

#endif // POPUPINFO_H
