#ifndef PICTUREBENCH_H
#define PICTUREBENCH_H

#include "modalaction.h"
#include "screenpicture.h"
#include "simboard.h"
#include "testroot.h"

#include <QtTest>

#include <functional>
#include <memory>

class MainMenu;
class QWidget;

// What every picture program sets up for a row (a fresh device root with
// the simulator on it, the clock fixed, a fresh main window that a driver
// brings to the row's state), and how the row's pictures are checked.
//
// A driver takes its pictures with ScreenSteps::shoot() and reports what a
// QVERIFY cannot check with ScreenSteps::fail(): both only collect, because
// a failed QVERIFY inside a dialog's event loop cannot end the test
// function; run() fails the row with all that was collected. A driver that
// shoots nothing leaves the row's own picture: run() then compares the
// screen with the reference the row's data tag names.
class PictureBench
{
public:
    using Driver = std::function<void(PictureBench &)>;

    // Repeats the rows that failed at the very end of the program's output,
    // after the debug lines of the rows that ran after them, with the way to
    // renew a reference.
    ~PictureBench();

    // What run() waits for before the driver: nothing (the driver waits
    // itself), the receiver's fix, or also the unit's data link as the
    // program sees it (the status bar of the main page's reference).
    enum class Wait { Nothing, Fix, LinkAndFix };

    // For init(): the clock fixed and the simulator running on a fresh
    // device root paired with its unit and headphone (startPairedBoard).
    void start(const QString &moreSettings = QString());
    // The same on a device root as the factory leaves it: no settings file,
    // no data partition (the production test menu's rows).
    void startOutOfTheBox();
    // For cleanup(): the simulator and the device root gone, the clock free.
    void stop();

    // Shows a fresh main window, waits for `wait`, lets `drive` bring it to
    // the row's state and fails the row with what was collected; `masks`
    // (and mask()) leave pixels out of the row's own picture.
    void run(const Driver &drive, Wait wait = Wait::LinkAndFix, const QVector<QRect> &masks = {});

    TestRoot &root() const { return *m_root; }
    SimBoard &board() const { return *m_board; }
    // The window of the running row.
    MainMenu &window() const { return *m_window; }

    // Sends a command to the simulator; false (and a warning with its reply)
    // unless it answers "ok".
    bool tell(const QString &command) const;
    // Waits as run() does; false with a warning saying what did not come.
    bool waitFor(Wait wait) const;
    // Writes a measurement folder with that info.ini on the data partition
    // and opens it from the browser, as its list does.
    bool openStored(const QString &folder, const QByteArray &info) const;
    // Leaves `area` of the window out of the row's own picture.
    void mask(const QRect &area) { m_masks << area; }

private:
    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
    MainMenu *m_window = nullptr;
    QVector<QRect> m_masks;
};

Q_DECLARE_METATYPE(PictureBench::Driver)

// What the drivers do on the screens, as the user does it, and how they
// check (a program's drivers take them in with `using namespace ScreenSteps`).
namespace ScreenSteps {

// Compares the screen with the reference `name` (the row's data tag when
// none is given) and collects a difference.
void shoot(const QString &name = QString(), int timeoutMs = 3000, const QVector<QRect> &masks = {});
// Collects a failed check.
void fail(const QString &why);

// Touches the button `name` of parent; collects a failure when there is none.
bool press(QWidget *parent, const char *name);
// Clicks the button `name` of parent as a key or the program's own code
// does (no touch, so the focus stays); collects a failure when there is none.
bool click(QWidget *parent, const char *name);
// The mute key (F10) pressed and released on the widget.
void muteKey(QWidget *to);
// The text of the label `name` of parent, "<no name>" when there is none.
QString labelText(QWidget *parent, const char *name);

// Runs a modal dialog of type T that `trigger` opens with exec(), `act`
// working it from inside its event loop; a dialog still open after `act` is
// rejected. A dialog that does not open is collected as a failure.
template <class T>
void inDialog(const std::function<void()> &trigger, const std::function<void(T *)> &act)
{
    bool opened = false;
    ModalAction<T> action([&](T *d) {
        opened = true;
        act(d);
        if (d->isVisible())
            d->reject();
    });
    trigger();
    if (!opened)
        fail(QStringLiteral("no %1 opened").arg(QLatin1String(T::staticMetaObject.className())));
}

} // namespace ScreenSteps

#endif // PICTUREBENCH_H
