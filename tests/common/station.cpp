#include "station.h"

#include "testmenuremotectrl.h"

#include <QApplication>
#include <QDateTime>
#include <QTest>
#include <QTimer>
#include <QWidget>

Station::Station(const QString &root, QObject *parent)
    : QObject(parent), m_station(root)
{
}

QByteArray Station::contents() const
{
    return m_station.contents();
}

QString Station::firstLine() const
{
    const QByteArray all = contents();
    const int newline = all.indexOf('\n');
    return QString::fromLatin1(newline < 0 ? all : all.left(newline));
}

bool Station::write(const QByteArray &bytes) const
{
    return m_station.write(bytes);
}

QString Station::sendRaw(const QByteArray &bytes, int timeoutMs)
{
    if (!write(bytes))
        return QStringLiteral("<cannot write>");
    // On this thread the instrument's "staActive" and the answer that
    // replaces it come in one call: between events the file holds either
    // the command or the final answer.
    if (!QTest::qWaitFor([&]() { return !Sim::TestStation::answerIn(contents(), bytes).isEmpty(); },
                         timeoutMs))
        return QStringLiteral("<no answer>");
    return QString::fromLatin1(Sim::TestStation::answerIn(contents(), bytes));
}

QString Station::send(const QString &line, int timeoutMs)
{
    return sendRaw(line.toUtf8() + '\n', timeoutMs);
}

QString Station::pollNow(TestmenuRemoteCtrl *reader, const QString &line)
{
    if (!write(line.toUtf8() + '\n'))
        return QStringLiteral("<cannot write>");
    reader->readCommandFile();
    const QByteArray answer = Sim::TestStation::answerIn(contents(), line.toUtf8() + '\n');
    return answer.isEmpty() ? QStringLiteral("<no answer>") : QString::fromLatin1(answer);
}

Station &Station::then(const QString &line, const QString &expected)
{
    return thenWrite(line.toUtf8() + '\n', expected);
}

Station &Station::thenWrite(const QByteArray &bytes, const QString &expected)
{
    m_steps << Step{bytes, expected, nullptr};
    return *this;
}

Station &Station::thenDo(std::function<void()> act)
{
    m_steps << Step{QByteArray(), QString(), std::move(act)};
    return *this;
}

void Station::start()
{
    m_next = 0;
    m_waiting = false;
    m_done = false;
    m_failure.clear();
    m_answers.clear();
    QTimer::singleShot(kTickMs, this, &Station::tick);
}

void Station::fail(const QString &why)
{
    m_failure = why;
    m_done = true;
    // Unwind the modal loops the script opened, innermost first.
    for (int i = 0; i < 10; ++i) {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            break;
        modal->close();
    }
}

void Station::tick()
{
    if (m_done)
        return;
    // The next tick first: an act may open a modal dialog and not return
    // until it closes, while the script must go on inside it.
    QTimer::singleShot(kTickMs, this, &Station::tick);
    if (m_waiting) {
        const QByteArray answer = Sim::TestStation::answerIn(contents(), m_steps.at(m_next - 1).bytes);
        if (answer.isEmpty()) {
            if (QDateTime::currentMSecsSinceEpoch() > m_deadline)
                fail(QStringLiteral("step %1: no answer; the file holds \"%2\"")
                         .arg(m_next)
                         .arg(QString::fromLatin1(contents().left(100))));
            return;
        }
        m_waiting = false;
        const Step &step = m_steps.at(m_next - 1);
        m_answers << QString::fromLatin1(answer);
        if (!step.expected.isEmpty() && step.expected != QString::fromLatin1(answer))
            fail(QStringLiteral("step %1 (%2): answer \"%3\", expected \"%4\"")
                     .arg(m_next)
                     .arg(QString::fromLatin1(step.bytes.trimmed()), QString::fromLatin1(answer),
                          step.expected));
        return;
    }
    if (m_next >= m_steps.size()) {
        m_done = true;
        return;
    }
    const Step step = m_steps.at(m_next++);
    if (step.act) {
        step.act();
        if (QTest::currentTestFailed() && !m_done)
            fail(QStringLiteral("step %1: a check failed").arg(m_next));
        return;
    }
    if (!write(step.bytes)) {
        fail(QStringLiteral("step %1: cannot write the command file").arg(m_next));
        return;
    }
    m_waiting = true;
    m_deadline = QDateTime::currentMSecsSinceEpoch() + kTimeoutMs;
}

void shortPowerKeyPress(QWidget *w)
{
    QWidget *target = w->focusWidget() ? w->focusWidget() : w;
    QTest::keyPress(target, Qt::Key_F1);
    QCoreApplication::processEvents();
    QTest::keyRelease(target, Qt::Key_F1);
    QCoreApplication::processEvents();
}
