#include "measurementframe.h"

#include "analoginputworker.h"
#include "audiocodecsetup.h"
#include "audioworker.h"
#include "bluetooth.h"
#include "filtersettings.h"
#include "headphonesettings.h"
#include "mainmenu.h"
#include "measmanagement.h"
#include "measurements.h"
#include "messagedialog.h"
#include "micsettings.h"
#include "statusbardata.h"
#include "systemsettings.h"
#include "virtualkeyboard.h"

#include <QDebug>
#include <QKeyEvent>
#include <QStackedWidget>
#include <QTimer>
#include <QWidget>

#include <cstring>
#include <memory>

MeasurementFrame::MeasurementFrame(QWidget *widget, Screen *screen, int favouriteNumber, int typeCode)
    : QObject(widget)
    , m_widget(widget)
    , m_screen(screen)
    , m_favouriteNumber(favouriteNumber)
    , m_typeCode(typeCode)
    , m_timerCheckBtConnection(new QTimer(widget))
{
    connect(m_timerCheckBtConnection, &QTimer::timeout, this, &MeasurementFrame::checkBtConnection,
            Qt::UniqueConnection);
    widget->installEventFilter(this);
    watchStack();
}

bool MeasurementFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_widget && event->type() == QEvent::ParentChange)
        watchStack();
    return QObject::eventFilter(watched, event);
}

void MeasurementFrame::watchStack()
{
    // The main window makes the screen and then adds it to its page stack.
    if (m_stack)
        disconnect(m_stack.data(), &QStackedWidget::currentChanged, this, &MeasurementFrame::stackChanged);
    m_stack = qobject_cast<QStackedWidget *>(m_widget->parentWidget());
    m_shownInStack = m_stack && m_stack->currentWidget() == m_widget;
    if (m_stack)
        connect(m_stack.data(), &QStackedWidget::currentChanged, this, &MeasurementFrame::stackChanged);
}

void MeasurementFrame::stackChanged()
{
    // The stack tells once it has moved to the new page (the old page's
    // Hide comes while the old index still stands), and before the main
    // window starts the new page: the screen is released before the next
    // one runs. The path is left to the page shown: each one mutes it.
    const bool shown = isShown();
    if (m_shownInStack && !shown)
        releaseIfLeft();
    m_shownInStack = shown;
}

bool MeasurementFrame::isShown() const
{
    // A page of the main window's stack; a screen standing alone counts as
    // shown.
    const auto *stack = qobject_cast<const QStackedWidget *>(m_widget->parentWidget());
    return !stack || stack->currentWidget() == m_widget;
}

void MeasurementFrame::releaseIfLeft()
{
    if (isShown())
        return;
    stopWatchdog();
    disconnectUnitKey();
    m_screen->frameHidden();
}

// ---------------------------------------------------------------------------
// Entry

bool MeasurementFrame::showHydrogenNoteIfNeeded()
{
    if (StatusbarData()->sensorType() != Statusbardata::kHydrogenSensor)
        return true;
    MessageDialog::inform(0, tr("Note"), tr("YouMustConnectAnAcousticalSensorToUseThisMeasurement."));
    releaseIfLeft();
    return isShown();
}

void MeasurementFrame::callLinks()
{
    MainMenu *w = MainMenu::getInstanceMainMenu();
    if (!w)
        return;
    w->getBtSinkInstance()->callBtDeviceA2DP(true);
    w->getBtSourceInstance()->callBtDeviceA2DP(false);
}

void MeasurementFrame::connectUnitKey()
{
    MainMenu *w = MainMenu::getInstanceMainMenu();
    if (!w)
        return;
    m_unitKeySource = w->getBtSinkInstance();
    connect(m_unitKeySource.data(), &Bluetooth::stateActiveMuteChanged, this,
            &MeasurementFrame::switchActiveMute, Qt::UniqueConnection);
}

void MeasurementFrame::disconnectUnitKey()
{
    if (m_unitKeySource)
        disconnect(m_unitKeySource.data(), &Bluetooth::stateActiveMuteChanged, this,
                   &MeasurementFrame::switchActiveMute);
}

void MeasurementFrame::reportFavourite()
{
    if (MainMenu *w = MainMenu::getInstanceMainMenu())
        w->setCurrentVisibleDlgNum(m_favouriteNumber);
}

void MeasurementFrame::startWatchdog()
{
    m_timerCheckBtConnection->start(kWatchdogMs);
    MainMenu *w = MainMenu::getInstanceMainMenu();
    if (!w) {
        m_enableWarningBtConnection = true;
        return;
    }
    QString name;
    const bool bootedHere = w->isBootedToFavouriteFunction()
            && w->getInstanceSystemsettings()->getFavouriteButton(&name) == m_favouriteNumber;
    m_enableWarningBtConnection = !bootedHere;
    w->resetBootedToFavouriteFunction();
}

void MeasurementFrame::stopWatchdog()
{
    m_timerCheckBtConnection->stop();
    m_enableWarningBtConnection = false;
}

// ---------------------------------------------------------------------------
// Keys

bool MeasurementFrame::keyPress(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_F10: {
        MainMenu *w = MainMenu::getInstanceMainMenu();
        const bool toggle = w && w->isMuteKeySwitchmode();
        const bool listening = w && !w->isAudioPathMuted();
        m_screen->frameMute(toggle && listening, true);
        return true;
    }
    case Qt::Key_Escape:
        return true; // acted on at the release
    default:
        return false;
    }
}

bool MeasurementFrame::keyRelease(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_F10: {
        MainMenu *w = MainMenu::getInstanceMainMenu();
        if (w && !w->isMuteKeySwitchmode())
            m_screen->frameMute(true, true);
        return true;
    }
    case Qt::Key_Escape:
        m_screen->frameLeave();
        return true;
    default:
        return false;
    }
}

void MeasurementFrame::switchActiveMute(bool mute)
{
    qDebug() << "Mutekey GX4 pressed" << mute;
    m_screen->frameMute(mute, false);
}

// ---------------------------------------------------------------------------
// Watchdog

bool MeasurementFrame::watchdogTick(bool linkUp, int sensorType, bool *armed)
{
    if (sensorType == Statusbardata::kWiredSensor)
        return false;
    if (!linkUp) {
        if (!*armed)
            return false;
        *armed = false;
        return true;
    }
    *armed = true;
    return false;
}

void MeasurementFrame::checkBtConnection()
{
    Statusbardata *status = StatusbarData();
    const bool linkUp = status->stateMicrophone();
    if (!watchdogTick(linkUp, status->sensorType(), &m_enableWarningBtConnection))
        return;
    m_screen->frameMute(true, true);
    MessageDialog::inform(1, tr("Warning"), tr("NoBluetoothConnectionPleaseCheckYourGX4"));
    releaseIfLeft();
}

// ---------------------------------------------------------------------------
// Save

bool MeasurementFrame::save()
{
    // Also when muted already: the unit gets its mute line once more, so a
    // unit that missed a line cannot go on sending into the saved clip.
    m_screen->frameMute(true, true);

    VirtualKeyboard keyboard(m_widget);
    keyboard.setText(QString());
    keyboard.useEnterAsAccept(true);
    const int result = keyboard.exec();
    releaseIfLeft();
    if (result != 1) {
        qDebug() << "Text: verworfen";
        return false;
    }
    const QString name = keyboard.getText();
    qDebug() << "Text:" << name;

    // The record is large (about 12 KiB): on the heap, zeroed, so that
    // nothing the screen leaves unset carries stack garbage into the file.
    auto info = std::make_unique<MeasInfoStructure>();
    std::memset(info.get(), 0, sizeof(MeasInfoStructure));
    m_screen->frameFill(info.get());
    quint32 low = 0, high = 4000;
    int type = 0;
    if (MainMenu *w = MainMenu::getInstanceMainMenu())
        w->getAudioCodecInstance()->getFilter(&low, &high, &type);
    info->filterLowCutOff = low;
    info->filterHighCutOff = high;
    info->filterType = type;
    MeasurementData()->storeMeasurement(m_typeCode, name, *info);
    return true;
}

// ---------------------------------------------------------------------------
// Settings dialogs

bool MeasurementFrame::runFilterDialog(int *type, unsigned *low, unsigned *high)
{
    Filtersettings dialog(m_widget);
    const bool accepted = dialog.exec() == 1;
    releaseIfLeft();
    if (!accepted || !isShown())
        return false;
    dialog.getFiltersettings(type, low, high);
    return true;
}

void MeasurementFrame::runMicrophoneDialog()
{
    Micsettings dialog(m_widget);
    dialog.exec();
    releaseIfLeft();
}

void MeasurementFrame::runHeadphoneDialog()
{
    Headphonesettings dialog(m_widget);
    dialog.exec();
    releaseIfLeft();
}

// ---------------------------------------------------------------------------
// Stored measurement

QString MeasurementFrame::selectedFolder() const
{
    MainMenu *w = MainMenu::getInstanceMainMenu();
    MeasManagement *browser = w ? w->getInstanceMeasManagement() : nullptr;
    if (!browser)
        return QString();
    const QString folder = browser->getSelectedMeasurementDir();
    // A folder name from the card, used as one path component only.
    if (folder.isEmpty() || folder.contains(QLatin1Char('/')) || folder == QLatin1String(".")
        || folder == QLatin1String("..") || folder.contains(QChar(0)) || folder.size() > 255)
        return QString();
    return folder;
}

QString MeasurementFrame::folderPath(const QString &folder)
{
    return Measurements::storePath() + folder;
}

// ---------------------------------------------------------------------------
// Leaving

void MeasurementFrame::leave()
{
    stopWatchdog();
    Audioworker()->stopAudioRecording();
    if (MainMenu *w = MainMenu::getInstanceMainMenu())
        w->muteAudioPath(true, true);
    disconnectUnitKey();
    emit exit();
}

void MeasurementFrame::backToBrowser()
{
    MainMenu *w = MainMenu::getInstanceMainMenu();
    if (w) {
        w->getAudioCodecInstance()->setRouting(0);
        w->muteAudioPath(true, true);
    }
    Analoginputworker()->stopCapture();
    emit gotoWidget(7, -1, 0);
}
