#ifndef MODALACTION_H
#define MODALACTION_H

#include <QApplication>
#include <QObject>
#include <QTimer>

#include <functional>

// Acts once on the next modal dialog of type T that opens (from a timer of
// the event loop, so also inside the nested loop of exec()); counts the
// dialogs it acted on. Start it before the step that opens the dialog.
template <class T>
class ModalAction : public QObject
{
public:
    explicit ModalAction(std::function<void(T *)> act) : m_act(std::move(act))
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            m_timer.stop();
            ++m_count;
            m_act(dialog);
        });
        m_timer.start(10);
    }
    int count() const { return m_count; }

private:
    std::function<void(T *)> m_act;
    QTimer m_timer;
    int m_count = 0;
};

#endif // MODALACTION_H
