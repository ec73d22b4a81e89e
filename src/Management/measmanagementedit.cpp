#include "measmanagementedit.h"
#include "ui_measmanagementedit.h"

#include "virtualkeyboard.h"

#include <QDebug>

namespace {
const int kNameStart = 19;
} // namespace

MeasManagementEdit::MeasManagementEdit(QWidget *parent)
    : KeyDialog(parent)
    , ui(new Ui::MeasManagementEdit)
{
    ui->setupUi(this);
}

MeasManagementEdit::~MeasManagementEdit()
{
    delete ui;
}

void MeasManagementEdit::convertDirnameToString(QString dirName, QString *type, QDate *date, QTime *time,
                                                QString *name)
{
    if (type)
        *type = dirName.left(2);
    if (date)
        *date = QDate::fromString(dirName.mid(3, 8), QStringLiteral("yyyyMMdd"));
    if (time)
        *time = QTime::fromString(dirName.mid(12, 6), QStringLiteral("hhmmss"));
    if (name)
        *name = dirName.mid(kNameStart);
}

void MeasManagementEdit::convertStringToDirname(QString *dirName, QString type, QDate date, QTime time,
                                                QString name)
{
    if (!dirName)
        return;
    *dirName = type.trimmed() + QLatin1Char('_') + date.toString(QStringLiteral("yyyyMMdd")) + QLatin1Char('_')
               + time.toString(QStringLiteral("hhmmss")) + QLatin1Char('_') + name.trimmed();
}

QString MeasManagementEdit::typeText(const QString &type)
{
    if (type == QLatin1String("PP"))
        return tr("Histogram");
    if (type == QLatin1String("LE"))
        return tr("Levelmeasurement");
    if (type == QLatin1String("PL"))
        return tr("Pipelocating");
    if (type == QLatin1String("H2"))
        return tr("H2-Measurement");
    if (type == QLatin1String("LT"))
        return tr("Longtermmeasurement");
    return QString();
}

void MeasManagementEdit::init(QString dirName)
{
    m_dirName = dirName;
    m_newDirName.clear();
    convertDirnameToString(dirName, &m_measType, &m_date, &m_time, &m_measurementName);
    ui->lineEditDirName->setText(m_measurementName);
    m_newMeasurementName = m_measurementName;
    ui->labelDateTime->setText(m_date.toString(QStringLiteral("dd.MM.yyyy")) + QLatin1Char(' ')
                               + m_time.toString(QStringLiteral("hh:mm:ss")));
    const QString text = typeText(m_measType);
    if (!text.isEmpty())
        ui->labelMeasurementType->setText(text);
}

void MeasManagementEdit::on_butEdit_clicked()
{
    // Every run starts from the name the folder has, not from an earlier edit.
    VirtualKeyboard keyboard(this);
    keyboard.setText(m_measurementName);
    keyboard.useEnterAsAccept(true);
    if (keyboard.exec() == 1) {
        m_newMeasurementName = keyboard.getText().trimmed();
        qDebug() << "Text: " << m_newMeasurementName;
    } else {
        m_newMeasurementName = m_measurementName;
        qDebug() << "Text: verworfen";
    }
    ui->lineEditDirName->setText(m_newMeasurementName);
}

void MeasManagementEdit::on_butAccept_clicked()
{
    if (m_date.isValid() && m_time.isValid()) {
        convertStringToDirname(&m_newDirName, m_measType, m_date, m_time, m_newMeasurementName);
    } else {
        // A date or time that does not read would be written as an empty
        // text and change the folder's prefix: keep its characters as they
        // are, only the name part changes.
        m_newDirName = m_dirName.left(kNameStart) + m_newMeasurementName.trimmed();
    }
    done(1);
}

void MeasManagementEdit::on_butCancel_clicked()
{
    m_newDirName.clear();
    done(0);
}

void MeasManagementEdit::on_butDelete_clicked()
{
    m_newDirName.clear();
    done(2);
}

void MeasManagementEdit::escapeReleased()
{
    on_butCancel_clicked();
}
