#ifndef TOOLTIPBUTTON_H
#define TOOLTIPBUTTON_H

#include <QPoint>
#include <QPushButton>

class QTimer;

// A button that shows its tool tip when it is held for 700 ms (a touch
// display has no hover). Press and click behave as for any button.
class TooltipButton : public QPushButton
{
    Q_OBJECT
public:
    explicit TooltipButton(QWidget *parent = nullptr);

    static constexpr int kHoldMs = 700;

public slots:
    // Shows the tool tip 30 px left of the press point, if the button is
    // still held down.
    void displayTooltip();

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    QPoint m_point;         // press position, global coordinates
    QTimer *m_tooltipTimer; // child of the button: gone with it
};

#endif // TOOLTIPBUTTON_H
