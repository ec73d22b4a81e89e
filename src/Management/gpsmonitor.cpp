#include "gpsmonitor.h"
#include "ui_gpsmonitor.h"

#include "commandrunner.h"
#include "globals.h"
#include "gps.h"
#include "mainmenu.h"
#include "systemclock.h"

#include <QDateTime>
#include <QDebug>
#include <QKeyEvent>
#include <QTimer>
#include <QtMath>

namespace {
// Metres per second in one knot (1852 m per hour).
const double kKnotInMetresPerSecond = 1852.0 / 3600.0;
// The Stop button sets the clock to the GPS time plus this offset.
const int kStopButtonOffsetSecs = 2 * 3600;
} // namespace

GpsMonitor::GpsMonitor(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui_GpsMonitor)
    , m_timer(new QTimer(this))
{
    // Made inside a page stack, the monitor is a page of it, not a window.
    if (parent)
        setWindowFlags(windowFlags() & ~Qt::WindowType_Mask);
    ui->setupUi(this);
    ui->textGpsRcv->document()->setMaximumBlockCount(kMaxNmeaLines);
    if (MainMenu *w = MainMenu::getInstanceMainMenu())
        gpsModul = w->getGpsInstance();
    showPositionPage();
    connect(m_timer, &QTimer::timeout, this, &GpsMonitor::updateGpsData);
    m_timer->start(kRefreshMs);
}

GpsMonitor::~GpsMonitor()
{
    m_timer->stop();
    delete ui;
}

void GpsMonitor::init()
{
    ui->retranslateUi(this);
    setFocus();
    if (gpsModul)
        gpsModul->clearLastGpsData();
    ui->butMenuNmea->setVisible(g_debugFeatures == 1);
    showPositionPage();
    ui->subMenu->setFocus();
    ui->butMenuBack->setFocus();
}

bool GpsMonitor::isRefreshRunning() const
{
    return m_timer->isActive();
}

QString GpsMonitor::convertGpsFormat(double value, int axis, int format)
{
    const bool negative = value < 0;
    const QChar letter = axis == 0 ? (negative ? QLatin1Char('S') : QLatin1Char('N'))
                                   : (negative ? QLatin1Char('W') : QLatin1Char('E'));
    const double v = qAbs(value);
    const double d = double(qint64(v));
    const double m = (v - d) * 60.0;
    switch (format) {
    case 0:
        return QStringLiteral("%1").arg(value, 0, 'f', 6);
    case 1: {
        const double mi = double(qint64(m));
        const double s = (m - mi) * 60.0;
        return QString(letter) + QStringLiteral(" %1° %2' %3\"").arg(d, 0, 'f', 0).arg(mi, 0, 'f', 0).arg(s, 0, 'f', 4);
    }
    case 2:
        return QString(letter) + QStringLiteral(" %1° %2'").arg(d, 0, 'f', 0).arg(m, 0, 'f', 5);
    default:
        return QString();
    }
}

double GpsMonitor::calculateGpsDistance(double lat1, double lon1, double lat2, double lon2)
{
    const double dy = (lat1 - lat2) * 111300.0;
    const double dx = (lon1 - lon2) * 111300.0 * qCos(((lat1 + lat2) / 2) * 0.017453292519943295);
    return qSqrt(dx * dx + dy * dy);
}

void GpsMonitor::updateGpsData()
{
    if (!gpsModul)
        return;
    const double lat = gpsModul->getLatitude();
    const double lon = gpsModul->getLongitude();
    m_gpsDataValid = gpsModul->isGpsDataValid();

    if (m_gpsDataValid) {
        ui->leditLatitude->setText(convertGpsFormat(lat, 0, m_gpsFormat));
        ui->leditCurLatitude->setText(convertGpsFormat(lat, 0, m_gpsFormat));
        ui->leditLongitude->setText(convertGpsFormat(lon, 1, m_gpsFormat));
        ui->leditCurLongitude->setText(convertGpsFormat(lon, 1, m_gpsFormat));
    } else {
        for (QLineEdit *e : {ui->leditLatitude, ui->leditCurLatitude, ui->leditLongitude, ui->leditCurLongitude})
            e->setText(QStringLiteral("---"));
    }

    // Without a reference or without a fix there is nothing to measure: a
    // distance to (0, 0) would be thousands of kilometres of nonsense.
    if ((m_refLatitude == 0.0 && m_refLongitude == 0.0) || !m_gpsDataValid)
        ui->leditDistance->setText(QStringLiteral("--- m"));
    else
        ui->leditDistance->setText(
            QStringLiteral("%1 m").arg(calculateGpsDistance(m_refLatitude, m_refLongitude, lat, lon), 0, 'f', 3));

    const QDateTime d = gpsModul->getDateTime();
    const QString t = d.time().isValid() ? d.time().toString(Qt::TextDate) : QString();
    const QString now = SystemClock::now().time().toString(Qt::TextDate);
    const QString suffix = t.isEmpty() ? QStringLiteral("%1? (%2)").arg(gpsModul->getRmcUtcTime(), now)
                                       : QStringLiteral(" (%1)").arg(now);
    ui->leditTime->setText(t + suffix);
    ui->leditDate->setText(d.date().isValid() ? d.date().toString(Qt::TextDate) : QString());

    ui->textGpsRcv->append(gpsModul->getNmeaString().trimmed());

    ui->leditSatInfoDirection->setText(QStringLiteral("%1 °").arg(double(gpsModul->getGpsCourseOverGround()), 0, 'f', 1));
    ui->leditSatInfoGroundspeed->setText(
        QStringLiteral("%1 m/s").arg(double(gpsModul->getGpsSpeedOverGround()) * kKnotInMetresPerSecond, 0, 'f', 1));
    ui->leditNumSat->setText(QStringLiteral("Used:%1 View:%2")
                                 .arg(gpsModul->getNumSatellitesUsed())
                                 .arg(gpsModul->getNumSatellitesInView()));
    ui->leditSatInfoHeight->setText(QStringLiteral("%1 m").arg(double(gpsModul->getGpsHeightOverSea()), 0, 'g'));
    const int quality = gpsModul->getGpsQuality();
    ui->progbarQuality->setValue(quality);
    ui->progbarQualitySatInfo->setValue(quality);
}

void GpsMonitor::showPositionPage()
{
    ui->mainArea->setCurrentWidget(ui->pagePosition);
    ui->subMenu->setCurrentWidget(ui->pageSubPosition);
    m_currentPage = 1;
}

void GpsMonitor::showDistancePage()
{
    ui->mainArea->setCurrentWidget(ui->pageDistance);
    ui->subMenu->setCurrentWidget(ui->pageSubDistance);
}

void GpsMonitor::showSatInfoPage()
{
    ui->mainArea->setCurrentWidget(ui->pageSatInfo);
    ui->subMenu->setCurrentWidget(ui->pageSubSatInfo);
}

void GpsMonitor::nextFormat()
{
    m_gpsFormat = m_gpsFormat == 0 ? 1 : m_gpsFormat == 1 ? 2 : 0;
}

void GpsMonitor::backToMainPage()
{
    emit gotoWidget(0, -1, 0);
}

void GpsMonitor::on_butMenuDistance_clicked() { showDistancePage(); }
void GpsMonitor::on_butMenuDistanceSatInfo_clicked() { showDistancePage(); }
void GpsMonitor::on_butMenuSatInfo_clicked() { showSatInfoPage(); }
void GpsMonitor::on_butMenuSatInfoDist_clicked() { showSatInfoPage(); }
void GpsMonitor::on_butMenuPosition_clicked() { showPositionPage(); }
void GpsMonitor::on_butMenuPositionSatInfo_clicked() { showPositionPage(); }
void GpsMonitor::on_butMenuPositionNmea_clicked() { showPositionPage(); }
void GpsMonitor::on_butMenuFormat_clicked() { nextFormat(); }
void GpsMonitor::on_butMenuFormatDist_clicked() { nextFormat(); }
void GpsMonitor::on_butMenuBack_clicked() { backToMainPage(); }
void GpsMonitor::on_butMenuBackDist_clicked() { backToMainPage(); }
void GpsMonitor::on_butMenuBackSatInfo_clicked() { backToMainPage(); }
void GpsMonitor::on_butMenuBackNmea_clicked() { backToMainPage(); }
void GpsMonitor::on_butMenuDelete_clicked() { ui->textGpsRcv->clear(); }

void GpsMonitor::on_butMenuNmea_clicked()
{
    ui->mainArea->setCurrentWidget(ui->pageNmea);
    ui->subMenu->setCurrentWidget(ui->pageSubNmea);
}

void GpsMonitor::on_butMenuSetReference_clicked()
{
    if (!gpsModul)
        return;
    m_refLatitude = gpsModul->getLatitude();
    m_refLongitude = gpsModul->getLongitude();
    ui->leditRefLatitude->setText(convertGpsFormat(m_refLatitude, 0, m_gpsFormat));
    ui->leditRefLongitude->setText(convertGpsFormat(m_refLongitude, 1, m_gpsFormat));
}

void GpsMonitor::on_butMenuStart_clicked()
{
    m_timer->start(kRefreshMs);
}

void GpsMonitor::on_butMenuStop_clicked()
{
    m_timer->stop();
    if (!gpsModul)
        return;
    // Without a plausible time stamp there is no time to set: the same gate
    // as the driver's own clock setting.
    const QDateTime d = gpsModul->getDateTime();
    if (!Gps::isClockTime(d)) {
        qDebug() << "No usable GPS time: clock not set" << d;
        return;
    }
    for (const QString &command : Gps::clockCommands(d, kStopButtonOffsetSecs))
        CommandRunner::run(command);
}

void GpsMonitor::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        qDebug() << "IO-Key pressed";
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void GpsMonitor::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        backToMainPage();
        return;
    }
    QWidget::keyReleaseEvent(event);
}
