#include "audiocodecsetup.h"

#include "commandrunner.h"
#include "deviceroot.h"
#include "filtercoefficients.h"
#include "globals.h"
#include "mainmenu.h"
#include "statusbardata.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

namespace {

const char kRegisterFile[] = "/sys/bus/i2c/devices/1-0018/registers";
const char kCommonMode[] = "FullChipCM=0,75V LineOutCM=1,65V";
const char kDacMode[] = "DAC mode PRB_P3";
const char kLoopbackAdc[] = "Loopback ADC ADC>DAC";

const quint32 kPassThrough[6] = {0, 0x7FFFFFFF, 0, 0, 0, 0};

// Where one coefficient goes: codec page and first of its registers.
struct CoeffPlace
{
    int page;
    int reg;
};

// The two chains of six sections, N0, N1, N2, D1, D2 each, in the order
// they are programmed. Sections 1 and 2 are low-pass, 3 and 4 high-pass,
// 5 low-pass (or the 50 Hz section), 6 high-pass (or pre-emphasis).
struct SectionPlace
{
    int section;
    CoeffPlace coeffs[5];
};
const SectionPlace kProgramOrder[] = {
    {1, {{44, 0x0C}, {44, 0x10}, {44, 0x14}, {44, 0x18}, {44, 0x1C}}},
    {2, {{44, 0x20}, {44, 0x24}, {44, 0x28}, {44, 0x2C}, {44, 0x30}}},
    {1, {{45, 0x14}, {45, 0x18}, {45, 0x1C}, {45, 0x20}, {45, 0x24}}},
    {2, {{45, 0x28}, {45, 0x2C}, {45, 0x30}, {45, 0x34}, {45, 0x38}}},
    {3, {{44, 0x34}, {44, 0x38}, {44, 0x3C}, {44, 0x40}, {44, 0x44}}},
    {4, {{44, 0x48}, {44, 0x4C}, {44, 0x50}, {44, 0x54}, {44, 0x58}}},
    {3, {{45, 0x3C}, {45, 0x40}, {45, 0x44}, {45, 0x48}, {45, 0x4C}}},
    {4, {{45, 0x50}, {45, 0x54}, {45, 0x58}, {45, 0x5C}, {45, 0x60}}},
    {5, {{44, 0x5C}, {44, 0x60}, {44, 0x64}, {44, 0x68}, {44, 0x6C}}},
    {5, {{45, 0x64}, {45, 0x68}, {45, 0x6C}, {45, 0x70}, {45, 0x74}}},
    {6, {{44, 0x70}, {44, 0x74}, {44, 0x78}, {44, 0x7C}, {45, 0x08}}},
    {6, {{45, 0x78}, {45, 0x7C}, {46, 0x08}, {46, 0x0C}, {46, 0x10}}},
};

// Register 0 of every page selects the page; register 1 of page 44 switches
// the coefficient buffers (4 while writing, 5 to take the new ones).
constexpr int kPageSelect = 0;
constexpr int kFirstFilterPage = 44;

} // namespace

AudioCodecSetup::AudioCodecSetup(QObject *parent)
    : QObject(parent), m_mixer(CodecMixer::create())
{
    m_codec.setFileName(DeviceRoot::path(QString::fromLatin1(kRegisterFile)));
    qDebug() << "--- AudioCodecSetup ---";
    setMixerElementEnumValue(kCommonMode, 1);
    qDebug() << "Setup common mode control finished";
}

AudioCodecSetup::~AudioCodecSetup() = default;

// ---------------------------------------------------------------------------
// Mixer primitives

QVector<CodecMixer::Result> AudioCodecSetup::transaction(const QVector<CodecMixer::Write> &writes)
{
    const QVector<CodecMixer::Result> results = m_mixer->apply(writes);
    bool cardReported = false;
    for (int i = 0; i < results.size(); ++i) {
        const CodecMixer::Result &r = results.at(i);
        if (r.status == CodecMixer::Status::NoCard && !cardReported) {
            qDebug() << "Error: mixer of card default not available:" << r.code
                     << m_mixer->errorText(r.code);
            cardReported = true;
        } else if (r.status == CodecMixer::Status::NoElement) {
            qDebug() << "Error: mixer element not found:" << writes.at(i).element.constData();
        }
    }
    return results;
}

void AudioCodecSetup::setMixerElementGain(const char *elementName, long val_dB)
{
    transaction({{elementName, CodecMixer::Op::GainDb, val_dB}});
}

void AudioCodecSetup::setMixerElementValue(const char *elementName, int val)
{
    const CodecMixer::Result r = transaction({{elementName, CodecMixer::Op::Switch, val}}).value(0);
    if (r.status == CodecMixer::Status::Failed)
        qDebug() << "Error setting mixerelement value:" << elementName << r.code << m_mixer->errorText(r.code);
}

void AudioCodecSetup::setMixerElement(const char *elementName, long val)
{
    transaction({{elementName, CodecMixer::Op::Volume, val}});
}

void AudioCodecSetup::setMixerElementEnumValue(const char *elementName, unsigned int val)
{
    const CodecMixer::Result r = transaction({{elementName, CodecMixer::Op::EnumItem, long(val)}}).value(0);
    if (r.status == CodecMixer::Status::Failed)
        qDebug() << "Error setting mixerelement enum value:" << elementName << r.code
                 << m_mixer->errorText(r.code);
}

// ---------------------------------------------------------------------------
// Routing

void AudioCodecSetup::setInputPath(int input)
{
    static const char *const kSwitches[6] = {"Left Input Mixer IN1_L P", "Right Input Mixer IN1_R P",
                                             "Left Input Mixer IN2_L P", "Right Input Mixer IN2_R P",
                                             "Left Input Mixer IN3_L P", "Right Input Mixer IN3_R P"};
    static const char *const kErrorTexts[6] = {"Select Input IN1_L:", "Select Input IN1_R:",
                                               "Select Input IN2_L:", "Select Input IN2_R:",
                                               "Select Input IN3_L:", "Select Input IN3_R:"};
    // The input pair that is switched on (0 for none).
    int on = 1;
    switch (input) {
    case 0:
        qDebug() << "Select Input NONE";
        on = 0;
        break;
    case 2:
        qDebug() << "Select Input IN2";
        on = 2;
        break;
    case 3:
        qDebug() << "Select Input IN3";
        on = 3;
        break;
    default:
        qDebug() << "Select Input IN1";
        break;
    }
    QVector<CodecMixer::Write> writes;
    for (int i = 0; i < 6; ++i)
        writes.append({kSwitches[i], CodecMixer::Op::Switch, i / 2 + 1 == on ? 1 : 0});
    const QVector<CodecMixer::Result> results = transaction(writes);
    for (int i = 0; i < results.size(); ++i)
        if (results.at(i).status == CodecMixer::Status::Failed)
            qDebug() << kErrorTexts[i] << results.at(i).code << m_mixer->errorText(results.at(i).code);
}

void AudioCodecSetup::setRouting(int mode)
{
    if (mode == 1) {
        // Playback of a stored sound or the test tone: no input, the output
        // converter feeds the line output.
        setMicPgaEnable(0);
        setAdcPgaMute(1);
        setMicPgaGain(0);
        setAdcGain(-1200);
        setLineOutEnable(1);
        setLineOutGain(0);
        setDacGain(0);
        setInputPath(0);
        setLoopbackEnable(false);
    } else {
        // Listening: input 1 through the converter looped back to the line output.
        setMicPgaEnable(1);
        setAdcPgaMute(0);
        setLineOutEnable(1);
        setLineOutGain(0);
        setMicPgaGain(300);
        setAdcGain(200);
        setDacGain(0);
        setInputPath(1);
        setLoopbackEnable(true);
    }
    setMixerElementEnumValue(kDacMode, 1);
}

void AudioCodecSetup::setLoopbackEnable(bool enable)
{
    qDebug() << (enable ? "AudioCodecSetup: Loopback enable" : "AudioCodecSetup: Loopback disable");
    setMixerElementValue(kLoopbackAdc, 0);
    setMixerElementEnumValue("Loopback-SecDataIn", enable ? 1 : 0);
    setMixerElementEnumValue(kDacMode, 1);
}

void AudioCodecSetup::restoreMixerState(bool replace)
{
    QFile resource(QStringLiteral(":/Resources/Files/asound.state"));
    if (!resource.open(QIODevice::ReadOnly))
        return;
    resource.close();
    const QString target = DeviceRoot::path(QStringLiteral("/var/lib/alsa/asound.state"));
    QDir().mkpath(QFileInfo(target).path());
    if (replace)
        qDebug() << "asound.state removed" << QFile::remove(target);
    // QFile::copy keeps a file already there.
    const bool copied = QFile::copy(resource.fileName(), target);
    // A copy from the resources is read-only; the next start must be able to replace it.
    if (copied)
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    qDebug() << "asound.state copied" << copied;
    CommandRunner::run(QStringLiteral("alsactl --file /var/lib/alsa/asound.state restore"));
}

void AudioCodecSetup::init()
{
    qDebug() << "**** INIT Audio-Codec ****";
    setMixerElementValue(kLoopbackAdc, 0);
    setMixerElementEnumValue(kDacMode, 1);
    setRouting(0);
    if (StatusbarData()->sensorType() == Statusbardata::kWiredSensor) {
        setInputPath(3);
        qDebug() << "Direkteingang gewählt";
    } else {
        setInputPath(1);
        qDebug() << "Bluetootheingang gewählt";
    }
    if (MainMenu *w = MainMenu::getInstanceMainMenu())
        w->muteAudioPath(true, true);
}

void AudioCodecSetup::setMuting(bool mute)
{
    setMixerElementValue("LO DAC", mute ? 0 : 1);
    m_muted = mute;
}

void AudioCodecSetup::setAnalogLoopback()
{
    setLoopbackEnable(false);
    setMixerElementValue("LOL Output Mixer L_DAC", 0);
    setMixerElementValue("LOR Output Mixer R_DAC", 0);
    setMixerElementValue("LOL Output Mixer MAL", 1);
    setMixerElementValue("LOR Output Mixer MAR", 1);
    setMixerElementValue("MAL Power", 1);
    setMixerElementValue("MAR Power", 1);
    setLineOutGain(400);
}

void AudioCodecSetup::setDigitalLoopback()
{
    setLoopbackEnable(true);
    setMixerElementValue("LOL Output Mixer MAL", 0);
    setMixerElementValue("LOR Output Mixer MAR", 0);
    setMixerElementValue("LOL Output Mixer L_DAC", 1);
    setMixerElementValue("LOR Output Mixer R_DAC", 1);
    setMixerElementValue("MAL Power", 0);
    setMixerElementValue("MAR Power", 0);
    setLineOutGain(0);
}

// ---------------------------------------------------------------------------
// Gains and switches

void AudioCodecSetup::setLineOutGain(long val_dB)
{
    setMixerElementGain("LO Driver Gain", val_dB);
}

void AudioCodecSetup::setMicPgaGain(long val_dB)
{
    setMixerElementGain("PGA Level", val_dB);
}

void AudioCodecSetup::setAdcGain(long val_dB)
{
    setMixerElementGain("ADC Level", val_dB);
}

void AudioCodecSetup::setDacGain(long val_dB)
{
    setMixerElementGain("PCM", val_dB);
}

void AudioCodecSetup::setMicPgaEnable(int val)
{
    setMixerElementValue("Mic PGA", val);
}

void AudioCodecSetup::setAdcPgaMute(int val)
{
    setMixerElementValue("ADCFGA Left Mute", val);
    setMixerElementValue("ADCFGA Right Mute", val);
}

void AudioCodecSetup::setLineOutEnable(int val)
{
    setMixerElementValue("LOL Output Mixer L_DAC", val);
    setMixerElementValue("LOR Output Mixer R_DAC", val);
}

void AudioCodecSetup::setCommonModeControl()
{
    setMixerElementEnumValue(kCommonMode, 1);
}

void AudioCodecSetup::getMicGain(int *micGain) const
{
    if (micGain)
        *micGain = m_micGain;
}

void AudioCodecSetup::getHeadphoneGain(int *headphoneGain) const
{
    if (headphoneGain)
        *headphoneGain = m_headphoneGain;
}

// ---------------------------------------------------------------------------
// Register file

int AudioCodecSetup::writeRegister(int reg, int val)
{
    const QByteArray text = QByteArray::number(reg, 16) + ' ' + QByteArray::number(val, 16);
    // Like a sysfs attribute: opened without truncation, never created.
    if (!m_codec.open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) {
        qDebug() << "Error: Could not open Audio-Codec";
        return 1;
    }
    m_codec.write(text);
    m_codec.close();
    DeviceRoot::appendJournal(QStringLiteral("registers.log"), QString::fromLatin1(text));
    return 0;
}

void AudioCodecSetup::writeFilterCoeffs(int offset, int value)
{
    const quint32 v = quint32(value);
    writeRegister(offset, int((v >> 24) & 0xFF));
    writeRegister(offset + 1, int((v >> 16) & 0xFF));
    writeRegister(offset + 2, int((v >> 8) & 0xFF));
}

// ---------------------------------------------------------------------------
// Band filter

int AudioCodecSetup::nearestFilterRow(const quint32 (*table)[6], quint32 v)
{
    for (int i = 0; i < kFilterRows; ++i) {
        const quint32 f = table[i][0];
        if (f < v)
            continue;
        if (i > 0 && v - table[i - 1][0] < f - v)
            return i - 1;
        return i;
    }
    // Above the highest corner: the highest corner, so that an upper edge
    // asked above 4000 Hz stays the top of the band instead of becoming 0.
    return kFilterRows - 1;
}

void AudioCodecSetup::setFilter(quint32 a_lowCutOffFreq, quint32 a_highCutOffFreq, int a_filterType)
{
    int lpPos = kFilterRows - 1;
    int hpPos = 0;
    bool band = a_filterType == 1;
    if (band) {
        lpPos = nearestFilterRow(filterCoeffs_LP, a_highCutOffFreq);
        hpPos = nearestFilterRow(filterCoeffs_HP, a_lowCutOffFreq);
        if (lpPos == hpPos) {
            qDebug() << "Wrong Filtersettings" << filterCoeffs_LP[lpPos][0] << filterCoeffs_HP[hpPos][0] << 1;
            band = false;
            a_filterType = 0;
        }
    }
    if (band) {
        m_filterType = 1;
        m_lpFreq = filterCoeffs_LP[lpPos][0];
        m_hpFreq = filterCoeffs_HP[hpPos][0];
    } else {
        m_filterType = a_filterType;
        m_lpFreq = 4000;
        m_hpFreq = 0;
        lpPos = kFilterRows - 1;
        hpPos = 0;
    }
    qDebug() << "Filter Ist: LP=" << m_lpFreq << "HP=" << m_hpFreq << "Type=" << m_filterType << "lpPos"
             << lpPos << "hpPos" << hpPos;

    const quint32 *lowPass = m_lpFreq == 0 ? kPassThrough : filterCoeffs_LP[lpPos];
    const quint32 *highPass = m_hpFreq == 0 ? kPassThrough : filterCoeffs_HP[hpPos];
    const quint32 *section5 = lowPass;
    const quint32 *section6 = highPass;
    if (g_debugFeatures == 1) {
        section5 = filterCoeffs_50Hz[m_filter50HzEnabled ? 1 : 0];
        section6 = filterCoeffs_Preemphase[m_filterPreemphaseEnabled ? 1 : 0];
    }
    const quint32 *const sections[7] = {nullptr, lowPass, lowPass, highPass, highPass, section5, section6};

    writeRegister(kPageSelect, kFirstFilterPage);
    writeRegister(1, 4);
    int page = kFirstFilterPage;
    bool first = true;
    for (const SectionPlace &s : kProgramOrder) {
        // Every section but the first names its page; a section that
        // crosses a page selects the next one on the way.
        for (int c = 0; c < 5; ++c) {
            const CoeffPlace &at = s.coeffs[c];
            if ((c == 0 && !first) || at.page != page) {
                writeRegister(kPageSelect, at.page);
                page = at.page;
            }
            writeFilterCoeffs(at.reg, int(sections[s.section][c + 1]));
        }
        first = false;
    }
    writeRegister(kPageSelect, kFirstFilterPage);
    writeRegister(1, 5);
}

void AudioCodecSetup::getFilter(quint32 *lowCutOffFreq, quint32 *highCutOffFreq, int *filterType) const
{
    // Type 2 reports the edges the other way round.
    const bool swapped = m_filterType == 2;
    if (lowCutOffFreq)
        *lowCutOffFreq = swapped ? m_lpFreq : m_hpFreq;
    if (highCutOffFreq)
        *highCutOffFreq = swapped ? m_hpFreq : m_lpFreq;
    if (filterType)
        *filterType = m_filterType;
}

void AudioCodecSetup::setSpecialFilter(bool filter50Hz, bool filterPreemphase)
{
    m_filter50HzEnabled = filter50Hz;
    m_filterPreemphaseEnabled = filterPreemphase;
}

void AudioCodecSetup::getAvailableLpFilterFrequencies(quint32 *m_lpFilterFrequencies, int *m_numLpFilter) const
{
    for (int i = 0; m_lpFilterFrequencies && i < kFilterRows; ++i)
        m_lpFilterFrequencies[i] = filterCoeffs_LP[i][0];
    if (m_numLpFilter)
        *m_numLpFilter = kFilterRows;
}

void AudioCodecSetup::getAvailableHpFilterFrequencies(quint32 *m_hpFilterFrequencies, int *m_numHpFilter) const
{
    for (int i = 0; m_hpFilterFrequencies && i < kFilterRows; ++i)
        m_hpFilterFrequencies[i] = filterCoeffs_HP[i][0];
    if (m_numHpFilter)
        *m_numHpFilter = kFilterRows;
}
