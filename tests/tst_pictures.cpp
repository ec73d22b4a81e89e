// What the main window shows, compared picture for picture with references
// (tests/pictures): the main page at start-up and with the states of the
// status bar a user reads from it.
#include "picturebench.h"
#include "statusbardata.h"

#include <QtTest>

class TestPictures : public QObject
{
    Q_OBJECT

private slots:
    // The debug row's instrument has the debug features unlocked.
    void init()
    {
        m_bench.start(QTest::currentDataTag() == QLatin1String("main-page-debug") ? "[Debug]\nDebugfeatures=1\n"
                                                                                  : QString());
    }
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
    // With the debug features on, the TEST and DBG buttons over the status
    // bar; once the unit has reported its sensor and battery (the status
    // bar's next refresh shows them).
    QTest::newRow("main-page-debug") << PictureBench::Driver([](PictureBench &) {
        QTRY_VERIFY_WITH_TIMEOUT(StatusbarData()->micSensorConnected() && StatusbarData()->batteryMicrophone() >= 0,
                                 20000);
        ScreenSteps::shoot();
    });
}

void TestPictures::screens()
{
    QFETCH(PictureBench::Driver, drive);
    m_bench.run(drive);
}

SCREEN_PICTURE_MAIN(TestPictures)
#include "tst_pictures.moc"
