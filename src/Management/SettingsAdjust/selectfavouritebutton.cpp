#include "selectfavouritebutton.h"
#include "ui_selectfavouritebutton.h"

#include "keydialog.h"
#include "mainmenu.h"
#include "systemsettings.h"

#include <QKeyEvent>
#include <QShowEvent>

namespace {

constexpr int kDefaultFavourite = 2;
constexpr int kPositions = 6;
// Favourite code of each switch position, top to bottom.
constexpr int kCodeAtPosition[kPositions] = {2, 1, 3, 4, 5, 0};

bool isFavourite(int code)
{
    return code >= 0 && code <= 5;
}

// 0-based switch position of a valid code.
int positionOf(int code)
{
    for (int i = 0; i < kPositions; ++i)
        if (kCodeAtPosition[i] == code)
            return i;
    return 0;
}

} // namespace

SelectFavouriteButton::SelectFavouriteButton(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::SelectFavouriteButton)
{
    ui->setupUi(this);
    ui->mainArea->setCurrentWidget(ui->pageFavourite);
    m_numSelFav = kDefaultFavourite;
}

SelectFavouriteButton::~SelectFavouriteButton()
{
    delete ui;
}

void SelectFavouriteButton::init(int favourite)
{
    m_numSelFav = isFavourite(favourite) ? favourite : kDefaultFavourite;

    if (MainMenu *w = MainMenu::getInstanceMainMenu()) {
        Systemsettings *settings = w->getInstanceSystemsettings();
        QPushButton *const buttons[kPositions] = {ui->butFav_1, ui->butFav_2, ui->butFav_3,
                                                  ui->butFav_4, ui->butFav_5, ui->butFav_6};
        for (int i = 0; i < kPositions; ++i)
            buttons[i]->setText(settings->getFavButTextFromNum(kCodeAtPosition[i]));
    }
    updateStylesheetFavourite();
}

int SelectFavouriteButton::getFavouriteButton(QString *text)
{
    if (text) {
        if (MainMenu *w = MainMenu::getInstanceMainMenu())
            *text = w->getInstanceSystemsettings()->getFavButTextFromNum(m_numSelFav);
    }
    return m_numSelFav;
}

void SelectFavouriteButton::on_butAccept_clicked()
{
    accept();
}

void SelectFavouriteButton::on_butClose_clicked()
{
    reject();
}

void SelectFavouriteButton::on_butFav_1_clicked()
{
    select(kCodeAtPosition[0]);
}

void SelectFavouriteButton::on_butFav_2_clicked()
{
    select(kCodeAtPosition[1]);
}

void SelectFavouriteButton::on_butFav_3_clicked()
{
    select(kCodeAtPosition[2]);
}

void SelectFavouriteButton::on_butFav_4_clicked()
{
    select(kCodeAtPosition[3]);
}

void SelectFavouriteButton::on_butFav_5_clicked()
{
    select(kCodeAtPosition[4]);
}

void SelectFavouriteButton::on_butFav_6_clicked()
{
    select(kCodeAtPosition[5]);
}

void SelectFavouriteButton::on_butSwitchFavourite_clicked()
{
    if (!isFavourite(m_numSelFav))
        m_numSelFav = kDefaultFavourite;
    select(kCodeAtPosition[(positionOf(m_numSelFav) + 1) % kPositions]);
}

void SelectFavouriteButton::select(int code)
{
    m_numSelFav = code;
    updateStylesheetFavourite();
}

void SelectFavouriteButton::updateStylesheetFavourite()
{
    if (!isFavourite(m_numSelFav))
        m_numSelFav = kDefaultFavourite;
    ui->butSwitchFavourite->setStyleSheet(
        QStringLiteral("QPushButton {image: url(:/Resources/Icons/Management/Systemsettings/"
                       "Radioswitch_pos%1_6x38px.png); padding: 0px; border: none; "
                       "background: none; color: rgb(255, 255, 255);}")
            .arg(positionOf(m_numSelFav) + 1));
}

void SelectFavouriteButton::keyPressEvent(QKeyEvent *event)
{
    // Escape is handled at its release; other keys must not reach the
    // dialog's default-button handling.
    if (event->key() == Qt::Key_Escape)
        return;
    QWidget::keyPressEvent(event);
}

void SelectFavouriteButton::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void SelectFavouriteButton::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        placeOverMainWindow(this);
}
