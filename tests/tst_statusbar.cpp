// The status bar against the simulated board: the pixels of its image and
// of a grab of the widget for the instrument battery, the charging mark, the
// sensor and the sensor unit's battery, the headphone, the mute state and
// the time.
#include "bluetooth.h"
#include "globals.h"
#include "gps.h"
#include "mainmenu.h"
#include "sensorunitlink.h"
#include "simboard.h"
#include "statusbar.h"
#include "statusbardata.h"
#include "testroot.h"

#include <QPainter>
#include <QtTest>

#include <memory>

namespace {

const QColor kGreen(0x00, 0xff, 0x00);
const QColor kWhite(0xff, 0xff, 0xff);
const QColor kBlack(0x00, 0x00, 0x00);
const QColor kRed(0xff, 0x00, 0x00);
const QColor kGrey(0x80, 0x80, 0x80);

QColor at(const QImage &image, int x, int y)
{
    return image.pixelColor(x, y);
}

// Green rows inside the battery symbol whose first column is left.
int greenRows(const QImage &image, int left)
{
    int rows = 0;
    for (int y = 0; y < image.height(); ++y)
        rows += at(image, left + 1, y) == kGreen && at(image, left + 10, y) == kGreen;
    return rows;
}

bool batteryDrawn(const QImage &image, int left)
{
    return at(image, left, 10) == kWhite && at(image, left + 11, 10) == kWhite && at(image, left + 5, 0) == kWhite;
}

// An icon of the status bar as drawn on the black strip.
QImage iconOnBlack(const QString &name)
{
    QImage image(20, 20, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    p.drawImage(0, 0, QImage(":/Resources/Icons/Tools/Statusbar/" + name));
    return image;
}

bool showsIcon(const QImage &bar, int x, const QString &name)
{
    return bar.copy(x, 0, 20, 20).convertToFormat(QImage::Format_RGB32) == iconOnBlack(name);
}

// Columns from..to that hold a white pixel.
QList<int> whiteColumns(const QImage &image, int from, int to)
{
    QList<int> columns;
    for (int x = from; x <= to; ++x)
        for (int y = 0; y < image.height(); ++y)
            if (at(image, x, y) == kWhite) {
                columns << x;
                break;
            }
    return columns;
}

} // namespace

class TestStatusbar : public QObject
{
    Q_OBJECT

private slots:
    void instrumentAndUnitOnTheBar();
};

void TestStatusbar::instrumentAndUnitOnTheBar()
{
    TestRoot root;
    g_debugFeatures = 0;
    QVERIFY(root.write("/home/root/settings.ini",
                       QStringLiteral("[Bluetooth]\nMicrophone_ID=%1\nHeadphone_ID=%2\n")
                           .arg(SimBoard::kUnitAddress, SimBoard::kHeadphoneAddress).toUtf8()));
    SimBoard board(root.root());
    MainMenu w;
    Statusbardata *status = StatusbarData();
    QVERIFY(waitForSinkDataMode(*w.getBtSinkInstance(), board, root));
    QTRY_VERIFY_WITH_TIMEOUT(status->sensorType() == 1 && status->batteryMicrophone() == 60, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(w.getBtSourceInstance()->isConnectedA2DP(), 5000);

    Statusbar bar;
    bar.init(480, 20);
    bar.resize(480, 20);
    auto redraw = [&] {
        bar.updateTime();
        return bar.image();
    };

    // The instrument battery: 14 rows at full charge, none below 8 %.
    const QList<QPair<int, int>> fills = {{0, 0}, {7, 0}, {50, 7}, {100, 14}, {250, 14}};
    for (const auto &fill : fills) {
        QVERIFY(board.send(QStringLiteral("battery %1 3950").arg(qMin(fill.first, 100))) == "ok");
        if (fill.first > 100) // a gauge reporting more than 100 %
            QVERIFY(root.write("/sys/class/power_supply/bq27426-0/capacity", "250\n"));
        status->rareUpdate();
        const QImage image = redraw();
        QVERIFY2(greenRows(image, 24) == fill.second, qPrintable(QString::number(fill.first)));
        QVERIFY(batteryDrawn(image, 24));
        QCOMPARE(at(image, 25, 18 - fill.second), fill.second < 14 ? kGrey : kWhite); // above the fill
        QCOMPARE(at(image, 24, 2), kBlack); // beside the terminal
    }
    QCOMPARE(status->batteryHL(), 250);

    // Linked unit with its microphone and a valid battery: green microphone,
    // its battery (60 %: 8 rows); the headphone shows its own report (level 3:
    // 40 %, 5 rows), not the instrument's charge (50 %: 7 rows).
    QVERIFY(board.send("battery 50 3950") == "ok");
    QVERIFY(board.send("headphone battery 3") == "ok");
    QTRY_COMPARE_WITH_TIMEOUT(status->batteryHeadphone(), 40, 5000);
    status->rareUpdate();
    QImage image = redraw();
    QVERIFY(showsIcon(image, 50, "microphone_k5_gn_20px.bmp"));
    QVERIFY(batteryDrawn(image, 70));
    QCOMPARE(greenRows(image, 70), 8);
    QVERIFY(showsIcon(image, 92, "headphone_gn_20px.bmp"));
    QCOMPARE(greenRows(image, 116), 5);
    QVERIFY(showsIcon(image, 138, w.getGpsInstance()->isGpsDataValid() ? "satellite_gn_20px.bmp"
                                                                        : "satellite_rt_20px.bmp"));
    QVERIFY(showsIcon(image, 190, "SwitchMode_Switch_bl_20px.bmp"));
    QVERIFY(showsIcon(image, 220, "speaker_mute_ws_20px.bmp"));
    QCOMPARE(at(image, 29, 14), kGreen);

    // What the widget shows is the image.
    QCOMPARE(bar.grab().toImage().convertToFormat(QImage::Format_RGB32), image.convertToFormat(QImage::Format_RGB32));

    // Charging: the red lightning over the battery.
    QVERIFY(board.send("charging 1") == "ok");
    status->update();
    image = redraw();
    QCOMPARE(at(image, 29, 14), kRed);
    QCOMPARE(at(image, 29, 8), kRed);
    QCOMPARE(at(image, 29, 16), kRed);
    QCOMPARE(at(image, 25, 16), kGreen);

    // The path opened: the speaker follows.
    w.muteAudioPath(false, false);
    QVERIFY(showsIcon(redraw(), 220, "speaker_active_ws_20px.bmp"));
    w.muteAudioPath(true, false);
    QVERIFY(showsIcon(redraw(), 220, "speaker_mute_ws_20px.bmp"));

    // A wired sensor: its icon, and no unit battery although the unit is linked.
    QVERIFY(board.send("gpio 48 1") == "ok");
    status->update();
    image = redraw();
    QVERIFY(showsIcon(image, 46, "wired-sensor_gn_20px.bmp"));
    QVERIFY(!batteryDrawn(image, 70));
    QCOMPARE(at(image, 75, 10), kBlack);
    QVERIFY(board.send("gpio 48 0") == "ok");
    status->update();

    // No valid unit battery: no symbol beside the sensor.
    status->btReceivedSensortype("1");
    status->btReceivedBattery("3000");
    image = redraw();
    QVERIFY(showsIcon(image, 50, "microphone_k5_gn_20px.bmp"));
    QCOMPARE(at(image, 75, 10), kBlack);

    // The unit's type "4": a green square outline, black inside, no icon.
    QVERIFY(board.send("unit sensor 4") == "ok");
    QVERIFY(board.send("unit restart") == "ok");
    QTRY_VERIFY(status->sensorType() == 5 && status->batteryMicrophone() == 60);
    image = redraw();
    QCOMPARE(at(image, 46, 10), kGreen);
    QCOMPARE(at(image, 61, 10), kGreen);
    QCOMPARE(at(image, 53, 2), kGreen);
    QCOMPARE(at(image, 53, 10), kBlack);
    QCOMPARE(at(image, 44, 10), kBlack);
    // GPS: the satellite follows the fix of the simulated receiver.
    w.getGpsInstance()->switchOnGpsModul();
    QVERIFY(board.send("gps fix 1") == "ok");
    QTRY_VERIFY_WITH_TIMEOUT(w.getGpsInstance()->isGpsDataValid(), 5000);
    QVERIFY(showsIcon(redraw(), 138, "satellite_gn_20px.bmp"));
    QVERIFY(board.send("gps fix 0") == "ok");
    QTRY_VERIFY_WITH_TIMEOUT(!w.getGpsInstance()->isGpsDataValid(), 5000);
    QVERIFY(showsIcon(redraw(), 138, "satellite_rt_20px.bmp"));

    // The time: right-aligned in the last 100 columns, nothing between the
    // speaker and those columns.
    image = redraw();
    const QList<int> time = whiteColumns(image, 380, 479);
    QVERIFY(time.size() > 20);
    QVERIFY2(time.last() >= 470, qPrintable(QString::number(time.last())));
    QVERIFY(time.first() > 385);
    QVERIFY(whiteColumns(image, 240, 379).isEmpty());

    // The unit's data link lost: a red outline and no unit battery.
    QVERIFY(board.send("bt ttyO2 drop rfcomm") == "ok");
    QTRY_VERIFY(!w.getBtSinkInstance()->isConnectedRFCOMM());
    image = redraw();
    QCOMPARE(at(image, 46, 10), kRed);
    QCOMPARE(at(image, 53, 10), kBlack);
    QVERIFY(!batteryDrawn(image, 70));

    // Once a second the bar redraws by itself, also after a second init.
    bar.init(425, 20);
    QCOMPARE(bar.image().size(), QSize(425, 20));
    QVERIFY(board.send("charging 0") == "ok");
    QVERIFY(board.send("battery 100 3950") == "ok");
    status->update();
    status->rareUpdate();
    QTRY_COMPARE_WITH_TIMEOUT(greenRows(bar.image(), 24), 14, 1500);
    QCOMPARE(at(bar.image(), 29, 14), kGreen);
    QVERIFY(whiteColumns(bar.image(), 325, 424).size() > 20);
}

QTEST_MAIN(TestStatusbar)
#include "tst_statusbar.moc"
