#include "mainmenu.h"
#include "ui_mainmenu.h"

#include "audiocodecsetup.h"
#include "audioworker.h"
#include "backlight.h"
#include "batterystate.h"
#include "bluetooth.h"
#include "catalogue.h"
#include "commandrunner.h"
#include "debugmenu.h"
#include "deviceroot.h"
#include "driverhelper.h"
#include "favouritebutton.h"
#include "globals.h"
#include "gpio.h"
#include "gps.h"
#include "gpsmonitor.h"
#include "h2sensor.h"
#include "levelmeasurement.h"
#include "longtermmeasurement.h"
#include "management.h"
#include "measmanagement.h"
#include "measurements.h"
#include "datapartition.h"
#include "pinpointing.h"
#include "pipelocating.h"
#include "popupinfo.h"
#include "pressuresensor.h"
#include "regularfile.h"
#include "sharedpictureicons.h"
#include "preparedpictures.h"
#include "startupplugins.h"
#include "statusbardata.h"
#include "systemclock.h"
#include "systemsettings.h"
#include "testmenu.h"

#include <QApplication>
#include <QDate>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QThread>
#include <QTime>
#include <QTimer>
#include <QTouchEvent>
#include <QWindow>

#include <climits>

#include <type_traits>

#ifdef __GLIBC__
#include <malloc.h>
#endif

MainMenu *MainMenu::m_instanceMainMenu = nullptr;

namespace {
const char kStyleSheet[] = ":/Stylesheets/Resources/Stylesheets/default.qss";

// Wired-sensor amplifier gains (hundredths of dB) and sensor-unit gain codes
// of the six microphone gain steps.
const int kWiredPgaGain[6] = {900, 1800, 2250, 2900, 3500, 4100};
const int kUnitGainCode[6] = {10, 13, 15, 17, 19, 21};

// A start-up after the first frame goes on after this time even when no
// frame comes (no display).
const int kFirstFrameWaitMs = 1000;
// Keys and touches held until the start-up is through; more are dropped.
const int kMaxHeldInput = 64;

// Longest waits for the start-up check and mount of the data partition.
const int kFsckTimeoutMs = 120000;
const int kMountTimeoutMs = 30000;
// How long the first frame waits for the data partition when the language's
// texts lie there; a slower card gets the built-in texts first.
const int kCardLanguageWaitMs = 3000;

// Catalogue of each language number 1..24: "<code>_TQ3900.qm".
const char *const kCatalogueCodes[24] = {
    "GB", "DE", "FR", "IT", "ES", "CN", "CZ", "HU", "RU", "SI", "JP", "PL",
    "PT", "RO", "SK", "SE", "FI", "DK", "NO", "BG", "HR", "KR", "RS", "TR"};

QString catalogueName(int num)
{
    return QStringLiteral("%1_TQ3900.qm").arg(QLatin1String(kCatalogueCodes[num - 1]));
}

// Whether the program carries the language's own texts. A language not yet
// translated in the program has the English catalogue built in under its
// name, so that no screen shows a raw key; its own texts come from the
// catalogue on the data partition. English (1) and the numbers that load
// the built-in English catalogue directly need nothing from the card.
bool hasOwnBuiltInCatalogue(int num)
{
    if (num <= 1 || num > 24)
        return true;
    QTranslator builtIn;
    return builtIn.load(QStringLiteral(":/Languages/%1").arg(catalogueName(num)))
            && !builtIn.language().startsWith(QLatin1String("en"));
}

bool isPointerInput(const QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}

// The six main buttons and the names of their pictures.
const char *const kMainButtons[6][2] = {
    {"butPinpointing", "Pinpointing"}, {"butLevelmeasurement", "Levelmeasurement"},
    {"butLongtermmeasurement", "Longtermmeasurement"}, {"butH2Sensor", "H2_Sensor"},
    {"butPipelocating", "Pipelocating"}, {"butManagement", "Wrench"}};

// The application's style sheet, read as Latin-1 up to the first zero byte.
void applyStyleSheet()
{
    QFile styleFile(QString::fromLatin1(kStyleSheet));
    if (styleFile.open(QIODevice::ReadOnly)) {
        QByteArray bytes = styleFile.readAll();
        const int zero = bytes.indexOf('\0');
        if (zero >= 0)
            bytes.truncate(zero);
        qApp->setStyleSheet(QString::fromLatin1(bytes));
    }
}

void runStartupCommand(const QString &command, int timeoutMs)
{
    const CommandRunner::Result r = CommandRunner::runWithTimeout(command, timeoutMs);
    if (r.timedOut)
        qWarning().noquote() << QStringLiteral("\"%1\" did not end within %2 s: start-up goes on")
                                    .arg(command)
                                    .arg(timeoutMs / 1000);
    else if (r.exitCode != 0)
        qDebug().noquote() << QStringLiteral("\"%1\" ended with %2").arg(command).arg(r.exitCode);
}
} // namespace

MainMenu::MainMenu(QWidget *parent)
    : MainMenu(Startup::Now, parent)
{
}

MainMenu::MainMenu(Startup startup, QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainMenu)
{
    // 1. Form and the one instance
    qDebug() << "=== Start MainMenu ===";
    // Before the first style sheet that names an icon picture ("image:"):
    // its pictures are decoded once per file. The main page's sheets name
    // none, so a start that paints the main page first registers the engine
    // after that frame: once registered, every picture read anew (the main
    // page's twelve among them) has the toolkit parse the engine's
    // description again.
    if (startup == Startup::Now)
        SharedPictureIcons::install();
    // The main buttons' pictures, ready to draw before the form names them.
    QStringList pictures;
    for (const auto &button : kMainButtons)
        pictures << QStringLiteral(":/Resources/Icons/Mainmenu/%1_ws.bmp").arg(QLatin1String(button[1]));
    PreparedPictures::instance().seedPixmapCache(pictures);
    // For a start after the first frame the style sheet comes before the
    // form: set afterwards, it would polish every widget of the form again.
    if (startup == Startup::AfterFirstFrame)
        applyStyleSheet();
    ui->setupUi(this);
    m_instanceMainMenu = this;
    if (startup == Startup::Now)
        addPressedPictures();

    // 2. The two Bluetooth links
    m_btSource = new Bluetooth();
    m_btSink = new Bluetooth();

    // 3. Settings store (loads the settings file). The settings screen and the
    // GPS monitor are made inside the page stack that shows them: moving a
    // widget with a style sheet to another parent polishes its whole tree
    // again, which for these two pages was a third of the start-up.
    // For a start after the first frame only the store is read now; its
    // page follows with the other hidden pages (step 17).
    m_systemsettings = new Systemsettings(
        ui->mainWidget, startup == Startup::Now ? Systemsettings::Page::Built : Systemsettings::Page::Later);
    if (startup == Startup::AfterFirstFrame)
        m_systemsettings->hide(); // until it is a page of the stack

    // 4. Fields of the microphone line
    m_micParameterGain = 15;
    m_micParameterMute = 1;
    m_micParameterButton = 1;

    if (startup == Startup::AfterFirstFrame) {
        // What the main page shows, then its first frame; the rest follows
        // in its own order once the main page is painted (finishStartup).
        // Keys and touches that come meanwhile are held and delivered after.
        // 15. Style sheet: set before the form.

        // 16. Main page with an empty back stack
        resetMenuLevel();
        m_pageOnScreen = ui->mainWidget->currentWidget();

        // 18. Language. A language whose texts lie on the data partition
        // needs it checked and mounted first (step 5, brought forward): else
        // the first frame shows the built-in English and flips afterwards.
        // A slow card (the check may take minutes) must not keep the window
        // away: past the wait the first frame has the built-in texts, and
        // the card's follow once it is mounted (step 18 after the frame).
        const int language = m_systemsettings->getSelectedLanguageNum();
        if (!hasOwnBuiltInCatalogue(language) && !dataPartitionReady(kCardLanguageWaitMs))
            qDebug() << "Data partition not ready after" << kCardLanguageWaitMs
                     << "ms: the first frame shows the built-in texts";
        changeLanguage(language);
        setMainPageTexts();

        StatusbarData()->readBattery();
        ui->widgetStatusbar->init(480, 20);
        // 21. Debug and test buttons: after the frame (hidden unless the
        // debug features are on, they would only delay it).
        m_startupPending = true;
        qApp->installEventFilter(this);
        // A window that is never painted (no display) starts all the same.
        QTimer::singleShot(kFirstFrameWaitMs, this, &MainMenu::finishStartup);
        return;
    }

    finishStartup();
}

// Steps 5 to 25 of the start-up: at the end of the constructor, or after the
// main page's first frame.
void MainMenu::finishStartup()
{
    if (m_startupFinished)
        return;
    m_startupFinished = true;
    // Pictures read from now on may need the image format plugins.
    StartupPlugins::release();
    const bool deferred = m_startupPending;
    if (deferred) {
        // The frame is on the screen before the modules' set-up blocks.
        QGuiApplication::sync();
        qDebug() << "=== Main page shown: start-up goes on ===";
        SharedPictureIcons::install();
        // No press reaches the buttons before the start-up is through.
        addPressedPictures();
    }

    // 5. Data partition (started already when the language needed it
    // before the first frame: its end is awaited here)
    dataPartitionReady(-1);

    // 6. GPIO lines
    Gpio::init();

    // 7. Sensor-unit link
    qDebug() << "=== INIT MICROPHONE ===";
    m_btSink->initBluetooth(QStringLiteral("/dev/ttyO2"), m_systemsettings->getBtIdMicrophone());
    m_btSink->setBtDacGain(15);
    m_btSink->callBtDeviceA2DP(true);
    m_micGainStep = 3;
    connect(m_btSink, &Bluetooth::stateActiveMuteChanged, this, &MainMenu::switchActiveMute,
            Qt::UniqueConnection);

    // 8. Headphone link
    qDebug() << "=== INIT HEADPHONE ===";
    m_btSource->initBluetooth(QStringLiteral("/dev/ttyO3"), m_systemsettings->getBtIdHeadphone());
    m_btSource->setBtAdcGain(m_systemsettings->isHearingProtectionEnabled()
                                 ? 1
                                 : m_systemsettings->getHeadphoneVolumeOffset() + 5);
    m_btSource->callBtDeviceA2DP(false);

    // 9. ALSA state from the resources
    AudioCodecSetup::restoreMixerState(true);

    // 10. Codec control and the audio worker; the codec's init mutes the path
    m_audioCodec = new AudioCodecSetup();
    Audioworker();
    m_audioCodec->init();

    // 11. Shared start values
    m_currentMicGainStep = 3;
    m_currentHeadphoneVolStep = 8;

    // 12. Start-up filter
    if (m_systemsettings->isSUUseFilterForStartupEnabled()) {
        m_currentLowCutOffFreq = 160;
        m_currentHighCutOffFreq = 1250;
        m_currentFilterType = 1;
        qDebug() << "Starting with Filter: 160 / 1250 / Bandpass";
    } else {
        m_currentLowCutOffFreq = 0;
        m_currentHighCutOffFreq = 4000;
        m_currentFilterType = 0;
    }

    // 13. GPS receiver
    gpsModul = new Gps();
    gpsModul->initGps();
    if (m_systemsettings->isSUUseGpsForStartupEnabled())
        gpsModul->switchOnGpsModul();
    else
        gpsModul->switchOffGpsModul();

    // 14. The screen pointers stay null until first use (member initialisers)
    m_mainMenuVisible = true;

    if (!deferred) {
        // 15. Style sheet
        applyStyleSheet();

        // 16. Main page with an empty back stack
        resetMenuLevel();

    }
    // 17. Settings screen (its page built now when the main page was
    // painted first)
    if (deferred)
        m_systemsettings->buildPage();
    connect(m_systemsettings, &Systemsettings::gotoWidget, this, &MainMenu::displayWidget);
    connect(m_systemsettings, &Systemsettings::changeLanguage, this, &MainMenu::changeLanguage);
    ui->mainWidget->addWidget(m_systemsettings);

    // 18. Language (when the main page was painted first: again, now that the
    // data partition is mounted, whose catalogue wins over the built-in one;
    // a catalogue read from the mounted card before that frame stays)
    const int language = m_systemsettings->getSelectedLanguageNum();
    if (m_loadedWithCard && m_loadedLanguage == language)
        m_systemsettings->init();
    else
        changeLanguage(language);
    setMainPageTexts();

    // 19. GPS monitor
    m_gpsMonitor = new GpsMonitor(ui->mainWidget);
    connect(m_gpsMonitor, &GpsMonitor::gotoWidget, this, &MainMenu::displayWidget);
    ui->mainWidget->addWidget(m_gpsMonitor);

    // 20. Status data and status bar
    StatusbarData()->init();
    ui->widgetStatusbar->init(480, 20);

    // 21. Debug and test buttons
    showDebugButtons();

    // 22.
    m_currentVisibleDlgNum = 2;

    // 23. Favourite key
    m_favouriteButton = new FavouriteButton();
    m_favouriteButton->init();

    // 24. Diagnostic log
    if (g_debugFeatures == 1) {
        writeSystemInfo(QStringLiteral("System started."));
        m_timerSystemMonitor = new QTimer(this);
        m_timerSystemMonitor->setObjectName(QStringLiteral("systemInfoTimer"));
        connect(m_timerSystemMonitor, &QTimer::timeout, this,
                static_cast<void (MainMenu::*)()>(&MainMenu::writeSystemInfo));
        m_timerSystemMonitor->start(60000);
    }

    // 25. Start-up favourite
    if (m_systemsettings->isSUUseFavouriteForStartupEnabled()) {
        QString text;
        const int favourite = m_systemsettings->getFavouriteButton(&text);
        if (favourite >= 1 && favourite <= 5) {
            m_directlyBootedToFavouriteFunction = true;
            m_favouriteButton->execFavouriteFunction();
        }
    }
    m_directlyBootedToFavouriteFunction = false;

    if (deferred)
        drainHeldInput();
    qDebug() << "=== Start-up finished ===";
}

// The end of a start-up after the first frame. Its steps read no events:
// what the user did meanwhile is still queued in the window system. It is
// read now, with the filter still in place, so that it is held like what
// came before; then the held input goes out in its order. A touch or click
// acts by its position: it was aimed at the page on the display (the main
// page), and on any other page (the start-up favourite's screen) it would
// press whatever lies there now, on a screen the user never saw. Such input
// is dropped; keys go to the focus as ever.
void MainMenu::drainHeldInput()
{
    QGuiApplication::sync();
    // A platform without a sync of its own (a frame buffer with its input
    // devices read by the event loop) delivers what is queued on this pass.
    QCoreApplication::processEvents();
    m_startupPending = false;
    qApp->removeEventFilter(this);
    const QVector<HeldInput> held = std::move(m_heldInput);
    m_heldInput.clear();
    const bool pageChanged = ui->mainWidget->currentWidget() != m_pageOnScreen;
    for (const HeldInput &input : held) {
        if (input.receiver && !(pageChanged && isPointerInput(input.event)))
            QCoreApplication::postEvent(input.receiver, input.event);
        else
            delete input.event;
    }
}

// Step 5: check and mount the data partition. Both can hang on a damaged
// card (after a generous time the start goes on without them), so they run
// on a thread of their own: the start-up may show its first frame meanwhile.
// Waits at most waitMs (-1: until both ended) and tells whether they ended;
// the first call starts them.
bool MainMenu::dataPartitionReady(int waitMs)
{
    if (m_dataPartitionReady)
        return true;
    if (!m_dataPartitionCheck) {
        QDir().mkpath(DeviceRoot::path(QLatin1String(DataPartition::kMountPoint)));
        qDebug() << "Filesystemcheck and mount";
        // Not written or read until the mount's result is in.
        DataPartition::setNotMounted();
        m_dataPartitionCheck = QThread::create([] {
            runStartupCommand(QStringLiteral("fsck -Mya /dev/mmcblk0p3"), kFsckTimeoutMs);
            DataPartition::mount(kMountTimeoutMs);
        });
        m_dataPartitionCheck->start();
    }
    if (!m_dataPartitionCheck->wait(waitMs < 0 ? ULONG_MAX : static_cast<unsigned long>(waitMs)))
        return false;
    delete m_dataPartitionCheck;
    m_dataPartitionCheck = nullptr;
    m_dataPartitionReady = true;
    // A measurement whose store was cut short left a hidden folder.
    MeasurementData()->removeLeftovers();
    return true;
}

bool MainMenu::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_startupPending)
        return QMainWindow::eventFilter(watched, event);
    if (event->type() == QEvent::Paint && watched->isWidgetType()
        && static_cast<QWidget *>(watched)->window() == this) {
        // The rest of the start-up once this frame is on the screen.
        if (!m_startupScheduled) {
            m_startupScheduled = true;
            QTimer::singleShot(0, this, &MainMenu::finishStartup);
        }
        return false;
    }
    // Keys and touches reach a window first: held there, so that no screen
    // acts on links that are not set up yet. Only this window's: a dialog
    // that opens meanwhile is what the display shows, and must be usable.
    if (watched->isWindowType() && watched == windowHandle()) {
        QEvent *copy = nullptr;
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            copy = new QKeyEvent(*static_cast<QKeyEvent *>(event));
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            copy = new QMouseEvent(*static_cast<QMouseEvent *>(event));
            break;
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
            copy = new QTouchEvent(*static_cast<QTouchEvent *>(event));
            break;
        default:
            break;
        }
        if (copy) {
            if (m_heldInput.size() < kMaxHeldInput)
                m_heldInput.append({QPointer<QObject>(watched), copy});
            else
                delete copy;
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}


MainMenu::~MainMenu()
{
    // A check of the data partition still running ends within its limits.
    if (m_dataPartitionCheck) {
        m_dataPartitionCheck->wait();
        delete m_dataPartitionCheck;
    }
    delete ui;
    ui = nullptr;
    delete m_pinpointing;
    delete m_levelMeasurement;
    delete m_longtermMeasurement;
    delete m_h2sensor;
    delete m_pipelocating;
    delete m_pressureSensor;
    delete m_management;
    delete m_measManagement;
    delete m_btSource;
    delete m_btSink;
    delete m_audioCodec;
    delete gpsModul;
    delete m_favouriteButton;
    delete m_systemsettings;
    delete m_gpsMonitor;
    delete m_timerSystemMonitor;
    if (m_instanceMainMenu == this)
        m_instanceMainMenu = nullptr;
}

void MainMenu::addPressedPictures()
{
    // The main buttons' pictures while pressed, apart from the rest of the
    // page's style sheet: a start that paints the main page first decodes
    // them after that frame. The page's sheet is the central widget's (see
    // the form): on the page, it made Qt polish the page again when uic
    // moves the page into the stack.
    QString sheet = ui->centralWidget->styleSheet();
    for (const auto &button : kMainButtons)
        sheet += QStringLiteral("\n#%1:pressed {background-image: url(:/Resources/Icons/Mainmenu/%2_sw.png);}")
                     .arg(QLatin1String(button[0]), QLatin1String(button[1]));
    ui->centralWidget->setStyleSheet(sheet);
}

void MainMenu::setMainPageTexts()
{
    ui->butPinpointing->setText(tr("Histogram"));
    ui->butLevelmeasurement->setText(tr("Level"));
    ui->butLongtermmeasurement->setText(tr("Longterm"));
    ui->butH2Sensor->setText(tr("H2Sensor"));
    ui->butPipelocating->setText(tr("Pipelocating"));
    ui->butManagement->setText(tr("Management"));
}

void MainMenu::showDebugButtons()
{
    buildDebugButtons();
    const bool visible = g_debugFeatures == 1;
    m_butDebugMenu->setVisible(visible);
    m_butTestMenu->setVisible(visible);
}

// The two small buttons at the foot of the main page: made after the status
// bar, they lie over it. The central widget's style sheet styles them by
// name.
void MainMenu::buildDebugButtons()
{
    if (m_butTestMenu)
        return;
    const auto button = [this](const char *name, const char *text, const QRect &geometry) {
        auto *b = new QPushButton(QLatin1String(text), ui->mainPage);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(geometry);
        QFont font;
        font.setPointSize(10);
        b->setFont(font);
        return b;
    };
    m_butTestMenu = button("butTestMenu", "TEST", QRect(265, 252, 55, 20));
    m_butDebugMenu = button("butDebugMenu", "DBG", QRect(330, 252, 50, 20));
    // In the focus chain behind the six functions, as the form had them:
    // made last, they would come first after a hidden page's widget that
    // had the focus, and take it from the main page's first button.
    setTabOrder(ui->butManagement, m_butTestMenu);
    setTabOrder(m_butTestMenu, m_butDebugMenu);
    connect(m_butTestMenu, &QPushButton::clicked, this, &MainMenu::on_butTestMenu_clicked);
    connect(m_butDebugMenu, &QPushButton::clicked, this, &MainMenu::on_butDebugMenu_clicked);
}

void MainMenu::init()
{
    setMainPageTexts();
    m_mainMenuVisible = true;
    showDebugButtons();
    Audioworker()->stopAudioRecording();
    muteAudioPath(true, true);
#ifdef __GLIBC__
    // What the screen just left freed goes back to the system: glibc keeps
    // freed memory inside its heaps, so the resident memory of an instrument
    // used all day would creep up by what each round of screens left in
    // them.
    malloc_trim(0);
#endif
}

// ---------------------------------------------------------------------------
// Screen navigation and back stack

namespace {
// Whether a screen has the exit() signal (the measurement screens and the
// browser); the menus have gotoWidget only.
template <class S, class = void> struct HasExitSignal : std::false_type {};
template <class S> struct HasExitSignal<S, std::void_t<decltype(&S::exit)>> : std::true_type {};
} // namespace

template <class Screen>
Screen *MainMenu::ensureScreen(Screen *&screen, bool connectExit)
{
    if (!screen) {
        screen = new Screen(this);
        ui->mainWidget->addWidget(screen);
        if constexpr (HasExitSignal<Screen>::value) {
            if (connectExit)
                connect(screen, &Screen::exit, this, &MainMenu::displayMainMenu, Qt::UniqueConnection);
        }
        connect(screen, &Screen::gotoWidget, this, &MainMenu::displayWidget, Qt::UniqueConnection);
    }
    return screen;
}

void MainMenu::displayWidget(int widget, int dir, int variant)
{
    m_widget = widget;
    m_mainMenuVisible = false;

    // A measurement screen handles the sensor unit's mute key itself.
    // The pressure screen writes its two debug lines around the same steps.
    auto showMeasurement = [&](auto *screen, bool pressure = false) {
        if (pressure)
            qDebug() << "Pressuresensor: displayWidget" << screen;
        disconnect(m_btSink, &Bluetooth::stateActiveMuteChanged, this, &MainMenu::switchActiveMute);
        ui->mainWidget->setCurrentWidget(screen);
        setMenuDirection(dir);
        if (pressure)
            qDebug() << "Pressuresensor: displayWidget init";
        screen->init(variant);
    };

    switch (widget) {
    case -1:
        menuLevelUp();
        break;
    case 0:
        resetMenuLevel();
        init();
        connect(m_btSink, &Bluetooth::stateActiveMuteChanged, this, &MainMenu::switchActiveMute,
                Qt::UniqueConnection);
        m_btSink->sendData(QStringLiteral("BT_TX B"));
        break;
    case 1:
        showMeasurement(ensureScreen(m_levelMeasurement, true));
        break;
    case 3:
        showMeasurement(ensureScreen(m_pinpointing, true));
        break;
    case 6:
        showMeasurement(ensureScreen(m_h2sensor, true));
        break;
    case 8:
        showMeasurement(ensureScreen(m_pipelocating, true));
        break;
    case 9:
        showMeasurement(ensureScreen(m_longtermMeasurement, true));
        break;
    case 11:
        showMeasurement(ensureScreen(m_pressureSensor, true), true);
        break;
    case 4:
        ensureScreen(m_management, false);
        ui->mainWidget->setCurrentWidget(m_management);
        setMenuDirection(dir);
        m_management->init();
        break;
    case 7:
        ensureScreen(m_measManagement, true);
        ui->mainWidget->setCurrentWidget(m_measManagement);
        setMenuDirection(dir);
        m_measManagement->init(0, false);
        break;
    case 5:
        ui->mainWidget->setCurrentWidget(m_systemsettings);
        setMenuDirection(dir);
        m_systemsettings->init();
        break;
    case 10:
        ui->mainWidget->setCurrentWidget(m_gpsMonitor);
        setMenuDirection(dir);
        m_gpsMonitor->init();
        break;
    default: // 2 and every unknown number: main page, empty stack, no init
        resetMenuLevel();
        break;
    }
}

void MainMenu::displayMainMenu()
{
    displayWidget(0, 0, 0);
    m_btSink->callBtDeviceA2DP(true);
    m_btSource->callBtDeviceA2DP(false);
    m_btSource->setBtAdcGain(m_systemsettings->isHearingProtectionEnabled()
                                 ? 1
                                 : m_systemsettings->getHeadphoneVolumeOffset() + 5);
}

int MainMenu::displayFavouriteDialog(int widget)
{
    displayWidget(widget, -1, 0);
    return 0;
}

void MainMenu::menuLevelEqual()
{
    m_storedWidgetMenu[m_currentMenuLevel] = m_widget;
}

void MainMenu::menuLevelDown()
{
    m_currentMenuLevel = qMin(m_currentMenuLevel + 1, 9);
    m_storedWidgetMenu[m_currentMenuLevel] = m_widget;
}

void MainMenu::menuLevelUp()
{
    --m_currentMenuLevel;
    if (m_currentMenuLevel <= 0)
        resetMenuLevel();
    else
        displayWidget(m_storedWidgetMenu[m_currentMenuLevel], -1, 0);
}

void MainMenu::resetMenuLevel()
{
    for (int &entry : m_storedWidgetMenu)
        entry = 0;
    m_currentMenuLevel = 0;
    ui->mainWidget->setCurrentWidget(ui->mainPage);
}

void MainMenu::setMenuDirection(int dir)
{
    switch (dir) {
    case -1:
        break;
    case 1:
        menuLevelDown();
        break;
    case 2:
        menuLevelUp();
        break;
    default: // 0 and any other value
        menuLevelEqual();
        break;
    }
}

int MainMenu::getStoredWidget(int level) const
{
    return level >= 0 && level < 10 ? m_storedWidgetMenu[level] : -1;
}

void MainMenu::on_butPinpointing_clicked()
{
    ensureScreen(m_pinpointing, true);
    displayWidget(3, 1, 0);
}

void MainMenu::on_butLevelmeasurement_clicked()
{
    ensureScreen(m_levelMeasurement, true);
    displayWidget(1, 1, 0);
}

void MainMenu::on_butLongtermmeasurement_clicked()
{
    ensureScreen(m_longtermMeasurement, true);
    displayWidget(9, 1, 0);
}

void MainMenu::on_butH2Sensor_clicked()
{
    ensureScreen(m_h2sensor, true);
    displayWidget(6, 1, 0);
}

void MainMenu::on_butPipelocating_clicked()
{
    ensureScreen(m_pipelocating, true);
    displayWidget(8, 1, 0);
}

void MainMenu::on_butManagement_clicked()
{
    if (!m_management) {
        qDebug() << "m_management: not init";
        ensureScreen(m_management, false);
        qDebug() << "m_management:" << m_management;
    }
    displayWidget(4, 1, 0);
}

void MainMenu::on_butTestMenu_clicked()
{
    TestMenu menu(this);
    menu.exec();
}

void MainMenu::on_butDebugMenu_clicked()
{
    displayDebugMenu();
}

void MainMenu::displayDebugMenu()
{
    DebugMenu menu(this);
    menu.exec();
    if (menu.requestedScreen() >= 0)
        displayWidget(menu.requestedScreen(), 1, 0);
}

void MainMenu::showWidget(int number)
{
    if (number == 100) {
        Gpio::setValue(50, 0);
        Gpio::setValue(65, 1);
        on_butTestMenu_clicked();
    } else if (number == 101) {
        displayDebugMenu();
    }
}

int MainMenu::startupMenuFor(const QStringList &arguments)
{
    if (arguments.contains(QStringLiteral("test")))
        return 100;
    if (arguments.contains(QStringLiteral("debug")))
        return 101;
    return 0;
}

int MainMenu::setCurrentVisibleDlgNum(int num)
{
    m_currentVisibleDlgNum = num;
    return 0;
}

// ---------------------------------------------------------------------------
// Audio path, microphone and headphone control

bool MainMenu::isMuteKeySwitchmode() const
{
    return m_systemsettings && m_systemsettings->isMuteKeySwitchmode();
}

QString MainMenu::microphoneLine()
{
    const bool switchMode = isMuteKeySwitchmode();
    m_micParameterButton = switchMode ? 1 : 0;
    return QStringLiteral("BT_TX I %1 %2 %3")
        .arg(m_micParameterGain, 2, 16, QLatin1Char('0'))
        .arg(m_micParameterMute == 1 ? QStringLiteral("MUTE") : QStringLiteral("ACTIVE"))
        .arg(switchMode ? QStringLiteral("SWITCH") : QStringLiteral("PUSHBUT"));
}

void MainMenu::sendMicLine()
{
    m_btSink->sendData(microphoneLine());
}

int MainMenu::setMicInitParameter(int a_gain, int a_mute, int a_button)
{
    m_micParameterGain = a_gain;
    m_micParameterMute = a_mute;
    m_micParameterButton = a_button;
    const QString line = microphoneLine();
    qDebug() << "MicInit" << line << "gain:" << a_gain
             << QStringLiteral("%1").arg(a_gain, 2, 16, QLatin1Char('0'));
    m_btSink->sendData(line);
    return 0;
}

int MainMenu::initGx4(int gain, int mute, int button)
{
    return setMicInitParameter(gain, mute, button);
}

int MainMenu::setMicParameterGain(int gain)
{
    qDebug() << "setMicParameterGain" << gain << m_micParameterMute << m_micParameterButton;
    m_micParameterGain = gain;
    sendMicLine();
    return 0;
}

int MainMenu::setMicParameterMute(int mute)
{
    m_micParameterMute = mute;
    sendMicLine();
    return 0;
}

int MainMenu::setMicParameterButton(int button)
{
    m_micParameterButton = button;
    sendMicLine();
    return 0;
}

int MainMenu::getMicInitParameter(int *gain, int *mute, int *button)
{
    if (gain)
        *gain = m_micParameterGain;
    if (mute)
        *mute = m_micParameterMute;
    if (button)
        *button = m_micParameterButton;
    return 0;
}

void MainMenu::updateMicrophoneParameter()
{
    sendMicLine();
}

void MainMenu::setMicGainStep(int step)
{
    m_micGainStep = step;
    if (step < 1 || step > 6) {
        step = 3;
        m_micGainStep = 3;
    }
    if (StatusbarData()->sensorType() == 4) {
        const int gain = kWiredPgaGain[step - 1];
        m_micPgaGain = gain / 100.0f;
        m_audioCodec->setMicPgaGain(gain);
        return;
    }
    m_micPgaGain = 3.0f;
    m_micGain = kUnitGainCode[step - 1];
    m_audioCodec->setMicPgaGain(300);
    setMicParameterGain(m_micGain);
}

void MainMenu::setCurrentFilter(unsigned low, unsigned high, int type)
{
    m_currentLowCutOffFreq = low;
    m_currentHighCutOffFreq = high;
    m_currentFilterType = type;
}

void MainMenu::getCurrentFilter(unsigned *low, unsigned *high, int *type) const
{
    if (low)
        *low = m_currentLowCutOffFreq;
    if (high)
        *high = m_currentHighCutOffFreq;
    if (type)
        *type = m_currentFilterType;
}

void MainMenu::muteAudioPath(bool mute, bool toUnit)
{
    if (mute) {
        qDebug() << "Audiopath: MUTED";
        if (toUnit)
            setMicParameterMute(1);
        m_audioCodec->setMuting(true);
        m_btSource->setBtAdcGain(0);
        m_muted = true;
        m_micParameterMute = 1;
        Audioworker()->pauseAudioRecording(true);
        Gpio::setValue(17, 0);
    } else {
        qDebug() << "Audiopath: NOT MUTED";
        if (toUnit)
            setMicParameterMute(0);
        m_audioCodec->setMuting(false);
        m_btSource->setBtLastAdcGain();
        m_muted = false;
        m_micParameterMute = 0;
        Audioworker()->pauseAudioRecording(false);
        Gpio::setValue(17, 1);
    }
}

void MainMenu::switchActiveMute(bool mute)
{
    // Outside the measurement screens the unit's key cannot open the path.
    if (!mute)
        muteAudioPath(true, true);
}

// ---------------------------------------------------------------------------
// Keys, power-down and pop-ups

void MainMenu::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Up:
    case Qt::Key_Down:
        return;
    default:
        QMainWindow::keyPressEvent(event);
    }
}

void MainMenu::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F12) {
        qDebug() << "Key: SwitchOff";
        beforePowerDown();
        return;
    }
    if (event->key() == Qt::Key_F13) {
        Gpio::setValue(50, 0);
        Gpio::setValue(65, 1);
        qDebug() << "Switching to Uart-Mode";
        displayPopup(3);
        return;
    }
    QMainWindow::keyReleaseEvent(event);
}

void MainMenu::beforePowerDown()
{
    // A power-down cannot be cancelled; a second trigger while it is under
    // way (the status tick, another key hold) changes nothing. While the
    // delivery reset waits, its links are busy with their last commands:
    // the power-off follows them, in place of the restart.
    if (m_ending == Ending::Restart) {
        qDebug() << "beforePowerDown: after the reset's module commands, in place of the restart";
        m_ending = Ending::RestartThenPowerOff;
        return;
    }
    if (m_ending != Ending::None)
        return;
    m_ending = Ending::PowerOff;
    qDebug() << "beforePowerDown: Mute";
    muteAudioPath(true, true);
    qDebug() << "beforePowerDown: Disconnect btSink";
    m_btSink->disconnectBtDevice();
    qDebug() << "beforePowerDown: Disconnect btSource";
    m_btSource->disconnectBtDevice();
    qDebug() << "beforePowerDown: Finish";
    // Precise: the links need their full three seconds.
    QTimer::singleShot(3000, Qt::PreciseTimer, this, &MainMenu::powerDown);
}

void MainMenu::powerDown()
{
    // A reset begun meanwhile took the power-off over (finishRestart).
    if (m_ending != Ending::PowerOff)
        return;
    const QString home = DeviceRoot::path(QStringLiteral("/home/root"));
    QDir::setCurrent(home);
    qDebug() << "Good bye!";
    DataPartition::unmount(home);
    const int status = CommandRunner::run(QStringLiteral("poweroff"), home);
    qDebug() << "poweroff returned" << status;
    // "poweroff" returns 0 once the board is going down. Otherwise the
    // instrument is still on: make it usable again, so that the next request
    // (power key, countdown, low battery) tries once more.
    if (status != 0)
        recoverFromFailedPowerDown();
    else
        m_ending = Ending::Down;
}

void MainMenu::beginRestart()
{
    // A power-off under way (its 3 s running) is made in place of the
    // restart; the reset's own wait covers its links.
    if (m_ending == Ending::None)
        m_ending = Ending::Restart;
    else if (m_ending == Ending::PowerOff)
        m_ending = Ending::RestartThenPowerOff;
}

void MainMenu::finishRestart()
{
    if (m_ending == Ending::RestartThenPowerOff) {
        qDebug() << "Switched off during the reset: powering off instead of restarting";
        m_ending = Ending::PowerOff;
        powerDown();
        return;
    }
    if (m_ending != Ending::Restart)
        return;
    qDebug() << "Restarting TQ3900";
    // "reboot" returns 0 once the board is going down. Otherwise the
    // instrument runs on with the defaults, and takes input again.
    m_ending = CommandRunner::run(QStringLiteral("reboot")) == 0 ? Ending::Down : Ending::None;
}

void MainMenu::recoverFromFailedPowerDown()
{
    m_ending = Ending::None;
    DataPartition::mount(kMountTimeoutMs);
    // The backlight knows the levels 5 to 7; "0" would leave it dark.
    DriverHelper::writeFile(Backlight::kBrightness, qBound(5, m_systemsettings->getBrightness(), 7));
    // The main page with the path muted; both links are called again.
    displayMainMenu();
}

void MainMenu::displayPopup(int picture)
{
    PopupInfo popup(this);
    popup.setPicture(picture);
    if (popup.exec() == QDialog::Accepted)
        qDebug() << "Popup closed" << picture;
}

// ---------------------------------------------------------------------------
// Language

void MainMenu::loadLanguageFile(QString name)
{
    // The built-in catalogue of the name always serves, beneath a catalogue
    // of the same name on the card: one on the card may lack texts (a newer
    // program's, or a translator's unfinished work), and those must not
    // show as raw keys.
    translator.load(QStringLiteral(":/Languages/%1").arg(name));
    m_cardTranslator.reset();
    m_cardCatalogue.clear();
    // A catalogue on the card is read only when it is a regular file of a
    // sane size (a FIFO in its place must not hang the start), and handed to
    // a translator only when its structure holds: QTranslator trusts the
    // offsets inside and would read out of bounds on a damaged file. A
    // damaged catalogue on the card must not leave raw keys on screen either:
    // the built-in one serves alone.
    QByteArray data;
    // Before the data partition is checked and mounted its files are not
    // looked at (the bare mount point, or a partition not checked yet), nor
    // is the mount table read for their path.
    // A symbolic link is refused, as for every other file from the card.
    const QString onCard = m_dataPartitionReady ? DataPartition::path(name) : QString();
    const RegularFile::Status status = m_dataPartitionReady
        ? RegularFile::read(onCard, Catalogue::kMaxBytes, &data, RegularFile::Links::Refuse)
        : RegularFile::Status::Missing;
    if (status == RegularFile::Status::Ok) {
        QString why;
        auto card = std::make_unique<QTranslator>();
        if (Catalogue::check(data, &why)
            && card->load(reinterpret_cast<const uchar *>(data.constData()), data.size())) {
            // The translator reads from this buffer for as long as it lives.
            m_cardCatalogue = data;
            m_cardTranslator = std::move(card);
            qDebug() << "Load language file from mass storage" << onCard;
            return;
        }
        qDebug() << "Language file on mass storage not loadable" << onCard << why;
    } else if (status != RegularFile::Status::Missing) {
        qDebug() << "Language file on mass storage not loadable" << onCard << RegularFile::describe(status);
    }
    qDebug() << "Load language file from resource" << name;
}

void MainMenu::changeLanguage(int num)
{
    if (num >= 1 && num <= 24) {
        loadLanguageFile(catalogueName(num));
    } else {
        translator.load(QStringLiteral(":/Languages/GB_TQ3900.qm"));
        m_cardTranslator.reset();
        m_cardCatalogue.clear();
    }
    m_loadedLanguage = num;
    m_loadedWithCard = m_dataPartitionReady;
    // Installed anew, so that the application announces a language change to
    // all widgets; the last installed is asked first.
    qApp->removeTranslator(&translator);
    qApp->installTranslator(&translator);
    if (m_cardTranslator)
        qApp->installTranslator(m_cardTranslator.get());
    m_systemsettings->init();
}

// ---------------------------------------------------------------------------
// Diagnostic log

void MainMenu::writeSystemInfo()
{
    writeSystemInfo(QString());
}

void MainMenu::writeSystemInfo(QString infoText)
{
    BatteryState battery;
    const int charge = battery.fuelPercent();
    const float voltage = battery.voltage();
    const float current = battery.current();
    const bool charging = battery.isCharging();
    Statusbardata *status = StatusbarData();

    QFile file;
    // Only a regular file on the card, never through a link or into a FIFO.
    if (!RegularFile::openForAppend(DataPartition::path(QStringLiteral("systemInfo.txt")), &file)) {
        qDebug() << "Could not open file: systemInfo.txt";
        return;
    }
    const QDateTime now = SystemClock::now();
    QString line = now.date().toString(QStringLiteral("dd.MM.yyyy")) + QLatin1Char(';')
            + now.time().toString(Qt::TextDate) + QLatin1Char(';')
            + QString::number(charge) + QLatin1Char(';') + QString::number(voltage) + QLatin1Char(';')
            + QString::number(current) + QLatin1Char(';') + (charging ? "1;" : "0;");
    QFile temp(DeviceRoot::path(QStringLiteral("/sys/class/power_supply/bq27426-0/temp")));
    if (temp.open(QIODevice::ReadOnly)) {
        const double tenths = QString::fromLatin1(temp.read(32)).toLower().trimmed().toDouble();
        line += QString::number(tenths / 10) + QLatin1Char(';');
    }
    line += QString(status->stateHeadphone() ? "1;" : "0;")
            + (status->stateMicrophone() ? "1;" : "0;")
            + QString::number(status->batteryVoltageMic()) + QLatin1Char(';')
            + QString::number(status->batteryMicrophone()) + QLatin1Char(';') + infoText + "\n";
    file.write(line.toLatin1());
}

void MainMenu::writeErrorToFile(QString text)
{
    QFile file;
    if (!RegularFile::openForAppend(DataPartition::path(QStringLiteral("errorInfo.txt")), &file)) {
        qDebug() << "Could not open file: errorInfo.txt";
        return;
    }
    file.write(text.toLatin1() + "\n");
}
