#ifndef SIM_TESTSTATION_H
#define SIM_TESTSTATION_H

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

namespace Sim {

class ControlChannel;

// The factory test station on the other side of the command file
// "/media/ramdisk/production": it writes a command line and waits until the
// instrument has replaced it with a status or a result. The instrument
// truncates the file before it writes its answer, and a command may briefly
// leave "staActive" before the final answer, so an answer counts once the
// file holds a line that is not a command and reads the same twice
// kSettleMs apart.
class TestStation : public QObject
{
    Q_OBJECT
public:
    static const char kCommandFile[];
    static constexpr int kPollMs = 20;
    static constexpr int kSettleMs = 60;
    static constexpr int kAnswerTimeoutMs = 20000;
    // What is read of the file at most.
    static constexpr int kMaxReadBytes = 65536;

    explicit TestStation(const QString &root, QObject *parent = nullptr);

    QString filePath() const;
    // The file's bytes (at most kMaxReadBytes); empty when it is missing.
    QByteArray contents() const;
    // Replaces the file's content with bytes, exactly.
    bool write(const QByteArray &bytes) const;

    // The answer in a file's content: its first line without the line feed,
    // or empty while the file holds a command, nothing at all, or still
    // what the station wrote.
    static QByteArray answerIn(const QByteArray &contents, const QByteArray &written);

    // Writes the line and a line feed, then calls done with the answer, or
    // with timedOut set when the file still held a command (or nothing)
    // after timeoutMs. Several exchanges may run at once; each ends once.
    struct Outcome {
        bool timedOut = false;
        QByteArray answer;   // the first line, without its line feed
        QByteArray contents; // the whole file as last read
    };
    void exchange(const QByteArray &line, int timeoutMs, std::function<void(const Outcome &)> done);

    // "station send <line>" (escapes \r, \n, \0, \xNN allowed) and
    // "station file".
    void registerCommands(ControlChannel &control);

private:
    QString m_root;
};

} // namespace Sim

#endif // SIM_TESTSTATION_H
