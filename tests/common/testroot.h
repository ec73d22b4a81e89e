#ifndef TESTROOT_H
#define TESTROOT_H

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A fresh simulated device tree in a temporary folder, made the program's
// device root (TQ3900_ROOT) for the lifetime of the object.
class TestRoot
{
public:
    TestRoot();
    ~TestRoot();

    bool isValid() const { return m_ok; }
    QString root() const { return m_dir.path(); }
    QString local(const QString &boardPath) const { return root() + boardPath; }

    QByteArray read(const QString &boardPath) const;
    bool write(const QString &boardPath, const QByteArray &content) const;
    bool exists(const QString &boardPath) const;

    // Lines of a journal in <root>/.tq3900/.
    QStringList journal(const QString &name) const;
    // The commands of commands.log (first column), in order.
    QStringList commands() const;
    // The working directories of commands.log, in order.
    QStringList commandDirs() const;
    // The writes of sysfs.log as "<path> <value>", in order.
    QStringList sysfsWrites() const;
    // Values written to one path, in order.
    QStringList sysfsWritesTo(const QString &boardPath) const;
    // Scripts the answer of a command (see CommandRunner).
    void answer(const QString &commandOrFirstWord, int exitCode, const QByteArray &output = {}) const;
    void clearJournals() const;

private:
    QTemporaryDir m_dir;
    QByteArray m_previousRoot;
    bool m_hadRoot = false;
    bool m_ok = false;
};

#endif // TESTROOT_H
