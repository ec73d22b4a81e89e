#ifndef TST_RECORDING_WAV_H
#define TST_RECORDING_WAV_H

// Checks of the WAV clips shared by the recording tests.
#include <QProcess>
#include <QtEndian>
#include <QtTest>

inline quint32 le32(const QByteArray &b, int offset)
{
    return qFromLittleEndian<quint32>(b.constData() + offset);
}

inline quint16 le16(const QByteArray &b, int offset)
{
    return qFromLittleEndian<quint16>(b.constData() + offset);
}

// Every header field as the clips must have it, for a file of this size.
inline void checkHeader(const QByteArray &file)
{
    QVERIFY(file.size() >= 44);
    QCOMPARE(file.left(4), QByteArray("RIFF"));
    QCOMPARE(le32(file, 4), quint32(file.size() - 8));
    QCOMPARE(file.mid(8, 4), QByteArray("WAVE"));
    QCOMPARE(file.mid(12, 4), QByteArray("fmt "));
    QCOMPARE(le32(file, 16), 16u);
    QCOMPARE(le16(file, 20), quint16(1));
    QCOMPARE(le16(file, 22), quint16(1));
    QCOMPARE(le32(file, 24), 16000u);
    QCOMPARE(le32(file, 28), 32000u);
    QCOMPARE(le16(file, 32), quint16(2));
    QCOMPARE(le16(file, 34), quint16(16));
    QCOMPARE(file.mid(36, 4), QByteArray("data"));
    QCOMPARE(le32(file, 40), quint32(file.size() - 44));
}

inline QString soxInfo(const QString &file, const char *option)
{
    QProcess p;
    p.start(QStringLiteral("sox"), {QStringLiteral("--i"), QLatin1String(option), file});
    if (!p.waitForFinished(10000) || p.exitCode() != 0)
        return QStringLiteral("sox failed: ") + QString::fromLocal8Bit(p.readAllStandardError());
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

// What sox makes of a clip: 16 kHz mono 16-bit PCM with this many samples.
// Where no child process can be started (TQ3900_NO_CHILD_PROCESSES: the
// board run under qemu-user, whose QProcess loses the child's process id),
// the test reads the header itself instead.
inline void checkWithSox(const QString &file, qint64 samples)
{
    if (qEnvironmentVariableIsSet("TQ3900_NO_CHILD_PROCESSES")) {
        QFile f(file);
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(file));
        const QByteArray bytes = f.readAll();
        checkHeader(bytes);
        QCOMPARE(qint64(bytes.size() - 44) / 2, samples);
        return;
    }
    QCOMPARE(soxInfo(file, "-t"), QStringLiteral("wav"));
    QCOMPARE(soxInfo(file, "-r"), QStringLiteral("16000"));
    QCOMPARE(soxInfo(file, "-c"), QStringLiteral("1"));
    QCOMPARE(soxInfo(file, "-b"), QStringLiteral("16"));
    QCOMPARE(soxInfo(file, "-e"), QStringLiteral("Signed Integer PCM"));
    QCOMPARE(soxInfo(file, "-s"), QString::number(samples));
}

#endif // TST_RECORDING_WAV_H
