#ifndef TESTMENUREMOTECTRL_H
#define TESTMENUREMOTECTRL_H

#include <QByteArray>
#include <QDialog>
#include <QFile>
#include <QString>

namespace Ui {
class TestmenuRemoteCtrl;
}

class QTimer;

// The instrument's side of the factory test station's command file
// "/media/ramdisk/production". The station writes one command line ("cmd..."),
// the instrument overwrites the file with a status ("sta...") or a result
// ("res..."). The test menu and every open test dialog each own one of these:
// it polls the file every 500 ms, answers "staActive" to a command before it
// hands the line to its owner through sendCommand(), answers any line that
// is neither a command nor an instrument line with "staUnknownCommand", and
// leaves the instrument's own lines alone, so that each command is taken once.
//
// A dialog with a small form that is never shown: it only polls and writes.
// The file is opened afresh for every read and write and never locked; all
// readers and writers take turns on the GUI thread.
class TestmenuRemoteCtrl : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kPollMs = 500;
    // The longest first line looked at; a longer one is no command.
    static constexpr int kMaxLineBytes = 4096;
    // The factory script run when the file cannot be opened, and how long
    // the poll waits for it at most.
    static const char kFailureScript[];
    static constexpr int kFailureScriptTimeoutMs = 60000;
    static const char kCommandFile[];

    explicit TestmenuRemoteCtrl(QWidget *parent = nullptr);
    ~TestmenuRemoteCtrl() override;

    // Replaces the file's whole content with text and one line feed,
    // written as Latin-1 (other characters become '?').
    void writeResult(const QString &text);
    // One poll: reads the first line and hands it to analyseCommand.
    void readCommandFile();
    // Classifies one line and reacts: 0 for a command or an instrument
    // line, -1 when it was answered "staUnknownCommand".
    int analyseCommand(const QString &line);
    // Points the reader at another board path (the system keeps the default).
    void setFileName(const QString &name);
    QString fileName() const { return m_fileName; }

    // Stops and restarts the poll (the menu pauses its reader while one of
    // its tests runs).
    void pause();
    void resume();
    bool isPolling() const;

    // The text of a first line as the poll sees it: at most kMaxLineBytes
    // before the line feed (tooLong set when the line is longer), cut at the
    // first NUL, decoded as UTF-8; the line feed stays.
    static QString firstLineText(const QByteArray &content, bool *tooLong);
    // Writes bytes over the file at the board path (creating it in an
    // existing folder). Refuses, and logs, a symbolic link, FIFO or folder
    // in the file's place (nothing is written through a link) and never
    // waits; false when nothing was written.
    static bool writeCommandFile(const QString &boardPath, const QByteArray &bytes);

signals:
    void sendCommand(QString command);

private slots:
    void on_butBack_clicked();

private:
    void runFailureScript();

    Ui::TestmenuRemoteCtrl *ui;
    QTimer *m_timer;
    QString m_fileName;
    QFile m_commandFile;
};

#endif // TESTMENUREMOTECTRL_H
