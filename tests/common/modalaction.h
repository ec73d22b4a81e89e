#ifndef MODALACTION_H
#define MODALACTION_H

#include <QApplication>
#include <QObject>
#include <QTimer>

#include <functional>

// Looks at the active modal widget from a timer of the event loop (so also
// inside the nested loop of exec()) while it lives, and hands it to look()
// (null when none is open). Start it before the step that opens the dialog.
class ModalPoll : public QObject
{
public:
    explicit ModalPoll(int periodMs = 20)
    {
        connect(&m_timer, &QTimer::timeout, this, [this] { look(QApplication::activeModalWidget()); });
        m_timer.start(periodMs);
    }

protected:
    virtual void look(QWidget *modal) = 0;
    void stop() { m_timer.stop(); }

private:
    QTimer m_timer;
};

// Acts once on the next modal dialog of type T that opens; counts the
// dialogs it acted on. Made with an owner it needs no keeping: a child of
// the owner, it goes once it has acted.
template <class T>
class ModalAction : public ModalPoll
{
public:
    explicit ModalAction(std::function<void(T *)> act, QObject *owner = nullptr)
        : ModalPoll(10), m_act(std::move(act))
    {
        setParent(owner);
        m_once = owner != nullptr;
    }
    int count() const { return m_count; }

protected:
    void look(QWidget *modal) override
    {
        auto *dialog = qobject_cast<T *>(modal);
        if (!dialog)
            return;
        stop();
        ++m_count;
        m_act(dialog);
        // Not before: a wait inside the action would delete it while it runs.
        if (m_once)
            deleteLater();
    }

private:
    std::function<void(T *)> m_act;
    int m_count = 0;
    bool m_once = false;
};

#endif // MODALACTION_H
