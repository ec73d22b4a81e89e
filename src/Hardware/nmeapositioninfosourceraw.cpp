#include "nmeapositioninfosourceraw.h"

#include <cstring>

NmeaPositionInfoSourceRaw::NmeaPositionInfoSourceRaw(QNmeaPositionInfoSource::UpdateMode updateMode,
                                                     QObject *parent)
    : QNmeaPositionInfoSource(updateMode, parent)
{
}

NmeaPositionInfoSourceRaw::~NmeaPositionInfoSourceRaw()
{
    clearLastNmeaData();
}

QString NmeaPositionInfoSourceRaw::getNmeaGsvString(int index) const
{
    if (index < 0 || index >= kGsvSlots)
        return QString();
    return m_nmeaGPGSV[index];
}

void NmeaPositionInfoSourceRaw::clearLastNmeaData()
{
    m_nmeaGPGGA.clear();
    m_nmeaGPGSA.clear();
    m_nmeaGPRMC.clear();
    m_nmeaGPVTG.clear();
    for (QString &slot : m_nmeaGPGSV)
        slot.clear();
}

bool NmeaPositionInfoSourceRaw::hasValidChecksum(const QByteArray &line)
{
    const QByteArray s = line.trimmed();
    const int star = s.lastIndexOf('*');
    if (!s.startsWith('$') || star < 1 || star != s.size() - 3)
        return false;
    quint8 sum = 0;
    for (int i = 1; i < star; ++i)
        sum ^= quint8(s.at(i));
    bool ok = false;
    const uint given = s.mid(star + 1).toUInt(&ok, 16);
    return ok && given == sum;
}

void NmeaPositionInfoSourceRaw::capture(const QString &text)
{
    static const char *const kTalkers[] = {"GN", "GP", "GL", "GA", "GB", "GI", "GQ"};
    if (text.size() < 6 || text.at(0) != QLatin1Char('$'))
        return;
    const QStringRef talker = text.midRef(1, 2);
    bool known = false;
    for (const char *t : kTalkers)
        known = known || talker == QLatin1String(t);
    if (!known)
        return;
    const QStringRef type = text.midRef(3, 3);
    if (type == QLatin1String("GGA")) {
        m_nmeaGPGGA = text.trimmed();
    } else if (type == QLatin1String("GSA")) {
        m_nmeaGPGSA = text.trimmed();
    } else if (type == QLatin1String("RMC")) {
        m_nmeaGPRMC = text.trimmed();
        ++m_rmcCount;
        if (--m_resetCnt <= 0) {
            m_resetCnt = 0; // stays at the edge instead of running towards INT_MIN
            for (QString &slot : m_nmeaGPGSV)
                slot.clear();
        }
    } else if (type == QLatin1String("GSV")) {
        m_nmeaGPGSV[m_numGsvMsgCnt] = text.trimmed();
        m_numGsvMsgCnt = (m_numGsvMsgCnt + 1) % kGsvSlots;
        m_resetCnt = 5;
    } else if (type == QLatin1String("VTG")) {
        m_nmeaGPVTG = text.trimmed();
    }
}

bool NmeaPositionInfoSourceRaw::parsePosInfoFromNmeaData(const char *data, int size, QGeoPositionInfo *posInfo,
                                                         bool *hasFix)
{
    if (!data || size <= 0)
        return false;
    // The text ends at the first zero byte (the reader's buffer is zero-filled).
    const int length = int(qstrnlen(data, uint(size)));
    const QByteArray piece(data, length);
    const bool complete = piece.endsWith('\n');

    if (m_discarding) {
        // The tail of an overlong line: nothing of it is a sentence.
        m_discarding = !complete;
        return false;
    }
    m_partial += piece;
    if (!complete) {
        if (m_partial.size() > kMaxLine) {
            m_partial.clear();
            m_discarding = true;
        }
        return false;
    }
    const QByteArray line = m_partial;
    m_partial.clear();

    // A damaged sentence (noise on the line, a lost byte, a line cut before
    // its checksum) is neither stored nor parsed: the analyses read the
    // stored text field by field, and the base parser would take a cut
    // sentence without checksum as it stands.
    if (!hasValidChecksum(line))
        return false;
    capture(QString::fromLatin1(line));
    return QNmeaPositionInfoSource::parsePosInfoFromNmeaData(line.constData(), line.size(), posInfo, hasFix);
}
