#ifndef LOGTEXT_H
#define LOGTEXT_H

#include <QString>

// The program's log lines carry text from outside: files on the card, a PC's
// provisioning files, lines from the Bluetooth modules and the GPS. A control
// character in them would act on the terminal that shows the log (an escape
// sequence clearing it, a carriage return writing over a line) or forge a
// line of its own. Every message therefore leaves the program with its
// control characters written out.
namespace LogText {

// The text with every control character (below U+0020 but the tab, U+007F,
// and U+0080 to U+009F) written as "\xNN"; all else unchanged.
QString escaped(const QString &text);

// Installs the message handler that escapes every message and passes it
// on to the handler installed before it. Once, before the first message.
void install();

} // namespace LogText

#endif // LOGTEXT_H
