#ifndef LANGUAGESELECT_H
#define LANGUAGESELECT_H

#include "keydialog.h"

namespace Ui {
class LanguageSelect;
}

// The dialog that picks the user-interface language: 24 flag buttons, five to
// a page, with previous/next page and back buttons. A language button chooses
// and accepts at once; getSelectedLanguage() then gives the language number
// that the language loading understands (1 English, 2 German, 3 French,
// 4 Italian, 5 Spanish, ... 24 Turkish). The settings screen keeps one
// instance for the whole run, so the page shown and the last choice stay
// from one opening to the next.
class LanguageSelect : public KeyDialog
{
    Q_OBJECT
public:
    explicit LanguageSelect(QWidget *parent = nullptr);
    ~LanguageSelect() override;

    // The number of the last language button pressed (1 before any).
    int getSelectedLanguage() const { return m_selectedLanguage; }

private slots:
    void on_butEnglish_clicked();
    void on_butGerman_clicked();
    void on_butMenuUp_clicked();
    void on_butMenuBack_clicked();
    void on_butMenuDown_clicked();
    void on_butFrench_clicked();
    void on_butSpanish_clicked();
    void on_butItalian_clicked();
    void on_butRussian_clicked();
    void on_butChinese_clicked();
    void on_butCzech_clicked();
    void on_butHungarian_clicked();
    void on_butSlovenian_clicked();
    void on_butPolish_clicked();
    void on_butRomanian_clicked();
    void on_butSlovakian_clicked();
    void on_butPortuguese_clicked();
    void on_butJapanese_clicked();
    void on_butSwedish_clicked();
    void on_butSuomi_clicked();
    void on_butDanish_clicked();
    void on_butNorwegian_clicked();
    void on_butBulgarian_clicked();
    void on_butCroatian_clicked();
    void on_butKorean_clicked();
    void on_butSerbian_clicked();
    void on_butTurkish_clicked();

private:
    void choose(int language);
    void showPage(int page);

    Ui::LanguageSelect *ui;
    int m_selectedLanguage = 1;
    int m_currentPage = 1;
};

#endif // LANGUAGESELECT_H
