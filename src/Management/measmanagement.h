#ifndef MEASMANAGEMENT_H
#define MEASMANAGEMENT_H

#include <QString>
#include <QStringList>
#include <QWidget>

namespace Ui {
class MeasManagement;
}
class QKeyEvent;
class QStackedWidget;
class SettingsButton;

// The stored-measurement browser (screen 7): the folders of the measurement
// store, newest first, five to a page on up to 20 pages, each with its type
// icon, its name and its date and time.
//
// View mode: a press opens the folder in its screen with init(1) (the screen
// asks getSelectedMeasurementDir() during that init). Edit mode: a press
// opens MeasManagementEdit, whose result renames the folder (and the name in
// its info.ini) or deletes it. Back and the Escape release return to the
// main page through exit().
//
// Renames and deletions act only on a direct child of the store's folder;
// a listed link or plain file is removed as itself, never what it points to.
class MeasManagement : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kNumButtons = 100;
    static constexpr int kPerPage = 5;
    static constexpr int kNumPages = kNumButtons / kPerPage;

    explicit MeasManagement(QWidget *parent = nullptr);
    ~MeasManagement() override;

    // Reads the list again and shows `page` in view or edit mode; the
    // selection is cleared.
    void init(int page, bool editDeleteMode);

    // Folder name (below /media/tq3900/meas/) of the measurement picked
    // last; empty after every init.
    QString getSelectedMeasurementDir() const { return m_selectedMeasurementDir; }
    // The screen that shows a folder by its type code: "LE" 1, "PP" 3,
    // "H2" 6, "PL" 8, "LT" 9; -1 for any other.
    static int screenOf(const QString &folder);
    // Picks a folder and opens it in its screen with gotoWidget(screen, -1, 1).
    // False (nothing picked) for a folder no screen shows.
    bool openMeasurement(const QString &folder);

    // A name that stands for an entry directly inside the store's folder:
    // not empty, no "/", no zero character, not "." or "..".
    static bool isEntryName(const QString &name);

    int currentPage() const { return m_currentPageNum; }
    int pageCount() const { return m_numPages; }
    bool isEditMode() const { return m_editDeleteMode; }

signals:
    void gotoWidget(int widget, int dir, int variant);
    void exit();

private slots:
    void on_butMenuBack_clicked();
    void on_butMenuEdit_clicked();
    void on_butMenuFilter_clicked();
    void on_butMenuPageUp_clicked();
    void on_butMenuPageDown_clicked();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    // All 100 list buttons; finds the pressed one as the sender. Connected
    // in the constructor (not a slot, so the form's by-name connection
    // does not look for a widget of that name).
    void on_butMeasurement_clicked();
    void updateButtonData(SettingsButton *button, QString dirName, bool editMode);
    void showPage(int page);
    void editMeasurement(const QString &dirName);
    void renameMeasurement(const QString &oldName, const QString &newName);
    void deleteMeasurement(const QString &dirName);
    static QString storePath();

    Ui::MeasManagement *ui;
    QStackedWidget *m_mainArea;
    SettingsButton *m_butMeas[kNumButtons];
    QWidget *m_measPage[kNumPages];
    int m_currentPageNum = 0;
    int m_numPages = 0;
    QStringList m_measurements;
    int m_numMeasurements = 0;
    QString m_selectedMeasurementDir;
    bool m_editDeleteMode = false;
};

#endif // MEASMANAGEMENT_H
