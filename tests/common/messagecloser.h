#ifndef MESSAGECLOSER_H
#define MESSAGECLOSER_H

#include "messagedialog.h"
#include "modalaction.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

// Answers every message box that opens with its first button (OK) and keeps the headline and
// text of each, in order.
class MessageCloser : public ModalPoll
{
public:
    QStringList texts;

private:
    void look(QWidget *modal) override
    {
        auto *box = qobject_cast<MessageDialog *>(modal);
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
    }
};

#endif // MESSAGECLOSER_H
