#ifndef STATION_H
#define STATION_H

#include "teststation.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

// The factory test station, as the tests of the production test menu drive
// the instrument: it writes a command line into "/media/ramdisk/production"
// and waits, bounded, until the instrument has replaced it with a line that
// is no longer a command; that line is the answer.
//
// send() waits in a local event loop and returns the answer: for a test
// dialog shown without exec(). A command that opens a modal test would run
// the test's loop inside that wait, so roads through the menu are scripted
// instead: then(), thenDo() and thenWrite() queue steps, start() runs them
// from single-shot timers in whichever event loop is innermost (the menu's,
// a test's), so the script goes on while a test runs modally. A step that
// fails (wrong answer, no answer in time, a failed check in thenDo) stops
// the script and closes every modal dialog, so the test's exec() returns.
class QWidget;
class TestmenuRemoteCtrl;

class Station : public QObject
{
    Q_OBJECT
public:
    static constexpr int kTimeoutMs = 15000;

    explicit Station(const QString &root, QObject *parent = nullptr);

    // The file's bytes, and its first line without the line feed.
    QByteArray contents() const;
    QString firstLine() const;
    // Replaces the file's content exactly (no line feed added).
    bool write(const QByteArray &bytes) const;

    // Writes line + "\n" and returns the answer, or "<no answer>" after
    // timeoutMs.
    QString send(const QString &line, int timeoutMs = kTimeoutMs);
    // Writes raw bytes and waits for the answer in the same way.
    QString sendRaw(const QByteArray &bytes, int timeoutMs = kTimeoutMs);

    // Writes line + "\n" and has the reader poll once at once (for tests
    // that check many commands; the reader's period is checked elsewhere).
    QString pollNow(TestmenuRemoteCtrl *reader, const QString &line);

    // The script. expected empty: any answer.
    Station &then(const QString &line, const QString &expected);
    Station &thenWrite(const QByteArray &bytes, const QString &expected);
    Station &thenDo(std::function<void()> act);
    void start();
    bool isDone() const { return m_done; }
    bool succeeded() const { return m_done && m_failure.isEmpty(); }
    QString failure() const { return m_failure; }
    // The answers the script's steps got, in order.
    QStringList answers() const { return m_answers; }

    static constexpr int kTickMs = 10;

private:
    struct Step {
        QByteArray bytes; // written (empty for an act)
        QString expected;
        std::function<void()> act;
    };
    void tick();
    void fail(const QString &why);

    Sim::TestStation m_station;
    QList<Step> m_steps;
    int m_next = 0;
    bool m_waiting = false;
    bool m_done = false;
    qint64 m_deadline = 0;
    QString m_failure;
    QStringList m_answers;
};

// The power key's short press as the board delivers it, through the
// application's key filter (which must be installed): F1 press (posted on
// as F11) and F1 release (an Escape release).
void shortPowerKeyPress(QWidget *w);

#endif // STATION_H
