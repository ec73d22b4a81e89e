#ifndef FORMWIDGETS_H
#define FORMWIDGETS_H

#include <QPushButton>
#include <QStackedWidget>

// A widget of a dialog's form by its object name (nullptr when missing).
template <class T = QPushButton> T *child(QWidget *dialog, const char *name)
{
    return dialog->findChild<T *>(QLatin1String(name));
}

// The object name of the page the form's stacked widget "mainArea" shows.
inline QString page(QWidget *dialog)
{
    return child<QStackedWidget>(dialog, "mainArea")->currentWidget()->objectName();
}

#endif // FORMWIDGETS_H
