#include "testmenugps.h"
#include "ui_testmenugps.h"

#include "gps.h"
#include "mainmenu.h"
#include "testmenuremotectrl.h"

#include <QTimer>

TestmenuGps::TestmenuGps(QWidget *parent, Gps *gps)
    : TestDialog(Setup{"cmdTestGps"}, parent), ui(new Ui::TestmenuGps), m_gpsModul(gps), m_timer(new QTimer(this))
{
    ui->setupUi(this);
    if (!m_gpsModul) {
        if (MainMenu *w = MainMenu::getInstanceMainMenu())
            m_gpsModul = w->getGpsInstance();
    }
    if (m_gpsModul)
        m_rmcCount = m_gpsModul->rmcSentences();
    connect(m_timer, &QTimer::timeout, this, &TestmenuGps::updateGpsData);
    m_timer->start(kUpdateMs);
}

TestmenuGps::~TestmenuGps()
{
    m_timer->stop();
    delete ui;
}

bool TestmenuGps::isPosition(double latitude, double longitude)
{
    return (latitude < -kNoPosition || latitude > kNoPosition)
        && (longitude < -kNoPosition || longitude > kNoPosition);
}

void TestmenuGps::updateGpsData()
{
    const double latitude = m_gpsModul ? m_gpsModul->getLatitude() : 0.0;
    const double longitude = m_gpsModul ? m_gpsModul->getLongitude() : 0.0;
    ui->lineEditLatitude->setText(QString::number(latitude, 'f', 6));
    ui->lineEditLongitude->setText(QString::number(longitude, 'f', 6));
    m_gpsPositionValid = isPosition(latitude, longitude);

    const quint32 rmcCount = m_gpsModul ? m_gpsModul->rmcSentences() : 0;
    if (rmcCount == m_rmcCount)
        return;
    m_rmcCount = rmcCount;
    const QString nmea = m_gpsModul->getNmeaString();
    const QStringList sentences = nmea.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &part : sentences) {
        const QString sentence = part.trimmed();
        if (!sentence.startsWith(QLatin1String("$GPRMC")) && !sentence.startsWith(QLatin1String("$GNRMC")))
            continue;
        // A receiver without fix sends a void RMC: it is connected all the same.
        ui->textEditNmea->clear();
        ui->textEditNmea->appendPlainText(sentence);
        showPass();
        m_modulConnected = true;
    }
}

void TestmenuGps::executeCommand(QString command)
{
    if (executeVerdictCommand(command))
        return;
    // The answers are those of the last update, never a fresh reading.
    if (command.startsWith(QLatin1String("cmdGpsGetStatusPosition"))) {
        remoteCtrl->writeResult(m_gpsPositionValid ? QStringLiteral("resGpsStatusPosition=OK")
                                                   : QStringLiteral("resGpsStatusPosition=ERROR"));
    } else if (command.startsWith(QLatin1String("cmdGpsGetStatusModulConnected"))) {
        remoteCtrl->writeResult(m_modulConnected ? QStringLiteral("resGpsStatusModulConnected=OK")
                                                 : QStringLiteral("resGpsStatusModulConnected=ERROR"));
    } else {
        answerOpeningOrUnknown(command);
    }
}
