// The favourite key on the real main window, driven through the application's
// key filter: screenshots on the simulated card (numbering, never
// overwriting, a failed save, none while the partition is not mounted, after
// a failed start-up mount, after an unmount the program did not make),
// opening the favourite measurement, storing the
// visible measurement as favourite; and the favourite selection dialog,
// driven through its buttons.
#include "backupdialog.h"
#include "bluetooth.h"
#include "commandrunner.h"
#include "datapartition.h"
#include "debugmessages.h"
#include "eventhandler.h"
#include "favouritebutton.h"
#include "formwidgets.h"
#include "mainmenu.h"
#include "messagedialog.h"
#include "partitionlending.h"
#include "popupinfo.h"
#include "selectfavouritebutton.h"
#include "simboard.h"
#include "systemsettings.h"
#include "testroot.h"

#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QtTest>

#include <memory>

namespace {

const char kShots[] = "/media/tq3900/screenshots";

// Closes every pop-up and message box that opens while it lives and notes
// what each showed: "favourite", "camera", "bug" or "message: <text>". A
// pop-up is noted as it is shown, not when the poll finds it: on a slow
// machine its own one-second timer may close it before the first poll.
class ModalWatcher : public QObject
{
public:
    QStringList seen;

    ModalWatcher()
    {
        qApp->installEventFilter(this);
        connect(&m_timer, &QTimer::timeout, this, &ModalWatcher::close);
        m_timer.start(20);
    }
    ~ModalWatcher() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Show)
            return false;
        if (auto *popup = qobject_cast<PopupInfo *>(watched)) {
            const QString style = popup->findChild<QLabel *>("label")->styleSheet();
            seen << (style.contains("ScreenshotCamera_ws_40px") ? "camera"
                     : style.contains("Bug_ws_40px")            ? "bug"
                     : style.contains("Favourite_ws_40px")      ? "favourite"
                                                                 : "popup?");
        } else if (auto *box = qobject_cast<MessageDialog *>(watched)) {
            seen << "message: " + box->findChild<QLabel *>("labelInfotext")->text();
        }
        return false;
    }

private:
    void close()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *popup = qobject_cast<PopupInfo *>(modal))
            popup->closeDlg();
        else if (auto *box = qobject_cast<MessageDialog *>(modal))
            box->findChild<QPushButton *>("butMiddle")->click();
    }

    QTimer m_timer;
};

QImage loadPng(const QString &path)
{
    QImageReader reader(path);
    if (reader.format() != "png")
        return {};
    return reader.read();
}

} // namespace

class TestFavourite : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { DebugMessages::install(); }
    void init();
    void cleanup();

    // Screenshots
    void shortPressTakesNumberedScreenshots();
    void numberingContinuesAfterExistingPictures_data();
    void numberingContinuesAfterExistingPictures();
    void failedSaveSaysSoAndKeepsTheNumber();
    void failedStartupMountWritesNothingAndLends();
    void unmountFromAShellIsSeen();
    void screenshotOfTheActiveDialog();

    // Running and storing the favourite
    void shortPressOpensFavouriteWithStackUnchanged_data();
    void shortPressOpensFavouriteWithStackUnchanged();
    void heldKeyStoresVisibleMeasurement();

    // Selection dialog
    void selectionInitCorrectsUnknownCodes_data();
    void selectionInitCorrectsUnknownCodes();
    void selectionShowsTranslatedNames();
    void switchCyclesThroughSixPositions();
    void functionButtonsSelect();
    void acceptReturnsSelection();
    void cancelAndEscape();

private:
    void setFavourite(int code);
    // Short press (or held for repeats auto-repeats) of the favourite key.
    void favouriteKey(int repeats = 0);
    int storedFavourite() const;
    QStackedWidget *stack() const { return m_window->findChild<QStackedWidget *>("mainWidget"); }

    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<MainMenu> m_window;
    std::unique_ptr<EventHandler> m_filter;
    std::unique_ptr<ModalWatcher> m_modals;
};

void TestFavourite::init()
{
    m_root = std::make_unique<TestRoot>();
    QVERIFY(m_root->isValid());
    m_window = std::make_unique<MainMenu>();
    m_filter = std::make_unique<EventHandler>();
    qApp->installEventFilter(m_filter.get());
    m_modals = std::make_unique<ModalWatcher>();
}

void TestFavourite::cleanup()
{
    qApp->removeEventFilter(m_filter.get());
    m_modals.reset();
    m_filter.reset();
    m_window.reset();
    m_root.reset();
}

void TestFavourite::setFavourite(int code)
{
    QCOMPARE(m_window->getInstanceSystemsettings()->setFavouriteButton(code), 0);
}

void TestFavourite::favouriteKey(int repeats)
{
    QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : m_window.get();
    QTest::keyPress(target, Qt::Key_F2);
    for (int i = 0; i < repeats; ++i) {
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_F2, Qt::NoModifier, QString(), true, 1);
        QApplication::sendEvent(target, &repeat);
    }
    QTest::keyRelease(target, Qt::Key_F2);
    QCoreApplication::processEvents();
}

int TestFavourite::storedFavourite() const
{
    QSettings file(m_root->local("/home/root/settings.ini"), QSettings::IniFormat);
    return file.value("Systemsettings/FavouriteButton", -1).toInt();
}

// ---------------------------------------------------------------------------
// Screenshots

void TestFavourite::shortPressTakesNumberedScreenshots()
{
    setFavourite(0);
    QVERIFY(!QApplication::activeWindow()); // the main window is grabbed
    const QImage before = m_window->grab(QRect(0, 0, 480, 272)).toImage();

    favouriteKey();
    const QImage first = loadPng(m_root->local(QString(kShots) + "/pic_000.png"));
    QVERIFY(!first.isNull());
    QCOMPARE(first.size(), QSize(480, 272));
    // The main window as it was: the pop-up came after the picture.
    QCOMPARE(first.convertToFormat(QImage::Format_RGB32), before.convertToFormat(QImage::Format_RGB32));
    QCOMPARE(m_modals->seen, QStringList{"camera"});
    // No measurement screen was opened.
    QCOMPARE(stack()->currentWidget()->objectName(), QStringLiteral("mainPage"));

    favouriteKey();
    QVERIFY(!loadPng(m_root->local(QString(kShots) + "/pic_001.png")).isNull());
    QCOMPARE(QDir(m_root->local(kShots)).entryList(QDir::Files).size(), 2);
    QCOMPARE(m_modals->seen, QStringList({"camera", "camera"}));
}

void TestFavourite::numberingContinuesAfterExistingPictures_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("next");
    QTest::newRow("fresh card") << QStringList{} << "pic_000.png";
    QTest::newRow("after pic_000") << QStringList{"pic_000.png"} << "pic_001.png";
    QTest::newRow("after the highest, gaps stay")
        << QStringList{"pic_002.png", "pic_041.png", "pic_007.png"} << "pic_042.png";
    QTest::newRow("other names do not count")
        << QStringList{"pic_003.png", "pic_900.jpg", "pic_12a.png", "mypic_700.png"}
        << "pic_004.png";
    // FAT ignores case: a PC's "PIC_000.PNG" is taken.
    QTest::newRow("any case") << QStringList{"PIC_000.PNG", "pic_001.png"} << "pic_002.png";
    QTest::newRow("999 then 1000") << QStringList{"pic_999.png"} << "pic_1000.png";
    QTest::newRow("more digits") << QStringList{"pic_1234.png"} << "pic_1235.png";
}

void TestFavourite::numberingContinuesAfterExistingPictures()
{
    QFETCH(QStringList, existing);
    QFETCH(QString, next);
    for (const QString &name : existing)
        QVERIFY(m_root->write(QString(kShots) + "/" + name, "earlier picture"));
    setFavourite(0);
    favouriteKey();
    QVERIFY(!loadPng(m_root->local(QString(kShots) + "/" + next)).isNull());
    // Nothing earlier was replaced.
    for (const QString &name : existing)
        QCOMPARE(m_root->read(QString(kShots) + "/" + name), QByteArray("earlier picture"));
    QCOMPARE(QDir(m_root->local(kShots)).entryList(QDir::Files).size(), existing.size() + 1);
}

void TestFavourite::failedSaveSaysSoAndKeepsTheNumber()
{
    // A file where the folder should be: neither folder nor picture can be made.
    QVERIFY(m_root->write(kShots, "not a folder"));
    setFavourite(0);
    favouriteKey();
    const QString failed = QCoreApplication::translate("FavouriteButton", "TheScreenshotCouldNotBeSaved");
    QCOMPARE(m_modals->seen, QStringList{"message: " + failed});
    QCOMPARE(failed, QStringLiteral("The screenshot could not be saved."));
    QCOMPARE(m_root->read(kShots), QByteArray("not a folder"));

    // With the card usable again, the same number is used.
    QVERIFY(QFile::remove(m_root->local(kShots)));
    favouriteKey();
    QVERIFY(!loadPng(m_root->local(QString(kShots) + "/pic_000.png")).isNull());
    QCOMPARE(m_modals->seen.last(), QStringLiteral("camera"));
}

// The card does not mount at the start (the board booted with it
// unmounted, and it is damaged): the start-up's own result counts. With
// debug features on, neither the diagnostic files nor a screenshot land in
// the bare mount point, and the card can still be lent to a PC, where it is
// checked; taken back, it mounts and is written again.
void TestFavourite::failedStartupMountWritesNothingAndLends()
{
    m_window.reset();
    QVERIFY(m_root->write("/home/root/settings.ini", QByteArray("[Bluetooth]\nMicrophone_ID=") + SimBoard::kUnitAddress
                                                          + "\n[Debug]\nDebugfeatures=1\n"));
    SimBoard board(m_root->root());
    QVERIFY2(board.isRunning(), qPrintable(board.error()));
    QCOMPARE(board.send("usb unmount"), QStringLiteral("ok"));
    QCOMPARE(board.send("usb mount fail"), QStringLiteral("ok"));
    const auto bareMountPoint = [&] {
        return QDir(m_root->local("/media/tq3900")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    };
    m_window = std::make_unique<MainMenu>();
    QCOMPARE(m_root->commands().mid(0, 2), QStringList({"fsck -Mya /dev/mmcblk0p3", DataPartition::kMount}));
    QCOMPARE(board.send("usb"), QStringLiteral("unmounted"));
    // The unit's lines go to the diagnostic file with debug features on.
    QVERIFY(board.waitForDataLink());
    QTRY_VERIFY(board.unitLines().contains("BT_TX I 0f MUTE SWITCH"));
    m_window->writeSystemInfo(QStringLiteral("unmounted"));
    m_window->writeErrorToFile(QStringLiteral("unmounted"));
    setFavourite(0);
    favouriteKey();
    QCOMPARE(m_modals->seen, QStringList({"message: The screenshot could not be saved:\n"
                                          "the data partition is not mounted."}));
    QCOMPARE(bareMountPoint(), QStringList());

    // Lent as it is: nothing to unmount, exported at once.
    BackupDialog pc;
    pc.show();
    m_root->clearJournals();
    child(&pc, "butConnect")->click();
    QCOMPARE(m_root->commands(), QStringList({PartitionLending::kExport}));
    QCOMPARE(board.send("usb"), QStringLiteral("exported"));
    QCOMPARE(m_modals->seen.size(), 1);
    favouriteKey();
    QCOMPARE(m_modals->seen.last(), QStringLiteral("message: The screenshot could not be saved:\n"
                                                   "the data partition is lent to the PC."));

    // Checked on the PC: it mounts, and everything is written on the card.
    QCOMPARE(board.send("usb mount ok"), QStringLiteral("ok"));
    child(&pc, "butDisconnect")->click();
    QCOMPARE(board.send("usb"), QStringLiteral("mounted"));
    QCOMPARE(m_modals->seen.size(), 2);
    favouriteKey();
    QCOMPARE(m_modals->seen.last(), QStringLiteral("camera"));
    QVERIFY(!loadPng(m_root->local(QString(kShots) + "/pic_000.png")).isNull());
    m_window->writeSystemInfo(QStringLiteral("mounted"));
    QVERIFY(m_root->read("/media/tq3900/systemInfo.txt").endsWith(";mounted\n"));
    QVERIFY(!m_root->read("/media/tq3900/systemInfo.txt").contains("unmounted"));
    m_root->clearJournals();
    m_window->getBtSinkInstance()->sendData(QStringLiteral("BT_TX B"));
    QTRY_VERIFY(m_root->read("/media/tq3900/btInfo.txt").contains("H->M BT_TX B"));
    // Nothing lay in the bare mount point for the mount to hide.
    QVERIFY(!m_root->exists("/.tq3900/beneath-tq3900"));
}

// A shell unmounts the partition behind the program's back, or mounts a
// tmpfs there: the next screenshot says the partition is not mounted, and neither it nor the
// diagnostic file lands in the bare mount point, where the next mount would
// hide it. With debug features on, the unit's lines that cannot be logged
// say so once each time the partition goes away, not once a line.
void TestFavourite::unmountFromAShellIsSeen()
{
    m_window.reset();
    QVERIFY(m_root->write("/home/root/settings.ini", QByteArray("[Bluetooth]\nMicrophone_ID=") + SimBoard::kUnitAddress
                                                          + "\n[Debug]\nDebugfeatures=1\n"));
    SimBoard board(m_root->root());
    QVERIFY2(board.isRunning(), qPrintable(board.error()));
    m_window = std::make_unique<MainMenu>();
    QVERIFY(board.waitForDataLink());
    Bluetooth *unit = m_window->getBtSinkInstance();
    const auto notOpened = [] {
        int n = 0;
        for (const QString &line : DebugMessages::all())
            n += line.startsWith("Could not open file:") && line.contains("btInfo.txt");
        return n;
    };
    // The unit's battery asked n times, each answered before the next.
    const auto unitLinesSent = [&](int n) {
        const int before = board.unitLines().count("BT_TX B");
        for (int i = 0; i < n; ++i)
            unit->sendData(QStringLiteral("BT_TX B"));
        return QTest::qWaitFor([&] { return board.unitLines().count("BT_TX B") >= before + n; }, 10000 * n);
    };
    const auto logged = [&] { return m_root->read("/media/tq3900/btInfo.txt").count("H->M BT_TX B"); };
    setFavourite(0);
    favouriteKey();
    QCOMPARE(m_modals->seen, QStringList{"camera"});
    QVERIFY(m_root->exists(QString(kShots) + "/pic_000.png"));
    QVERIFY(unitLinesSent(1));
    QTRY_VERIFY(logged() >= 1);

    QCOMPARE(CommandRunner::run(DataPartition::kUnmount), 0);
    QCOMPARE(board.send("usb"), QStringLiteral("unmounted"));
    const auto bareMountPoint = [&] {
        return QDir(m_root->local("/media/tq3900")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    };
    QCOMPARE(bareMountPoint(), QStringList());
    // A shell mounts a tmpfs there: the mount point is in the mount table,
    // but not with the partition, and what is written there stays in memory.
    const QByteArray tmpfs = "tmpfs /media/tq3900 tmpfs rw,relatime 0 0\n";
    QVERIFY(m_root->write("/proc/mounts", m_root->read("/proc/mounts") + tmpfs));
    DebugMessages::clear();
    favouriteKey();
    QCOMPARE(m_modals->seen.last(), QStringLiteral("message: The screenshot could not be saved:\n"
                                                   "the data partition is not mounted."));
    QVERIFY(unitLinesSent(3));
    QCOMPARE(notOpened(), 1);
    QCOMPARE(bareMountPoint(), QStringList());

    // Mounted again by the program (a lending taken back): logged on the
    // card; gone again, one line again.
    const int loggedBefore = logged();
    QVERIFY(DataPartition::mount());
    QVERIFY(unitLinesSent(1));
    QTRY_VERIFY(logged() > loggedBefore);
    QCOMPARE(notOpened(), 1);
    QCOMPARE(CommandRunner::run(DataPartition::kUnmount), 0);
    QVERIFY(unitLinesSent(2));
    QCOMPARE(notOpened(), 2);
    QCOMPARE(bareMountPoint(), QStringList());

    // Mounted again, and a tmpfs over it: the files seen there are the
    // tmpfs's, not the card's.
    QVERIFY(DataPartition::mount());
    QVERIFY(m_root->write("/proc/mounts", m_root->read("/proc/mounts") + tmpfs));
    favouriteKey();
    QCOMPARE(m_modals->seen.last(), QStringLiteral("message: The screenshot could not be saved:\n"
                                                   "the data partition is not mounted."));
    QVERIFY(!m_root->exists(QString(kShots) + "/pic_001.png"));
}

void TestFavourite::screenshotOfTheActiveDialog()
{
    setFavourite(0);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));

    // A dialog on top of the main window is what the user sees.
    SelectFavouriteButton dialog(m_window.get());
    dialog.setStyleSheet("QWidget { background-color: rgb(200, 30, 30); }");
    dialog.init(3);
    // Once the dialog is the active window (however long a loaded machine
    // takes to show it), the favourite key.
    QImage expected;
    QElapsedTimer waited;
    waited.start();
    QTimer poll;
    connect(&poll, &QTimer::timeout, &dialog, [&] {
        if (QApplication::activeWindow() != &dialog) {
            if (waited.elapsed() > 10000)
                dialog.reject();
            return;
        }
        poll.stop();
        expected = dialog.grab(QRect(0, 0, 480, 272)).toImage();
        favouriteKey();
        dialog.reject();
    });
    poll.start(20);
    dialog.exec();
    QVERIFY(!expected.isNull());
    const QImage shot = loadPng(m_root->local(QString(kShots) + "/pic_000.png"));
    QCOMPARE(shot.size(), QSize(480, 272));
    QCOMPARE(shot.convertToFormat(QImage::Format_RGB32), expected.convertToFormat(QImage::Format_RGB32));
    QCOMPARE(QColor(shot.pixel(200, 5)), QColor(200, 30, 30));
}

// ---------------------------------------------------------------------------
// Running and storing the favourite

void TestFavourite::shortPressOpensFavouriteWithStackUnchanged_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("screen");
    QTest::newRow("1 pinpointing") << 1 << "Pinpointing";
    QTest::newRow("2 level measurement") << 2 << "Levelmeasurement";
    QTest::newRow("3 long-term") << 3 << "Longtermmeasurement";
    QTest::newRow("4 hydrogen") << 4 << "H2Sensor";
    QTest::newRow("5 pipe locating") << 5 << "Pipelocating";
}

void TestFavourite::shortPressOpensFavouriteWithStackUnchanged()
{
    QFETCH(int, code);
    QFETCH(QString, screen);
    setFavourite(code);
    m_window->displayWidget(4, 1, 0); // management, one level down
    const int level = m_window->getCurrentMenuLevel();
    QCOMPARE(level, 1);
    QList<int> stored;
    for (int i = 0; i < 10; ++i)
        stored << m_window->getStoredWidget(i);

    favouriteKey();
    QCOMPARE(stack()->currentWidget()->objectName(), screen);
    QCOMPARE(m_window->getCurrentMenuLevel(), level);
    for (int i = 0; i < 10; ++i)
        QCOMPARE(m_window->getStoredWidget(i), stored.at(i));
    // No sensor is reported: only the hydrogen screen notes that it needs one.
    QCOMPARE(m_modals->seen, code == 4 ? QStringList{"message: You must connect a H2-Sensor\nto use this measurement."}
                                       : QStringList{});
    QVERIFY(!QDir(m_root->local(kShots)).exists() || QDir(m_root->local(kShots)).isEmpty());
}

void TestFavourite::heldKeyStoresVisibleMeasurement()
{
    // The hydrogen screen reported itself as visible.
    m_window->setCurrentVisibleDlgNum(4);
    QCOMPARE(storedFavourite(), 2); // the defaults written at the first start

    favouriteKey(7); // not long enough: runs the favourite (level measurement)
    QVERIFY(m_window->levelmeasurementScreen());
    QCOMPARE(m_modals->seen, QStringList{});

    // The level screen reported itself on its entry; then the hydrogen screen.
    QCOMPARE(m_window->getCurrentVisibleDlgNum(), 2);
    m_window->displayWidget(0, 0, 0);
    m_window->setCurrentVisibleDlgNum(4);
    favouriteKey(8);
    QCOMPARE(storedFavourite(), 4);
    QCOMPARE(m_modals->seen, QStringList{"favourite"});
    QCOMPARE(m_window->getFavouriteButtonInsance()->favouriteNumber(), 4);
    // Storing ran no function: the main page stays, the hydrogen screen is not built.
    QCOMPARE(stack()->currentWidget()->objectName(), QStringLiteral("mainPage"));
    QVERIFY(!m_window->h2sensorScreen());

    // Held longer still stores once.
    favouriteKey(12);
    QCOMPARE(m_modals->seen, QStringList({"favourite", "favourite"}));

    // The next short press runs the new favourite.
    favouriteKey();
    QCOMPARE(stack()->currentWidget()->objectName(), QStringLiteral("H2Sensor"));
}

// ---------------------------------------------------------------------------
// Selection dialog

void TestFavourite::selectionInitCorrectsUnknownCodes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("selected");
    QTest::addColumn<int>("position");
    QTest::newRow("7") << 7 << 2 << 1;
    QTest::newRow("-1") << -1 << 2 << 1;
    QTest::newRow("6") << 6 << 2 << 1;
    QTest::newRow("0 screenshot") << 0 << 0 << 6;
    QTest::newRow("1 pinpointing") << 1 << 1 << 2;
    QTest::newRow("2 level") << 2 << 2 << 1;
    QTest::newRow("3 long-term") << 3 << 3 << 3;
    QTest::newRow("4 hydrogen") << 4 << 4 << 4;
    QTest::newRow("5 pipe locating") << 5 << 5 << 5;
}

void TestFavourite::selectionInitCorrectsUnknownCodes()
{
    QFETCH(int, code);
    QFETCH(int, selected);
    QFETCH(int, position);
    SelectFavouriteButton dialog;
    dialog.init(code);
    QCOMPARE(dialog.getFavouriteButton(nullptr), selected);
    const QString style = dialog.findChild<QPushButton *>("butSwitchFavourite")->styleSheet();
    QVERIFY2(style.contains(QStringLiteral(":/Resources/Icons/Management/Systemsettings/Radioswitch_pos%1_6x38px.png")
                                .arg(position)),
             qPrintable(style));
    QVERIFY(QFile::exists(QStringLiteral(":/Resources/Icons/Management/Systemsettings/Radioswitch_pos%1_6x38px.png")
                              .arg(position)));
}

void TestFavourite::selectionShowsTranslatedNames()
{
    SelectFavouriteButton dialog;
    dialog.init(2);
    Systemsettings *settings = m_window->getInstanceSystemsettings();
    const int codes[6] = {2, 1, 3, 4, 5, 0};
    for (int i = 0; i < 6; ++i) {
        auto *button = dialog.findChild<QPushButton *>(QStringLiteral("butFav_%1").arg(i + 1));
        QCOMPARE(button->text(), settings->getFavButTextFromNum(codes[i]));
    }
    QCOMPARE(dialog.findChild<QPushButton *>("butFav_6")->text(), QStringLiteral("Screenshot"));
    // The frame's buttons show pictures of the program's resources.
    for (const char *icon : {"Check_ws_44px", "Check_sw_44px", "Cancel_ws_44px"})
        QVERIFY2(QFile::exists(QStringLiteral(":/Resources/Icons/Allgemein/%1.png").arg(icon)), icon);
}

void TestFavourite::switchCyclesThroughSixPositions()
{
    SelectFavouriteButton dialog;
    dialog.init(3);
    auto *sw = dialog.findChild<QPushButton *>("butSwitchFavourite");
    const QList<int> expected = {4, 5, 0, 2, 1, 3};
    QList<int> seen;
    for (int i = 0; i < 6; ++i) {
        QTest::mouseClick(sw, Qt::LeftButton);
        seen << dialog.getFavouriteButton(nullptr);
    }
    QCOMPARE(seen, expected);
    QVERIFY(sw->styleSheet().contains("Radioswitch_pos3_6x38px.png"));
}

void TestFavourite::functionButtonsSelect()
{
    SelectFavouriteButton dialog;
    dialog.init(2);
    const int codes[6] = {2, 1, 3, 4, 5, 0};
    for (int i = 5; i >= 0; --i) {
        QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("butFav_%1").arg(i + 1)), Qt::LeftButton);
        QCOMPARE(dialog.getFavouriteButton(nullptr), codes[i]);
        QVERIFY(dialog.findChild<QPushButton *>("butSwitchFavourite")
                    ->styleSheet()
                    .contains(QStringLiteral("Radioswitch_pos%1_6x38px.png").arg(i + 1)));
    }
}

void TestFavourite::acceptReturnsSelection()
{
    SelectFavouriteButton dialog;
    dialog.init(1);
    QTimer::singleShot(0, &dialog, [&dialog] {
        QTest::mouseClick(dialog.findChild<QPushButton *>("butFav_6"), Qt::LeftButton);
        QTest::mouseClick(dialog.findChild<QPushButton *>("butAccept"), Qt::LeftButton);
    });
    QCOMPARE(dialog.exec(), 1);
    QString text;
    QCOMPARE(dialog.getFavouriteButton(&text), 0);
    QCOMPARE(text, m_window->getInstanceSystemsettings()->getFavButTextFromNum(0));
}

void TestFavourite::cancelAndEscape()
{
    SelectFavouriteButton dialog;
    dialog.init(4);
    QTimer::singleShot(0, &dialog, [&dialog] {
        QTest::mouseClick(dialog.findChild<QPushButton *>("butClose"), Qt::LeftButton);
    });
    QCOMPARE(dialog.exec(), 0);

    // Escape acts at its release only; Return presses no default button.
    SelectFavouriteButton second;
    second.init(4);
    bool openAfterPress = false;
    QTimer::singleShot(0, &second, [&] {
        QTest::keyPress(&second, Qt::Key_Escape);
        QTest::keyPress(&second, Qt::Key_Return);
        openAfterPress = second.isVisible();
        QTest::keyRelease(&second, Qt::Key_Escape);
    });
    QCOMPARE(second.exec(), 0);
    QVERIFY(openAfterPress);

    // The power key's short press through the key filter cancels too.
    SelectFavouriteButton third;
    third.init(4);
    QTimer::singleShot(0, &third, [&third] {
        QWidget *target = third.focusWidget() ? third.focusWidget() : &third;
        QTest::keyPress(target, Qt::Key_F1);
        QTest::keyRelease(target, Qt::Key_F1);
    });
    QCOMPARE(third.exec(), 0);
}

QTEST_MAIN(TestFavourite)
#include "tst_favourite.moc"
