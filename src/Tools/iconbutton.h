#ifndef ICONBUTTON_H
#define ICONBUTTON_H

#include <QColor>
#include <QPushButton>
#include <QString>

// A button with its icon on the left and its own text to the right of the
// icon (from x 52). The base button's text stays empty, so the base painting
// draws only the icon and frame.
class IconButton : public QPushButton
{
    Q_OBJECT
public:
    explicit IconButton(QWidget *parent = nullptr);

    // Hides QAbstractButton::setText: forms and callers that hold an
    // IconButton set the text drawn beside the icon.
    void setText(const QString &text);
    QString text() const { return m_text; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    QColor m_color;
};

#endif // ICONBUTTON_H
