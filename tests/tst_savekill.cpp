// Saves cut short: a child process stores level and pinpointing
// measurements one after the other and is killed at random moments, over a
// hundred times. After every kill each listed folder is a whole measurement
// (its info.ini readable, every clip it names there in full); no empty
// folder, no folder without its clips. What the cut saves left is hidden
// and removed by the next start's clean-up.
#include "measurements.h"
#include "testroot.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include <cstring>
#include <memory>

namespace {

const QString kMeas = QStringLiteral("/media/tq3900/meas");
const QString kWavTemp = QStringLiteral("/home/root/meas/wav_temp");
const int kClipBytes = 256 * 1024;
const int kKills = 110;

QByteArray clipOf(int n)
{
    return QByteArray(kClipBytes, char('a' + n));
}

MeasInfoStructure recordOf(int type)
{
    MeasInfoStructure d;
    std::memset(&d, 0, sizeof d);
    d.level[0] = 30.0f;
    d.fftSize = 64;
    if (type == 1) {
        for (int i = 1; i <= 3; ++i) {
            d.level[i] = 10.0f * i;
            d.frequency[i] = 400;
        }
    }
    return d;
}

// The child: saves until it is killed.
int saveForever()
{
    const QString id = QString::number(QCoreApplication::applicationPid());
    std::printf("saving\n");
    std::fflush(stdout);
    for (int n = 0;; ++n) {
        const int type = n % 2;
        MeasurementData()->storeMeasurement(type, QStringLiteral("K%1_%2").arg(id).arg(n), recordOf(type));
    }
}

} // namespace

class TestSaveKill : public QObject
{
    Q_OBJECT

private slots:
    void savesKilledAtRandomMomentsLeaveWholeFolders();
};

void TestSaveKill::savesKilledAtRandomMomentsLeaveWholeFolders()
{
    if (qEnvironmentVariableIsSet("TQ3900_NO_CHILD_PROCESSES"))
        QSKIP("no child processes in this build");
    TestRoot root;
    QVERIFY(root.isValid());
    QVERIFY(root.write(kWavTemp + "/LE_sound.wav", clipOf(0)));
    for (int i = 1; i <= 3; ++i)
        QVERIFY(root.write(kWavTemp + QStringLiteral("/PP_Sound_%1.wav").arg(i), clipOf(i)));
    const QString meas = root.local(kMeas);
    QRandomGenerator rng(2712);
    int kills = 0, checked = 0;
    QSet<QString> leftovers;
    QStringList problems;
    for (; kills < kKills; ++kills) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TQ3900_SAVEKILL_CHILD", "1");
        env.insert("TQ3900_ROOT", root.root());
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), QStringList());
        QVERIFY(child.waitForStarted(10000));
        child.setReadChannel(QProcess::StandardOutput);
        QTRY_VERIFY_WITH_TIMEOUT(child.canReadLine() || child.state() != QProcess::Running, 20000);
        QVERIFY2(child.state() == QProcess::Running, child.readAllStandardError().right(2000).constData());
        QCOMPARE(child.readLine(), QByteArray("saving\n"));
        // A random moment within the next saves.
        QTest::qWait(int(rng.bounded(60)));
        child.kill();
        QVERIFY(child.waitForFinished(10000));

        const QDir dir(meas);
        for (const QString &entry : dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
            if (entry.startsWith('.')) {
                leftovers << entry;
                continue;
            }
            ++checked;
            const int type = entry.startsWith("LE_") ? 0 : 1;
            auto back = std::make_unique<MeasInfoStructure>();
            QString name;
            if (!Measurements::readInfoFile(meas + "/" + entry + "/info.ini", type, back.get(), &name)
                || !entry.endsWith("_" + name)) {
                problems << entry + ": no whole info.ini";
                continue;
            }
            QStringList clips;
            if (type == 0)
                clips << "LE_sound.wav";
            for (int i = 1; i <= 10; ++i)
                if (type == 1 && back->level[i] > 0.0f && back->frequency[i] > 0)
                    clips << QStringLiteral("PP_Sound_%1.wav").arg(i);
            if (type == 1 && clips.size() != 3)
                problems << entry + ": positions missing";
            for (const QString &clip : clips) {
                QFile f(meas + "/" + entry + "/" + clip);
                const int n = clip.startsWith("LE") ? 0 : clip.mid(9, 1).toInt();
                if (!f.open(QIODevice::ReadOnly) || f.readAll() != clipOf(n))
                    problems << entry + ": clip " + clip;
            }
            // Checked folders go, so that the store never fills up.
            QDir(meas + "/" + entry).removeRecursively();
        }
    }
    qInfo("%d kills, %d whole folders checked, %d hidden leftovers seen", kills, checked, int(leftovers.size()));
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
    QVERIFY(checked > kKills / 2); // the saves did run between the kills

    // The next start removes what the cut saves left, also a clip half
    // copied into an existing folder, and keeps the measurements.
    QVERIFY(root.write(kMeas + "/LE_20260101_120000_Kept/info.ini", "[Measurementinfo]\nMeasurementname=Kept\n"));
    QVERIFY(root.write(kMeas + "/LE_20260101_120000_Kept/.saving-LE_sound.wav", "half"));
    QVERIFY(root.write(kMeas + "/.saving-LE_20260101_120001/info.ini", "[Measurementinfo]\n"));
    MeasurementData()->removeLeftovers();
    QCOMPARE(QDir(meas).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"LE_20260101_120000_Kept"});
    QCOMPARE(QDir(meas + "/LE_20260101_120000_Kept").entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"info.ini"});
}

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet("TQ3900_SAVEKILL_CHILD")) {
        QApplication app(argc, argv);
        return saveForever();
    }
    QApplication app(argc, argv);
    TestSaveKill test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_savekill.moc"
