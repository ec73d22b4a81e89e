// Language loading: catalogues on the data partition before the built-in
// ones, the fallbacks, and the built-in catalogues' completeness.
#include "applicationfont.h"
#include "catalogue.h"
#include "mainmenu.h"
#include "messagedialog.h"
#include "systemsettings.h"
#include "testroot.h"

#include <QDirIterator>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QXmlStreamReader>
#include <QtTest>

#include <memory>

#include <sys/stat.h>

namespace {

const char *const kCodes[24] = {"GB", "DE", "FR", "IT", "ES", "CN", "CZ", "HU", "RU", "SI", "JP", "PL",
                                "PT", "RO", "SK", "SE", "FI", "DK", "NO", "BG", "HR", "KR", "RS", "TR"};

QByteArray testCatalogue(const QString &name)
{
    QFile f(QStringLiteral(TQ3900_TEST_DATA "/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// (context, source) pairs of a .ts file, with the translation and whether it is finished.
struct Message {
    QString context, source, comment, translation;
    bool finished = true;
};

QList<Message> readTs(const QString &path)
{
    QList<Message> out;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return out;
    QXmlStreamReader xml(&f);
    QString context;
    Message m;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("name"))
            context = xml.readElementText();
        else if (xml.name() == QLatin1String("message"))
            m = Message{context, {}, {}, {}, true};
        else if (xml.name() == QLatin1String("source"))
            m.source = xml.readElementText();
        else if (xml.name() == QLatin1String("comment"))
            m.comment = xml.readElementText();
        else if (xml.name() == QLatin1String("translation")) {
            m.finished = xml.attributes().value("type").isEmpty();
            m.translation = xml.readElementText();
            out << m;
        }
    }
    return out;
}

} // namespace

class TestLanguage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void catalogueOnCardTakesPrecedence();
    void outOfRangeLoadsBuiltInEnglish_data();
    void outOfRangeLoadsBuiltInEnglish();
    void damagedCatalogueOnCardFallsBack();
    void damagedStructureFallsBack_data();
    void damagedStructureFallsBack();
    void noDamageBehindTheEndMark_data();
    void noDamageBehindTheEndMark();
    void everyLanguageHasACatalogue();
    void englishWording();
    void messageTextsFitTheMessageBox();
    void everyKeyOfTheProgramIsInTheEnglishCatalogue();
    void everyFormTextIsInTheEnglishCatalogue();

private:
    QString pinpointingText();
    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<MainMenu> m_window;
};

void TestLanguage::init()
{
    m_root = std::make_unique<TestRoot>();
    m_window = std::make_unique<MainMenu>();
}

void TestLanguage::cleanup()
{
    m_window.reset();
    m_root.reset();
}

QString TestLanguage::pinpointingText()
{
    m_window->displayWidget(0, 0, 0); // the main page sets its texts anew
    return m_window->findChild<QPushButton *>("butPinpointing")->text();
}

void TestLanguage::catalogueOnCardTakesPrecedence()
{
    const QByteArray de = testCatalogue("DE_TQ3900.qm");
    QVERIFY(!de.isEmpty());
    QCOMPARE(pinpointingText(), QStringLiteral("Pinpointing"));
    m_root->write("/media/tq3900/DE_TQ3900.qm", de);
    const int inits = m_window->getInstanceSystemsettings()->initCount();
    m_window->changeLanguage(2);
    QCOMPARE(pinpointingText(), QStringLiteral("Punktortung (Karte)"));
    QCOMPARE(m_window->getInstanceSystemsettings()->initCount(), inits + 1);
    // Same language again still refreshes the settings screen.
    m_window->changeLanguage(2);
    QCOMPARE(m_window->getInstanceSystemsettings()->initCount(), inits + 2);
    // Without the file the built-in catalogue serves.
    QFile::remove(m_root->local("/media/tq3900/DE_TQ3900.qm"));
    m_window->changeLanguage(2);
    const QString builtIn = pinpointingText();
    QVERIFY(builtIn != QStringLiteral("Punktortung (Karte)"));
    QVERIFY(builtIn != QStringLiteral("Histogram"));
    // So it does for a link to the catalogue elsewhere, and for a FIFO in
    // its place (at once: nothing waits for a writer).
    const QString onCard = m_root->local("/media/tq3900/DE_TQ3900.qm");
    QVERIFY(m_root->write("/home/root/DE_TQ3900.qm", de));
    QVERIFY(QFile::link(m_root->local("/home/root/DE_TQ3900.qm"), onCard));
    m_window->changeLanguage(2);
    QCOMPARE(pinpointingText(), builtIn);
    QVERIFY(QFile::remove(onCard));
    QCOMPARE(::mkfifo(QFile::encodeName(onCard).constData(), 0600), 0);
    m_window->changeLanguage(2);
    QCOMPARE(pinpointingText(), builtIn);
}

void TestLanguage::outOfRangeLoadsBuiltInEnglish_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("expected");
    QTest::newRow("0") << 0 << "Pinpointing";
    QTest::newRow("25") << 25 << "Pinpointing";
    QTest::newRow("-3") << -3 << "Pinpointing";
    QTest::newRow("1 takes the card's GB") << 1 << "Card catalogue";
}

void TestLanguage::outOfRangeLoadsBuiltInEnglish()
{
    QFETCH(int, language);
    QFETCH(QString, expected);
    m_root->write("/media/tq3900/GB_TQ3900.qm", testCatalogue("GB_TQ3900.qm"));
    // From English with the card's catalogue in use: it serves no more.
    m_window->changeLanguage(1);
    m_window->changeLanguage(language);
    QCOMPARE(pinpointingText(), expected);
}

void TestLanguage::damagedCatalogueOnCardFallsBack()
{
    m_root->write("/media/tq3900/GB_TQ3900.qm", QByteArray("not a catalogue\0\1\2", 19));
    m_window->changeLanguage(1);
    QCOMPARE(pinpointingText(), QStringLiteral("Pinpointing"));
    m_root->write("/media/tq3900/FR_TQ3900.qm", QByteArray());
    m_window->changeLanguage(3);
    QVERIFY(pinpointingText() != QStringLiteral("Histogram"));
}

void TestLanguage::damagedStructureFallsBack_data()
{
    // One changed byte where QTranslator trusts the file: the high byte of
    // the first translation's length, or of the first hash entry's offset
    // into the messages.
    QTest::addColumn<int>("section");
    QTest::addColumn<int>("offset");
    QTest::newRow("translation longer than the messages") << 0x69 << 1;
    QTest::newRow("hash pointing past the messages") << 0x42 << 4;
}

void TestLanguage::damagedStructureFallsBack()
{
    QFETCH(int, section);
    QFETCH(int, offset);
    QByteArray de = testCatalogue("DE_TQ3900.qm");
    int pos = 16;
    while (pos + 5 <= de.size() && uchar(de.at(pos)) != section)
        pos += 5 + int((uchar(de.at(pos + 1)) << 24) | (uchar(de.at(pos + 2)) << 16)
                       | (uchar(de.at(pos + 3)) << 8) | uchar(de.at(pos + 4)));
    QVERIFY(pos + 5 + offset < de.size());
    QCOMPARE(int(de.at(pos + 5 + offset)), 0);
    de[pos + 5 + offset] = char(0xa1);
    m_window->changeLanguage(2);
    const QString builtIn = pinpointingText();
    m_root->write("/media/tq3900/DE_TQ3900.qm", de);
    m_window->changeLanguage(2);
    QCOMPARE(pinpointingText(), builtIn);
    QVERIFY(builtIn != QStringLiteral("Histogram"));
}

void TestLanguage::noDamageBehindTheEndMark_data()
{
    // QTranslator stops at a section with a zero tag or a zero length.
    QTest::addColumn<QByteArray>("mark");
    QTest::newRow("zero tag") << QByteArray("\x00\x00\x00\x00\x04zero", 9);
    QTest::newRow("zero length") << QByteArray("\x42\x00\x00\x00\x00", 5);
}

// A catalogue whose damaged sections stand before the end mark and sound
// ones behind it: the translator uses the damaged ones, so the check must
// stop at the same mark and turn the catalogue away.
void TestLanguage::noDamageBehindTheEndMark()
{
    QFETCH(QByteArray, mark);
    const QByteArray de = testCatalogue("DE_TQ3900.qm");
    QByteArray damaged = de;
    int pos = 16;
    while (pos + 5 <= damaged.size() && uchar(damaged.at(pos)) != 0x69)
        pos += 5 + int((uchar(damaged.at(pos + 1)) << 24) | (uchar(damaged.at(pos + 2)) << 16)
                       | (uchar(damaged.at(pos + 3)) << 8) | uchar(damaged.at(pos + 4)));
    QVERIFY(pos + 6 < damaged.size());
    damaged[pos + 6] = char(0xa1); // the first translation longer than the messages
    QString why;
    QVERIFY(!Catalogue::check(damaged, &why));
    QVERIFY(Catalogue::check(de, &why));

    const QByteArray crafted = damaged + mark + de.mid(16);
    QVERIFY2(!Catalogue::check(crafted, &why), "sections behind the end mark were checked instead");
    m_window->changeLanguage(2);
    const QString builtIn = pinpointingText();
    m_root->write("/media/tq3900/DE_TQ3900.qm", crafted);
    m_window->changeLanguage(2);
    QCOMPARE(pinpointingText(), builtIn);
}

void TestLanguage::everyLanguageHasACatalogue()
{
    for (const char *code : kCodes) {
        QTranslator t;
        QVERIFY2(t.load(QStringLiteral(":/Languages/%1_TQ3900.qm").arg(code)), code);
        // No screen shows a raw key: every catalogue has the main page's texts.
        QVERIFY2(!t.translate("MainMenu", "Histogram").isEmpty(), code);
    }
    // Each number 1-24 loads its own code's catalogue from the card.
    const QByteArray card = testCatalogue("GB_TQ3900.qm");
    for (int n = 1; n <= 24; ++n) {
        const QString file = QStringLiteral("/media/tq3900/%1_TQ3900.qm").arg(kCodes[n - 1]);
        QVERIFY(m_root->write(file, card));
        m_window->changeLanguage(n);
        QVERIFY2(pinpointingText() == QStringLiteral("Card catalogue"), qPrintable(file));
        QVERIFY(QFile::remove(m_root->local(file)));
    }
}

void TestLanguage::englishWording()
{
    m_window->changeLanguage(1);
    QCOMPARE(QCoreApplication::translate("Statusbardata", "TheBatteryIsVeryLowPleaseRecharge"),
             QStringLiteral("The battery is very low.\nPlease recharge."));
    QCOMPARE(QCoreApplication::translate("LanguageSelect", "Suomi"), QStringLiteral("Suomi"));
    QCOMPARE(m_window->getInstanceSystemsettings()->convertTimeToText(0), QStringLiteral("never"));
}

// The message box shows its text without word wrap: every line of the
// English texts of the classes that raise it fits its text field, with the
// application's font and style sheet.
void TestLanguage::messageTextsFitTheMessageBox()
{
    const QFont appFont = QApplication::font();
    QApplication::setFont(loadApplicationFont()); // as the program starts
    const auto restore = qScopeGuard([&] { QApplication::setFont(appFont); });
    MessageDialog box;
    box.ensurePolished();
    auto *label = box.findChild<QLabel *>("labelInfotext");
    label->ensurePolished();
    const QFontMetrics fm = label->fontMetrics();
    const QStringList contexts{"Statusbardata", "Measurements", "MeasurementFrame", "FavouriteButton", "MeasManagement",
                               "H2Sensor", "PartitionLending"};
    int checked = 0;
    for (const Message &m : readTs(QStringLiteral(TQ3900_SOURCE_DIR "/src/Resources/Languages/GB_TQ3900.ts"))) {
        if (!contexts.contains(m.context))
            continue;
        const QStringList lines = m.translation.split(QLatin1Char('\n'));
        for (const QString &line : lines)
            QVERIFY2(fm.horizontalAdvance(line) <= label->width(),
                     qPrintable(QStringLiteral("%1/%2: \"%3\" is %4 px wide")
                                    .arg(m.context, m.source, line)
                                    .arg(fm.horizontalAdvance(line))));
        QVERIFY2(lines.size() * fm.lineSpacing() <= label->height(), qPrintable(m.source));
        ++checked;
    }
    QVERIFY(checked >= 8);
}

// Every text the program translates (tr() in a class, or translate() with a
// context) has a finished English wording in the GB catalogue.
void TestLanguage::everyKeyOfTheProgramIsInTheEnglishCatalogue()
{
    const QList<Message> gb = readTs(QStringLiteral(TQ3900_SOURCE_DIR "/src/Resources/Languages/GB_TQ3900.ts"));
    QVERIFY(!gb.isEmpty());
    QSet<QString> known;
    for (const Message &m : gb) {
        QVERIFY2(m.finished && !m.translation.isEmpty(),
                 qPrintable(m.context + "/" + m.source + " has no English wording"));
        known.insert(m.context + "/" + m.source);
    }
    const QRegularExpression classRe(QStringLiteral("^(\\w+)::\\w+\\s*\\("), QRegularExpression::MultilineOption);
    const QRegularExpression trRe(QStringLiteral("\\btr\\(\\s*\"([^\"]+)\""));
    const QRegularExpression translateRe(
        QStringLiteral("(?:translate|QT_TRANSLATE_NOOP)\\(\\s*\"([^\"]+)\"\\s*,\\s*\"([^\"]+)\""));
    QStringList missing;
    QDirIterator it(QStringLiteral(TQ3900_SOURCE_DIR "/src"), {"*.cpp"}, QDir::Files,
                    QDirIterator::Subdirectories);
    int found = 0;
    while (it.hasNext()) {
        QFile f(it.next());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        // tr() takes the context of the class whose member function holds it.
        auto m = trRe.globalMatch(text);
        while (m.hasNext()) {
            const auto hit = m.next();
            QString context;
            auto c = classRe.globalMatch(text.left(hit.capturedStart()));
            while (c.hasNext())
                context = c.next().captured(1);
            ++found;
            if (!known.contains(context + "/" + hit.captured(1)))
                missing << context + "/" + hit.captured(1);
        }
        auto t = translateRe.globalMatch(text);
        while (t.hasNext()) {
            const auto hit = t.next();
            ++found;
            if (!known.contains(hit.captured(1) + "/" + hit.captured(2)))
                missing << hit.captured(1) + "/" + hit.captured(2);
        }
    }
    QVERIFY(found > 10);
    QVERIFY2(missing.isEmpty(), qPrintable("not in GB_TQ3900.ts: " + missing.join(", ")));
}

// Every text of a form (a <string> not marked notr="true") is translated by
// the form's retranslateUi() in the context of the form's class, with the
// form's comment: it has an English wording in the GB catalogue under that
// comment or under none (QTranslator falls back to the entry without one).
void TestLanguage::everyFormTextIsInTheEnglishCatalogue()
{
    QSet<QString> known;
    for (const Message &m : readTs(QStringLiteral(TQ3900_SOURCE_DIR "/src/Resources/Languages/GB_TQ3900.ts")))
        known.insert(m.context + "/" + m.source + "/" + m.comment);
    QStringList missing;
    int forms = 0, texts = 0;
    QDirIterator it(QStringLiteral(TQ3900_SOURCE_DIR "/src"), {"*.ui"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&f);
        QString context;
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement())
                continue;
            // The form's class is the first <class>; custom widgets name theirs later.
            if (xml.name() == QLatin1String("class") && context.isEmpty()) {
                context = xml.readElementText();
            } else if (xml.name() == QLatin1String("string")) {
                const bool notr = xml.attributes().value("notr") == QLatin1String("true");
                const QString comment = xml.attributes().value("comment").toString();
                const QString source = xml.readElementText();
                if (notr || source.isEmpty())
                    continue;
                ++texts;
                const QString key = context + "/" + source;
                if (!known.contains(key + "/" + comment) && !known.contains(key + "/"))
                    missing << QFileInfo(f.fileName()).fileName() + ": " + key;
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(f.fileName() + ": " + xml.errorString()));
        QVERIFY2(!context.isEmpty(), qPrintable(f.fileName()));
        ++forms;
    }
    QVERIFY(forms > 40);
    QVERIFY(texts > 100);
    QVERIFY2(missing.isEmpty(), qPrintable("not in GB_TQ3900.ts: " + missing.join(", ")));
}

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
