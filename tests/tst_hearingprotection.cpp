// The hearing-protection dialog against the simulated board: the offset and
// its gain on the headphone module, the protection switch, the test tone's
// codec routing and the state the codec is left in by Accept and Escape.
#include "audiocodecsetup.h"
#include "globals.h"
#include "hearingprotection.h"
#include "mainmenu.h"
#include "mediabackend.h"
#include "sensorunitlink.h"
#include "simboard.h"
#include "statusbardata.h"
#include "testroot.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <memory>

class TestHearingProtection : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void offsetAndProtectionSwitch();
    void toneThenAccept();
    void escapeWhileTheTonePlays();
    void testToneResource();

private:
    // The simulated card's element as the control channel shows it.
    QString element(const QString &name);
    bool headphoneGot(const QString &line, int mark);
    bool playing(const HearingProtection &d) const { return d.m_playTesttone; }
    // The dialog's widgets by object name.
    struct Form
    {
        QPushButton *butVolDown, *butVolUp, *butPlayPause, *butSelect, *butEnabled, *butDisabled, *butAccept;
        QLabel *labelHeadphoneVolumeOffset, *labelDefaultHeadphoneVolume, *labelWarning, *labelHeadline;
    };
    static Form form(HearingProtection &d)
    {
        auto b = [&d](const char *name) { return d.findChild<QPushButton *>(name); };
        auto l = [&d](const char *name) { return d.findChild<QLabel *>(name); };
        return {b("butVolDown"), b("butVolUp"), b("butPlayPause"), b("butSelect"), b("butEnabled"), b("butDisabled"),
                b("butAccept"), l("labelHeadphoneVolumeOffset"), l("labelDefaultHeadphoneVolume"), l("labelWarning"),
                l("labelHeadline")};
    }
    // The dialog's tone player: the sound module is found in the build.
    MediaTonePlayer *player(HearingProtection &d) const { return d.m_player.get(); }

    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
    std::unique_ptr<MainMenu> m_window;
};

void TestHearingProtection::init()
{
    m_root = std::make_unique<TestRoot>();
    g_debugFeatures = 0;
    QVERIFY(m_root->write("/home/root/settings.ini",
                          QStringLiteral("[Bluetooth]\nMicrophone_ID=%1\nHeadphone_ID=%2\n")
                              .arg(SimBoard::kUnitAddress, SimBoard::kHeadphoneAddress)
                              .toUtf8()));
    m_board = std::make_unique<SimBoard>(m_root->root());
    QVERIFY(m_board->isRunning());
    m_window = std::make_unique<MainMenu>();
    QVERIFY(waitForSinkDataMode(*m_window->getBtSinkInstance(), *m_board, *m_root));
}

void TestHearingProtection::cleanup()
{
    m_window.reset();
    m_board.reset();
    m_root.reset();
}

QString TestHearingProtection::element(const QString &name)
{
    for (const QString &line : m_board->send("codec").split('\n'))
        if (line.startsWith(name + ": "))
            return line.mid(name.size() + 2);
    return QString();
}

bool TestHearingProtection::headphoneGot(const QString &line, int mark)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 3000) {
        if (m_board->moduleLines("ttyO3").mid(mark).contains(line))
            return true;
        QTest::qWait(20);
    }
    qWarning() << m_board->moduleLines("ttyO3").mid(mark);
    return false;
}

void TestHearingProtection::offsetAndProtectionSwitch()
{
    HearingProtection d(m_window.get());
    const Form f = form(d);
    const Form *ui = &f;
    // Out of range is 0; the lowest offset is kept.
    d.init(false, 12);
    QCOMPARE(d.getHeadphoneVolumeOffset(), 0);
    QCOMPARE(ui->labelHeadphoneVolumeOffset->text(), QStringLiteral("0"));
    d.init(false, -4);
    QCOMPARE(ui->labelHeadphoneVolumeOffset->text(), QStringLiteral("-4"));
    QVERIFY(!ui->butVolDown->isHidden());
    QCOMPARE(ui->labelWarning->text(), QStringLiteral("Warning! Risk of an acoustic shock."));
    QVERIFY(ui->butSelect->styleSheet().contains("Radioswitch_bottom_2x40px.png"));

    // Each step goes to the headphone module at once, within gains 1..15.
    int mark = m_board->moduleLines("ttyO3").size();
    QTest::mouseClick(ui->butVolDown, Qt::LeftButton);
    QCOMPARE(d.getHeadphoneVolumeOffset(), -4);
    QVERIFY(headphoneGot("SET CONTROL GAIN 1 f", mark));
    QTest::mouseClick(ui->butVolUp, Qt::LeftButton);
    QCOMPARE(ui->labelHeadphoneVolumeOffset->text(), QStringLiteral("-3"));
    QVERIFY(headphoneGot("SET CONTROL GAIN 2 f", mark));
    for (int i = 0; i < 20; ++i)
        QTest::mouseClick(ui->butVolUp, Qt::LeftButton);
    QCOMPARE(d.getHeadphoneVolumeOffset(), 10);
    mark = m_board->moduleLines("ttyO3").size();
    QTest::mouseClick(ui->butVolUp, Qt::LeftButton);
    QCOMPARE(ui->labelHeadphoneVolumeOffset->text(), QStringLiteral("10"));
    QVERIFY(headphoneGot("SET CONTROL GAIN f f", mark));

    // The switch toggles; the list entries set.
    QTest::mouseClick(ui->butSelect, Qt::LeftButton);
    QVERIFY(d.getModeHearingProtection());
    QVERIFY(ui->butSelect->styleSheet().contains("Radioswitch_top_2x40px.png"));
    QCOMPARE(ui->labelWarning->text(), QStringLiteral("Maximum volume will be limited."));
    for (QWidget *w : {static_cast<QWidget *>(ui->butVolDown), static_cast<QWidget *>(ui->butVolUp),
                       static_cast<QWidget *>(ui->butPlayPause), static_cast<QWidget *>(ui->labelHeadphoneVolumeOffset),
                       static_cast<QWidget *>(ui->labelDefaultHeadphoneVolume)})
        QVERIFY(w->isHidden());
    QTest::mouseClick(ui->butDisabled, Qt::LeftButton);
    QVERIFY(!d.getModeHearingProtection());
    QVERIFY(!ui->butPlayPause->isHidden());

    // A dialog opened with protection shows no adjustment.
    HearingProtection limited(m_window.get());
    limited.init(true, 3);
    QVERIFY(form(limited).butVolUp->isHidden());
    QCOMPARE(form(limited).labelHeadline->text(), QStringLiteral("Hearing protection"));
}

void TestHearingProtection::toneThenAccept()
{
    AudioCodecSetup *codec = m_window->getAudioCodecInstance();
    codec->setFilter(160, 1250, 1);
    HearingProtection d(m_window.get());
    d.init(false, 2);
    const Form f = form(d);
    const Form *ui = &f;

    const int unitMark = m_board->unitLines().size();
    m_root->clearJournals();
    QTest::mouseClick(ui->butPlayPause, Qt::LeftButton);
    QVERIFY(playing(d));
    // With a media service the player starts at once (it may give up later
    // for want of a decoder); without one (the board run under emulation)
    // it never does.
    QVERIFY(player(d));
    QCOMPARE(player(d)->isPlaying(), player(d)->available());
    // Playback routing, no filter, the path open without telling the unit.
    QCOMPARE(element("Left Input Mixer IN1_L P"), QStringLiteral("off"));
    QCOMPARE(element("ADC Level"), QStringLiteral("-12.00 dB (step 0)"));
    QCOMPARE(element("Loopback-SecDataIn"), QStringLiteral("item 0"));
    QCOMPARE(element("LO DAC"), QStringLiteral("on"));
    QCOMPARE(m_root->journal("registers.log").size(), 197);
    quint32 low = 1, high = 1;
    int type = -1;
    codec->getFilter(&low, &high, &type);
    QCOMPARE(QVector<quint32>({low, high, quint32(type)}), QVector<quint32>({0, 4000, 0}));
    QCOMPARE(m_root->read("/sys/class/gpio/gpio17/value"), QByteArray("1"));
    QTest::qWait(300);
    QVERIFY(!m_board->unitLines().mid(unitMark).join(' ').contains("ACTIVE"));

    // Protection on stops the tone.
    QTest::mouseClick(ui->butEnabled, Qt::LeftButton);
    QVERIFY(!playing(d));
    QVERIFY(!player(d)->isPlaying());
    QVERIFY(ui->butPlayPause->isHidden());

    // Play again, pause, play: then Accept leaves listening, unfiltered, muted.
    QTest::mouseClick(ui->butDisabled, Qt::LeftButton);
    QTest::mouseClick(ui->butPlayPause, Qt::LeftButton);
    QTest::mouseClick(ui->butPlayPause, Qt::LeftButton);
    QVERIFY(!playing(d));
    QTest::mouseClick(ui->butPlayPause, Qt::LeftButton);
    QVERIFY(playing(d));
    codec->setFilter(160, 1250, 1); // whatever a screen had set
    QTest::mouseClick(ui->butAccept, Qt::LeftButton);
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QVERIFY(!playing(d));
    QVERIFY(!player(d)->isPlaying());
    QCOMPARE(element("Left Input Mixer IN1_L P"), QStringLiteral("on"));
    QCOMPARE(element("Mic PGA"), QStringLiteral("on"));
    QCOMPARE(element("Loopback-SecDataIn"), QStringLiteral("item 1"));
    QCOMPARE(element("LO DAC"), QStringLiteral("off"));
    codec->getFilter(&low, &high, &type);
    QCOMPARE(QVector<quint32>({low, high, quint32(type)}), QVector<quint32>({0, 4000, 0}));
    QVERIFY(m_window->isAudioPathMuted());
    QCOMPARE(m_root->read("/sys/class/gpio/gpio17/value"), QByteArray("0"));
    QVERIFY(!d.getModeHearingProtection());
    QCOMPARE(d.getHeadphoneVolumeOffset(), 2);
}

void TestHearingProtection::escapeWhileTheTonePlays()
{
    HearingProtection d(m_window.get());
    d.init(false, 0);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QTest::mouseClick(form(d).butPlayPause, Qt::LeftButton);
    QVERIFY(playing(d));
    QCOMPARE(element("LO DAC"), QStringLiteral("on"));

    // The press is swallowed; the release leaves as Cancel does.
    QTest::keyPress(&d, Qt::Key_Escape);
    QVERIFY(d.isVisible());
    QVERIFY(playing(d));
    QTest::keyRelease(&d, Qt::Key_Escape);
    QVERIFY(!d.isVisible());
    QCOMPARE(d.result(), int(QDialog::Rejected));
    QVERIFY(!playing(d));
    QCOMPARE(element("LO DAC"), QStringLiteral("off"));
    QCOMPARE(element("Left Input Mixer IN1_L P"), QStringLiteral("on"));
    QCOMPARE(element("Loopback-SecDataIn"), QStringLiteral("item 1"));
    QVERIFY(m_window->isAudioPathMuted());
    QCOMPARE(m_root->read("/sys/class/gpio/gpio17/value"), QByteArray("0"));

    // Return does not reach a default button.
    HearingProtection other(m_window.get());
    other.init(true, 0);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    QTest::keyClick(&other, Qt::Key_Return);
    QVERIFY(other.isVisible());
}

void TestHearingProtection::testToneResource()
{
    // 300 Hz at full scale, 16 kHz mono 16 bit, a whole number of periods.
    QFile f(":/Resources/Files/Testtone_300HzFS.wav");
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray wav = f.readAll();
    QCOMPARE(wav.left(4), QByteArray("RIFF"));
    QCOMPARE(wav.mid(8, 8), QByteArray("WAVEfmt "));
    const auto u16 = [&wav](int at) { return int(quint8(wav[at])) | int(quint8(wav[at + 1])) << 8; };
    QCOMPARE(u16(22), 1);              // mono
    QCOMPARE(u16(24) | u16(26) << 16, 16000);
    QCOMPARE(u16(34), 16);
    QCOMPARE(wav.mid(36, 4), QByteArray("data"));
    const int bytes = u16(40) | u16(42) << 16;
    QCOMPARE(bytes, wav.size() - 44);
    const int n = bytes / 2;
    int peak = 0, rising = 0;
    qint16 previous = qint16(u16(44 + 2 * (n - 1))); // the loop continues from the last sample
    for (int i = 0; i < n; ++i) {
        const qint16 s = qint16(u16(44 + 2 * i));
        peak = qMax(peak, qAbs(int(s)));
        if (previous < 0 && s >= 0)
            ++rising;
        previous = s;
    }
    QVERIFY(peak >= 32000);
    QCOMPARE(rising * 16000 / n, 300);
}

QTEST_MAIN(TestHearingProtection)
#include "tst_hearingprotection.moc"
