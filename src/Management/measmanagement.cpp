#include "measmanagement.h"
#include "ui_measmanagement.h"

#include "deviceroot.h"
#include "infoini.h"
#include "measmanagementedit.h"
#include "measurements.h"
#include "messagedialog.h"
#include "settingsbutton.h"
#include "stylesheet.h"

#include <QDebug>
#include <QDir>
#include <QKeyEvent>
#include <QStackedWidget>

#include <algorithm>

namespace {

const char kIcons[] = ":/Resources/Icons/Management/Measurements/";
const int kNameStart = 19;

// The icon of a list button: the picture at the left, its "_sw_" variant
// while pressed.
QString iconSheet(const QString &picture)
{
    const QString base = QLatin1String(kIcons) + picture;
    return QStringLiteral("QPushButton {image: url(%1_ws_40px.png); image-position: left; padding: 5px 5px; "
                          "border: 0px;}\nQPushButton:pressed {image: url(%1_sw_40px.png);}")
        .arg(base);
}

QString typePicture(const QString &type)
{
    if (type == QLatin1String("LE"))
        return QStringLiteral("Levelmeasurement");
    if (type == QLatin1String("PP"))
        return QStringLiteral("Pinpointing");
    if (type == QLatin1String("H2"))
        return QStringLiteral("H2_Sensor");
    if (type == QLatin1String("PL"))
        return QStringLiteral("Pipelocating");
    if (type == QLatin1String("LT"))
        return QStringLiteral("Longtermmeasurement");
    return QString();
}

} // namespace

MeasManagement::MeasManagement(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::MeasManagement)
{
    ui->setupUi(this);
    m_mainArea = new QStackedWidget(this);
    m_mainArea->setObjectName(QStringLiteral("mainArea"));
    m_mainArea->setGeometry(0, 0, 426, 272);
    // All pages once, in order, so that a page's index in the stack is its
    // number; an unused page shows empty.
    for (int i = 0; i < kNumButtons; ++i) {
        if (i % kPerPage == 0) {
            m_measPage[i / kPerPage] = new QWidget(m_mainArea);
            m_mainArea->addWidget(m_measPage[i / kPerPage]);
        }
        auto *button = new SettingsButton(m_measPage[i / kPerPage]);
        button->setObjectName(QStringLiteral("butMeasurement_%1").arg(i));
        connect(button, &QPushButton::clicked, this, &MeasManagement::on_butMeasurement_clicked);
        button->hide();
        m_butMeas[i] = button;
    }
    m_mainArea->lower();
    ui->butMenuFilter->hide();
}

MeasManagement::~MeasManagement()
{
    delete ui;
    qDebug() << "Measurement Instances deleted";
}

QString MeasManagement::storePath()
{
    return Measurements::storePath();
}

int MeasManagement::screenOf(const QString &folder)
{
    QString type;
    MeasManagementEdit::convertDirnameToString(folder, &type, nullptr, nullptr, nullptr);
    if (type == QLatin1String("LE"))
        return 1;
    if (type == QLatin1String("PP"))
        return 3;
    if (type == QLatin1String("H2"))
        return 6;
    if (type == QLatin1String("PL"))
        return 8;
    if (type == QLatin1String("LT"))
        return 9;
    return -1;
}

bool MeasManagement::openMeasurement(const QString &folder)
{
    const int screen = screenOf(folder);
    if (screen < 0)
        return false;
    m_selectedMeasurementDir = folder;
    emit gotoWidget(screen, -1, 1);
    return true;
}

bool MeasManagement::isEntryName(const QString &name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0))
           && name != QLatin1String(".") && name != QLatin1String("..");
}

void MeasManagement::init(int page, bool editDeleteMode)
{
    ui->retranslateUi(this);
    qDebug() << "MeasManagement Init";

    // Only the names shown are kept: the card may hold thousands of folders.
    int count = 0;
    m_measurements = MeasurementData()->newestMeasurements(kNumButtons, &count);
    m_numMeasurements = std::min({count, int(kNumButtons), int(m_measurements.size())});
    m_selectedMeasurementDir.clear();
    m_editDeleteMode = editDeleteMode;

    m_numPages = 0;
    QFont font = this->font();
    font.setPointSize(12);
    for (int i = 0; i < m_numMeasurements; ++i) {
        if (i % kPerPage == 0)
            m_numPages = i / kPerPage + 1;
        SettingsButton *button = m_butMeas[i];
        button->setFont(font);
        button->setGeometry(5, 5 + 53 * (i % kPerPage), 416, 50);
        updateButtonData(button, m_measurements.at(i), m_editDeleteMode);
        button->setAdditionalInfo(m_measurements.at(i));
        button->show();
    }
    for (int i = m_numMeasurements; i < kNumButtons; ++i)
        m_butMeas[i]->hide();
    showPage(page);
}

void MeasManagement::showPage(int page)
{
    m_currentPageNum = page;
    m_mainArea->setCurrentIndex(std::max(0, std::min(page, kNumPages - 1)));
}

void MeasManagement::updateButtonData(SettingsButton *button, QString dirName, bool editMode)
{
    QString type;
    QDate date;
    QTime time;
    QString name;
    MeasManagementEdit::convertDirnameToString(dirName, &type, &date, &time, &name);

    QString sheet;
    if (editMode)
        sheet = iconSheet(QStringLiteral("Edit"));
    else if (!typePicture(type).isEmpty())
        sheet = iconSheet(typePicture(type));
    if (!sheet.isEmpty())
        setStyleSheetIfChanged(button, sheet);

    button->setText2(name, date.toString(QStringLiteral("dd.MM.yyyy")) + QLatin1Char(' ')
                               + time.toString(QStringLiteral("hh:mm:ss")));
}

void MeasManagement::on_butMenuPageDown_clicked()
{
    int page = m_currentPageNum + 1;
    if (page >= m_numPages)
        page = 0;
    showPage(page);
}

void MeasManagement::on_butMenuPageUp_clicked()
{
    int page = m_currentPageNum - 1;
    if (page < 0)
        page = std::max(m_numPages - 1, 0);
    showPage(page);
}

void MeasManagement::on_butMenuEdit_clicked()
{
    m_editDeleteMode = !m_editDeleteMode;
    init(m_currentPageNum, m_editDeleteMode);
}

void MeasManagement::on_butMenuFilter_clicked()
{
}

void MeasManagement::on_butMenuBack_clicked()
{
    m_editDeleteMode = false;
    emit exit();
}

void MeasManagement::on_butMeasurement_clicked()
{
    auto *button = qobject_cast<SettingsButton *>(sender());
    if (!button)
        return;
    m_selectedMeasurementDir = button->getAdditionalInfo();
    if (!m_editDeleteMode) {
        openMeasurement(m_selectedMeasurementDir);
        return;
    }
    editMeasurement(m_selectedMeasurementDir);
    init(m_currentPageNum, m_editDeleteMode);
}

void MeasManagement::editMeasurement(const QString &dirName)
{
    MeasManagementEdit edit(this);
    edit.init(dirName);
    const int result = edit.exec();
    const QString newName = edit.getNewDirName();
    if (result == 1)
        renameMeasurement(dirName, newName);
    else if (result == 2)
        deleteMeasurement(dirName);
    else
        qDebug() << "MeasManagementEdit: Cancel" << result << newName;
}

void MeasManagement::renameMeasurement(const QString &oldName, const QString &newName)
{
    if (!isEntryName(oldName)) {
        qDebug() << "Rename refused: not an entry of the store:" << oldName;
        return;
    }
    if (!isEntryName(newName)) {
        qDebug() << "Rename refused: name not allowed:" << newName;
        MessageDialog message(this);
        message.setIcon(2);
        message.setHeadline(tr("Error"));
        message.setDialogType(0);
        message.setInfotext(tr("NameNotAllowed"));
        message.exec();
        return;
    }
    // Relative paths of other parts of the program start here afterwards.
    QDir::setCurrent(storePath());
    const QString from = storePath() + oldName;
    const QString to = storePath() + newName;
    // The new name goes into the info.ini with all its other keys, so the
    // file is read first. One the bounded reader refuses (too large, a FIFO,
    // a link) would be replaced by a file holding the name alone: such a
    // measurement keeps its folder name and its file. A link in place of the
    // folder is renamed as itself; nothing is read or written through it.
    InfoIni ini;
    RegularFile::Status info = RegularFile::Status::Missing;
    if (Measurements::isRealFolder(from))
        ini.load(from + QStringLiteral("/info.ini"), &info);
    if (info != RegularFile::Status::Ok && info != RegularFile::Status::Missing) {
        qDebug() << "Rename refused: info.ini of" << oldName << RegularFile::describe(info);
        Measurements::showNotStored();
        return;
    }
    bool renamed = false;
    if (newName == oldName) {
        qDebug() << "Rename: name unchanged" << oldName;
    } else if (Measurements::entryExists(to)) {
        // Never over another measurement (rename() would replace an empty
        // folder of that name).
        qDebug() << "Rename refused: target exists" << newName;
    } else {
        renamed = QDir().rename(from, to);
    }
    // The name goes into the folder that now holds the measurement; after a
    // failed rename no folder is made for it.
    const QString target = renamed ? newName : oldName;
    const QString path = storePath() + target + QStringLiteral("/info.ini");
    bool written = false;
    if ((renamed || newName == oldName) && Measurements::isRealFolder(storePath() + target)) {
        ini.setValue(QStringLiteral("Measurementinfo"), QStringLiteral("Measurementname"),
                     newName.mid(kNameStart).trimmed());
        written = ini.save(path);
    }
    qDebug() << "Rename" << oldName << "to" << newName << renamed << target + QStringLiteral("/info.ini")
             << written << newName.mid(kNameStart).trimmed();
}

void MeasManagement::deleteMeasurement(const QString &dirName)
{
    if (!isEntryName(dirName)) {
        qDebug() << "Delete refused: not an entry of the store:" << dirName;
        return;
    }
    const QString path = storePath() + dirName;
    // A link or a plain file is removed as itself, never what it points to.
    Measurements::removeEntry(path);
    qDebug() << "Delete:" << dirName << !Measurements::entryExists(path);
}

void MeasManagement::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MeasManagement::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && !event->isAutoRepeat()) {
        event->accept();
        on_butMenuBack_clicked();
        return;
    }
    QWidget::keyReleaseEvent(event);
}
