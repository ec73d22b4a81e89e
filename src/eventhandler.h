#ifndef EVENTHANDLER_H
#define EVENTHANDLER_H

#include <QObject>

// The application-wide event filter that turns the six hardware keys (F1 to
// F6) into actions and into the keys the screens handle.
//
// Not built yet: the key tables. Until then every event passes unchanged.
class EventHandler : public QObject
{
    Q_OBJECT
public:
    explicit EventHandler(QObject *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    void muteKeyPressed();
    void shutdownDevice();
};

#endif // EVENTHANDLER_H
