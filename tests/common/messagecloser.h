#ifndef MESSAGECLOSER_H
#define MESSAGECLOSER_H

#include "messagedialog.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

// Answers every message box that opens with its first button (OK) and keeps the headline and
// text of each, in order.
class MessageCloser : public QObject
{
public:
    QStringList texts;

    MessageCloser()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<MessageDialog *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            texts << box->findChild<QLabel *>(QStringLiteral("labelHeadline"))->text() + QLatin1Char('|')
                    + box->findChild<QLabel *>(QStringLiteral("labelInfotext"))->text();
            for (const char *name : {"butLeft", "butMiddle", "butRight"}) {
                auto *button = box->findChild<QPushButton *>(QLatin1String(name));
                if (!button->isHidden()) {
                    button->click();
                    break;
                }
            }
        });
        m_timer.start(20);
    }

private:
    QTimer m_timer;
};

#endif // MESSAGECLOSER_H
