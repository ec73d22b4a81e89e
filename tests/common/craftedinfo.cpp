#include "craftedinfo.h"

#include <QFile>
#include <QRandomGenerator>

#include <sys/stat.h>

namespace CraftedInfo {

namespace {

const QByteArray kReadable = "[Measurementinfo]\nMeasurementname=Outside\n\n[Levels]\nLevel=42.000\n";

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

} // namespace

QStringList kinds()
{
    return {"serialised", "list40mb", "link", "fifo", "empty", "junk", "counts"};
}

bool make(const QString &kind, const QString &path, const QString &outside)
{
    if (kind == "serialised") {
        return writeFile(path, QByteArray("[Measurementinfo]\nMeasurementname=@Variant(\\0\\0\\0\\v\\x7f\\xff\\xff\\xff)\n"
                                          "Measurementtype=@ByteArray(abc)\n\n[Levels]\nLevel=42.000\n"
                                          "\n[Levels_CSV]\nLevels_Cnt=2\nLevels_Data=\"1.5; 2.5; \"\n"
                                          "\n[FFT]\nFFT-Size=2\nFFT-Values=\"1.5; 2.5; \"\n"));
    }
    if (kind == "list40mb") {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        f.write("[Measurementinfo]\nMeasurementname=Huge\n[FFT]\nFFT-Size=1024\nFFT-Values=");
        const QByteArray block = QByteArray("A,").repeated(512 * 1024);
        for (int i = 0; i < 40; ++i)
            if (f.write(block) != block.size())
                return false;
        return f.write("\n") == 1;
    }
    if (kind == "link")
        return writeFile(outside, kReadable) && QFile::link(outside, path);
    if (kind == "fifo")
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    if (kind == "empty")
        return writeFile(path, QByteArray());
    if (kind == "junk") {
        QRandomGenerator rng(27);
        QByteArray junk(256 * 1024, '\0');
        for (char &c : junk)
            c = char(rng.bounded(256));
        for (int i = 0; i < junk.size(); i += 1 + int(rng.bounded(9000)))
            junk[i] = '\n';
        return writeFile(path, junk);
    }
    if (kind == "counts") {
        return writeFile(path, "[Measurementinfo]\nMeasurementname=Counts\n\n[FFT]\nFFT-Size=2147483647\n"
                               "FFT-Values=\"1; 2; 3; \"\n\n[Levels_CSV]\nLevels_Cnt=999999999\n"
                               "Levels_Data=\"1.5; 2.5; 3.5; \"\nH2-MaxRange=-2147483648\n");
    }
    return false;
}

long residentKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace CraftedInfo
