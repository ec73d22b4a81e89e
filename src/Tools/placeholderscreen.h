#ifndef PLACEHOLDERSCREEN_H
#define PLACEHOLDERSCREEN_H

#include "calllog.h"

#include <QWidget>

class QLabel;
class QPushButton;

// A screen page whose contents are not built yet: its title, a back button
// and the screen contract (gotoWidget and exit). It records every init it
// receives, so that the main window's navigation can be checked.
class PlaceholderScreen : public QWidget
{
    Q_OBJECT
public:
    // backToMainPage: the back button emits exit() (measurement screens and
    // the browser); otherwise gotoWidget(0, -1, 0).
    PlaceholderScreen(const QString &title, bool backEmitsExit, QWidget *parent);

    const CallLog &callLog() const { return m_log; }
    CallLog &callLog() { return m_log; }

signals:
    void gotoWidget(int widget, int dir, int variant);
    void exit();

protected:
    void recordInit(const QString &call) { m_log.record(call); }
    // Records "init <variant>", with " booted" when the start-up favourite
    // opened the screen.
    void recordMeasurementInit(int variant);

private:
    CallLog m_log;
    bool m_backEmitsExit;
};

#endif // PLACEHOLDERSCREEN_H
