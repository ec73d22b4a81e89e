#include "languageselect.h"
#include "ui_languageselect.h"


namespace {

constexpr int kPages = 5;

// Language numbers, as the settings file and the catalogue loading use them.
enum Language {
    English = 1,
    German = 2,
    French = 3,
    Italian = 4,
    Spanish = 5,
    Chinese = 6,
    Czech = 7,
    Hungarian = 8,
    Russian = 9,
    Slovenian = 10,
    Japanese = 11,
    Polish = 12,
    Portuguese = 13,
    Romanian = 14,
    Slovakian = 15,
    Swedish = 16,
    Suomi = 17,
    Danish = 18,
    Norwegian = 19,
    Bulgarian = 20,
    Croatian = 21,
    Korean = 22,
    Serbian = 23,
    Turkish = 24,
};

} // namespace

LanguageSelect::LanguageSelect(QWidget *parent)
    : KeyDialog(parent)
    , ui(new Ui::LanguageSelect)
{
    ui->setupUi(this);
    m_selectedLanguage = English;
    showPage(1);
}

LanguageSelect::~LanguageSelect()
{
    delete ui;
}

void LanguageSelect::choose(int language)
{
    m_selectedLanguage = language;
    accept();
}

void LanguageSelect::showPage(int page)
{
    m_currentPage = page;
    ui->mainArea->setCurrentIndex(page - 1);
}

void LanguageSelect::on_butMenuUp_clicked()
{
    showPage(m_currentPage == 1 ? kPages : m_currentPage - 1);
}

void LanguageSelect::on_butMenuBack_clicked()
{
    reject();
}

void LanguageSelect::on_butMenuDown_clicked()
{
    showPage(m_currentPage == kPages ? 1 : m_currentPage + 1);
}

// The buttons stand on the pages in their own order, not in the order of
// their numbers (Spanish 5 above Italian 4, Russian 9 first on page 2).

void LanguageSelect::on_butEnglish_clicked()
{
    choose(English);
}

void LanguageSelect::on_butGerman_clicked()
{
    choose(German);
}

void LanguageSelect::on_butFrench_clicked()
{
    choose(French);
}

void LanguageSelect::on_butSpanish_clicked()
{
    choose(Spanish);
}

void LanguageSelect::on_butItalian_clicked()
{
    choose(Italian);
}

void LanguageSelect::on_butRussian_clicked()
{
    choose(Russian);
}

void LanguageSelect::on_butChinese_clicked()
{
    choose(Chinese);
}

void LanguageSelect::on_butCzech_clicked()
{
    choose(Czech);
}

void LanguageSelect::on_butHungarian_clicked()
{
    choose(Hungarian);
}

void LanguageSelect::on_butSlovenian_clicked()
{
    choose(Slovenian);
}

void LanguageSelect::on_butPolish_clicked()
{
    choose(Polish);
}

void LanguageSelect::on_butRomanian_clicked()
{
    choose(Romanian);
}

void LanguageSelect::on_butSlovakian_clicked()
{
    choose(Slovakian);
}

void LanguageSelect::on_butPortuguese_clicked()
{
    choose(Portuguese);
}

void LanguageSelect::on_butJapanese_clicked()
{
    choose(Japanese);
}

void LanguageSelect::on_butSwedish_clicked()
{
    choose(Swedish);
}

void LanguageSelect::on_butSuomi_clicked()
{
    choose(Suomi);
}

void LanguageSelect::on_butDanish_clicked()
{
    choose(Danish);
}

void LanguageSelect::on_butNorwegian_clicked()
{
    choose(Norwegian);
}

void LanguageSelect::on_butBulgarian_clicked()
{
    choose(Bulgarian);
}

void LanguageSelect::on_butCroatian_clicked()
{
    choose(Croatian);
}

void LanguageSelect::on_butKorean_clicked()
{
    choose(Korean);
}

void LanguageSelect::on_butSerbian_clicked()
{
    choose(Serbian);
}

void LanguageSelect::on_butTurkish_clicked()
{
    choose(Turkish);
}
