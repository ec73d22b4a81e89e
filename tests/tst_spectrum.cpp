// The spectrum widget on the offscreen platform: touch sets the band and
// programs the codec (register journal), the main window's record and one
// filterChanged; the trace, its three-frame mean, the flat trace of silence
// and the corner labels in the image.
#include "audiocodecsetup.h"
#include "freqspectrum.h"
#include "globals.h"
#include "mainmenu.h"
#include "simboard.h"
#include "testroot.h"

#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {

constexpr int kW = 416;
constexpr int kH = 126;
constexpr int kBase = kH - FreqSpectrum::kScaleRows;

void touch(QWidget &w, QEvent::Type type, double x)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(x, 40), QPointF(x, 40), QPointF(x, 40), Qt::LeftButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &e);
}

QVector<quint32> band(const FreqSpectrum &s)
{
    unsigned low = 0, high = 0;
    int type = -1;
    s.getFilter(&low, &high, &type);
    return {low, high, quint32(type)};
}

// The fully covered pixels of a text in pure green within rows 0..29.
QSet<QPair<int, int>> greenPixels(const QImage &img, const QRect &area)
{
    QSet<QPair<int, int>> set;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (img.pixel(x, y) == qRgb(0, 255, 0))
                set.insert({x, y});
    return set;
}

// A pixel of the given colour at (x, y) or next to it (lines at fractional
// positions fall on either neighbour).
bool colourNear(const QImage &img, int x, int y, QRgb colour)
{
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (img.valid(x + dx, y + dy) && img.pixel(x + dx, y + dy) == colour)
                return true;
    return false;
}

} // namespace

class TestSpectrum : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void touchSetsTheBand();
    void traceMeanAndSilence();
    void cornerLabels();
    void scaleStrip();

private:
    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
    std::unique_ptr<MainMenu> m_window;
};

void TestSpectrum::initTestCase()
{
    g_debugFeatures = 0;
    m_root = std::make_unique<TestRoot>();
    m_board = std::make_unique<SimBoard>(m_root->root());
    QVERIFY(m_board->isRunning());
    m_window = std::make_unique<MainMenu>();
}

void TestSpectrum::cleanupTestCase()
{
    m_window.reset();
    m_board.reset();
    m_root.reset();
}

void TestSpectrum::touchSetsTheBand()
{
    AudioCodecSetup *codec = m_window->getAudioCodecInstance();
    codec->setFilter(0, 4000, 0);
    m_window->setCurrentFilter(0, 4000, 0);
    FreqSpectrum s;
    s.resize(kW, kH);
    s.init(kW, kH);
    QCOMPARE(band(s), QVector<quint32>({0, 4000, 0}));
    QSignalSpy changed(&s, &FreqSpectrum::filterChanged);

    // The press starts a band at the touched frequency, 1.4 times as wide.
    touch(s, QEvent::MouseButtonPress, 0);
    QCOMPARE(band(s), QVector<quint32>({20, 28, 1}));
    touch(s, QEvent::MouseButtonPress, kW / 2);
    QCOMPARE(band(s), QVector<quint32>({282, 395, 1}));
    // Dragging right sets the upper corner; dragging left of the start
    // narrows the band to 10 Hz from the finger.
    touch(s, QEvent::MouseMove, 300);
    QCOMPARE(band(s), QVector<quint32>({282, 912, 1}));
    // Far beyond the right edge (no number a frequency can hold): the top
    // of the axis.
    touch(s, QEvent::MouseMove, kW * 1000);
    QCOMPARE(band(s), QVector<quint32>({282, 4000, 1}));
    QCOMPARE(FreqSpectrum::frequencyAt(std::nan(""), kW), 4000u);
    QCOMPARE(FreqSpectrum::frequencyAt(-1e6, kW), 0u);
    touch(s, QEvent::MouseMove, 50);
    QCOMPARE(band(s), QVector<quint32>({37, 47, 1}));
    // Nothing reaches the codec before the release.
    QCOMPARE(changed.count(), 0);
    unsigned low = 0, high = 0;
    int type = -1;
    codec->getFilter(&low, &high, &type);
    QCOMPARE(type, 0);

    // Released beyond the right edge: taken at the last column (3949 Hz,
    // not 4000), the band from the moved start; the codec's nearest corners.
    const int mark = m_root->journal("registers.log").size();
    touch(s, QEvent::MouseButtonRelease, kW + 84);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(band(s), QVector<quint32>({40, 3900, 1}));
    codec->getFilter(&low, &high, &type);
    QCOMPARE(QVector<quint32>({low, high, quint32(type)}), QVector<quint32>({40, 3900, 1}));
    m_window->getCurrentFilter(&low, &high, &type);
    QCOMPARE(QVector<quint32>({low, high, quint32(type)}), QVector<quint32>({40, 3900, 1}));
    // The register file got that band's programme.
    const QStringList programme = m_root->journal("registers.log").mid(mark);
    QCOMPARE(programme.size(), 197);
    const int mark2 = m_root->journal("registers.log").size();
    codec->setFilter(40, 3900, 1);
    QCOMPARE(m_root->journal("registers.log").mid(mark2), programme);
    codec->setFilter(40, 4000, 1);
    QVERIFY(m_root->journal("registers.log").mid(mark2 + 197) != programme);
    codec->setFilter(0, 4000, 0);
}

void TestSpectrum::traceMeanAndSilence()
{
    FreqSpectrum s;
    s.init(kW, kH);
    s.clear();
    s.updateFilter(0, 0, 0); // no band drawn
    // One bin 60 dB above a flat floor: normalised to 1 there, 0 elsewhere.
    float spectrum[1024] = {};
    std::fill(spectrum, spectrum + 512, 1e-3f);
    spectrum[64] = 1.0f; // 500 Hz on the trace
    const float expected[] = {1.0f / 3, 2.0f / 3, 1.0f, 1.0f};
    for (float e : expected) {
        s.refresh();
        s.drawFft(spectrum, true);
        QVERIFY2(std::abs(s.drawnValues()[64] - e) < 1e-6f, qPrintable(QString::number(double(s.drawnValues()[64]))));
        QCOMPARE(s.drawnValues()[100], 0.0f);
    }
    // The peak reaches the top row at 500 Hz, the floor lies on the baseline.
    const int x500 = int(std::lround(FreqSpectrum::traceX(500, kW)));
    QCOMPARE(s.getImage().size(), QSize(kW, kH));
    QVERIFY(colourNear(s.getImage(), x500, 0, qRgb(255, 255, 255)));
    QVERIFY(!colourNear(s.getImage(), x500 - 30, 0, qRgb(255, 255, 255)));
    QVERIFY(colourNear(s.getImage(), kW / 2 + 60, kBase, qRgb(255, 255, 255)));
    QCOMPARE(s.getImage().pixel(kW / 2 + 60, kBase / 2), QColor(Qt::darkGray).rgb());
    // With debug features a red marker stands on the dominant bin.
    QVERIFY(!colourNear(s.getImage(), x500, kBase - 5, qRgb(255, 0, 0)));
    g_debugFeatures = 1;
    s.refresh();
    s.drawFft(spectrum, true);
    g_debugFeatures = 0;
    QVERIFY(colourNear(s.getImage(), x500, kBase - 5, qRgb(255, 0, 0)));
    QVERIFY(!colourNear(s.getImage(), x500, kBase / 2, qRgb(255, 0, 0)));
    // Hidden, the widget paints black; shown, the image.
    s.resize(kW, kH);
    s.hide();
    QCOMPARE(s.grab().toImage().pixel(x500, 1), qRgb(0, 0, 0));
    s.show();
    QCOMPARE(s.grab().toImage().pixel(x500, 1), s.getImage().pixel(x500, 1));
    QCOMPARE(s.grab().toImage().pixel(kW / 2 + 60, kBase / 2), QColor(Qt::darkGray).rgb());
    // Without the mean the frame is drawn as it is.
    spectrum[64] = 1e-3f;
    spectrum[128] = 1.0f;
    s.drawFft(spectrum, false);
    QCOMPARE(s.drawnValues()[128], 1.0f);
    QCOMPARE(s.drawnValues()[64], 0.0f);

    // Silence (all zeros, also values that are not numbers): a flat trace
    // on the baseline, no value that is not a number.
    float zeros[1024] = {};
    zeros[7] = std::nanf("");
    s.clear();
    s.refresh();
    s.drawFft(zeros, true);
    for (int i = 0; i < 512; ++i)
        QCOMPARE(s.drawnValues()[i], 0.0f);
    for (int x : {5, kW / 3, kW - 5})
        QVERIFY(colourNear(s.getImage(), x, kBase, qRgb(255, 255, 255)));
    for (int y = 0; y < kBase - 1; ++y)
        QCOMPARE(s.getImage().pixel(kW / 3, y), QColor(Qt::darkGray).rgb());
}

void TestSpectrum::cornerLabels()
{
    FreqSpectrum s;
    s.init(kW, kH);
    s.clear();
    s.updateFilter(0, 4000, 0);
    float zeros[1024] = {};
    s.drawFft(zeros, true);
    // The band's top line runs along row 0 over the whole width.
    for (int x : {100, kW / 2, kW / 2 + 60})
        QVERIFY(colourNear(s.getImage(), x, 0, qRgb(255, 0, 0)));
    // "0" at the left, "4000" at the right, as the text drawn alone.
    QImage alone(kW, kH, QImage::Format_RGB32);
    alone.fill(Qt::darkGray);
    {
        QPainter p(&alone);
        p.setPen(QPen(Qt::green, 1));
        p.drawText(QRect(QPoint(0, 0), QPoint(kW / 2 - 1, 29)), Qt::AlignLeft | Qt::AlignTop, "0");
        p.drawText(QRect(QPoint(kW / 2, 0), QPoint(kW - 1, 29)), Qt::AlignRight | Qt::AlignTop, "4000");
    }
    const QRect rows(0, 0, kW, 30);
    const auto drawn = greenPixels(s.getImage(), rows);
    QVERIFY(drawn.size() > 20);
    QCOMPARE(drawn, greenPixels(alone, rows));

    // No band at all (both corners 0): no curve and no labels.
    s.refresh();
    s.updateFilter(0, 0, 0);
    s.drawFft(zeros, true);
    QVERIFY(greenPixels(s.getImage(), rows).isEmpty());
    QCOMPARE(s.getImage().pixel(kW / 2, 0), QColor(Qt::darkGray).rgb());
}

void TestSpectrum::scaleStrip()
{
    FreqSpectrum s;
    s.init(kW, kH);
    const int row = kH - 23;
    // Off: nothing under the ticks.
    s.drawScale();
    QCOMPARE(s.getImage().pixel(kW / 2, row), QColor(Qt::darkGray).rgb());
    // On, with any sensor but the unit's microphone: blue at 0 .. 20 Hz,
    // pure yellow from the 1000 Hz stop on, red-orange in between.
    s.setScaleBgGradient(true);
    s.refresh();
    s.drawScale();
    const QImage &img = s.getImage();
    const QColor atLeft(img.pixel(3, row)); // right of the 20 Hz tick
    QVERIFY2(atLeft.blue() > 230 && atLeft.red() < 20 && atLeft.green() == 0, qPrintable(atLeft.name()));
    const int x1000 = int(0.74426937 * kW) + 3;
    QCOMPARE(img.pixel(x1000, row), qRgb(255, 255, 0));
    QCOMPARE(img.pixel(kW - 10, row), qRgb(255, 255, 0));
    const QColor at400(img.pixel(int(0.56994343 * kW) + 3, row));
    QVERIFY(at400.red() > 150 && at400.green() < 80);
    // The 20, 100 and 1000 Hz ticks are two pixels wide, white.
    for (int f : {100, 1000}) {
        const int x = FreqSpectrum::scaleX(f, kW);
        QCOMPARE(img.pixel(x, kH - 24), qRgb(255, 255, 255));
    }
}

QTEST_MAIN(TestSpectrum)
#include "tst_spectrum.moc"
