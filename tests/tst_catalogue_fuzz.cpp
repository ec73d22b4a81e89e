// Damaged translation catalogues against the structure check: real catalogues
// of the program, mutated at random: a fixed number of mutants from a fixed
// seed, the time only bounding them.
// Every mutant the check lets through is loaded into QTranslator straight
// from a buffer that ends at an unmapped page, and every text of the program
// is translated with it: a read past the catalogue's end ends the test with
// a fault even inside the (uninstrumented) Qt library.
//
// TQ3900_FUZZ_SECONDS bounds the time (default 45 s), TQ3900_FUZZ_CASES sets
// the number of mutants.
#include "catalogue.h"
#include "fuzzduration.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>

#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace {

const int kDefaultSeconds = 45;
// Mutants checked: some 10 s under the sanitizers.
const int kMutants = 100000;

// Bytes placed so that the last one is followed by a page that cannot be read.
class FencedBuffer
{
public:
    explicit FencedBuffer(const QByteArray &bytes)
    {
        const size_t page = size_t(::sysconf(_SC_PAGESIZE));
        const size_t dataPages = (size_t(bytes.size()) + page - 1) / page + 1;
        m_length = (dataPages + 1) * page;
        void *p = ::mmap(nullptr, m_length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            return;
        m_base = static_cast<uchar *>(p);
        ::mprotect(m_base + dataPages * page, page, PROT_NONE);
        m_data = m_base + dataPages * page - size_t(bytes.size());
        std::memcpy(m_data, bytes.constData(), size_t(bytes.size()));
        m_size = bytes.size();
    }
    ~FencedBuffer()
    {
        if (m_base)
            ::munmap(m_base, m_length);
    }
    const uchar *data() const { return m_data; }
    int size() const { return m_size; }

private:
    uchar *m_base = nullptr;
    uchar *m_data = nullptr;
    size_t m_length = 0;
    int m_size = 0;
};

struct Key
{
    QByteArray context, source;
};

// Every (context, source) pair of the English catalogue: the texts the
// program asks for.
QList<Key> programKeys()
{
    QList<Key> keys;
    QFile f(QStringLiteral(TQ3900_SOURCE_DIR "/src/Resources/Languages/GB_TQ3900.ts"));
    if (!f.open(QIODevice::ReadOnly))
        return keys;
    QXmlStreamReader xml(&f);
    QByteArray context;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("name"))
            context = xml.readElementText().toUtf8();
        else if (xml.name() == QLatin1String("source"))
            keys << Key{context, xml.readElementText().toUtf8()};
    }
    return keys;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class Mutator
{
public:
    explicit Mutator(quint32 seed) : m_rng(seed) {}
    int below(int n) { return n > 0 ? int(m_rng.bounded(quint32(n))) : 0; }

    QByteArray mutate(QByteArray d)
    {
        const int rounds = below(3) + 1;
        for (int r = 0; r < rounds && d.size() > 16; ++r) {
            // The magic number stays mostly whole: past it is where the check works.
            const int at = 16 + below(d.size() - 16);
            switch (below(8)) {
            case 0: d[at] = char(below(256)); break;
            case 1: d[at] = char(d.at(at) ^ (1 << below(8))); break;
            case 2: { // a zero byte (the high bytes of small lengths and offsets) changed
                const int zero = d.indexOf('\0', at);
                if (zero >= 0)
                    d[zero] = char(below(255) + 1);
                break;
            }
            case 3: { // a 32-bit field nudged or replaced
                if (at + 4 > d.size())
                    break;
                quint32 v = (quint32(uchar(d[at])) << 24) | (quint32(uchar(d[at + 1])) << 16)
                        | (quint32(uchar(d[at + 2])) << 8) | quint32(uchar(d[at + 3]));
                v = below(2) ? v + quint32(below(9)) - 4u : m_rng.generate();
                for (int i = 0; i < 4; ++i)
                    d[at + i] = char(v >> (24 - 8 * i));
                break;
            }
            case 4: d.truncate(at); break;
            case 5: d.remove(at, below(16) + 1); break;
            case 6: d.insert(at, QByteArray(below(8) + 1, char(below(256)))); break;
            case 7: d.insert(at, d.mid(below(d.size()), below(32) + 1)); break;
            }
        }
        return d;
    }

private:
    QRandomGenerator m_rng;
};

} // namespace

class TestCatalogueFuzz : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void programCataloguesPass();
    void mutatedCatalogues();

private:
    QList<Key> m_keys;
    QList<QByteArray> m_bases;
};

void TestCatalogueFuzz::initTestCase()
{
    m_keys = programKeys();
    QVERIFY(m_keys.size() > 50);
    // The compressed one brings a context table for the mutants to damage.
    m_bases << readAll(QStringLiteral(":/Languages/GB_TQ3900.qm"))
            << readAll(QStringLiteral(TQ3900_TEST_DATA "/DE_TQ3900.qm"))
            << readAll(QStringLiteral(TQ3900_TEST_DATA "/GB_TQ3900_compressed.qm"));
    for (const QByteArray &b : qAsConst(m_bases))
        QVERIFY(b.size() > 16);
}

void TestCatalogueFuzz::programCataloguesPass()
{
    // No catalogue the tools make is turned away.
    const char *const codes[] = {"GB", "DE", "FR", "IT", "ES", "CN", "CZ", "HU", "RU", "SI", "JP", "PL",
                                 "PT", "RO", "SK", "SE", "FI", "DK", "NO", "BG", "HR", "KR", "RS", "TR"};
    QStringList paths;
    for (const char *code : codes)
        paths << QStringLiteral(":/Languages/%1_TQ3900.qm").arg(code);
    paths << QStringLiteral(TQ3900_TEST_DATA "/DE_TQ3900.qm") << QStringLiteral(TQ3900_TEST_DATA "/GB_TQ3900.qm")
          << QStringLiteral(TQ3900_TEST_DATA "/GB_TQ3900_compressed.qm");
    for (const QString &path : paths) {
        QString why;
        QVERIFY2(Catalogue::check(readAll(path), &why), qPrintable(path + ": " + why));
    }
}

void TestCatalogueFuzz::mutatedCatalogues()
{
    FuzzCases cases(kMutants, fuzzSeconds(kDefaultSeconds));
    Mutator m(fuzzSeed(20261207));
    int accepted = 0;
    int rejected = 0;
    int translated = 0;
    while (cases.next()) {
        const QByteArray mutant = m.mutate(m_bases.at(m.below(m_bases.size())));
        QString why;
        QElapsedTimer step;
        step.start();
        const bool ok = Catalogue::check(mutant, &why);
        QVERIFY2(step.elapsed() < 1000, "the check took longer than a second");
        if (!ok) {
            QVERIFY(!why.isEmpty());
            ++rejected;
            continue;
        }
        ++accepted;
        FencedBuffer fenced(mutant);
        QVERIFY(fenced.data());
        QTranslator t;
        if (!t.load(fenced.data(), fenced.size()))
            continue;
        for (const Key &k : qAsConst(m_keys)) {
            const QString text = t.translate(k.context.constData(), k.source.constData());
            translated += text.isEmpty() ? 0 : 1;
        }
        t.translate("NoContext", "No text");
        t.translate("MainMenu", "Histogram", "a comment", 3);
    }
    qInfo("%d mutants accepted, %d rejected, %d texts translated", accepted, rejected, translated);
    // Both ways were taken; a short run only checks it ran.
    QVERIFY2(cases.done() < 1000 || (accepted > 10 && rejected > 10),
             qPrintable(QStringLiteral("%1 accepted, %2 rejected").arg(accepted).arg(rejected)));
}

TQ3900_FUZZ_MAIN(TestCatalogueFuzz, kDefaultSeconds)
#include "tst_catalogue_fuzz.moc"
