#ifndef STYLESHEET_H
#define STYLESHEET_H

#include <QString>
#include <QWidget>

class QProgressBar;

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

// Colours a level bar's chunk after a frequency, blue (0 Hz) over red
// (150 Hz) to yellow (300 Hz and above), as the measurement screens show it;
// a negative frequency counts as 0 Hz. Set only on a change.
void setFrequencyBarColour(QProgressBar *bar, int frequency);

#endif // STYLESHEET_H
