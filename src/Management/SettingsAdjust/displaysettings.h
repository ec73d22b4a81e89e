#ifndef DISPLAYSETTINGS_H
#define DISPLAYSETTINGS_H

#include "keydialog.h"

#include <QString>

namespace Ui {
class Displaysettings;
}

// The settings dialog that chooses the backlight level: low (5), medium (6)
// or high (7), three text buttons beside a three-position slide switch. Every
// choice goes to the backlight at once, so the user sees the level while
// choosing. The caller runs init() and exec() and, on 1, stores
// getBrightness(). A rejected dialog puts the stored level back on the
// backlight, so a level the user turned down does not stay lit.
class Displaysettings : public KeyDialog
{
    Q_OBJECT
public:
    explicit Displaysettings(QWidget *parent = nullptr);
    ~Displaysettings() override;

    // Starts from the level the backlight has (6 when it cannot be read or
    // holds no level), shows it and writes it back.
    void init();
    // The chosen level; "low", "medium" or "high" (translated) goes to *text,
    // an empty text for any other level.
    int getBrightness(QString *text);

public slots:
    void reject() override;

private slots:
    void on_butBrightnessHigh_clicked();
    void on_butBrightnessMedium_clicked();
    void on_butBrightnessLow_clicked();
    void on_butBrightnessSelect_clicked();
    void on_butAccept_clicked();
    void on_butClose_clicked();

private:
    // Shows the level on the switch (a level other than 5..7 becomes 6 first)
    // and writes it to the backlight.
    void applyBrightness();
    // The level a rejected dialog leaves on the backlight.
    int storedBrightness() const;

    Ui::Displaysettings *ui;
    int m_brightness = 6;
    // The backlight's level when init() read it; stands in for the stored
    // level when there is no settings store.
    int m_levelAtInit = 6;
};

#endif // DISPLAYSETTINGS_H
