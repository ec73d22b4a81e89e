// The production tests of the service connector against the simulated
// board: the UART/USB switch test (the switch lines in their order, opened by
// the station from the menu) and the USB test (lending the data partition to
// the simulated PC, the provisioning files it leaves, the verdicts that take
// the partition back).
#include "eventhandler.h"
#include "station.h"
#include "testmenu.h"
#include "testmenuremotectrl.h"
#include "testmenuuartusbswitch.h"
#include "testroot.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

const char kLine50[] = "/sys/class/gpio/gpio50/value";
const char kLine65[] = "/sys/class/gpio/gpio65/value";

QString modalName()
{
    QWidget *w = QApplication::activeModalWidget();
    return w ? w->objectName() : QString();
}

QString labelText(QWidget *w, const char *name)
{
    auto *l = w ? w->findChild<QLabel *>(QLatin1String(name)) : nullptr;
    return l ? l->text() : QString();
}

// The switch lines' writes, in order, as "<line> <value>".
QStringList lineWrites(const TestRoot &root)
{
    QStringList out;
    for (const QString &w : root.sysfsWrites()) {
        if (w.startsWith(QLatin1String(kLine50)))
            out << QStringLiteral("50 ") + w.section(' ', 1);
        else if (w.startsWith(QLatin1String(kLine65)))
            out << QStringLiteral("65 ") + w.section(' ', 1);
    }
    return out;
}

} // namespace

class TestConnectorTests : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void uartUsbSwitchFromTheStation();

private:
    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<Station> m_station;
    EventHandler m_filter;
};

void TestConnectorTests::init()
{
    m_root = std::make_unique<TestRoot>();
    QVERIFY(m_root->isValid());
    m_station = std::make_unique<Station>(m_root->root());
    qApp->installEventFilter(&m_filter);
}

void TestConnectorTests::cleanup()
{
    qApp->removeEventFilter(&m_filter);
    m_station.reset();
    m_root.reset();
}

// The menu sets UART; the station opens the switch test, which turns to USB
// at once and offers Pass; the switch commands change the lines and the
// label and answer nothing of their own; the last mode outlives the test.
void TestConnectorTests::uartUsbSwitchFromTheStation()
{
    TestMenu menu;
    QCOMPARE(m_root->read(kLine65), QByteArray("1"));
    m_root->clearJournals();
    QWidget *test = nullptr;
    Station &s = *m_station;
    s.then("cmdTestUartUsbSwitch", "staActive")
        .thenDo([&]() {
            test = QApplication::activeModalWidget();
            QCOMPARE(modalName(), QStringLiteral("TestmenuUartUsbSwitch"));
            // 65 first when turning to USB at the opening.
            QCOMPARE(lineWrites(*m_root), QStringList({"65 0", "50 0"}));
            QCOMPARE(labelText(test, "labelState"), QStringLiteral("Selected mode: USB"));
            QCOMPARE(labelText(test, "label"), QStringLiteral("Select between UART or USB\nCommunication mode"));
            QVERIFY(test->findChild<QPushButton *>("butPass")->isVisible());
            m_root->clearJournals();
        })
        .then("cmdUartUsbSwitchUart", "staActive")
        .thenDo([&]() {
            QCOMPARE(lineWrites(*m_root), QStringList({"50 0", "65 1"}));
            QCOMPARE(labelText(test, "labelState"), QStringLiteral("Selected mode: UART"));
            QCOMPARE(s.contents(), QByteArray("staActive\n"));
            // The power key through the key filter leaves the test open.
            shortPowerKeyPress(test);
            QCOMPARE(modalName(), QStringLiteral("TestmenuUartUsbSwitch"));
        })
        .then("cmdUartUsbSwitchUsb\r\n", "staActive")
        .thenDo([&]() {
            QCOMPARE(m_root->read(kLine65), QByteArray("0"));
            QCOMPARE(labelText(test, "labelState"), QStringLiteral("Selected mode: USB"));
            // By touch: back to UART.
            QTest::mouseClick(test->findChild<QPushButton *>("butUart"), Qt::LeftButton);
            QCOMPARE(labelText(test, "labelState"), QStringLiteral("Selected mode: UART"));
            QTest::mouseClick(test->findChild<QPushButton *>("butUsb"), Qt::LeftButton);
            m_root->clearJournals();
        })
        .then("cmdUartUsbSwitch", "staUnknownCommand")
        .then("cmdTestUartUsbSwitch", "staActive")
        .then("cmdPass", "resPassed")
        .thenDo([&]() {
            // The verdict leaves the lines as they were: USB.
            QCOMPARE(modalName(), QStringLiteral("TestMenu"));
            QCOMPARE(lineWrites(*m_root), QStringList());
            QCOMPARE(m_root->read(kLine65), QByteArray("0"));
            QCOMPARE(m_root->read(kLine50), QByteArray("0"));
        })
        .then("cmdFinish", "staActive");
    s.start();
    menu.exec();
    QTRY_VERIFY(s.isDone());
    QVERIFY2(s.succeeded(), qPrintable(s.failure()));
}

QTEST_MAIN(TestConnectorTests)
#include "tst_connectortests.moc"
