#ifndef SELECTFAVOURITEBUTTON_H
#define SELECTFAVOURITEBUTTON_H

#include <QDialog>
#include <QString>

namespace Ui {
class SelectFavouriteButton;
}

// The settings dialog that chooses the favourite key's function: one button
// per function and a six-position switch beside them. The caller calls
// init() with the stored favourite, runs exec() and, on 1, takes the code and
// its name from getFavouriteButton().
//
// Favourite codes: 0 screenshot, 1 pinpointing, 2 level measurement,
// 3 long-term measurement, 4 hydrogen, 5 pipe locating. The switch positions
// top to bottom hold 2, 1, 3, 4, 5, 0.
class SelectFavouriteButton : public QDialog
{
    Q_OBJECT
public:
    explicit SelectFavouriteButton(QWidget *parent = nullptr);
    ~SelectFavouriteButton() override;

    // Selects the code (anything outside 0..5 selects level measurement) and
    // labels the buttons with the translated function names.
    void init(int favourite);
    // The selected code; its name goes to *text.
    int getFavouriteButton(QString *text);

private slots:
    void on_butAccept_clicked();
    void on_butClose_clicked();
    void on_butFav_1_clicked();
    void on_butFav_2_clicked();
    void on_butFav_3_clicked();
    void on_butFav_4_clicked();
    void on_butFav_5_clicked();
    void on_butFav_6_clicked();
    void on_butSwitchFavourite_clicked();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void select(int code);
    void updateStylesheetFavourite();

    Ui::SelectFavouriteButton *ui;
    int m_numSelFav = 2;
};

#endif // SELECTFAVOURITEBUTTON_H
