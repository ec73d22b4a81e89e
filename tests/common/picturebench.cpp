#include "picturebench.h"

#include "gps.h"
#include "mainmenu.h"
#include "measmanagement.h"
#include "pairedboard.h"
#include "screenpicture.h"
#include "sensorunitlink.h"

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>

#include <cstdio>

namespace {

// What the running row's driver collected, and how many pictures it took.
QStringList s_differences;
int s_shots = 0;
// Every failed row of the program: "function:row what differed".
QStringList s_failedRows;

QPushButton *button(QWidget *parent, const char *name)
{
    auto *b = parent ? parent->findChild<QPushButton *>(QLatin1String(name)) : nullptr;
    if (!b)
        ScreenSteps::fail(QStringLiteral("no button %1").arg(QLatin1String(name)));
    return b;
}

} // namespace

PictureBench::~PictureBench()
{
    if (s_failedRows.isEmpty())
        return;
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    QStringList rows;
    for (const QString &failed : qAsConst(s_failedRows))
        rows << failed.section(QLatin1Char(' '), 0, 0);
    std::fprintf(stderr, "\n%d picture row(s) of %s failed:\n%s\n", int(s_failedRows.size()), qPrintable(program),
                 qPrintable(s_failedRows.join(QLatin1Char('\n'))));
    std::fprintf(stderr,
                 "Look at the pictures named there. Where the change is meant, renew the references with\n"
                 "  scripts/update-pictures %s %s\n"
                 "and look at each one it changed before committing it.\n",
                 qPrintable(program), qPrintable(rows.join(QLatin1Char(' '))));
}

void PictureBench::start(const QString &moreSettings)
{
    ScreenPicture::steady();
    startPairedBoard(&m_root, &m_board, moreSettings);
}

void PictureBench::startOutOfTheBox()
{
    ScreenPicture::steady();
    startBoard(&m_root, &m_board);
}

void PictureBench::stop()
{
    m_board.reset();
    m_root.reset();
    ScreenPicture::release();
}

void PictureBench::run(const Driver &drive, Wait wait, const QVector<QRect> &masks)
{
    QVERIFY2(m_board, "the row's board was not started");
    s_differences.clear();
    s_shots = 0;
    m_masks = masks;
    MainMenu w;
    w.show();
    m_window = &w;
    // The window is the row's alone, whichever way this returns.
    const auto forget = qScopeGuard([this] { m_window = nullptr; });
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(waitFor(wait));
    if (drive)
        drive(*this);
    if (!QTest::currentTestFailed() && s_shots == 0 && s_differences.isEmpty())
        ScreenSteps::shoot(QString(), 3000, m_masks);
    if (!s_differences.isEmpty())
        s_failedRows << QStringLiteral("%1:%2 %3")
                            .arg(QLatin1String(QTest::currentTestFunction()), QLatin1String(QTest::currentDataTag()),
                                 s_differences.join(QStringLiteral("; ")));
    QVERIFY2(s_differences.isEmpty(), qPrintable(s_differences.join(QLatin1Char('\n'))));
}

bool PictureBench::tell(const QString &command) const
{
    const QString reply = m_board->send(command);
    if (reply != QLatin1String("ok"))
        qWarning() << command << "->" << reply;
    return reply == QLatin1String("ok");
}

bool PictureBench::waitFor(Wait wait) const
{
    // The link's calls take a few seconds, many more on a core shared with
    // other programs: the bound is generous, the wait ends when it is up.
    if (wait == Wait::LinkAndFix
        && !(m_board->waitForDataLink(30000)
             && waitForSinkDataMode(*m_window->getBtSinkInstance(), *m_board, *m_root))) {
        qWarning("The unit's data link did not come up");
        return false;
    }
    if (wait != Wait::Nothing
        && !QTest::qWaitFor([this] { return m_window->getGpsInstance()->isGpsDataValid(); }, 10000)) {
        qWarning("The receiver has no fix");
        return false;
    }
    return true;
}

bool PictureBench::openStored(const QString &folder, const QByteArray &info) const
{
    if (!m_root->write(QStringLiteral("/media/tq3900/meas/") + folder + QStringLiteral("/info.ini"), info))
        return false;
    m_window->displayWidget(7, 1, 0);
    return m_window->getInstanceMeasManagement()->openMeasurement(folder);
}

namespace ScreenSteps {

void shoot(const QString &name, int timeoutMs, const QVector<QRect> &masks)
{
    ++s_shots;
    const QString reference = name.isEmpty() ? QString::fromLatin1(QTest::currentDataTag()) : name;
    const QString mismatch = ScreenPicture::check(reference, timeoutMs, masks);
    if (!mismatch.isEmpty())
        s_differences << mismatch;
}

void fail(const QString &why)
{
    s_differences << why;
}

bool press(QWidget *parent, const char *name)
{
    QPushButton *b = button(parent, name);
    if (b)
        QTest::mouseClick(b, Qt::LeftButton);
    return b;
}

bool click(QWidget *parent, const char *name)
{
    QPushButton *b = button(parent, name);
    if (b)
        b->click();
    return b;
}

void muteKey(QWidget *to)
{
    QTest::keyPress(to, Qt::Key_F10);
    QTest::keyRelease(to, Qt::Key_F10);
}

QString labelText(QWidget *parent, const char *name)
{
    auto *label = parent->findChild<QLabel *>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
}

} // namespace ScreenSteps
