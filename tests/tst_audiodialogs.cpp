// The filter, headphone and microphone dialogs against the simulated board:
// what the codec, the register and mixer journals, the sensor unit, the
// headphone module and GPIO 17 see, and what the dialogs show.
#include "analoginputworker.h"
#include "audiocodecsetup.h"
#include "bluetooth.h"
#include "filtersettings.h"
#include "freqspectrum.h"
#include "globals.h"
#include "headphonesettings.h"
#include "mainmenu.h"
#include "micsettings.h"
#include "sensorunitlink.h"
#include "simboard.h"
#include "statusbardata.h"
#include "testroot.h"

#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

// Runs the dialog and does `what` inside its event loop; the result of exec().
template<typename F>
int runDialog(QDialog &dialog, F what)
{
    QTimer::singleShot(0, &dialog, what);
    QTimer::singleShot(8000, &dialog, [&dialog] { dialog.done(-1); }); // never hang
    return dialog.exec();
}

void key(QWidget *w, QEvent::Type type, int k)
{
    QKeyEvent e(type, k, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

QString text(QWidget &d, const char *label)
{
    return d.findChild<QLabel *>(label)->text();
}

QPushButton *button(QWidget &d, const char *name)
{
    return d.findChild<QPushButton *>(name);
}

void click(QWidget &d, const char *name)
{
    QTest::mouseClick(button(d, name), Qt::LeftButton);
}

QVector<quint32> codecFilter(AudioCodecSetup *codec)
{
    quint32 low = 0, high = 0;
    int type = -1;
    codec->getFilter(&low, &high, &type);
    return {low, high, quint32(type)};
}

QVector<quint32> recordedFilter(MainMenu &w)
{
    unsigned low = 0, high = 0;
    int type = -1;
    w.getCurrentFilter(&low, &high, &type);
    return {low, high, quint32(type)};
}

} // namespace

class TestAudioDialogs : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void filterArrowsAndLabels();
    void automaticAndNoFilter();
    void debugSections();
    void filterEscapeRestoresAndCloseRecords();
    void liveLevelAndSpectrum();
    void muteKeyInTheFilterDialog_data();
    void muteKeyInTheFilterDialog();
    void headphoneVolume_data();
    void headphoneVolume();
    void microphoneSteps();

private:
    // Settings, simulated board, main window with the unit's data link up.
    bool start(const QString &switchmode = "Switch", bool hearingProtection = false);
    // The sensor unit's microphone lines after `mark` (the status data's own
    // requests come in between at any time).
    QStringList micLines(int mark) const;
    // Waits until the unit got `line` after `mark`.
    bool unitGot(const QString &line, int mark, int timeoutMs = 5000);
    bool headphoneGot(const QString &line, int mark, int timeoutMs = 3000);
    // Makes the wired sensor present or absent.
    void wired(bool on);

    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
    std::unique_ptr<MainMenu> m_window;
};

bool TestAudioDialogs::start(const QString &switchmode, bool hearingProtection)
{
    g_debugFeatures = 0;
    m_root = std::make_unique<TestRoot>();
    m_root->write("/home/root/settings.ini",
                  QStringLiteral("[Bluetooth]\nMicrophone_ID=%1\nHeadphone_ID=%2\n"
                                 "[Systemsettings]\nSwitchmode=%3\nHearingProtection=%4\n")
                      .arg(SimBoard::kUnitAddress, SimBoard::kHeadphoneAddress, switchmode,
                           hearingProtection ? "true" : "false")
                      .toUtf8());
    m_board = std::make_unique<SimBoard>(m_root->root());
    if (!m_board->isRunning())
        return false;
    m_window = std::make_unique<MainMenu>();
    return waitForSinkDataMode(*m_window->getBtSinkInstance(), *m_board, *m_root);
}

void TestAudioDialogs::cleanup()
{
    m_window.reset();
    m_board.reset();
    m_root.reset();
    StatusbarData()->update(); // back to no sensor for the next test
    g_debugFeatures = 0;
}

QStringList TestAudioDialogs::micLines(int mark) const
{
    return m_board->unitLines().mid(mark).filter(QRegularExpression("^BT_TX I "));
}

bool TestAudioDialogs::unitGot(const QString &line, int mark, int timeoutMs)
{
    if (QTest::qWaitFor([&] { return micLines(mark).contains(line); }, timeoutMs))
        return true;
    qWarning() << "unit lines:" << m_board->unitLines().mid(mark);
    return false;
}

bool TestAudioDialogs::headphoneGot(const QString &line, int mark, int timeoutMs)
{
    if (QTest::qWaitFor([&] { return m_board->moduleLines("ttyO3").mid(mark).contains(line); }, timeoutMs))
        return true;
    qWarning() << "headphone module lines:" << m_board->moduleLines("ttyO3").mid(mark);
    return false;
}

void TestAudioDialogs::wired(bool on)
{
    QVERIFY(m_board->send(QStringLiteral("gpio 48 %1").arg(on ? 1 : 0)).startsWith("ok"));
    StatusbarData()->update();
    QCOMPARE(StatusbarData()->sensorType() == 4, on);
}

void TestAudioDialogs::filterArrowsAndLabels()
{
    QVERIFY(start());
    AudioCodecSetup *codec = m_window->getAudioCodecInstance();
    codec->setFilter(0, 4000, 0);
    {
        Filtersettings d(m_window.get());
        QCOMPARE(text(d, "labelFreqLow"), QStringLiteral("--- Hz"));
        QCOMPARE(text(d, "labelFreqHigh"), QStringLiteral("--- Hz"));
        QVERIFY(button(d, "but50HzFilter")->isHidden());
        QVERIFY(button(d, "butPreemphase")->isHidden());
        // The spectrum draws into an image of its place in the form.
        QCOMPARE(d.spectrum()->getImage().size(), QSize(416, 126));
        // Without a filter any arrow starts the band 20 .. 3900 Hz.
        const int mark = m_root->journal("registers.log").size();
        click(d, "butHighCutOffDown");
        QCOMPARE(text(d, "labelFreqLow"), QStringLiteral("20 Hz"));
        QCOMPARE(text(d, "labelFreqHigh"), QStringLiteral("3900 Hz"));
        QCOMPARE(codecFilter(codec), QVector<quint32>({20, 3900, 1}));
        QCOMPARE(m_root->journal("registers.log").size(), mark + 197);
        unsigned low = 0, high = 0;
        int type = -1;
        d.spectrum()->getFilter(&low, &high, &type);
        QCOMPARE(QVector<quint32>({low, high, quint32(type)}), QVector<quint32>({20, 3900, 1}));
        // Down from 20 Hz is 0 Hz; up from 3900 Hz is 4000 Hz and no further.
        click(d, "butLowCutOffDown");
        click(d, "butHighCutOffUp");
        click(d, "butHighCutOffUp");
        QCOMPARE(text(d, "labelFreqLow"), QStringLiteral("0 Hz"));
        QCOMPARE(text(d, "labelFreqHigh"), QStringLiteral("4000 Hz"));
        QCOMPARE(codecFilter(codec), QVector<quint32>({0, 4000, 1}));
    }

    // The corners never meet: up from 630 Hz below 800 Hz, and down from
    // 800 Hz above 630 Hz, stay.
    codec->setFilter(630, 800, 1);
    Filtersettings d(m_window.get());
    QCOMPARE(text(d, "labelFreqLow"), QStringLiteral("630 Hz"));
    click(d, "butLowCutOffUp");
    click(d, "butHighCutOffDown");
    QCOMPARE(codecFilter(codec), QVector<quint32>({630, 800, 1}));
    QCOMPARE(text(d, "labelFreqLow"), QStringLiteral("630 Hz"));
    QCOMPARE(text(d, "labelFreqHigh"), QStringLiteral("800 Hz"));
    click(d, "butLowCutOffDown");
    click(d, "butHighCutOffUp");
    QCOMPARE(codecFilter(codec), QVector<quint32>({500, 1000, 1}));
    click(d, "butLowCutOffUp");
    click(d, "butLowCutOffUp");
    QCOMPARE(codecFilter(codec), QVector<quint32>({800, 1000, 1}));
    QCOMPARE(text(d, "labelFreqLow"), QStringLiteral("800 Hz"));
}

void TestAudioDialogs::automaticAndNoFilter()
{
    QVERIFY(start());
    AudioCodecSetup *codec = m_window->getAudioCodecInstance();
    Filtersettings d(m_window.get());
    // The band by sensor type: the unit's microphone, its type-2 sensor, its
    // hydrogen sensor, a wired sensor.
    struct Row
    {
        const char *command;
        int type;
        quint32 low, high;
    };
    const Row rows[] = {{"unit sensor 1", 1, 160, 800},
                        {"unit sensor 2", 2, 400, 1000},
                        {"unit sensor 3", 3, 160, 4000},
                        {"gpio 48 1", 4, 160, 1000}};
    const QPoint strip400(int(0.56994343 * 416) + 3, 126 - 23);
    for (const Row &row : rows) {
        QVERIFY(m_board->send(row.command).startsWith("ok"));
        if (row.type != 4) // the unit tells its new sensor when it restarts
            QVERIFY(m_board->send("unit restart").startsWith("ok"));
        QTRY_COMPARE_WITH_TIMEOUT(StatusbarData()->sensorType(), row.type, 6000);
        click(d, "butAutoFilter");
        QCOMPARE(codecFilter(codec), QVector<quint32>({row.low, row.high, 1}));
        QCOMPARE(text(d, "labelFreqLow"), QStringLiteral("%1 Hz").arg(row.low));
        QCOMPARE(text(d, "labelFreqHigh"), QStringLiteral("%1 Hz").arg(row.high));
        // The spectrum's colour strip: the unit's microphone has its colours
        // up to 300 Hz (400 Hz is yellow already), the others up to 1000 Hz.
        QTest::qWait(2 * AnalogInputWorker::kTickMs);
        const bool yellow = d.spectrum()->getImage().pixel(strip400) == qRgb(255, 255, 0);
        QCOMPARE(yellow, row.type == 1);
    }
    const int mark = m_root->journal("registers.log").size();
    click(d, "butNoFilter");
    QCOMPARE(codecFilter(codec), QVector<quint32>({0, 4000, 0}));
    QCOMPARE(text(d, "labelFreqLow"), QStringLiteral("--- Hz"));
    QCOMPARE(text(d, "labelFreqHigh"), QStringLiteral("--- Hz"));
    QCOMPARE(m_root->journal("registers.log").size(), mark + 197);
    unsigned low = 0, high = 0;
    int type = -1;
    d.spectrum()->getFilter(&low, &high, &type);
    QCOMPARE(type, 0);
}

void TestAudioDialogs::debugSections()
{
    QVERIFY(start());
    g_debugFeatures = 1;
    AudioCodecSetup *codec = m_window->getAudioCodecInstance();
    codec->setFilter(160, 1000, 1);
    const int off = m_root->journal("registers.log").size();
    codec->setFilter(160, 1000, 1);
    const QStringList plain = m_root->journal("registers.log").mid(off);
    Filtersettings d(m_window.get());
    QVERIFY(!button(d, "but50HzFilter")->isHidden());
    QVERIFY(!button(d, "butPreemphase")->isHidden());
    // Each press toggles its section and programs the codec at once.
    const int mark = m_root->journal("registers.log").size();
    click(d, "but50HzFilter");
    QCOMPARE(button(d, "but50HzFilter")->text(), QStringLiteral("50 Hz = 1"));
    const QStringList with50Hz = m_root->journal("registers.log").mid(mark);
    QCOMPARE(with50Hz.size(), 197);
    QVERIFY(with50Hz != plain);
    click(d, "butPreemphase");
    QCOMPARE(button(d, "butPreemphase")->text(), QStringLiteral("Preem = 1"));
    click(d, "but50HzFilter");
    click(d, "butPreemphase");
    QCOMPARE(button(d, "butPreemphase")->text(), QStringLiteral("Preem = 0"));
    QCOMPARE(m_root->journal("registers.log").mid(m_root->journal("registers.log").size() - 197), plain);
    QCOMPARE(codecFilter(codec), QVector<quint32>({160, 1000, 1}));
}

void TestAudioDialogs::filterEscapeRestoresAndCloseRecords()
{
    QVERIFY(start());
    AudioCodecSetup *codec = m_window->getAudioCodecInstance();
    codec->setFilter(160, 1250, 1);
    m_window->setCurrentFilter(160, 1250, 1);
    const int before = m_root->journal("registers.log").size();
    codec->setFilter(160, 1250, 1);
    const QStringList opening = m_root->journal("registers.log").mid(before);
    {
        // Arrows and a touch on the spectrum change the codec and the
        // record; Escape (the power key) puts both back.
        Filtersettings d(m_window.get());
        const int result = runDialog(d, [&] {
            click(d, "butLowCutOffDown");
            QWidget *s = d.spectrum();
            QTest::mouseClick(s, Qt::LeftButton, Qt::NoModifier, QPoint(5, 40));
            QCOMPARE(recordedFilter(*m_window).at(2), 1u);
            QVERIFY(codecFilter(codec) != QVector<quint32>({160, 1250, 1}));
            key(&d, QEvent::KeyPress, Qt::Key_Escape);
            QVERIFY(d.isVisible()); // the press alone does nothing
            key(&d, QEvent::KeyRelease, Qt::Key_Escape);
        });
        QCOMPARE(result, 0);
        QCOMPARE(codecFilter(codec), QVector<quint32>({160, 1250, 1}));
        QCOMPARE(recordedFilter(*m_window), QVector<quint32>({160, 1250, 1}));
        QCOMPARE(m_root->journal("registers.log").mid(m_root->journal("registers.log").size() - 197), opening);
        int type = -1;
        unsigned low = 0, high = 0;
        d.getFiltersettings(&type, &low, &high);
        QCOMPARE(QVector<quint32>({low, high, quint32(type)}), QVector<quint32>({160, 1250, 1}));
    }
    {
        // Escape without a change writes nothing.
        Filtersettings d(m_window.get());
        const int mark = m_root->journal("registers.log").size();
        QCOMPARE(runDialog(d, [&] { key(&d, QEvent::KeyRelease, Qt::Key_Escape); }), 0);
        QCOMPARE(m_root->journal("registers.log").size(), mark);
    }
    // Close takes the band into the main window's record.
    Filtersettings d(m_window.get());
    const int result = runDialog(d, [&] {
        click(d, "butHighCutOffUp");
        QCOMPARE(recordedFilter(*m_window), QVector<quint32>({160, 1250, 1}));
        click(d, "butClose");
    });
    QCOMPARE(result, 1);
    QCOMPARE(recordedFilter(*m_window), QVector<quint32>({160, 1600, 1}));
    QCOMPARE(codecFilter(codec), QVector<quint32>({160, 1600, 1}));
    int type = -1;
    unsigned low = 0, high = 0;
    d.getFiltersettings(&type, &low, &high);
    QCOMPARE(QVector<quint32>({low, high, quint32(type)}), QVector<quint32>({160, 1600, 1}));
}

void TestAudioDialogs::liveLevelAndSpectrum()
{
    QVERIFY(start());
    // The simulator's tone through the converter: 0.1 of full scale at
    // 1000 Hz, display level (77 + 20 log10 0.0707) x 1.8 = 97.
    QVERIFY(m_board->send("signal tone 1000 0.1").startsWith("ok"));
    AnalogInputWorker *ain = Analoginputworker();
    ain->startCapture();
    ain->pauseCapture(false);
    Filtersettings d(m_window.get());
    QTRY_COMPARE_WITH_TIMEOUT(text(d, "labelLevel"), QStringLiteral("97"), 5000);
    QCOMPARE(d.findChild<QProgressBar *>("prgbLevel")->value(), 97);
    // Three ticks later the mean has the tone at full height, in the bin
    // of 1000 Hz at 7670 samples per second (133.5).
    QTest::qWait(4 * AnalogInputWorker::kTickMs);
    const float *drawn = d.spectrum()->drawnValues();
    const int peak = int(std::max_element(drawn, drawn + 512) - drawn);
    QVERIFY2(peak == 133 || peak == 134, qPrintable(QString::number(peak)));
    QVERIFY(drawn[peak] > 0.9f);
    QVERIFY(drawn[300] < 0.5f);
    // The grab of the dialog as a person sees it (kept for a look).
    d.resize(480, 272);
    const QImage grab = d.grab().toImage();
    QCOMPARE(grab.size(), QSize(480, 272));
    const QString out = qEnvironmentVariable("TQ3900_GRAB_DIR");
    if (!out.isEmpty())
        QVERIFY(grab.save(out + "/filtersettings.png"));
    ain->stopCapture();
}

void TestAudioDialogs::muteKeyInTheFilterDialog_data()
{
    QTest::addColumn<QString>("switchmode");
    QTest::addColumn<QString>("word");
    QTest::newRow("push-button mode") << "Push-Button" << "PUSHBUT";
    QTest::newRow("switch mode") << "Switch" << "SWITCH";
}

void TestAudioDialogs::muteKeyInTheFilterDialog()
{
    QFETCH(QString, switchmode);
    QFETCH(QString, word);
    QVERIFY(start(switchmode));
    const bool push = word == "PUSHBUT";
    QVERIFY(unitGot("BT_TX I 0f MUTE " + word, 0));
    Filtersettings d(m_window.get());
    // The key goes to the dialog, not to the main window.
    int mark = m_board->unitLines().size();
    key(&d, QEvent::KeyPress, Qt::Key_F10);
    QVERIFY(unitGot("BT_TX I 0f ACTIVE " + word, mark));
    QCOMPARE(gpio(*m_root, 17), QByteArray("1"));
    QVERIFY(!m_window->isAudioPathMuted());
    mark = m_board->unitLines().size();
    key(&d, QEvent::KeyRelease, Qt::Key_F10);
    if (push) {
        // Listening only while held.
        QVERIFY(unitGot("BT_TX I 0f MUTE PUSHBUT", mark));
        QCOMPARE(gpio(*m_root, 17), QByteArray("0"));
        QVERIFY(m_window->isAudioPathMuted());
    } else {
        // A switch: the release changes nothing, the next press mutes.
        QTest::qWait(300);
        QCOMPARE(micLines(mark), QStringList());
        QCOMPARE(gpio(*m_root, 17), QByteArray("1"));
        key(&d, QEvent::KeyPress, Qt::Key_F10);
        QVERIFY(unitGot("BT_TX I 0f MUTE SWITCH", mark));
        QCOMPARE(gpio(*m_root, 17), QByteArray("0"));
        key(&d, QEvent::KeyRelease, Qt::Key_F10);
        mark = m_board->unitLines().size();
        key(&d, QEvent::KeyPress, Qt::Key_F10);
        QVERIFY(unitGot("BT_TX I 0f ACTIVE SWITCH", mark));
    }
    QCOMPARE(d.result(), 0); // the key never closes the dialog
}

void TestAudioDialogs::headphoneVolume_data()
{
    QTest::addColumn<bool>("protection");
    QTest::addColumn<int>("highestYellow");
    QTest::newRow("hearing protection") << true << 13;
    QTest::newRow("no hearing protection") << false << 8;
}

void TestAudioDialogs::headphoneVolume()
{
    QFETCH(bool, protection);
    QFETCH(int, highestYellow);
    QVERIFY(start("Switch", protection));
    Bluetooth *link = m_window->getBtSourceInstance();
    // The headphone's remote-control link carries the volume both ways. The
    // status data sets the volume of a new link at its next refresh; the
    // dialog registers for reports after that, so every report below
    // answers one press, however slowly the refresh comes.
    QTRY_VERIFY_WITH_TIMEOUT(link->isConnectedAVRCP(), 8000);
    QVERIFY(headphoneGot("AVRCP PDU 50 50", 0, 10000));
    const int mark = m_board->moduleLines("ttyO3").size();
    Headphonesettings d(m_window.get());
    // Registers for the headphone's volume reports.
    QVERIFY(headphoneGot("AVRCP PDU 31 D", mark));
    auto shown = [&d] { return text(d, "labelVolume").toInt(); };
    auto bar = [&d] { return d.findChild<QProgressBar *>("progBarVol"); };
    auto warning = [&d] { return d.findChild<QLabel *>("labelWarning"); };
    QCOMPARE(shown(), link->getBtExtHeadphoneGain());
    QCOMPARE(bar()->value(), link->getBtExtHeadphoneGain());
    // The headphone answers every step with its new volume; each press waits
    // for that report, so that none arrives late.
    QSignalSpy reports(link, &Bluetooth::btHeadphoneVolumeChanged);
    auto press = [&](const char *name) {
        const int n = reports.count();
        click(d, name);
        QVERIFY(QTest::qWaitFor([&] { return reports.count() > n; }, 3000));
    };

    // Up to the last yellow step, then one more.
    while (shown() < highestYellow)
        press("butVolUp");
    QCOMPARE(shown(), highestYellow);
    QVERIFY(bar()->styleSheet().contains("yellow"));
    QVERIFY(warning()->isHidden());
    press("butVolUp");
    QCOMPARE(shown(), highestYellow + 1);
    QCOMPARE(bar()->value(), highestYellow + 1);
    QCOMPARE(bar()->styleSheet(), QStringLiteral("QProgressBar::chunk {background-color: red;}"));
    QVERIFY(!warning()->isHidden());
    QCOMPARE(warning()->text(), QStringLiteral("Warning!\nHigh volumes can lead to hearing damage."));
    press("butVolDown");
    QVERIFY(warning()->isHidden());

    // At the top the command still goes out; the step stays 15.
    while (shown() < 15)
        press("butVolUp");
    const int top = m_board->moduleLines("ttyO3").size();
    press("butVolUp");
    QCOMPARE(shown(), 15);
    QVERIFY(headphoneGot("AVRCP UP", top));

    // The headphone's own volume changes (it reports because the dialog
    // registered for it): 6 % is step 1.
    QVERIFY(m_board->send("headphone volume 6").startsWith("ok"));
    QTRY_COMPARE(shown(), 1);
    QCOMPARE(bar()->value(), 1);
    QVERIFY(warning()->isHidden());
    // At the bottom likewise.
    const int bottom = m_board->moduleLines("ttyO3").size();
    press("butVolDown");
    press("butVolDown");
    QCOMPARE(shown(), 0);
    QVERIFY(headphoneGot("AVRCP DN", bottom));
    QCOMPARE(m_board->moduleLines("ttyO3").mid(bottom).count("AVRCP DN"), 2);
    QCOMPARE(d.getVolume(), 0);

    // Escape leaves, the link keeps its step.
    QCOMPARE(runDialog(d, [&] { key(&d, QEvent::KeyRelease, Qt::Key_Escape); }), 0);
    QCOMPARE(link->getBtExtHeadphoneGain(), 0);

    // The headphone comes back: the volume set on the new link is the
    // user's step, not the start's 50 %.
    const int back = m_board->moduleLines("ttyO3").size();
    QVERIFY(m_board->send("bt ttyO3 drop a2dp").startsWith("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(!StatusbarData()->stateHeadphone(), 10000);
    QVERIFY(m_board->send("bt ttyO3 restore a2dp").startsWith("ok"));
    QVERIFY(headphoneGot("AVRCP PDU 50 0", back, 20000));
    QVERIFY(!m_board->moduleLines("ttyO3").mid(back).contains("AVRCP PDU 50 50"));
    QCOMPARE(link->getBtExtHeadphoneGain(), 0);
}

void TestAudioDialogs::microphoneSteps()
{
    QVERIFY(start());
    // The measurement screens start with the recorded step 3.
    int mark = m_board->unitLines().size();
    m_window->setMicGainStep(m_window->getCurrentMicGainStep());
    QVERIFY(unitGot("BT_TX I 0f MUTE SWITCH", mark));
    {
        Micsettings d(m_window.get());
        QCOMPARE(text(d, "labelMicGain"), QStringLiteral("3(18 dB)"));
        QCOMPARE(d.focusWidget(), button(d, "butGain3"));
        // The wireless unit's step 1: gain code 0a in its microphone line.
        mark = m_board->unitLines().size();
        click(d, "butGain1");
        QVERIFY(unitGot("BT_TX I 0a MUTE SWITCH", mark));
        QCOMPARE(text(d, "labelMicGain"), QStringLiteral("1(3 dB)"));
        QCOMPARE(runDialog(d, [&] { click(d, "butClose"); }), 1);
        QCOMPARE(m_window->getCurrentMicGainStep(), 1);
    }

    // A wired sensor: the codec amplifier, at once; Escape keeps the gain in
    // effect but not as the step the screens start with.
    wired(true);
    const int unitMark = m_board->unitLines().size();
    Micsettings d(m_window.get());
    QCOMPARE(d.focusWidget(), button(d, "butGain1"));
    click(d, "butGain6");
    QCOMPARE(text(d, "labelMicGain"), QStringLiteral("6(41 dB)"));
    QCOMPARE(m_root->journal("mixer.log").last(), QStringLiteral("PGA Level := 41.00 dB"));
    click(d, "butGain3");
    QCOMPARE(text(d, "labelMicGain"), QStringLiteral("3(22.5 dB)"));
    click(d, "butGain6");
    QCOMPARE(runDialog(d, [&] {
                 key(&d, QEvent::KeyPress, Qt::Key_Escape);
                 key(&d, QEvent::KeyRelease, Qt::Key_Escape);
             }),
             0);
    QCOMPARE(m_window->getMicGainStep(), 6);
    QCOMPARE(m_window->getCurrentMicGainStep(), 1);
    QCOMPARE(m_root->journal("mixer.log").last(), QStringLiteral("PGA Level := 41.00 dB"));
    QTest::qWait(200);
    QCOMPARE(micLines(unitMark), QStringList()); // nothing to the unit
}

QTEST_MAIN(TestAudioDialogs)
#include "tst_audiodialogs.moc"
