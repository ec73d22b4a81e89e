// What the main window shows, compared picture for picture with references
// (tests/pictures): the main page at start-up and with the states of the
// status bar a user reads from it.
#include "bluetooth.h"
#include "gps.h"
#include "mainmenu.h"
#include "pairedboard.h"
#include "screenpicture.h"
#include "simboard.h"
#include "statusbardata.h"
#include "testroot.h"

#include <QtTest>

#include <functional>
#include <memory>

class TestPictures : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void screens_data();
    void screens();

private:
    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
};

using Driver = std::function<void(MainMenu &, SimBoard &)>;
Q_DECLARE_METATYPE(Driver)

void TestPictures::init()
{
    ScreenPicture::steady();
    startPairedBoard(&m_root, &m_board);
}

void TestPictures::cleanup()
{
    m_board.reset();
    m_root.reset();
    ScreenPicture::release();
}

void TestPictures::screens_data()
{
    QTest::addColumn<Driver>("drive");
    // The main page once the unit's link is up and the receiver has its fix.
    QTest::newRow("main-page") << Driver([](MainMenu &w, SimBoard &board) {
        QVERIFY(board.waitForDataLink());
        QTRY_VERIFY_WITH_TIMEOUT(w.getGpsInstance()->isGpsDataValid(), 10000);
    });
}

void TestPictures::screens()
{
    QFETCH(Driver, drive);
    MainMenu w;
    w.show();
    drive(w, *m_board);
    if (QTest::currentTestFailed())
        return;
    COMPARE_SCREEN(QString::fromLatin1(QTest::currentDataTag()));
}

SCREEN_PICTURE_MAIN(TestPictures)
#include "tst_pictures.moc"
