#ifndef NAMETYPER_H
#define NAMETYPER_H

#include "virtualkeyboard.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

// Types `name` into the name keyboard of a save whenever one is open, and
// counts the keyboards it answered.
class NameTyper : public QObject
{
public:
    QString name;
    int keyboards = 0;

    NameTyper()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto *keys = qobject_cast<VirtualKeyboard *>(QApplication::activeModalWidget());
            if (!keys)
                return;
            ++keyboards;
            for (QChar c : name)
                keys->findChild<QPushButton *>(c == ' ' ? QStringLiteral("but_Space")
                                                        : QStringLiteral("but_%1").arg(c.toUpper()))
                    ->click();
            keys->findChild<QPushButton *>(QStringLiteral("but_Accept"))->click();
        });
        m_timer.start(20);
    }

private:
    QTimer m_timer;
};

#endif // NAMETYPER_H
