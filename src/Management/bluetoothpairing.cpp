#include "bluetoothpairing.h"
#include "ui_bluetoothpairing.h"

#include "bluetooth.h"
#include "globals.h"
#include "mainmenu.h"
#include "systemsettings.h"

#include <QDebug>
#include <QRegularExpression>
#include <QTextCursor>
#include <QTimer>

namespace {

const char kInquiryCommand[] = "INQUIRY 4 NAME\n";
// A failed pairing is also reported in a message box that closes itself.
// The raw text keeps its newest part (a chatty module must not grow it for
// ever while the dialog stays open).
constexpr int kMaxRawCharacters = 64 * 1024;

QString buttonStyle(const QString &icon)
{
    const QString normal = QStringLiteral("image: url(:/Resources/Icons/Allgemein/%1_ws_44px.png);").arg(icon);
    return QStringLiteral("QPushButton {%1 image-position: left; padding: 5px 5px; border: 0px; "
                          "text-align: center center;} "
                          "QPushButton:focus {%1} QPushButton:hover {%1} "
                          "QPushButton:pressed {image: url(:/Resources/Icons/Allgemein/%2_sw_44px.png);}")
        .arg(normal, icon);
}

} // namespace

BluetoothPairing::BluetoothPairing(QWidget *parent)
    : KeyDialog(parent)
    , ui(new Ui::BluetoothPairing)
{
    ui->setupUi(this);
    if (MainMenu *w = MainMenu::getInstanceMainMenu()) {
        m_btSink = w->getBtSinkInstance();
        m_btSource = w->getBtSourceInstance();
    }
    // Either module's confirmation counts.
    for (Bluetooth *link : {m_btSink, m_btSource})
        if (link)
            connect(link, &Bluetooth::btPairingOk, this, &BluetoothPairing::pairingOkReceived, Qt::UniqueConnection);

    ui->mainArea->setCurrentWidget(ui->mainPage);
    m_currentPage = 1;
    m_pairingDevice = 0;
    ui->prgbSearching->setValue(0);
    ui->butInfo->setVisible(g_debugFeatures == 1);
    m_stylesheetMic = buttonStyle(QStringLiteral("Microphone"));
    m_stylesheetHp = buttonStyle(QStringLiteral("Headphone"));
    ui->butBtDev_1->hide();
    ui->butBtDev_2->hide();
    ui->butBtDev_3->hide();
    ui->prgbSearching->hide();

    if (g_debugFeatures == 1) {
        QString text = QStringLiteral("Enable pairing mode\nand press Search-Button ...\n");
        if (MainMenu *w = MainMenu::getInstanceMainMenu()) {
            const Systemsettings *s = w->getInstanceSystemsettings();
            text += QStringLiteral("\nCurrent microphone:\n") + s->getBtNameMicrophone() + QLatin1Char('\n')
                + s->getBtIdMicrophone() + QStringLiteral("\nCurrent headphone:\n") + s->getBtNameHeadphone()
                + QLatin1Char('\n') + s->getBtIdHeadphone();
        }
        ui->label->setText(text);
    } else {
        ui->label->setText(tr("EnablePairingModeAndPressSearchButton"));
    }
    ui->labelPairingInfo->hide();
    for (Bluetooth *link : {m_btSink, m_btSource})
        if (link)
            link->clearData();
    ui->textBluetoothRcv->clear();

    m_timer = new QTimer(this);
    m_timerPairing = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &BluetoothPairing::updateProgbar);
    connect(m_timerPairing, &QTimer::timeout, this, &BluetoothPairing::waitForPairing);
    m_milliseconds = 0;
}

BluetoothPairing::~BluetoothPairing()
{
    m_timer->stop();
    m_timerPairing->stop();
    delete ui;
}

unsigned BluetoothPairing::classMask(int pairingDevice)
{
    return pairingDevice == 1 ? 0x2804 : 0x2404;
}

Bluetooth *BluetoothPairing::currentLink() const
{
    return m_pairingDevice == 1 ? m_btSink : m_btSource;
}

void BluetoothPairing::setPairingDevice(int device)
{
    m_pairingDevice = device == 1 ? 1 : 0;
    ui->labelPairingInfo->setStyleSheet(
        m_pairingDevice == 1 ? QStringLiteral("image: url(:/Resources/Icons/Management/Bluetooth/PairingInfo_GX-4.png);")
                             : QStringLiteral("image: url(:/Resources/Icons/Management/Bluetooth/PairingInfo_HP.png);"));
    ui->labelPairingInfo->show();
    if (g_debugFeatures == 1)
        ui->labelPairingInfo->hide();
    // The module must be free for the inquiry; the caller connects again.
    if (Bluetooth *link = currentLink())
        link->disconnectBtDevice();
}

QString BluetoothPairing::getBluetoothId() const
{
    return m_bluetoothIdButton[m_selBtDevice];
}

QString BluetoothPairing::getBluetoothName() const
{
    return m_bluetoothNameButton[m_selBtDevice];
}

void BluetoothPairing::appendRaw(const QString &text, const QColor &color)
{
    ui->textBluetoothRcv->setTextColor(color);
    // The module ends its lines with "\r\n"; the raw text keeps "\n" only.
    QString lines = text;
    lines.remove(QLatin1Char('\r'));
    ui->textBluetoothRcv->append(lines);
    QTextDocument *doc = ui->textBluetoothRcv->document();
    if (doc->characterCount() > kMaxRawCharacters) {
        QTextCursor cut(doc);
        cut.setPosition(0);
        cut.setPosition(doc->characterCount() - kMaxRawCharacters, QTextCursor::KeepAnchor);
        cut.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        cut.removeSelectedText();
    }
}

void BluetoothPairing::on_butSearch_clicked()
{
    ui->labelPairingInfo->hide();
    // A new search ends a pairing that still waits for its answer.
    m_timerPairing->stop();
    for (Bluetooth *link : {m_btSink, m_btSource})
        if (link)
            link->clearData();
    ui->textBluetoothRcv->clear();
    for (int i = 0; i < kMaxLines; ++i) {
        m_bluetoothIdInquiry[i].clear();
        m_bluetoothClass[i].clear();
        m_bluetoothIdName[i].clear();
        m_bluetoothNameTmp[i].clear();
        m_bluetoothName[i].clear();
    }
    ui->label->setText(tr("Searching") + QStringLiteral(" ..."));
    ui->prgbSearching->show();
    ui->butBtDev_1->hide();
    ui->butBtDev_2->hide();
    ui->butBtDev_3->hide();
    const QString command = QString::fromLatin1(kInquiryCommand);
    appendRaw(command.trimmed(), Qt::red);
    if (Bluetooth *link = currentLink())
        link->sendData(command);
    m_milliseconds = 0;
    ui->prgbSearching->setMaximum(kSearchMs);
    ui->prgbSearching->setValue(0);
    m_timer->start(kTickMs);
}

void BluetoothPairing::updateProgbar()
{
    m_milliseconds += kTickMs;
    ui->prgbSearching->setValue(qMin(m_milliseconds, ui->prgbSearching->maximum()));
    updateBtInfo();
    if (m_milliseconds >= ui->prgbSearching->maximum()) {
        m_timer->stop();
        analyseReceivedData();
    }
}

void BluetoothPairing::updateBtInfo()
{
    // Both modules' output is shown, whatever the kind.
    if (m_btSink) {
        const QString text = m_btSink->getData();
        if (!text.isEmpty())
            appendRaw(text.trimmed(), Qt::black);
    }
    if (m_btSource) {
        const QString text = m_btSource->getData();
        if (!text.isEmpty())
            appendRaw(text.trimmed(), Qt::blue);
    }
}

void BluetoothPairing::analyseReceivedData()
{
    const QStringList lines = ui->textBluetoothRcv->toPlainText().split(QLatin1Char('\n'));
    QStringList nameLines;
    QStringList inquiryLines;
    for (const QString &line : lines) {
        if (line.contains(QLatin1String("NAME "), Qt::CaseInsensitive))
            nameLines << line;
        if (line.contains(QLatin1String("INQUIRY_PARTIAL"), Qt::CaseInsensitive))
            inquiryLines << line;
    }
    qDebug() << "InquiryList:" << inquiryLines.size() << inquiryLines;

    static const QRegularExpression space(QStringLiteral("\\s+"));
    for (int i = 0; i < kMaxLines && i < inquiryLines.size(); ++i) {
        // "INQUIRY_PARTIAL <address> <class>". A line without both, or with
        // something else than an address (it goes into the pairing command
        // and the settings), is skipped.
        const QStringList f = inquiryLines.at(i).split(space, Qt::SkipEmptyParts);
        const QString address = f.value(1).trimmed();
        if (f.size() < 3 || !Systemsettings::isBluetoothAddress(address))
            continue;
        m_bluetoothIdInquiry[i] = address;
        m_bluetoothClass[i] = f.value(2).trimmed();
    }
    static const QRegularExpression namePattern(
        QStringLiteral("([a-z]+)\\s+([a-z0-9:]+)\\s+\"([a-z0-9-+:_()/*%!$#=.,\\s]+)\""),
        QRegularExpression::CaseInsensitiveOption);
    for (int i = 0; i < kMaxLines && i < nameLines.size(); ++i) {
        const QRegularExpressionMatch m = namePattern.match(nameLines.at(i));
        if (!m.hasMatch())
            continue;
        m_bluetoothIdName[i] = m.captured(2).trimmed();
        m_bluetoothNameTmp[i] = m.captured(3).trimmed();
    }
    for (int j = 0; j < kMaxLines; ++j) {
        for (int k = 0; k < kMaxLines; ++k) {
            if (!m_bluetoothIdInquiry[j].isEmpty() && m_bluetoothIdName[k] == m_bluetoothIdInquiry[j]) {
                m_bluetoothName[j] = m_bluetoothNameTmp[k];
                break;
            }
        }
        if (m_bluetoothName[j].isEmpty())
            m_bluetoothName[j] = tr("unknown");
    }

    const unsigned mask = classMask(m_pairingDevice);
    SettingsButton *buttons[kMaxOffered] = {ui->butBtDev_1, ui->butBtDev_2, ui->butBtDev_3};
    int n = 0;
    for (int j = 0; j < kMaxLines && n < kMaxOffered; ++j) {
        if (m_bluetoothIdInquiry[j].isEmpty())
            continue;
        bool ok = false;
        const unsigned cls = m_bluetoothClass[j].left(4).toUInt(&ok, 16);
        if (((ok ? cls : 0) & mask) != mask)
            continue;
        m_bluetoothIdButton[n] = m_bluetoothIdInquiry[j];
        m_bluetoothNameButton[n] = m_bluetoothName[j];
        const QString second = g_debugFeatures == 1
            ? m_bluetoothIdInquiry[j] + QStringLiteral("   ") + m_bluetoothClass[j]
            : m_bluetoothIdInquiry[j];
        buttons[n]->setText2(m_bluetoothName[j], second);
        buttons[n]->setStyleSheet(m_pairingDevice == 1 ? m_stylesheetMic : m_stylesheetHp);
        buttons[n]->show();
        ++n;
    }
    ui->label->setText(n == 0 ? tr("NoDevicesFoundTryAgain") : tr("SelectDeviceForPairing"));
}

void BluetoothPairing::on_butBtDev_1_clicked()
{
    ui->label->setText(tr("PairingDevice") + QStringLiteral(" ..."));
    m_selBtDevice = 0;
    pairBtDevice(0);
}

void BluetoothPairing::on_butBtDev_2_clicked()
{
    ui->label->setText(tr("PairingDevice") + QStringLiteral(" ..."));
    m_selBtDevice = 1;
    pairBtDevice(1);
}

void BluetoothPairing::on_butBtDev_3_clicked()
{
    ui->label->setText(tr("PairingDevice") + QStringLiteral(" ..."));
    m_selBtDevice = 2;
    pairBtDevice(2);
}

void BluetoothPairing::pairBtDevice(int index)
{
    ui->textBluetoothRcv->moveCursor(QTextCursor::End);
    ui->textBluetoothRcv->insertPlainText(QStringLiteral("\n"));
    const QString command = QStringLiteral("PAIR ") + m_bluetoothIdButton[index] + QLatin1Char('\n');
    ui->textBluetoothRcv->moveCursor(QTextCursor::End);
    ui->textBluetoothRcv->setTextColor(Qt::darkGreen);
    ui->textBluetoothRcv->insertPlainText(QString::fromLatin1(command.toLatin1()));
    if (Bluetooth *link = currentLink())
        link->sendData(command);
    m_milliseconds = 0;
    ui->prgbSearching->setMaximum(kPairingMs);
    ui->prgbSearching->setValue(0);
    m_timerPairing->start(kTickMs);
}

void BluetoothPairing::waitForPairing()
{
    m_milliseconds += kTickMs;
    ui->prgbSearching->setValue(qMin(m_milliseconds, ui->prgbSearching->maximum()));
    updateBtInfo();
    if (m_milliseconds < ui->prgbSearching->maximum())
        return;
    m_timerPairing->stop();
    const QString expected = QStringLiteral("PAIR ") + m_bluetoothIdButton[m_selBtDevice] + QStringLiteral(" OK");
    qDebug() << "search" << expected;
    if (ui->textBluetoothRcv->toPlainText().lastIndexOf(expected) >= 0) {
        accept();
        return;
    }
    showPairingFailure();
}

void BluetoothPairing::showPairingFailure()
{
    // The dialog stays open with its devices, so another can be picked.
    ui->label->setText(tr("PairingNotSuccessfulPleaseTryAgain"));
}

void BluetoothPairing::pairingOkReceived()
{
    // Only the answer to a pairing request counts: a stray confirmation
    // (an earlier request, another module's pairing) neither closes the
    // dialog nor makes the caller store an address nobody picked.
    if (!m_timerPairing->isActive()) {
        qDebug() << "Pairing confirmation without a pending pairing: ignored";
        return;
    }
    m_timerPairing->stop();
    updateBtInfo();
    m_milliseconds = ui->prgbSearching->maximum();
    ui->prgbSearching->setValue(m_milliseconds);
    accept();
}

void BluetoothPairing::on_butCancel_clicked()
{
    ui->labelPairingInfo->hide();
    for (Bluetooth *link : {m_btSink, m_btSource})
        if (link)
            link->clearData();
    reject();
}

void BluetoothPairing::escapeReleased()
{
    on_butCancel_clicked();
}

void BluetoothPairing::on_butInfo_clicked()
{
    if (m_currentPage != 1) {
        ui->mainArea->setCurrentWidget(ui->mainPage);
        m_currentPage = 1;
    } else {
        ui->mainArea->setCurrentWidget(ui->infoPage);
        m_currentPage = 2;
    }
}
