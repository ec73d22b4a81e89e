#include "debuginitbluetooth.h"
#include "ui_debuginitbluetooth.h"

#include "bluetooth.h"
#include "mainmenu.h"

#include <QTextEdit>
#include <QTimer>

void appendColoured(QTextEdit *view, const QColor &colour, const QString &text)
{
    view->moveCursor(QTextCursor::End);
    view->setTextColor(colour);
    view->append(text);
}

DebugInitBluetooth::DebugInitBluetooth(QWidget *parent)
    : KeyDialog(parent), ui(new Ui::DebugInitBluetooth)
{
    ui->setupUi(this);
    if (MainMenu *w = MainMenu::getInstanceMainMenu()) {
        btSource = w->getBtSourceInstance();
        btSink = w->getBtSinkInstance();
    }
    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &DebugInitBluetooth::updateBtInfo);
    m_timer->start(kRefreshMs);
}

DebugInitBluetooth::~DebugInitBluetooth()
{
    m_timer->stop();
    delete ui;
}

void DebugInitBluetooth::updateBtInfo()
{
    // clearData also drops a line the link has only partly received.
    if (btSink) {
        const QString text = btSink->getData();
        if (!text.isEmpty()) {
            appendColoured(ui->textBtInfo, Qt::black, text);
            btSink->clearData();
        }
    }
    if (btSource) {
        const QString text = btSource->getData();
        if (!text.isEmpty()) {
            appendColoured(ui->textBtInfo, Qt::blue, text);
            btSource->clearData();
        }
    }
}

void DebugInitBluetooth::on_butCancel_clicked()
{
    close();
}

void DebugInitBluetooth::on_butInitUart_clicked()
{
}

void DebugInitBluetooth::on_butInitBtSource_clicked()
{
    appendColoured(ui->textBtInfo, Qt::darkGreen, QStringLiteral("Transmitting Init-Sequence for Source-Mode ..."));
    if (btSource) {
        btSource->disconnectBtDevice();
        btSource->initBtModulSource();
        btSource->sendData(QStringLiteral("RESET"));
    }
    appendColoured(ui->textBtInfo, Qt::darkGreen, QStringLiteral("Finished."));
}

void DebugInitBluetooth::on_butInitBtSink_clicked()
{
    appendColoured(ui->textBtInfo, Qt::red, QStringLiteral("Transmitting Init-Sequence for Sink-Mode ..."));
    if (btSink) {
        btSink->disconnectBtDevice();
        btSink->initBtModulSink();
        btSink->sendData(QStringLiteral("RESET"));
    }
    appendColoured(ui->textBtInfo, Qt::red, QStringLiteral("Finished."));
}

void DebugInitBluetooth::on_butAt_clicked()
{
    ui->textBtInfo->setTextColor(Qt::darkGreen);
    ui->textBtInfo->insertPlainText(QStringLiteral("AT"));
    if (btSource)
        btSource->sendData(QStringLiteral("AT"));
}

void DebugInitBluetooth::on_butAt_2_clicked()
{
    ui->textBtInfo->setTextColor(Qt::red);
    ui->textBtInfo->insertPlainText(QStringLiteral("AT"));
    if (btSink)
        btSink->sendData(QStringLiteral("AT"));
}

void DebugInitBluetooth::on_butClear_clicked()
{
    ui->textBtInfo->clear();
}
