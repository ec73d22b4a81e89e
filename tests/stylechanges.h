#ifndef STYLECHANGES_H
#define STYLECHANGES_H

#include <QEvent>
#include <QObject>
#include <QWidget>

// Counts the style changes of a widget; each style sheet set is one.
class StyleChanges : public QObject
{
public:
    explicit StyleChanges(QWidget *widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::StyleChange;
        return false;
    }
};

#endif // STYLECHANGES_H
