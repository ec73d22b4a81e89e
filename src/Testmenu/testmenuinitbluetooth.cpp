#include "testmenuinitbluetooth.h"
#include "ui_testmenuinitbluetooth.h"

#include "bluetooth.h"
#include "mainmenu.h"
#include "systemsettings.h"

#include <QDebug>
#include <QTimer>

const char TestmenuInitBluetooth::kNamePrefix[] = "TQE3900";

TestmenuInitBluetooth::TestmenuInitBluetooth(QWidget *parent)
    : TestDialog(Setup{"cmdTestBluetooth"}, parent), ui(new Ui::TestmenuInitBluetooth)
{
    ui->setupUi(this);
    if (MainMenu *w = MainMenu::getInstanceMainMenu()) {
        m_btSource = w->getBtSourceInstance();
        m_btSink = w->getBtSinkInstance();
    }
    m_source = Side{m_btSource, ui->labelInfoSource, 2, "Source-Values:", QString()};
    m_sink = Side{m_btSink, ui->labelInfoSink, 1, "Sink-Values:", QString()};
    ui->butPairBtSource->hide();
    ui->butPairBtSink->hide();
    ui->butResetBtSource->move(280, 20);
    ui->butResetBtSink->move(280, 150);
}

TestmenuInitBluetooth::~TestmenuInitBluetooth()
{
    delete ui;
}

bool TestmenuInitBluetooth::executeOwnCommand(const QString &command)
{
    static const struct {
        const char *prefix;
        void (TestmenuInitBluetooth::*action)();
    } commands[] = {
        {"cmdBluetoothInitSource", &TestmenuInitBluetooth::on_butInitBtSource_clicked},
        {"cmdBluetoothInitSink", &TestmenuInitBluetooth::on_butInitBtSink_clicked},
        {"cmdBluetoothPairSource", &TestmenuInitBluetooth::on_butPairBtSource_clicked},
        {"cmdBluetoothPairSink", &TestmenuInitBluetooth::on_butPairBtSink_clicked},
        {"cmdBluetoothResetSource", &TestmenuInitBluetooth::on_butResetBtSource_clicked},
        {"cmdBluetoothResetSink", &TestmenuInitBluetooth::on_butResetBtSink_clicked},
    };
    for (const auto &c : commands) {
        if (command.startsWith(QLatin1String(c.prefix))) {
            (this->*c.action)();
            return true;
        }
    }
    return false;
}

void TestmenuInitBluetooth::on_butInitBtSource_clicked()
{
    startInit(m_source, true);
    QTimer::singleShot(kCheckDelayMs, this, &TestmenuInitBluetooth::updateSourceData);
}

void TestmenuInitBluetooth::on_butInitBtSink_clicked()
{
    startInit(m_sink, false);
    QTimer::singleShot(kCheckDelayMs, this, &TestmenuInitBluetooth::updateSinkData);
}

void TestmenuInitBluetooth::startInit(Side &side, bool source)
{
    if (side.module)
        side.module->disconnectBtDevice();
    // The side's pairing is forgotten: its name and address are emptied in
    // the settings file at once.
    if (MainMenu *w = MainMenu::getInstanceMainMenu()) {
        if (Systemsettings *settings = w->getInstanceSystemsettings()) {
            if (source)
                settings->clearBtHeadphone();
            else
                settings->clearBtMicrophone();
        }
    }
    side.label->setText(source ? QStringLiteral("Transmitting Init-Sequence for Source-Mode ...")
                               : QStringLiteral("Transmitting Init-Sequence for Sink-Mode ..."));
    if (side.module) {
        if (source)
            side.module->initBtModulSource();
        else
            side.module->initBtModulSink();
    }
    side.label->setText(QStringLiteral("Checking transmitted values ..."));
    // Only a listing that answers this "SET" is judged: what the module said
    // before is dropped here.
    side.output.clear();
    if (side.module) {
        side.module->clearData();
        side.module->sendData(QStringLiteral("SET"));
    }
}

void TestmenuInitBluetooth::updateSourceData()
{
    check(m_source);
}

void TestmenuInitBluetooth::updateSinkData()
{
    check(m_sink);
}

void TestmenuInitBluetooth::check(Side &side)
{
    // The output is kept across checks: a second Init within 5 s runs two
    // checks, and the first one must not take the listing from the second.
    if (side.module)
        side.output += side.module->getData();
    const Listing listing = parseListing(side.output);
    const bool ok = listing.received && listing.name.startsWith(QLatin1String(kNamePrefix))
        && listing.role == side.role;
    if (ok) {
        side.label->setText(QStringLiteral("Finished. OK."));
        side.module->sendData(QStringLiteral("RESET"));
        showPass();
    } else {
        side.label->setText(QStringLiteral("Error!"));
    }
    qDebug() << side.logName << listing.name << listing.role;
}

TestmenuInitBluetooth::Listing TestmenuInitBluetooth::parseListing(const QString &text)
{
    Listing listing;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString &raw : lines) {
        const QStringList f = raw.simplified().split(QLatin1Char(' '));
        if (f.size() < 3 || f.at(0) != QLatin1String("SET"))
            continue;
        if (f.at(1) == QLatin1String("BT") && f.at(2) == QLatin1String("NAME")) {
            listing.received = true;
            listing.name = f.value(3);
        } else if (f.at(1) == QLatin1String("PROFILE") && f.at(2) == QLatin1String("A2DP")) {
            const QString role = f.value(3);
            listing.role = role.startsWith(QLatin1String("SINK"), Qt::CaseInsensitive)     ? 1
                : role.startsWith(QLatin1String("SOURCE"), Qt::CaseInsensitive) ? 2
                                                                                : 0;
        }
    }
    return listing;
}

void TestmenuInitBluetooth::resetModule(Bluetooth *module)
{
    if (!module)
        return;
    module->sendData(QStringLiteral("SET BT PAIR *"));
    module->sendData(QStringLiteral("SET RESET"));
}

void TestmenuInitBluetooth::on_butResetBtSource_clicked()
{
    resetModule(m_btSource);
}

void TestmenuInitBluetooth::on_butResetBtSink_clicked()
{
    resetModule(m_btSink);
}

// Pairing is not part of this test: the buttons are hidden and the station's
// pair commands are taken without effect.
void TestmenuInitBluetooth::on_butPairBtSource_clicked()
{
}

void TestmenuInitBluetooth::on_butPairBtSink_clicked()
{
}
