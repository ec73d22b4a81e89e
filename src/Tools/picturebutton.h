#ifndef PICTUREBUTTON_H
#define PICTUREBUTTON_H

#include <QPointF>
#include <QPushButton>

// A button that reports where it was released (a clickable picture such as
// a map). It emits mouseReleased with the position in its own coordinates
// and never clicked().
class PictureButton : public QPushButton
{
    Q_OBJECT
public:
    explicit PictureButton(QWidget *parent = nullptr);

    QPointF getReleasePos() const { return m_pos; }

signals:
    void mouseReleased(QPointF pos);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QPointF m_pos{17.0, 23.0};
};

#endif // PICTUREBUTTON_H
