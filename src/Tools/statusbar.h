#ifndef STATUSBAR_H
#define STATUSBAR_H

#include <QWidget>

// The status bar strip at the bottom of a screen (480 x 20).
//
// Not built yet: its symbols and 1 s refresh. Until then it takes its size
// and stays an empty black strip.
class Statusbar : public QWidget
{
    Q_OBJECT
public:
    explicit Statusbar(QWidget *parent = nullptr);

    void init(int width, int height);
    QSize initSize() const { return m_size; }

private:
    QSize m_size;
};

#endif // STATUSBAR_H
