// Saving on the frame every acoustic measurement screen shares, against the
// simulated sensor unit and card: muted first, cancelled or accepted in the
// name keyboard, one folder under the typed name; and the favourite key held
// on the screen, through the application's key filter, stores it.
//
// Every test runs for each screen in screens() (tests/common/framescreens.h).
#include "audiocodecsetup.h"
#include "eventhandler.h"
#include "framescreens.h"

#include <QDir>
#include <QSettings>
#include <QtTest>

class TestMeasurementFrameSave : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { m_sim.reset(); }

    void saveAndFavourite_data() { screenRows(); }
    void saveAndFavourite();

private:
    FrameBoard m_sim;
};

void TestMeasurementFrameSave::saveAndFavourite()
{
    const FrameScreen s = currentScreen();
    if (!s.frameSave)
        QSKIP("saves by itself, without muting (tst_h2sensor)");
    m_sim.pair("Switch");
    TestRoot &root = *m_sim.root;
    QVERIFY(QDir().mkpath(root.local("/media/tq3900/meas")));
    MainMenu w;
    EventHandler keys;
    qApp->installEventFilter(&keys);
    FrameModals modals;
    QVERIFY(waitForSinkDataMode(*w.getBtSinkInstance(), *m_sim.board, root));
    w.displayWidget(s.number, 1, 0);
    QCOMPARE(w.getCurrentVisibleDlgNum(), s.favourite);
    QWidget *page = w.findChild<QStackedWidget *>("mainWidget")->currentWidget();
    QPushButton *save = page->findChild<QPushButton *>("butMenuSave");
    QVERIFY(save);
    const QDir meas(root.local("/media/tq3900/meas"));

    // Listening: saving mutes first. Cancelled: nothing stored.
    QTest::keyPress(page, Qt::Key_F10);
    QTRY_VERIFY(!w.isAudioPathMuted());
    modals.name = QString();
    save->click();
    QCOMPARE(modals.seen, QStringList({"keyboard"}));
    QVERIFY(w.isAudioPathMuted());
    QVERIFY(m_sim.unitGot("BT_TX I 0f MUTE SWITCH"));
    QCOMPARE(meas.entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList());

    // Accepted: one folder of the screen's type under the typed name; the
    // screen stays, muted, on its live page.
    // With it the band the codec filters, as the filter dialog leaves it.
    w.getAudioCodecInstance()->setFilter(300, 1200, 1);
    quint32 low = 0, high = 0;
    int type = 0;
    w.getAudioCodecInstance()->getFilter(&low, &high, &type);
    QVERIFY(low > 0 && high < 4000);
    modals.name = QStringLiteral("Garden");
    save->click();
    const QStringList folders = meas.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(folders.size(), 1);
    QVERIFY2(QRegularExpression("^" + s.prefix + "\\d{8}_\\d{6}_Garden$").match(folders.first()).hasMatch(),
             qPrintable(folders.first()));
    QSettings info(meas.filePath(folders.first() + "/info.ini"), QSettings::IniFormat);
    QCOMPARE(info.value("Measurementinfo/Measurementname").toString(), QStringLiteral("Garden"));
    QCOMPARE(info.value("Filter/Filtertype").toString(), QStringLiteral("Bandpass"));
    QCOMPARE(info.value("Filter/LowCutOff-Frequency").toUInt(), low);
    QCOMPARE(info.value("Filter/HighCutOff-Frequency").toUInt(), high);
    QCOMPARE(FrameBoard::current(w), page->objectName());
    QVERIFY(w.isAudioPathMuted());

    // Holding the favourite key on the screen stores it, also after another
    // screen was visited in between.
    w.displayWidget(6, 1, 0);
    w.setCurrentVisibleDlgNum(4);
    w.displayWidget(s.number, 1, 0);
    page->setFocus();
    QTest::keyPress(page, Qt::Key_F2);
    for (int i = 0; i < 8; ++i) {
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_F2, Qt::NoModifier, QString(), true, 1);
        QApplication::sendEvent(page, &repeat);
    }
    QTest::keyRelease(page, Qt::Key_F2);
    QTRY_COMPARE(QSettings(root.local("/home/root/settings.ini"), QSettings::IniFormat)
                     .value("Systemsettings/FavouriteButton")
                     .toInt(),
                 s.favourite);
    qApp->removeEventFilter(&keys);
}

QTEST_MAIN(TestMeasurementFrameSave)
#include "tst_measurementframe_save.moc"
