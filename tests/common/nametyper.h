#ifndef NAMETYPER_H
#define NAMETYPER_H

#include "modalaction.h"
#include "virtualkeyboard.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

// Types `name` into the open name keyboard and accepts it; a null name
// closes the keyboard instead. A blank is the space key, "^" the shift key.
inline void typeName(VirtualKeyboard *keys, const QString &name)
{
    if (name.isNull()) {
        keys->findChild<QPushButton *>(QStringLiteral("but_Close"))->click();
        return;
    }
    for (QChar c : name) {
        const QString key = c == ' ' ? QStringLiteral("but_Space")
                : c == '^'           ? QStringLiteral("but_Shift")
                                     : QStringLiteral("but_%1").arg(c.toUpper());
        keys->findChild<QPushButton *>(key)->click();
    }
    keys->findChild<QPushButton *>(QStringLiteral("but_Accept"))->click();
}

// Types `name` into the name keyboard of a save whenever one is open, and
// counts the keyboards it answered.
class NameTyper : public ModalPoll
{
public:
    QString name;
    int keyboards = 0;

private:
    void look(QWidget *modal) override
    {
        if (auto *keys = qobject_cast<VirtualKeyboard *>(modal)) {
            ++keyboards;
            typeName(keys, name);
        }
    }
};

#endif // NAMETYPER_H
