// The simulator's stored measurements ("meas add") as a new user meets them:
// each of the five types opens from the browser with its values drawn and,
// where the type has one, its clip playing; the folders are dated by the
// instrument's clock (the receiver's time in the settings' time zone, or
// the host's clock when the date is set by hand).
#include "h2sensor.h"
#include "levelmeasurement.h"
#include "longtermdata.h"
#include "longtermmeasurement.h"
#include "mainmenu.h"
#include "measmanagement.h"
#include "pairedboard.h"
#include "pinpointing.h"
#include "pipelocating.h"
#include "systemclock.h"

#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QtTest>

#include <memory>

namespace {

const char kMeas[] = "/media/tq3900/meas/";

// Pixels of the chart's data area that are neither its background nor grid:
// the curve.
int curvePixels(const LongtermData *chart)
{
    const QImage &img = chart->chartImage();
    const QRect area = chart->dataArea() & img.rect();
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = img.pixel(x, y);
            if (p != QColor(Qt::darkGray).rgb() && p != QColor(64, 64, 64).rgb())
                ++n;
        }
    return n;
}

} // namespace

class TestSimMeasFolders : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase();
    void eachTypeOpensWithItsValues_data();
    void eachTypeOpensWithItsValues();
    void datedByTheInstrumentsClock_data();
    void datedByTheInstrumentsClock();

private:
    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
    std::unique_ptr<MainMenu> m_window;
};

void TestSimMeasFolders::cleanupTestCase()
{
    m_window.reset();
    m_board.reset();
    m_root.reset();
}

void TestSimMeasFolders::eachTypeOpensWithItsValues_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("clip"); // played by the stored view's Play, empty: none
    QTest::newRow("level measurement") << "LE" << "LE_sound.wav";
    QTest::newRow("pinpointing") << "PP" << "PP_Sound_1.wav";
    QTest::newRow("pipe locating") << "PL" << "";
    QTest::newRow("hydrogen") << "H2" << "";
    QTest::newRow("long-term") << "LT" << "";
}

void TestSimMeasFolders::eachTypeOpensWithItsValues()
{
    QFETCH(QString, type);
    QFETCH(QString, clip);
    // One instrument for the whole walk.
    if (!m_window) {
        startPairedBoard(&m_root, &m_board);
        m_window = std::make_unique<MainMenu>();
        m_window->show();
    }
    MainMenu &w = *m_window;
    const QString folder = m_board->send(QStringLiteral("meas add %1 30 Walk %1").arg(type));
    QVERIFY2(folder.startsWith(type + '_') && folder.endsWith("_Walk " + type), qPrintable(folder));

    w.displayWidget(7, 1, 0);
    QVERIFY(w.getInstanceMeasManagement()->openMeasurement(folder));
    QWidget *screen = w.findChild<QStackedWidget *>("mainWidget")->currentWidget();
    QCOMPARE(screen->findChild<QLabel *>("labelStoredMeasurement")->text(), "Walk " + type);
    auto label = [screen](const char *name) { return screen->findChild<QLabel *>(name)->text(); };

    if (type == "LE") {
        Levelmeasurement *le = w.levelmeasurementScreen();
        QCOMPARE(screen, le);
        QVERIFY(le->isStoredView());
        QCOMPARE(label("labelLevel"), QStringLiteral("42"));
        QCOMPARE(label("labelFrequency"), QStringLiteral("640 Hz"));
        // The spectrum peaks at the leak's frequency, well over the floor.
        const float *fft = le->fftValues();
        const int peak = int(std::max_element(fft + 10, fft + 512) - fft);
        QVERIFY2(qAbs(peak - 640 * 1024 / 7670) <= 1, qPrintable(QString::number(peak)));
        QVERIFY(fft[peak] > 10 * fft[400]);
    } else if (type == "PP") {
        Pinpointing *pp = w.pinpointingScreen();
        QCOMPARE(screen, pp);
        QVERIFY(pp->isStoredView());
        QCOMPARE(pp->leakPosition(), 4);
        QCOMPARE(pp->findChild<QProgressBar *>("progBarMin4")->value(), 635);
        QCOMPARE(pp->findChild<QProgressBar *>("progBarMin1")->value(), 380);
        QVERIFY(pp->findChild<QProgressBar *>("progBarMin7")->isHidden());
    } else if (type == "PL") {
        Pipelocating *pl = w.pipelocatingScreen();
        QCOMPARE(screen, pl);
        QCOMPARE(pl->storedLevels()[3], 62.0f);
        auto bar = [pl](int i) { return pl->findChild<QProgressBar *>(QStringLiteral("progBarHist%1_stored").arg(i)); };
        QVERIFY(bar(5)->isVisible() && bar(6)->isHidden());
        QCOMPARE(bar(3)->value(), 620);
    } else if (type == "H2") {
        H2Sensor *h2 = w.h2sensorScreen();
        QCOMPARE(screen, h2);
        QCOMPARE(h2->storedValuesCount(), 240);
        QCOMPARE(h2->storedRangeMax(), 200);
        QVERIFY2(curvePixels(h2->chart()) > 200, qPrintable(QString::number(curvePixels(h2->chart()))));
    } else {
        Longtermmeasurement *lt = w.longtermScreen();
        QCOMPARE(screen, lt);
        QCOMPARE(label("labelTimeStored"), QStringLiteral("10 min"));
        QCOMPARE(label("labelFilterLowCutOff"), QStringLiteral("160 Hz"));
        QVERIFY2(curvePixels(lt->storedChart()) > 200, qPrintable(QString::number(curvePixels(lt->storedChart()))));
    }

    // Play: the clip of the type (the first position's) goes to the output.
    const int played = m_root->journal("playback.log").size();
    QPushButton *play = screen->findChild<QPushButton *>("butMenuStoredPlay");
    if (clip.isEmpty()) {
        QVERIFY(!play || play->isHidden());
        QVERIFY(QDir(m_root->local(kMeas + folder)).entryList({"*.wav"}).isEmpty());
    } else {
        const QFileInfo wav(m_root->local(kMeas + folder + '/' + clip));
        // 16000 Hz, 16 bits, mono: a second or more of sound.
        QVERIFY2(wav.size() - 44 >= 32000, qPrintable(QString::number(wav.size())));
        play->click();
        QTRY_COMPARE(m_root->journal("playback.log").value(played),
                     QStringLiteral("play %1%2/%3 %4").arg(kMeas, folder, clip).arg(wav.size() - 44));
        screen->findChild<QPushButton *>("butMenuStoredStop")->click();
        QTRY_VERIFY(m_root->journal("playback.log").value(played + 1).startsWith("stop "));
    }
    screen->findChild<QPushButton *>("butMenuStoredBack")->click();
    QCOMPARE(w.findChild<QStackedWidget *>("mainWidget")->currentWidget(), w.getInstanceMeasManagement());
}

void TestSimMeasFolders::datedByTheInstrumentsClock_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<bool>("fromReceiver");
    QTest::newRow("GPS, UTC+1") << "" << true;
    QTest::newRow("GPS, UTC+5:30 in summer time")
        << "[Local-Settings]\nTimezoneOffset=19800\nDaylightSavingTime=1\nDateTimeSource=GPS\n" << true;
    QTest::newRow("set by hand") << "[Local-Settings]\nDateTimeSource=MAN\n" << false;
}

void TestSimMeasFolders::datedByTheInstrumentsClock()
{
    QFETCH(QString, settings);
    QFETCH(bool, fromReceiver);
    std::unique_ptr<TestRoot> root;
    std::unique_ptr<SimBoard> board;
    startPairedBoard(&root, &board, settings);
    // A receiver far from the host's clock: the program takes its time.
    QCOMPARE(board->send("gps time 2031-06-01T12:00:00"), QStringLiteral("ok"));
    {
        MainMenu w;
        w.show();
        if (fromReceiver)
            QTRY_VERIFY_WITH_TIMEOUT(SystemClock::now().date() == QDate(2031, 6, 1), 15000);
        else
            QTest::qWait(1500); // the receiver's fixes come and leave the clock alone
        QCOMPARE(SystemClock::now().date() == QDate(2031, 6, 1), fromReceiver);

        const QString folder = board->send("meas add LT 120 Night");
        const QDateTime stamp = QDateTime::fromString(folder.mid(3, 15), "yyyyMMdd_hhmmss");
        QVERIFY2(stamp.isValid(), qPrintable(folder));
        // The program took the receiver's time from a sentence that may have
        // reached it seconds late (under emulation); a wrong zone or summer
        // time is off by half an hour or more.
        const qint64 apart = stamp.secsTo(SystemClock::now().addSecs(-120 * 60));
        QVERIFY2(apart >= -60 && apart <= 60, qPrintable(QStringLiteral("%1: %2 s").arg(folder).arg(apart)));
        QSettings info(root->local(kMeas + folder + "/info.ini"), QSettings::IniFormat);
        QCOMPARE(info.value("Measurementinfo/Measurementdate").toString(), stamp.toString("dd.MM.yyyy"));
        QCOMPARE(info.value("Measurementinfo/Measurementtime").toString(), stamp.toString("hh:mm:ss"));
        // The browser sorts by the file time: two hours ago on the host.
        const qint64 age = QFileInfo(root->local(kMeas + folder)).lastModified().secsTo(QDateTime::currentDateTime());
        QVERIFY2(qAbs(age - 7200) <= 60, qPrintable(QString::number(age)));
    }
    board.reset();
}

QTEST_MAIN(TestSimMeasFolders)
#include "tst_simmeasfolders.moc"
