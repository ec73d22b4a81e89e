// The debug menu's Bluetooth and gain screens against the simulated board:
// what the modules and the sensor unit receive, what the codec's mixer is
// set to, and what the screens show of the answers.
#include "bluetooth.h"
#include "debugbluetoothcommand.h"
#include "debuggain.h"
#include "debuginitbluetooth.h"
#include "eventhandler.h"
#include "globals.h"
#include "mainmenu.h"
#include "modalaction.h"
#include "messagedialog.h"
#include "sensorunitlink.h"
#include "simboard.h"
#include "statusbardata.h"
#include "testroot.h"
#include "virtualkeyboard.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>

#include <memory>

namespace {

void pairUnit(TestRoot &root, const QString &switchmode = QStringLiteral("Switch"))
{
    QVERIFY(root.write("/home/root/settings.ini",
                       QStringLiteral("[Bluetooth]\nMicrophone_ID=%1\nHeadphone_ID=%2\n"
                                      "[Systemsettings]\nSwitchmode=%3\n")
                           .arg(SimBoard::kUnitAddress, SimBoard::kHeadphoneAddress, switchmode)
                           .toUtf8()));
}

template <class W> W *child(QWidget *parent, const char *name)
{
    W *w = parent->findChild<W *>(QLatin1String(name));
    if (!w)
        qWarning() << "no widget" << name;
    return w;
}

QPushButton *button(QWidget *parent, const char *name)
{
    return child<QPushButton>(parent, name);
}

// The colour of the first occurrence of text in the view (invalid if absent).
QColor colourOf(QTextEdit *view, const QString &text)
{
    const QTextCursor found = view->document()->find(text);
    if (found.isNull())
        return QColor();
    return found.charFormat().foreground().color();
}

// The colours of every occurrence of text in the view, in order.
QList<QColor> coloursOf(QTextEdit *view, const QString &text)
{
    QList<QColor> out;
    QTextCursor at = view->document()->find(text);
    while (!at.isNull()) {
        out << at.charFormat().foreground().color();
        at = view->document()->find(text, at);
    }
    return out;
}

// The newest line of the unit that starts with prefix, else an empty text.
QString lastUnitLine(SimBoard &board, const QString &prefix)
{
    const QStringList lines = board.unitLines();
    for (int i = lines.size() - 1; i >= 0; --i)
        if (lines.at(i).startsWith(prefix))
            return lines.at(i);
    return QString();
}

QStringList since(const QStringList &lines, int from)
{
    return lines.mid(from);
}

} // namespace

class TestDebugScreens : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void initSinkShowsTheModulesAnswers();
    void rawCommandsAndModes();
    void gainScreen();
    void muteKey_data();
    void muteKey();

private:
    template <class T, class F> void whenOpen(F act);
    void startBoard(const QString &switchmode = QStringLiteral("Switch"));

    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
};

template <class T, class F> void TestDebugScreens::whenOpen(F act)
{
    new ModalAction<T>(act, this);
}

void TestDebugScreens::init()
{
    m_root = std::make_unique<TestRoot>();
}

void TestDebugScreens::cleanup()
{
    m_board.reset();
    m_root.reset();
    g_debugFeatures = 0;
}

void TestDebugScreens::startBoard(const QString &switchmode)
{
    pairUnit(*m_root, switchmode);
    m_board = std::make_unique<SimBoard>(m_root->root());
    QVERIFY(m_board->isRunning());
}

void TestDebugScreens::initSinkShowsTheModulesAnswers()
{
    startBoard();
    MainMenu w;
    QVERIFY(waitForSinkDataMode(*w.getBtSinkInstance(), *m_board, *m_root));

    DebugInitBluetooth dialog(&w);
    dialog.show();
    auto *view = child<QTextEdit>(&dialog, "textBtInfo");
    const int before = m_board->moduleLines("ttyO2").size();
    button(&dialog, "butInitBtSink")->click();
    // All of it is sent before "Finished." shows; the answers come later.
    QTRY_VERIFY_WITH_TIMEOUT(since(m_board->moduleLines("ttyO2"), before).contains(QStringLiteral("RESET")), 5000);
    const QStringList sent = since(m_board->moduleLines("ttyO2"), before);
    QCOMPARE(sent.first(), QStringLiteral("SET CONTROL AUTOCALL"));
    QVERIFY(sent.contains(QStringLiteral("KILL %1").arg(SimBoard::kUnitAddress)));
    const int close3 = sent.indexOf(QStringLiteral("CLOSE 3"));
    QVERIFY(close3 > 0);
    QCOMPARE(sent.value(close3 + 1), QStringLiteral("SET CONTROL AUTOCALL"));
    QVERIFY(sent.indexOf(QStringLiteral("SET BT NAME TQE3900_MIC")) > close3);
    QVERIFY(sent.contains(QStringLiteral("SET PROFILE A2DP SINK")));
    QCOMPARE(sent.last(), QStringLiteral("RESET"));
    QCOMPARE(colourOf(view, QStringLiteral("Transmitting Init-Sequence for Sink-Mode ...")), QColor(Qt::red));
    QCOMPARE(colourOf(view, QStringLiteral("Finished.")), QColor(Qt::red));

    // The module's restart banner arrives in black.
    QTRY_VERIFY_WITH_TIMEOUT(view->toPlainText().contains(QStringLiteral("READY.")), 5000);
    QCOMPARE(colourOf(view, QStringLiteral("READY.")), QColor(Qt::black));

    // AT probes: the text goes in at the cursor, each module gets "AT".
    button(&dialog, "butClear")->click();
    const int headphoneBefore = m_board->moduleLines("ttyO3").size();
    button(&dialog, "butAt")->click();
    button(&dialog, "butAt_2")->click();
    QVERIFY(view->toPlainText().startsWith(QStringLiteral("ATAT")));
    QTRY_COMPARE(since(m_board->moduleLines("ttyO3"), headphoneBefore), QStringList({"AT"}));
    QTRY_COMPARE(m_board->moduleLines("ttyO2").last(), QStringLiteral("AT"));

    // "Init BT Source" works on the headphone module, in green.
    button(&dialog, "butInitBtSource")->click();
    QTRY_VERIFY_WITH_TIMEOUT(since(m_board->moduleLines("ttyO3"), headphoneBefore + 1).contains(QStringLiteral("RESET")), 5000);
    const QStringList source = since(m_board->moduleLines("ttyO3"), headphoneBefore + 1);
    QVERIFY(source.contains(QStringLiteral("SET BT NAME TQE3900_HP")));
    QCOMPARE(source.last(), QStringLiteral("RESET"));
    QCOMPARE(colourOf(view, QStringLiteral("Transmitting Init-Sequence for Source-Mode ...")), QColor(Qt::darkGreen));
    QTRY_COMPARE_WITH_TIMEOUT(colourOf(view, QStringLiteral("READY.")), QColor(Qt::blue), 5000);
}

void TestDebugScreens::rawCommandsAndModes()
{
    startBoard();
    MainMenu w;
    Bluetooth *sink = w.getBtSinkInstance();
    QVERIFY(waitForSinkDataMode(*sink, *m_board, *m_root));

    DebugBluetoothCommand dialog(&w);
    dialog.show();
    auto *line = child<QLineEdit>(&dialog, "leditCmd");
    auto *view = child<QTextEdit>(&dialog, "textBtInfo");
    auto *mode = child<QLabel>(&dialog, "labelCommunicationMode");
    QCOMPARE(mode->text(), QStringLiteral("Data")); // GPIO 59 is high in data mode
    QTRY_VERIFY(button(&dialog, "butKeyboard")->text() != QStringLiteral("..."));

    // A command from the keyboard goes to the sensor-unit module, which
    // leaves data mode for it; its answer is shown in black.
    whenOpen<VirtualKeyboard>([](VirtualKeyboard *keyboard) {
        keyboard->setText(QStringLiteral("SET"));
        button(keyboard, "but_Accept")->click();
    });
    button(&dialog, "butKeyboard")->click();
    QCOMPARE(line->text(), QStringLiteral("SET"));
    button(&dialog, "butSendSink")->click();
    QCOMPARE(colourOf(view, QStringLiteral("SET")), QColor(Qt::red));
    QTRY_VERIFY_WITH_TIMEOUT(m_board->moduleLines("ttyO2").contains(QStringLiteral("SET")), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(view->toPlainText().contains(QStringLiteral("SET BT BDADDR")), 5000);
    QCOMPARE(colourOf(view, QStringLiteral("SET BT BDADDR")), QColor(Qt::black));

    // "Cmd" and "Data" switch the module; the label follows GPIO 59 back.
    const auto carrier = [this] { return m_root->read("/sys/class/gpio/gpio59/value"); };
    // Once the status data has the unit's sensor and battery it sends
    // nothing more that would take the module back to data mode.
    QTRY_VERIFY_WITH_TIMEOUT(StatusbarData()->sensorType() == 1 && StatusbarData()->batteryMicrophone() > 0, 8000);
    button(&dialog, "butCommandMode")->click();
    QCOMPARE(mode->text(), QStringLiteral("Cmd"));
    QTRY_VERIFY_WITH_TIMEOUT(carrier() == "0" && mode->text() == QLatin1String("Cmd"), 8000);
    button(&dialog, "butDataMode")->click();
    QCOMPARE(mode->text(), QStringLiteral("Data"));
    QTRY_VERIFY_WITH_TIMEOUT(carrier() == "1" && mode->text() == QLatin1String("Data"), 8000);

    // To the headphone module, in blue.
    line->setText(QStringLiteral("SET"));
    button(&dialog, "butSendSource")->click();
    QTRY_VERIFY(m_board->moduleLines("ttyO3").contains(QStringLiteral("SET")));
    QTRY_COMPARE_WITH_TIMEOUT(coloursOf(view, QStringLiteral("SET BT BDADDR")).value(1), QColor(Qt::blue), 5000);

    // Cancelling the keyboard empties the line.
    whenOpen<VirtualKeyboard>([](VirtualKeyboard *keyboard) { button(keyboard, "but_Close")->click(); });
    button(&dialog, "butKeyboard")->click();
    QCOMPARE(line->text(), QString());

    // An over-long command is refused with a message, from the keyboard and
    // when typed into the line; nothing reaches the module.
    const QString tooLong = QStringLiteral("SET BT NAME ") + QString(250, QLatin1Char('X'));
    const int before = m_board->moduleLines("ttyO2").size();
    QStringList refusal; // headline, text and the buttons shown
    whenOpen<VirtualKeyboard>([&](VirtualKeyboard *keyboard) {
        keyboard->setText(tooLong);
        whenOpen<MessageDialog>([&](MessageDialog *message) {
            for (const char *name : {"labelHeadline", "labelInfotext"})
                refusal << message->findChild<QLabel *>(QLatin1String(name))->text();
            for (const char *name : {"butLeft", "butMiddle", "butRight"})
                if (!button(message, name)->isHidden())
                    refusal << button(message, name)->text();
            button(message, "butMiddle")->click();
        });
        button(keyboard, "but_Accept")->click();
    });
    button(&dialog, "butKeyboard")->click();
    QCOMPARE(refusal, QStringList({"Command too long", "262 characters; a module command holds at most 254.", "OK"}));
    QCOMPARE(line->text(), QString());

    line->setText(tooLong);
    bool refused = false;
    whenOpen<MessageDialog>([&](MessageDialog *message) {
        refused = true;
        button(message, "butMiddle")->click();
    });
    button(&dialog, "butSendSink")->click();
    QVERIFY(refused);
    // 254 characters still fit the link's line.
    line->setText(tooLong.left(DebugBluetoothCommand::kMaxCommandLength));
    button(&dialog, "butSendSink")->click();
    QTRY_COMPARE_WITH_TIMEOUT(since(m_board->moduleLines("ttyO2"), before).filter("SET BT NAME").size(), 1, 5000);
    QCOMPARE(since(m_board->moduleLines("ttyO2"), before).filter("SET BT NAME").first().size(), 254);

    button(&dialog, "butClear")->click();
    QVERIFY(line->text().isEmpty());
    QVERIFY(view->toPlainText().isEmpty());
}

void TestDebugScreens::gainScreen()
{
    startBoard();
    MainMenu w;
    QVERIFY(waitForSinkDataMode(*w.getBtSinkInstance(), *m_board, *m_root));
    QTRY_VERIFY_WITH_TIMEOUT(w.getBtSourceInstance()->isConnectedA2DP(), 8000);
    m_root->clearJournals();
    const int unitBefore = m_board->unitLines().size();
    const int headphoneBefore = m_board->moduleLines("ttyO3").size();

    DebugGain gain(&w);
    gain.init();
    gain.show();
    auto *overview = child<QTextEdit>(&gain, "textEditDefaultValues");
    QCOMPARE(gain.currentPage(), 6);
    QCOMPARE(overview->toPlainText(),
             QStringLiteral("Ground-Microphone Gain: 18 dB (0x0f)\n"
                            "Routing: IN1 (Bluetooth)\n"
                            "DAC Bluetooth: 3 dB (0x0f)\n"
                            "MicPGA Gain Codec: 3 dB (6)\n"
                            "ADC Level Gain Codec: 2 dB (4)\n"
                            "MixerAmp Gain Codec: 0 dB (0)\n"
                            "DAC PCM Gain Codec: 0 dB (0)\n"
                            "Line-Out Gain Codec: 0 dB (0)\n"
                            "ADC Bluetooth: 0 dB (0x09)\n"
                            "Headphone Vol-Step: 8"));
    // The defaults reached the unit, both modules and the codec.
    QTRY_VERIFY(m_board->unitLines().mid(unitBefore).contains(QStringLiteral("BT_TX G 0f")));
    QTRY_VERIFY(m_board->moduleLines("ttyO3").mid(headphoneBefore).contains(QStringLiteral("AVRCP PDU 50 50")));
    const QStringList mixer = m_root->journal("mixer.log");
    QCOMPARE(mixer.filter("PGA Level := ").last(), QStringLiteral("PGA Level := 3.00 dB"));
    QCOMPARE(mixer.filter("ADC Level := ").last(), QStringLiteral("ADC Level := 2.00 dB"));
    QCOMPARE(mixer.filter("PCM := ").last(), QStringLiteral("PCM := 0.00 dB"));
    QCOMPARE(mixer.filter("LO Driver Gain := ").last(), QStringLiteral("LO Driver Gain := 0.00 dB"));
    QCOMPARE(m_root->read("/sys/class/gpio/gpio17/value"), QByteArray("0")); // muted

    // Microphone: step 22 and step 0.
    auto *mic = child<QSlider>(&gain, "slideGainMic");
    mic->setValue(22);
    QCOMPARE(child<QLabel>(&gain, "labGainMic")->text(), QStringLiteral("39 dB (0x16)"));
    QTRY_VERIFY(m_board->unitLines().contains(QStringLiteral("BT_TX G 16")));
    QTRY_COMPARE(m_board->send("unit status").right(7), QStringLiteral("gain 16"));
    mic->setValue(0);
    QCOMPARE(child<QLabel>(&gain, "labGainMic")->text(), QStringLiteral("-27 dB (0x00)"));

    // Codec sliders set the mixer; the mixer amplifier is shown only.
    m_root->clearJournals();
    child<QSlider>(&gain, "slideGainDacPcmAudiocodec")->setValue(-128);
    child<QSlider>(&gain, "slideGainLineOutAudiocodec")->setValue(-6);
    child<QSlider>(&gain, "slideGainPgaAudiocodec")->setValue(45);
    child<QSlider>(&gain, "slideGainAdcLevelgain")->setValue(-24);
    child<QSlider>(&gain, "slideGainMixerAmpAudiocodec")->setValue(39);
    QCOMPARE(m_root->journal("mixer.log"),
             QStringList({"PCM := -64.00 dB", "LO Driver Gain := -6.00 dB", "PGA Level := 22.50 dB",
                          "ADC Level := -12.00 dB"}));
    QCOMPARE(child<QLabel>(&gain, "labelGainPgaAudiocodec")->text(), QStringLiteral("22.5 dB (45)"));
    QCOMPARE(child<QLabel>(&gain, "labelGainMixerAmpAudiocodec")->text(), QStringLiteral("-30.1 dB (39)"));

    // Module gains go out as raw module lines.
    int before = m_board->moduleLines("ttyO3").size();
    child<QSlider>(&gain, "slideGainAdcBluetooth")->setValue(12);
    QTRY_VERIFY(m_board->moduleLines("ttyO3").mid(before).contains(QStringLiteral("SET CONTROL GAIN c E")));
    QCOMPARE(child<QLabel>(&gain, "labelGainAdcBluetooth")->text(), QStringLiteral("9 dB (0x0c)"));

    // Headphone volume: up to 15, where it stays while "AVRCP UP" still goes out.
    auto *volume = child<QLabel>(&gain, "labelGainHeadphone");
    before = m_board->moduleLines("ttyO3").size();
    for (int i = 0; i < 8; ++i)
        button(&gain, "butVolHpUp")->click();
    QCOMPARE(volume->text(), QStringLiteral("15"));
    QCOMPARE(child<QSlider>(&gain, "slideGainHeadphone")->value(), 15);
    QTRY_COMPARE(m_board->moduleLines("ttyO3").mid(before).filter("AVRCP UP").size(), 8);
    button(&gain, "butVolHpDown")->click();
    QCOMPARE(volume->text(), QStringLiteral("14"));

    // Input and overview: the overview shows what was set.
    button(&gain, "butIn3")->click();
    QCOMPARE(child<QLabel>(&gain, "labelSelectedInput")->text(), QStringLiteral("IN 3\nExternal Mic"));
    button(&gain, "butInfo")->click(); // from the overview: no gain page seen yet
    QCOMPARE(gain.currentPage(), 6);
    const QString shown = overview->toPlainText();
    QVERIFY(shown.contains(QStringLiteral("Ground-Microphone Gain: -27 dB (0x00)")));
    QVERIFY(shown.contains(QStringLiteral("Routing: IN3 (external Mic)")));
    QVERIFY(shown.contains(QStringLiteral("DAC PCM Gain Codec: -64 dB (-128)")));
    QVERIFY(shown.contains(QStringLiteral("Headphone Vol-Step: 14")));

    // Paging: down from the overview to page 3, Info to the overview and back.
    for (int i = 0; i < 3; ++i)
        button(&gain, "butDown")->click();
    QCOMPARE(gain.currentPage(), 3);
    button(&gain, "butInfo")->click();
    QCOMPARE(gain.currentPage(), 6);
    button(&gain, "butInfo")->click();
    QCOMPARE(gain.currentPage(), 3);
    button(&gain, "butUp")->click();
    button(&gain, "butUp")->click();
    button(&gain, "butUp")->click();
    QCOMPARE(gain.currentPage(), 6);

    // The unit's answer to INFO appears in the response view.
    button(&gain, "butDown")->click();
    button(&gain, "butInfoMicSettings")->click();
    auto *response = child<QTextEdit>(&gain, "textMicResp");
    QTRY_VERIFY_WITH_TIMEOUT(response->toPlainText().contains(QStringLiteral("BT_RX FW-VERSION")), 5000);

    // Default restores every value.
    button(&gain, "butDefault")->click();
    QVERIFY(overview->toPlainText().startsWith(QStringLiteral("Ground-Microphone Gain: 18 dB (0x0f)\nRouting: IN1")));
    QCOMPARE(volume->text(), QStringLiteral("8"));
}

void TestDebugScreens::muteKey_data()
{
    QTest::addColumn<QString>("switchmode");
    QTest::newRow("switch") << "Switch";
    QTest::newRow("push-button") << "Push-Button";
}

void TestDebugScreens::muteKey()
{
    QFETCH(QString, switchmode);
    startBoard(switchmode);
    MainMenu w;
    QVERIFY(waitForSinkDataMode(*w.getBtSinkInstance(), *m_board, *m_root));
    DebugGain gain(&w);
    gain.init();
    gain.show();
    const auto path = [this] { return m_root->read("/sys/class/gpio/gpio17/value"); };
    // The mute key through the key filter, as on the board: F6 becomes F10.
    EventHandler filter;
    qApp->installEventFilter(&filter);
    const auto muteKey = [&gain](bool press) {
        press ? QTest::keyPress(&gain, Qt::Key_F6) : QTest::keyRelease(&gain, Qt::Key_F6);
        QCoreApplication::sendPostedEvents();
    };
    QCOMPARE(path(), QByteArray("0"));
    muteKey(true);
    QCOMPARE(path(), QByteArray("1"));
    QTRY_VERIFY(lastUnitLine(*m_board, QStringLiteral("BT_TX I ")).contains(QStringLiteral(" ACTIVE")));
    muteKey(false);
    if (switchmode == QLatin1String("Switch")) {
        QCOMPARE(path(), QByteArray("1"));
        muteKey(true);
        muteKey(false);
    }
    qApp->removeEventFilter(&filter);
    QCOMPARE(path(), QByteArray("0"));
    QTRY_VERIFY(lastUnitLine(*m_board, QStringLiteral("BT_TX I ")).contains(QStringLiteral(" MUTE")));
    QVERIFY(w.isAudioPathMuted());
}

QTEST_MAIN(TestDebugScreens)
#include "tst_debugscreens.moc"
