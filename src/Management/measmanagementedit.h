#ifndef MEASMANAGEMENTEDIT_H
#define MEASMANAGEMENTEDIT_H

#include "keydialog.h"

#include <QDate>
#include <QString>
#include <QTime>

namespace Ui {
class MeasManagementEdit;
}

// The editor of one stored measurement, opened by the browser in its edit
// mode: shows type, date, time and name of a folder, lets the user type a
// new name and ends with
//   0 cancel (Cancel, the power key's Escape release),
//   1 rename: getNewDirName() is the folder name with the new name part,
//   2 delete.
// The dialog touches no file; the browser acts on its result.
//
// Folder names: characters 0-1 the type code, 3-10 the date "yyyyMMdd",
// 12-17 the time "hhmmss", from 19 on the name; characters 2, 11 and 18
// (the "_" separators) are not examined.
class MeasManagementEdit : public KeyDialog
{
    Q_OBJECT
public:
    explicit MeasManagementEdit(QWidget *parent = nullptr);
    ~MeasManagementEdit() override;

    void init(QString dirName);
    QString getNewDirName() const { return m_newDirName; }

    // Splits a folder name; a part that does not read gives a null date or
    // time, a short name an empty name part. Null pointers are skipped.
    static void convertDirnameToString(QString dirName, QString *type, QDate *date, QTime *time,
                                       QString *name);
    // Joins the parts: type and name trimmed, a null date or time as an
    // empty text.
    static void convertStringToDirname(QString *dirName, QString type, QDate date, QTime time,
                                       QString name);
    // The translated text of a type code; empty for a code outside the table.
    static QString typeText(const QString &type);

private slots:
    void on_butEdit_clicked();
    void on_butAccept_clicked();
    void on_butCancel_clicked();
    void on_butDelete_clicked();

protected:
    void escapeReleased() override;

private:
    Ui::MeasManagementEdit *ui;
    QString m_newDirName;
    QString m_measType;
    QDate m_date;
    QTime m_time;
    QString m_measurementName;
    QString m_newMeasurementName;
    // The folder name as it came in.
    QString m_dirName;
};

#endif // MEASMANAGEMENTEDIT_H
