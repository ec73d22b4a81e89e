// The codec control against the simulated card and the register file: the
// mixer writes of routing, input and muting in their order, a card or
// element that is not there, the band filter's register programme decoded
// back into its sections, the corner snapping, and the coefficient tables
// checked against the section equation.
#include "alsacodecmixer.h"
#include "audiocodecsetup.h"
#include "filtercoefficients.h"
#include "globals.h"
#include "simulatedcodecmixer.h"
#include "testroot.h"

#include <QtTest>

#include <complex>
#include <memory>

namespace {

QStringList g_debugLines;

// Whether a library whose file name starts with prefix is mapped into this
// process.
bool libraryMapped(const QByteArray &prefix)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : maps.readAll().split('\n')) {
        if (line.mid(line.lastIndexOf('/') + 1).startsWith(prefix))
            return true;
    }
    return false;
}

void collect(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtDebugMsg)
        g_debugLines << text;
}

// The listening routing's writes: input 1, the converter looped back.
const QStringList kListening = {
    "Mic PGA := 1",
    "ADCFGA Left Mute := 0",
    "ADCFGA Right Mute := 0",
    "LOL Output Mixer L_DAC := 1",
    "LOR Output Mixer R_DAC := 1",
    "LO Driver Gain := 0.00 dB",
    "PGA Level := 3.00 dB",
    "ADC Level := 2.00 dB",
    "PCM := 0.00 dB",
    "Left Input Mixer IN1_L P := 1",
    "Right Input Mixer IN1_R P := 1",
    "Left Input Mixer IN2_L P := 0",
    "Right Input Mixer IN2_R P := 0",
    "Left Input Mixer IN3_L P := 0",
    "Right Input Mixer IN3_R P := 0",
    "Loopback ADC ADC>DAC := 0",
    "Loopback-SecDataIn := item 1",
    "DAC mode PRB_P3 := item 1",
    "DAC mode PRB_P3 := item 1",
};

const QStringList kPlayback = {
    "Mic PGA := 0",
    "ADCFGA Left Mute := 1",
    "ADCFGA Right Mute := 1",
    "PGA Level := 0.00 dB",
    "ADC Level := -12.00 dB",
    "LOL Output Mixer L_DAC := 1",
    "LOR Output Mixer R_DAC := 1",
    "LO Driver Gain := 0.00 dB",
    "PCM := 0.00 dB",
    "Left Input Mixer IN1_L P := 0",
    "Right Input Mixer IN1_R P := 0",
    "Left Input Mixer IN2_L P := 0",
    "Right Input Mixer IN2_R P := 0",
    "Left Input Mixer IN3_L P := 0",
    "Right Input Mixer IN3_R P := 0",
    "Loopback ADC ADC>DAC := 0",
    "Loopback-SecDataIn := item 0",
    "DAC mode PRB_P3 := item 1",
    "DAC mode PRB_P3 := item 1",
};

// The codec's coefficient memory as the register journal left it. Each page
// holds coefficient registers 8..127; counted across pages, chain 1 starts
// at page 44 register 0x0C and chain 2 at page 45 register 0x14, every
// section takes 20 registers and every coefficient 4, of which the codec
// gets the first three (bits 31..8).
struct CoefficientMemory
{
    QMap<int, int> bytes; // page * 120 + register - 8 -> value
    int writes = 0;
    bool bad = false;

    explicit CoefficientMemory(const QStringList &journal)
    {
        int page = -1;
        for (const QString &line : journal) {
            ++writes;
            const QStringList f = line.split(' ');
            bool okReg = false, okVal = false;
            const int reg = f.value(0).toInt(&okReg, 16);
            const int val = f.value(1).toInt(&okVal, 16);
            if (f.size() != 2 || !okReg || !okVal || val > 255 || reg > 127)
                bad = true;
            else if (reg == 0)
                page = val;
            else if (reg >= 8)
                bytes[page * 120 + reg - 8] = val;
        }
    }

    // Coefficient k (N0, N1, N2, D1, D2) of section 1..6 of chain 1 or 2.
    quint32 coefficient(int chain, int section, int k) const
    {
        const int start = chain == 1 ? 44 * 120 + 0x0C - 8 : 45 * 120 + 0x14 - 8;
        const int a = start + 20 * (section - 1) + 4 * k;
        if (!bytes.contains(a) || !bytes.contains(a + 1) || !bytes.contains(a + 2))
            return 0xDEAD;
        return quint32(bytes[a]) << 16 | quint32(bytes[a + 1]) << 8 | quint32(bytes[a + 2]);
    }
    QVector<quint32> section(int chain, int section) const
    {
        QVector<quint32> words;
        for (int k = 0; k < 5; ++k)
            words << coefficient(chain, section, k);
        return words;
    }
};

// The 24 bits of five words that reach the codec.
QVector<quint32> top24(std::initializer_list<quint32> words)
{
    QVector<quint32> out;
    for (quint32 w : words)
        out << (w >> 8);
    return out;
}

QVector<quint32> rowOf(const quint32 (*table)[6], quint32 corner)
{
    for (int i = 0; i < kFilterRows; ++i)
        if (table[i][0] == corner)
            return top24({table[i][1], table[i][2], table[i][3], table[i][4], table[i][5]});
    return {};
}

const QVector<quint32> kPass = top24({0x7FFFFFFF, 0, 0, 0, 0});
// Check rows: LP 1000 Hz and HP 20 Hz.
const QVector<quint32> kLp1000 = top24({0x03D5852A, 0x03D5852A, 0x03D5852A, 0x5D118F7F, 0xB686CC57});
const QVector<quint32> kHp20 = top24({0x7F4A7F27, 0x80B580D9, 0x7F4A7F27, 0x7F49FE82, 0x816A0064});

// Gain in dB of one stored section at frequency f (sampling rate 16 kHz).
double sectionGainDb(const quint32 *row, double f)
{
    auto frac = [](quint32 w) { return double(qint32(w)) / 2147483647.0; };
    const std::complex<double> z1 = std::polar(1.0, -2.0 * M_PI * f / 16000.0);
    const std::complex<double> z2 = z1 * z1;
    const std::complex<double> num = frac(row[1]) + 2.0 * frac(row[2]) * z1 + frac(row[3]) * z2;
    const std::complex<double> den = 1.0 - 2.0 * frac(row[4]) * z1 - frac(row[5]) * z2;
    return 20.0 * std::log10(std::abs(num / den));
}

} // namespace

class TestCodec : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void routingAndInput();
    void missingCardElementOrRegisterFile();
    void filterProgramme();
    void filterSnapping_data();
    void filterSnapping();
    void debugSections();
    void tablesFollowTheSectionEquation_data();
    void tablesFollowTheSectionEquation();

private:
    QStringList mixerSince(int mark) const { return m_root->journal("mixer.log").mid(mark); }
    int mixerMark() const { return m_root->journal("mixer.log").size(); }
    qint64 transactions() const;
    QStringList stateLine(const QString &element) const;

    std::unique_ptr<TestRoot> m_root;
    QtMessageHandler m_previousHandler = nullptr;
};

void TestCodec::init()
{
    m_root = std::make_unique<TestRoot>();
    QVERIFY(m_root->isValid());
    g_debugFeatures = 0;
    g_debugLines.clear();
    m_previousHandler = qInstallMessageHandler(collect);
}

void TestCodec::cleanup()
{
    qInstallMessageHandler(m_previousHandler);
    m_root.reset();
    g_debugFeatures = 0;
}

qint64 TestCodec::transactions() const
{
    return stateLine("transactions").value(1).toLongLong();
}

QStringList TestCodec::stateLine(const QString &element) const
{
    for (const QString &line : QString::fromUtf8(m_root->read("/.tq3900/mixer.state")).split('\n'))
        if (line.startsWith(element + '\t'))
            return line.split('\t');
    return {};
}

void TestCodec::routingAndInput()
{
    AudioCodecSetup codec;
    QCOMPARE(m_root->journal("mixer.log"), QStringList({"FullChipCM=0,75V LineOutCM=1,65V := item 1"}));
    QVERIFY(codec.isMuted()); // before any call
    QCOMPARE(m_root->journal("registers.log"), QStringList()); // no register before setFilter

    // Listening, and any mode but 1 is listening: 14 transactions each.
    for (int mode : {0, 5}) {
        const int mark = mixerMark();
        const qint64 before = transactions();
        codec.setRouting(mode);
        QCOMPARE(mixerSince(mark), kListening);
        QCOMPARE(transactions() - before, 14);
    }
    // The card holds the values: 3 dB on the 0.5 dB steps of the amplifier.
    QCOMPARE(stateLine("PGA Level").value(1), QStringLiteral("6"));
    QCOMPARE(stateLine("ADC Level").value(2), QStringLiteral("2.00 dB (step 28)"));

    int mark = mixerMark();
    codec.setRouting(1);
    QCOMPARE(mixerSince(mark), kPlayback);
    QCOMPARE(stateLine("ADC Level").value(1), QStringLiteral("0"));

    // Inputs: 7 is input 1; 0 none; each a single transaction of six switches.
    const QString sw = QStringLiteral("%1 Input Mixer IN%2_%3 P := %4");
    for (int input : {7, 0, 2, 3}) {
        mark = mixerMark();
        const qint64 before = transactions();
        g_debugLines.clear();
        codec.setInputPath(input);
        const int on = input == 7 ? 1 : input;
        QStringList expected;
        for (int pair = 1; pair <= 3; ++pair)
            expected << sw.arg("Left").arg(pair).arg("L").arg(pair == on) << sw.arg("Right").arg(pair).arg("R").arg(pair == on);
        QCOMPARE(mixerSince(mark), expected);
        QCOMPARE(transactions() - before, 1);
        QCOMPARE(g_debugLines, QStringList(on ? QStringLiteral("Select Input IN%1").arg(on)
                                              : QStringLiteral("Select Input NONE")));
    }

    // Muting, the gains beyond their range, values kept without hardware.
    mark = mixerMark();
    codec.setMuting(false);
    QVERIFY(!codec.isMuted());
    codec.setMuting(true);
    QVERIFY(codec.isMuted());
    codec.setMicPgaGain(9999);
    codec.setLineOutGain(-5000);
    codec.setMicGain(5);
    codec.setHeadphoneGain(7);
    int micGain = 0, headphoneGain = 0;
    codec.getMicGain(&micGain);
    codec.getHeadphoneGain(&headphoneGain);
    QCOMPARE(micGain, 5);
    QCOMPARE(headphoneGain, 7);
    QCOMPARE(mixerSince(mark), QStringList({"LO DAC := 1", "LO DAC := 0", "PGA Level := 99.99 dB",
                                            "LO Driver Gain := -50.00 dB"}));
    QCOMPARE(stateLine("LO DAC").value(2), QStringLiteral("off"));
    QCOMPARE(stateLine("PGA Level").value(2), QStringLiteral("47.50 dB (step 95)"));
    QCOMPARE(stateLine("LO Driver Gain").value(2), QStringLiteral("-6.00 dB (step 0)"));

    // The analogue loopback: the mixer amplifier instead of the converter, 4 dB.
    mark = mixerMark();
    codec.setAnalogLoopback();
    QCOMPARE(mixerSince(mark).mid(1), QStringList({"Loopback-SecDataIn := item 0", "DAC mode PRB_P3 := item 1",
                                                   "LOL Output Mixer L_DAC := 0", "LOR Output Mixer R_DAC := 0",
                                                   "LOL Output Mixer MAL := 1", "LOR Output Mixer MAR := 1",
                                                   "MAL Power := 1", "MAR Power := 1", "LO Driver Gain := 4.00 dB"}));
}

void TestCodec::missingCardElementOrRegisterFile()
{
    // The simulated card: an unknown element, a write of the wrong kind and
    // an item out of range change nothing; the rest of the transaction goes on.
    SimulatedCodecMixer card;
    const auto results = card.apply({{"No Such Element", CodecMixer::Op::Switch, 1},
                                     {"PCM", CodecMixer::Op::Switch, 1},
                                     {"DAC mode PRB_P3", CodecMixer::Op::EnumItem, 7},
                                     {"Mic PGA", CodecMixer::Op::Switch, 1}});
    QCOMPARE(results.size(), 4);
    QCOMPARE(results[0].status, CodecMixer::Status::NoElement);
    QCOMPARE(results[1].status, CodecMixer::Status::Failed);
    QCOMPARE(results[2].status, CodecMixer::Status::Failed);
    QVERIFY(results[2].code < 0);
    QCOMPARE(results[3].status, CodecMixer::Status::Done);
    QCOMPARE(m_root->journal("mixer.log"), QStringList({"Mic PGA := 1"}));
    QCOMPARE(stateLine("DAC mode PRB_P3").value(1), QStringLiteral("0"));

    // Real ALSA on a card that is not there: every write reports the card.
    // libasound is loaded by the first write, not before (the start-up does
    // not pay for it): everything above ran the simulated card.
    QVERIFY(!libraryMapped("libasound.so"));
    AlsaCodecMixer alsa("tq3900-no-such-card");
    QVERIFY(!libraryMapped("libasound.so"));
    const auto alsaResults = alsa.apply({{"LO DAC", CodecMixer::Op::Switch, 0}, {"PCM", CodecMixer::Op::GainDb, 0}});
    QCOMPARE(alsaResults.size(), 2);
    for (const CodecMixer::Result &r : alsaResults) {
        QCOMPARE(r.status, CodecMixer::Status::NoCard);
        QVERIFY(r.code < 0);
    }
    QVERIFY(!alsa.errorText(alsaResults[0].code).isEmpty());
    QVERIFY(libraryMapped("libasound.so"));

    // Real ALSA on a card that attaches: four of the codec's controls served
    // by a control plugin (tests/alsacard) through an ALSA configuration of
    // the test's own. Each kind of write reaches its control as the library
    // makes it (a gain as the step of the control's dB scale); an element
    // the card lacks and an item it lacks change nothing.
    QVERIFY(m_root->write("/alsa.conf", QStringLiteral("ctl_type.tq3900card { lib \"%1\" }\n"
                                                     "ctl.tq3900card { type tq3900card journal \"%2\" }\n")
                                          .arg(QStringLiteral(TQ3900_ALSA_CARD), m_root->local("/controls.log"))
                                          .toUtf8()));
    qputenv("ALSA_CONFIG_PATH", QFile::encodeName(m_root->local("/alsa.conf")));
    using Op = CodecMixer::Op;
    using S = CodecMixer::Status;
    const auto cardResults = AlsaCodecMixer("tq3900card").apply({{"LO DAC", Op::Switch, 0},
                                                                 {"PCM", Op::GainDb, -1050},
                                                                 {"Mic PGA", Op::Switch, 1},
                                                                 {"LO Driver Gain", Op::Volume, 5},
                                                                 {"Loopback-SecDataIn", Op::EnumItem, 1},
                                                                 {"Loopback-SecDataIn", Op::EnumItem, 2}});
    qunsetenv("ALSA_CONFIG_PATH");
    QVector<S> statuses;
    for (const CodecMixer::Result &r : cardResults)
        statuses << r.status;
    QCOMPARE(statuses, QVector<S>({S::Done, S::Done, S::NoElement, S::Done, S::Done, S::Failed}));
    QVERIFY(cardResults[5].code < 0);
    QCOMPARE(QString::fromUtf8(m_root->read("/controls.log")).split('\n', Qt::SkipEmptyParts),
             QStringList({"LO DAC Playback Switch := 0", "PCM Playback Volume := 106",
                          "LO Driver Gain Playback Volume := 5", "Loopback-SecDataIn := 1"}));

    // The register file missing: reported per write, never created.
    QVERIFY(QFile::remove(m_root->local("/sys/bus/i2c/devices/1-0018/registers")));
    {
        AudioCodecSetup codec;
        g_debugLines.clear();
        QCOMPARE(codec.writeRegister(12, 127), 1);
        codec.setFilter(160, 1250, 1);
        QCOMPARE(g_debugLines.count("Error: Could not open Audio-Codec"), 198);
        QVERIFY(!m_root->exists("/sys/bus/i2c/devices/1-0018/registers"));
        QCOMPARE(m_root->journal("registers.log"), QStringList());
        quint32 low = 0, high = 0;
        int type = -1;
        codec.getFilter(&low, &high, &type);
        QCOMPARE(QVector<quint32>({low, high, quint32(type)}), QVector<quint32>({160, 1250, 1}));
    }

    // On the board's code path without the board (no device root): the real
    // mixer on card "default" finds no card here, or no codec element on a
    // PC's card; each primitive says so and nothing fails.
    const QByteArray root = qgetenv("TQ3900_ROOT");
    qunsetenv("TQ3900_ROOT");
    g_debugLines.clear();
    {
        AudioCodecSetup board;
        board.setMuting(true);
        board.setInputPath(3);
        QVERIFY(board.isMuted());
    }
    qputenv("TQ3900_ROOT", root);
    QCOMPARE(m_root->journal("mixer.log").size(), 2); // the simulated card saw nothing of it
    // Common mode, "LO DAC", then the inputs: one line for the missing card,
    // or six for missing elements.
    const int reports = g_debugLines.filter(QRegularExpression("^Error: mixer (of card default not available|element not found)")).size();
    QVERIFY2(reports == 3 || reports == 8, qPrintable(g_debugLines.join('\n')));
}

void TestCodec::filterProgramme()
{
    AudioCodecSetup codec;
    quint32 low = 1, high = 1;
    int type = -1;
    codec.getFilter(&low, &high, &type);
    QCOMPARE(QVector<quint32>({low, high, quint32(type)}), QVector<quint32>({0, 4000, 0}));

    // One register write is "<reg> <value>" in lower-case hex, no line end.
    QCOMPARE(codec.writeRegister(12, 127), 0);
    QCOMPARE(m_root->read("/sys/bus/i2c/devices/1-0018/registers"), QByteArray("c 7f"));
    codec.writeFilterCoeffs(12, 0x7FFFFFFF);
    QCOMPARE(m_root->journal("registers.log"), QStringList({"c 7f", "c 7f", "d ff", "e ff"}));
    m_root->clearJournals();

    codec.setFilter(20, 1000, 1);
    const QStringList writes = m_root->journal("registers.log");
    QCOMPARE(writes.size(), 197);
    QCOMPARE(writes.mid(0, 5), QStringList({"0 2c", "1 4", "c 3", "d d5", "e 85"}));
    QCOMPARE(writes.mid(195), QStringList({"0 2c", "1 5"}));
    // Page selects: before every section but the first, and where a section
    // crosses into the next page.
    QCOMPARE(writes.filter(QRegularExpression("^0 ")).size(), 2 + 11 + 2);
    CoefficientMemory mem(writes);
    QVERIFY(!mem.bad);
    for (int chain : {1, 2}) {
        for (int s : {1, 2, 5})
            QCOMPARE(mem.section(chain, s), kLp1000);
        for (int s : {3, 4, 6})
            QCOMPARE(mem.section(chain, s), kHp20);
    }
    codec.getFilter(&low, &high, &type);
    QCOMPARE(QVector<quint32>({low, high, quint32(type)}), QVector<quint32>({20, 1000, 1}));

    // Every call programmes everything again; no filter is pass-through.
    m_root->clearJournals();
    codec.setFilter(quint32(-1), quint32(-1), 0);
    CoefficientMemory off(m_root->journal("registers.log"));
    QCOMPARE(off.writes, 197);
    for (int chain : {1, 2})
        for (int s = 1; s <= 6; ++s)
            QCOMPARE(off.section(chain, s), kPass);

    quint32 lp[26] = {}, hp[26] = {};
    int nLp = 0, nHp = 0;
    codec.getAvailableLpFilterFrequencies(lp, &nLp);
    codec.getAvailableHpFilterFrequencies(hp, &nHp);
    QCOMPARE(nLp, 26);
    QCOMPARE(nHp, 26);
    QCOMPARE(lp[0], 0u);
    QCOMPARE(lp[18], 1000u);
    QCOMPARE(lp[25], 4000u);
    QCOMPARE(hp[24], 3900u);
}

void TestCodec::filterSnapping_data()
{
    QTest::addColumn<quint32>("low");
    QTest::addColumn<quint32>("high");
    QTest::addColumn<int>("type");
    QTest::addColumn<QVector<quint32>>("reported"); // getFilter: low, high, type
    QTest::addColumn<quint32>("lpCorner");          // programmed low-pass row
    QTest::addColumn<quint32>("hpCorner");          // programmed high-pass row

    using V = QVector<quint32>;
    QTest::newRow("start band") << 160u << 1250u << 1 << V{160, 1250, 1} << 1250u << 160u;
    QTest::newRow("midway goes up") << 1125u << 4000u << 1 << V{1250, 4000, 1} << 4000u << 1250u;
    QTest::newRow("just below midway") << 1124u << 3000u << 1 << V{1000, 3150, 1} << 3150u << 1000u;
    QTest::newRow("same row") << 1000u << 1100u << 1 << V{0, 4000, 0} << 4000u << 0u;
    QTest::newRow("above 4000") << 100u << 5000u << 1 << V{100, 4000, 1} << 4000u << 100u;
    QTest::newRow("edges crossed") << 1000u << 500u << 1 << V{1000, 500, 1} << 500u << 1000u;
    QTest::newRow("type 2") << 160u << 1250u << 2 << V{4000, 0, 2} << 4000u << 0u;
    QTest::newRow("off") << 0u << 4000u << 0 << V{0, 4000, 0} << 4000u << 0u;
    QTest::newRow("both far above") << 9000u << 9000u << 1 << V{0, 4000, 0} << 4000u << 0u;
}

void TestCodec::filterSnapping()
{
    QFETCH(quint32, low);
    QFETCH(quint32, high);
    QFETCH(int, type);
    QFETCH(QVector<quint32>, reported);
    QFETCH(quint32, lpCorner);
    QFETCH(quint32, hpCorner);

    AudioCodecSetup codec;
    codec.setFilter(160, 1250, 1); // something else first
    m_root->clearJournals();
    g_debugLines.clear();
    codec.setFilter(low, high, type);
    quint32 l = 1, h = 1;
    int t = -1;
    codec.getFilter(&l, &h, &t);
    QCOMPARE(QVector<quint32>({l, h, quint32(t)}), reported);
    QCOMPARE(g_debugLines.filter("Wrong Filtersettings").size(), type == 1 && reported[2] == 0 ? 1 : 0);

    CoefficientMemory mem(m_root->journal("registers.log"));
    QCOMPARE(mem.writes, 197);
    const QVector<quint32> lp = lpCorner == 0 ? kPass : rowOf(filterCoeffs_LP, lpCorner);
    const QVector<quint32> hp = hpCorner == 0 ? kPass : rowOf(filterCoeffs_HP, hpCorner);
    for (int chain : {1, 2}) {
        for (int s : {1, 2, 5})
            QCOMPARE(mem.section(chain, s), lp);
        for (int s : {3, 4, 6})
            QCOMPARE(mem.section(chain, s), hp);
    }
}

void TestCodec::debugSections()
{
    const QVector<quint32> hum = top24({0x7E864CB6, 0x82114621, 0x7D88E68F, 0x7DEEB9DF, 0x83F0CCBA});
    const QVector<quint32> emphasis = top24({0x7FFFFFFF, 0x92403D36, 0x5EF875E2, 0x76FD4B15, 0x8E41A157});
    const QVector<quint32> lp1250 = rowOf(filterCoeffs_LP, 1250);
    const QVector<quint32> hp160 = rowOf(filterCoeffs_HP, 160);
    AudioCodecSetup codec;
    codec.setSpecialFilter(true, true);

    // Without debug features the flags do nothing: three sections of each.
    codec.setFilter(160, 1250, 1);
    CoefficientMemory plain(m_root->journal("registers.log"));
    QCOMPARE(plain.section(1, 5), lp1250);
    QCOMPARE(plain.section(2, 6), hp160);

    // With them: sections 5 and 6 are the 50 Hz and pre-emphasis sections...
    g_debugFeatures = 1;
    m_root->clearJournals();
    codec.setFilter(160, 1250, 1);
    CoefficientMemory special(m_root->journal("registers.log"));
    QCOMPARE(special.writes, 197);
    for (int chain : {1, 2}) {
        QCOMPARE(special.section(chain, 1), lp1250);
        QCOMPARE(special.section(chain, 4), hp160);
        QCOMPARE(special.section(chain, 5), hum);
        QCOMPARE(special.section(chain, 6), emphasis);
    }
    // ... and pass everything while not asked for.
    codec.setSpecialFilter(false, true);
    m_root->clearJournals();
    codec.setFilter(160, 1250, 1);
    CoefficientMemory half(m_root->journal("registers.log"));
    QCOMPARE(half.section(1, 5), kPass);
    QCOMPARE(half.section(2, 6), emphasis);
}

void TestCodec::tablesFollowTheSectionEquation_data()
{
    QTest::addColumn<bool>("highPass");
    QTest::addColumn<int>("row");
    for (int i = 1; i < kFilterRows - 1; ++i) {
        QTest::addRow("LP %u Hz", filterCoeffs_LP[i][0]) << false << i;
        QTest::addRow("HP %u Hz", filterCoeffs_HP[i][0]) << true << i;
    }
}

void TestCodec::tablesFollowTheSectionEquation()
{
    QFETCH(bool, highPass);
    QFETCH(int, row);
    const quint32 *r = highPass ? filterCoeffs_HP[row] : filterCoeffs_LP[row];
    QCOMPARE(r[0], (highPass ? filterCoeffs_LP : filterCoeffs_HP)[row][0]);
    const double corner = r[0];
    QVERIFY2(qAbs(sectionGainDb(r, corner) + 3.0) <= 0.5, qPrintable(QString::number(sectionGainDb(r, corner))));
    const double pass = sectionGainDb(r, highPass ? 8000.0 : 0.0);
    QVERIFY2(qAbs(pass) <= 0.1, qPrintable(QString::number(pass)));
    // Low-pass and high-pass of one corner share their poles.
    QCOMPARE(filterCoeffs_LP[row][4], filterCoeffs_HP[row][4]);
    QCOMPARE(filterCoeffs_LP[row][5], filterCoeffs_HP[row][5]);
}

QTEST_MAIN(TestCodec)
#include "tst_codec.moc"
