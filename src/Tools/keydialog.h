#ifndef KEYDIALOG_H
#define KEYDIALOG_H

#include <QDialog>

class QKeyEvent;
class QShowEvent;

// Puts a dialog window over the instrument's window: centred on the main
// window (on its parent's window while there is no main window), its
// top-left corner never outside it. On the board the main window fills the
// display, so this is the display's middle; on a PC desktop larger than the
// instrument's screen a dialog would otherwise open where the window system
// puts it, for one without a parent the middle of the desktop, away from
// the instrument. Every dialog calls it when it is shown.
void placeOverMainWindow(QWidget *dialog);

// The key convention of every dialog of the instrument. The power key's short
// press arrives as an F11 press followed by an Escape release (see
// EventHandler); a dialog must not close on the Escape press, only on its
// release:
//   - an Escape press is swallowed;
//   - an Escape release calls escapeReleased(), which rejects the dialog;
//   - every other key goes to the plain widget handling, not to QDialog's
//     default-button and Escape handling, and is therefore ignored by the
//     dialog (a window of its own, so it travels no further).
// A focused child widget still handles its own keys first.
//
// Derive a dialog from KeyDialog instead of QDialog. A dialog that handles a
// key itself (the mute key F10, for example) overrides keyPressEvent or
// keyReleaseEvent and passes every other key on to KeyDialog's handler. A
// dialog that answers the power key differently overrides escapeReleased().
// A dialog over a measurement calls takeMuteKey() to let the mute key work
// inside it as on the measurement screens.
class KeyDialog : public QDialog
{
    Q_OBJECT
public:
    explicit KeyDialog(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    // The Escape release; rejects the dialog.
    virtual void escapeReleased();
    // From now on the mute key (F10) opens and shuts the main window's audio
    // path: in switch mode each press toggles it, as a push-button the path
    // is open while the key is held. Repeats of a held key do nothing.
    void takeMuteKey() { m_muteKey = true; }

private:
    bool m_muteKey = false;
};

#endif // KEYDIALOG_H
