// Level measurement against the simulated board: a person opens the screen
// from the main page, listens to a tone the simulator plays, saves under a
// name and opens the measurement again from the browser, plays its clip by
// key, goes back and lends the data partition to a PC. Observed: the bars, markers and labels, the saved
// folder with its clip (read with sox) and info.ini, the codec's filter
// programme and mixer writes, and the playback journal.
#include "audiocodecsetup.h"
#include "backupdialog.h"
#include "clipplayer.h"
#include "formwidgets.h"
#include "freqspectrum.h"
#include "levelmeasurement.h"
#include "mainmenu.h"
#include "measmanagement.h"
#include "messagecloser.h"
#include "nametyper.h"
#include "pairedboard.h"
#include "progressbarminmaxmarker.h"
#include "sensorunitlink.h"
#include "simboard.h"
#include "stylechanges.h"
#include "stylesheet.h"
#include "testroot.h"
#include "tst_recording_wav.h"
#include "usbstorage.h"
#include "virtualkeyboard.h"

#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QtTest>

#include <memory>

namespace {

const char kMeas[] = "/media/tq3900/meas/";

} // namespace

class TestLevelmeasurement : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void listenSaveAndReplay();
    void barColours();

private:
    void settings(const QString &dialogs);
    void key(QWidget *page) { QTest::keyPress(page, Qt::Key_F10); QTest::keyRelease(page, Qt::Key_F10); }

    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
};

void TestLevelmeasurement::settings(const QString &dialogs)
{
    QVERIFY(m_root->write("/home/root/settings.ini", pairedSettings("[Dialogconfiguration]\n" + dialogs)));
}

void TestLevelmeasurement::init()
{
    startPairedBoard(&m_root, &m_board, "[Dialogconfiguration]\nLevelMeasurement_ShowPeakLevelBar=true\n");
}

void TestLevelmeasurement::cleanup()
{
    m_board.reset();
    m_root.reset();
}

void TestLevelmeasurement::listenSaveAndReplay()
{
    QCOMPARE(m_board->send("signal tone 400 0.01"), QStringLiteral("ok"));
    MainMenu w;
    w.show();
    QVERIFY(waitForSinkDataMode(*w.getBtSinkInstance(), *m_board, *m_root));
    NameTyper typer;
    typer.name = QStringLiteral("Kerb");

    // From the main page: muted, zeros, the spectrum beside the numbers.
    QTest::mouseClick(w.findChild<QPushButton *>("butLevelmeasurement"), Qt::LeftButton);
    Levelmeasurement *le = w.levelmeasurementScreen();
    QCOMPARE(w.findChild<QStackedWidget *>("mainWidget")->currentWidget(), le);
    QCOMPARE(w.getCurrentVisibleDlgNum(), 2);
    auto label = [le](const char *name) { return le->findChild<QLabel *>(name); };
    auto bar = [le](const char *name) { return le->findChild<ProgressBarMinMaxMarker *>(name); };
    QVERIFY(le->isMuted() && w.isAudioPathMuted());
    QVERIFY(!le->levelTimer()->isActive());
    QCOMPARE(label("labelLevel")->text(), QStringLiteral("0"));
    QCOMPARE(label("labelFrequency")->text(), QStringLiteral("0 Hz"));
    QCOMPARE(label("labelLevel")->pos(), QPoint(5, 0));
    QVERIFY(le->spectrum()->isVisible() && !le->spectrum()->isEnabled());
    QVERIFY(le->findChild<QWidget *>("subMenu_1")->isVisible());

    // Listening: the minimum, the frequency at it, the max-hold markers.
    key(le);
    QVERIFY(!le->isMuted() && !w.isAudioPathMuted());
    QCOMPARE(le->levelTimer()->interval(), 300);
    QVERIFY(le->spectrum()->isEnabled());
    // Each update sets the peak bar's colour; the same colour is not set
    // again (the quiet tone stays below the orange threshold).
    QTRY_VERIFY(label("labelLevel")->text() != QStringLiteral("0"));
    StyleChanges peakRestyled(le->findChild<QWidget *>("prgbPeakLevel"));
    QTest::qWait(1800);
    QCOMPARE(peakRestyled.count, 0);
    // Louder at 1000 Hz before the end: the minimum and the frequency shown
    // stay those of the quiet 400 Hz; the frequency saved is that of the
    // last update, 1000 Hz.
    const auto peakHz = [le] {
        const float *values = le->fftValues();
        int bin = 0;
        for (int i = 1; i < 512; ++i)
            if (values[i] > values[bin])
                bin = i;
        return bin * 7.8125;
    };
    QCOMPARE(m_board->send("signal tone 1000 0.1"), QStringLiteral("ok"));
    QVERIFY2(QTest::qWaitFor([&] { return qAbs(peakHz() - 1000) < 60; }, 10000), qPrintable(QString::number(peakHz())));
    key(le);
    QVERIFY(le->isMuted() && w.isAudioPathMuted());
    QVERIFY(!le->levelTimer()->isActive());
    const float minimum = le->minimumLevel();
    QVERIFY2(minimum > 20 && minimum < 99, qPrintable(QString::number(minimum)));
    QCOMPARE(label("labelLevel")->text(), QString::number(qRound(minimum)));
    QCOMPARE(bar("prgbMinimumLevel")->value(), int(minimum * 10));
    const QString freqText = label("labelFrequency")->text();
    QVERIFY2(qAbs(freqText.section(' ', 0, 0).toInt() - 400) <= 10, qPrintable(freqText));
    const float hold = le->maxHoldValue();
    QVERIFY(hold >= minimum);
    QCOMPARE(bar("prgbMinimumLevel")->maxMarker(), int(hold * 10));
    QCOMPARE(bar("prgbCurrentLevel")->maxMarker(), int(hold * 10));
    QCOMPARE(bar("prgbMinimumLevel")->minMarker(), -1);
    QCOMPARE(bar("prgbCurrentLevel")->minMarker(), -1);
    // The spectrum has its peak near 1000 Hz (bins of 7.8125 Hz).
    const float *fft = le->fftValues();
    const int peakBin = int(peakHz() / 7.8125);
    QVERIFY2(qAbs(peakBin * 7.8125 - 1000) < 60, qPrintable(QString::number(peakBin)));

    // Saved: the complete clip and 512 spectrum values.
    le->findChild<QPushButton *>("butMenuSave")->click();
    const QDir meas(m_root->local(kMeas));
    const QStringList folders = meas.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(folders.size(), 1);
    const QString folder = folders.first();
    QVERIFY2(QRegularExpression("^LE_\\d{8}_\\d{6}_Kerb$").match(folder).hasMatch(), qPrintable(folder));
    const QString wav = meas.filePath(folder + "/LE_sound.wav");
    const qint64 samples = (QFileInfo(wav).size() - 44) / 2;
    QVERIFY2(samples >= 16000 * 3 / 2, qPrintable(QString::number(samples)));
    checkWithSox(wav, samples);
    {
        QSettings info(meas.filePath(folder + "/info.ini"), QSettings::IniFormat);
        QCOMPARE(info.value("FFT/FFT-Size").toInt(), 512);
        const QStringList values = info.value("FFT/FFT-Values").toString().split(';');
        QCOMPARE(values.size(), 513); // each value ends in "; "
        QVERIFY(values.last().trimmed().isEmpty());
        QCOMPARE(values.at(peakBin).toFloat(), fft[peakBin]);
        QVERIFY(qAbs(info.value("Levels/Level").toFloat() - minimum) < 0.01f);
        QVERIFY2(qAbs(info.value("Levels/Frequency").toInt() - 1000) <= 10,
                 qPrintable(info.value("Levels/Frequency").toString()));
    }
    QVERIFY(le->isMuted() && w.isAudioPathMuted());

    // Opened again with a band-pass filter written into its file: the codec
    // gets that filter, the numbers and the spectrum come back.
    {
        QSettings info(meas.filePath(folder + "/info.ini"), QSettings::IniFormat);
        info.setValue("Filter/Filtertype", "Bandpass");
        info.setValue("Filter/LowCutOff-Frequency", 300);
        info.setValue("Filter/HighCutOff-Frequency", 1200);
    }
    AudioCodecSetup *codec = w.getAudioCodecInstance();
    codec->setFilter(0, 4000, 0);
    w.displayWidget(7, 1, 0);
    int regMark = m_root->journal("registers.log").size();
    QVERIFY(w.getInstanceMeasManagement()->openMeasurement(folder));
    QVERIFY(le->isStoredView());
    QVERIFY(le->findChild<QWidget *>("subMenu_2")->isVisible());
    QCOMPARE(label("labelStoredMeasurement")->text(), QStringLiteral("Kerb"));
    QCOMPARE(label("labelLevel")->text(), QString::number(qRound(minimum)));
    QVERIFY(bar("prgbCurrentLevel")->isHidden());
    QCOMPARE(bar("prgbMinimumLevel")->value(), int(minimum * 10));
    quint32 low = 0, high = 0;
    int type = -1;
    codec->getFilter(&low, &high, &type);
    QCOMPARE(type, 1);
    // The same programme as the codec writes for that filter itself.
    const QStringList programme = m_root->journal("registers.log").mid(regMark).mid(0, 197);
    QCOMPARE(programme.size(), 197);
    {
        AudioCodecSetup again;
        const int mark = m_root->journal("registers.log").size();
        again.setFilter(300, 1200, 1);
        QCOMPARE(m_root->journal("registers.log").mid(mark), programme);
        quint32 l2 = 0, h2 = 0;
        int t2 = 0;
        again.getFilter(&l2, &h2, &t2);
        QCOMPARE(low, l2);
        QCOMPARE(high, h2);
        QVERIFY(low >= 200 && low <= 400 && high >= 1000 && high <= 1400);
    }
    QCOMPARE(le->fftValues()[peakBin], fft[peakBin]);
    QVERIFY(!le->frame()->watchdogTimer()->isActive());

    // The mute key plays and stops the clip; nothing measures meanwhile.
    QVERIFY(m_root->journal("playback.log").isEmpty());
    key(le);
    const QString played = QStringLiteral("play %1%2/LE_sound.wav %3").arg(kMeas, folder).arg(QFileInfo(wav).size() - 44);
    QTRY_COMPARE(m_root->journal("playback.log").value(0), played);
    QVERIFY(!le->levelTimer()->isActive());
    key(le);
    QTRY_VERIFY(m_root->journal("playback.log").value(1).startsWith("stop "));
    le->findChild<QPushButton *>("butMenuStoredPlay")->click();
    QTRY_COMPARE(m_root->journal("playback.log").value(2), played);

    // Back: playback over, listening routing, output off, the browser.
    const int mixMark = m_root->journal("mixer.log").size();
    le->findChild<QPushButton *>("butMenuStoredBack")->click();
    QTRY_VERIFY(m_root->journal("playback.log").value(3).startsWith("stop "));
    QVERIFY(!le->player());
    const QStringList mixer = m_root->journal("mixer.log").mid(mixMark);
    QVERIFY2(mixer.contains("Loopback-SecDataIn := item 1"), qPrintable(mixer.join('|')));
    QCOMPARE(mixer.last(), QStringLiteral("LO DAC := 0"));
    QVERIFY(codec->isMuted());
    QCOMPARE(w.findChild<QStackedWidget *>("mainWidget")->currentWidget(), w.getInstanceMeasManagement());
    // The clip's file is closed with the playback, so the partition can be
    // lent to a PC (an open file keeps the unmount busy).
    QTRY_COMPARE(Sim::UsbStorage::heldUnder(QCoreApplication::applicationPid(), m_root->local("/media/tq3900")),
                 QStringList({m_root->local("/media/tq3900/meas")})); // the browser's working directory
    {
        MessageCloser closer;
        BackupDialog pc;
        child(&pc, "butConnect")->click();
        QCOMPARE(closer.texts, QStringList());
        QCOMPARE(m_board->send("usb"), QStringLiteral("exported"));
        child(&pc, "butDisconnect")->click();
        QCOMPARE(m_board->send("usb"), QStringLiteral("mounted"));
    }

    // A file with fewer values and a filter type in lower case: only its own
    // values, no rest of the measurement before, no filter.
    const QString shortFolder = QStringLiteral("LE_20240101_120000_Short");
    QVERIFY(m_root->write(QStringLiteral("%1%2/info.ini").arg(kMeas, shortFolder),
                          "[Measurementinfo]\nMeasurementname=Short\n[Levels]\nLevel=33.4\nFrequency=120\n"
                          "[FFT]\nFFT-Size=900\nFFT-Values=\"1;2; x;4\"\n"
                          "[Filter]\nFiltertype=bandpass\nLowCutOff-Frequency=300\nHighCutOff-Frequency=900\n"));
    w.displayWidget(7, 1, 0);
    QVERIFY(w.getInstanceMeasManagement()->openMeasurement(shortFolder));
    const float expected[] = {1, 2, 0, 4};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(le->fftValues()[i], expected[i]);
    for (int i = 4; i < 1024; ++i)
        QVERIFY2(le->fftValues()[i] == 0.0f, qPrintable(QString::number(i)));
    QCOMPARE(label("labelLevel")->text(), QStringLiteral("33"));
    QCOMPARE(label("labelFrequency")->text(), QStringLiteral("120 Hz"));
    codec->getFilter(&low, &high, &type);
    QCOMPARE(type, 0);
    // Its missing clip plays nothing.
    const int played2 = m_root->journal("playback.log").size();
    le->findChild<QPushButton *>("butMenuStoredPlay")->click();
    QTest::qWait(300);
    QCOMPARE(m_root->journal("playback.log").size(), played2);
    // Unmounted behind the program's back: a clip of that name lying under
    // the bare mount point is no clip of the card's, and plays nothing either.
    const QByteArray sound = m_root->read(QStringLiteral("%1%2/LE_sound.wav").arg(kMeas, folder));
    QVERIFY(!sound.isEmpty());
    QCOMPARE(m_board->send("usb unmount"), QStringLiteral("ok"));
    QVERIFY(m_root->write(QStringLiteral("%1%2/LE_sound.wav").arg(kMeas, shortFolder), sound));
    le->findChild<QPushButton *>("butMenuStoredPlay")->click();
    QVERIFY(le->player() && !le->player()->isPlaying());

    // Without the spectrum the numbers stand in the middle of the page.
    le->findChild<QPushButton *>("butMenuMainmenu_2")->click();
    QCOMPARE(w.findChild<QStackedWidget *>("mainWidget")->currentWidget()->objectName(), QStringLiteral("mainPage"));
    settings("LevelMeasurement_ShowFft=false\n");
    w.displayWidget(5, 1, 0); // the settings screen reads the file again
    w.displayWidget(1, 1, 0);
    QVERIFY(!le->isStoredView());
    QVERIFY(le->spectrum()->isHidden());
    QVERIFY(le->findChild<QWidget *>("verticalLayoutWidget")->isHidden());
    QCOMPARE(label("labelLevel")->pos(), QPoint(132, 0));
    QCOMPARE(label("labelFrequency")->pos(), QPoint(132, 90));
    QCOMPARE(label("labelLevel")->text(), QStringLiteral("0"));
}

// The level bars' colours: the peak bar's at the two thresholds, compared on
// the linear peak, and the frequency's.
void TestLevelmeasurement::barColours()
{
    QVERIFY(Levelmeasurement::peakStyle(0.0561).contains("red"));
    QVERIFY(Levelmeasurement::peakStyle(0.056).contains("orange"));
    QVERIFY(Levelmeasurement::peakStyle(0.0401).contains("orange"));
    QVERIFY(Levelmeasurement::peakStyle(0.04).contains("lightgreen"));

    // The frequency's colour on a level bar: blue at 0 Hz, red at 150 Hz,
    // yellow from 300 Hz, whichever screen shows it.
    QProgressBar bar;
    const QString sheet = QStringLiteral("QProgressBar::chunk {background-color: rgb(%1);}");
    const QList<QPair<int, QString>> table = {{-5, "0, 0, 255"},    {0, "0, 0, 255"},      {75, "127, 0, 127"},
                                              {150, "255, 0, 0"},   {300, "255, 255, 0"}, {1000, "255, 255, 0"}};
    for (const auto &row : table) {
        setFrequencyBarColour(&bar, row.first);
        QCOMPARE(bar.styleSheet(), sheet.arg(row.second));
    }
}

QTEST_MAIN(TestLevelmeasurement)
#include "tst_levelmeasurement.moc"
