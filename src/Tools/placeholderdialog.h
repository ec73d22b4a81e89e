#ifndef PLACEHOLDERDIALOG_H
#define PLACEHOLDERDIALOG_H

#include <QDialog>

// A modal menu whose contents are not built yet: a headline and a close
// button. The power key's press (F11) closes it, as it closes the real menus.
class PlaceholderDialog : public QDialog
{
    Q_OBJECT
public:
    PlaceholderDialog(const QString &title, QWidget *parent);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

#endif // PLACEHOLDERDIALOG_H
