#ifndef NMEAPOSITIONINFOSOURCERAW_H
#define NMEAPOSITIONINFOSOURCERAW_H

#include <QByteArray>
#include <QNmeaPositionInfoSource>
#include <QString>

// Qt Positioning's NMEA source that also keeps the latest raw sentences:
// the last GGA, GSA, RMC and VTG sentence of any talker and the most recent
// GSV sentences of all talkers in 20 slots, filled in turn. Five RMC
// sentences without a GSV sentence in between (the receiver stopped sending
// satellites) empty the GSV slots.
//
// Only sentences with a correct checksum are kept and parsed.
//
// The source hands every piece it read from the port to the capture hook.
// A piece without its line end (the rest of the sentence has not arrived
// yet) is kept and joined with the next piece, so both the capture and the
// base parser only ever see whole lines.
class NmeaPositionInfoSourceRaw : public QNmeaPositionInfoSource
{
    Q_OBJECT
public:
    static constexpr int kGsvSlots = 20;
    // A line still without its end after this many bytes is no sentence.
    static constexpr int kMaxLine = 1024;

    NmeaPositionInfoSourceRaw(QNmeaPositionInfoSource::UpdateMode updateMode, QObject *parent = nullptr);
    ~NmeaPositionInfoSourceRaw() override;

    QString getNmeaGgaString() const { return m_nmeaGPGGA; }
    QString getNmeaGsaString() const { return m_nmeaGPGSA; }
    QString getNmeaRmcString() const { return m_nmeaGPRMC; }
    QString getNmeaVtgString() const { return m_nmeaGPVTG; }
    // RMC sentences kept so far; wraps around, compare for change only.
    quint32 rmcCount() const { return m_rmcCount; }
    // The sentence in slot index (0 to 19); empty for any other index.
    QString getNmeaGsvString(int index) const;
    // Empties the sentences and slots; the two counters keep their values.
    void clearLastNmeaData();

    // "$...*hh" (line end allowed) whose checksum matches the text.
    static bool hasValidChecksum(const QByteArray &line);

protected:
    bool parsePosInfoFromNmeaData(const char *data, int size, QGeoPositionInfo *posInfo, bool *hasFix) override;

private:
    void capture(const QString &text);

    QString m_nmeaGPGGA;
    QString m_nmeaGPGSA;
    QString m_nmeaGPRMC;
    QString m_nmeaGPGSV[kGsvSlots];
    QString m_nmeaGPVTG;
    quint32 m_rmcCount = 0;
    int m_resetCnt = 5;      // RMC sentences left before the GSV slots are emptied
    int m_numGsvMsgCnt = 0;  // slot of the next GSV sentence
    QByteArray m_partial;    // start of a line whose end has not arrived yet
    bool m_discarding = false; // inside an overlong line: drop up to its end
};

#endif // NMEAPOSITIONINFOSOURCERAW_H
