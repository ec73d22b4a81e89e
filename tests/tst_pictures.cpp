// What the main window shows, compared picture for picture with references
// (tests/pictures): the main page at start-up and with the states of the
// status bar a user reads from it.
#include "picturebench.h"

#include <QtTest>

class TestPictures : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_bench.start(); }
    void cleanup() { m_bench.stop(); }
    void screens_data();
    void screens();

private:
    PictureBench m_bench;
};

void TestPictures::screens_data()
{
    QTest::addColumn<PictureBench::Driver>("drive");
    // The main page as the start-up leaves it, once the unit's link is up
    // and the receiver has its fix.
    QTest::newRow("main-page") << PictureBench::Driver();
}

void TestPictures::screens()
{
    QFETCH(PictureBench::Driver, drive);
    m_bench.run(drive);
}

SCREEN_PICTURE_MAIN(TestPictures)
#include "tst_pictures.moc"
