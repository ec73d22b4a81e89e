#ifndef TESTMENUDISPLAY_H
#define TESTMENUDISPLAY_H

#include "testdialog.h"

#include <QRect>

namespace Ui {
class TestmenuDisplay;
}

class QGraphicsScene;

// The display test: a small grey-ramp preview, and three full-screen
// patterns (grid, colour bands, colour gradients) the operator or the
// station starts, each shown for 5 s before the preview returns. The
// patterns' timers are not cancelled by a later pattern (a second pattern
// within 5 s is cut short by the first one's timer); they are bound to the
// dialog, so none fires after it has closed.
class TestmenuDisplay : public TestDialog
{
    Q_OBJECT
public:
    static constexpr int kPatternMs = 5000;
    static const QRect kPreviewGeometry;
    static const QRect kFullScreen;

    explicit TestmenuDisplay(QWidget *parent = nullptr);
    ~TestmenuDisplay() override;

public slots:
    // The preview, and the way back from a pattern.
    void defaultView();

protected:
    bool executeOwnCommand(const QString &command) override;

private slots:
    void on_butGrid_clicked();
    void on_butColor_clicked();
    void on_butGradient_clicked();

private:
    void hideAllElements();
    void showAllElements();
    // The view over the whole display in the given background, the scene
    // cleared and sized to the display.
    void startPattern(const QColor &background);
    void endPatternLater();

    Ui::TestmenuDisplay *ui;
    QGraphicsScene *scene;
};

#endif // TESTMENUDISPLAY_H
