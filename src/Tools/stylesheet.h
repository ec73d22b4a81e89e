#ifndef STYLESHEET_H
#define STYLESHEET_H

#include <QString>
#include <QWidget>

// Sets a widget's style sheet only when its text changes. Qt parses a sheet
// and polishes the widget again at every set, even of the same text, and
// draws a sheet's "image:" through an icon made anew each time, whose drawn
// picture it keeps in its picture cache. Screens that set a colour or a
// picture on every update call this.
inline void setStyleSheetIfChanged(QWidget *widget, const QString &sheet)
{
    if (widget->styleSheet() != sheet)
        widget->setStyleSheet(sheet);
}

#endif // STYLESHEET_H
