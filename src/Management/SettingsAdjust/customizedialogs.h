#ifndef CUSTOMIZEDIALOGS_H
#define CUSTOMIZEDIALOGS_H

#include "keydialog.h"

class Gps;
class QPushButton;

namespace Ui {
class CustomizeDialogs;
}

// The display options: which elements the measurement screens show and how
// the instrument starts, as on/off toggles on six pages (level measurement,
// pinpointing, long-term measurement, hydrogen, pipe locating, start-up).
// The settings screen hands the stored flags in through the six setters and,
// on 1 from exec(), takes them back through the getters. Two pairs of
// toggles are coupled (hydrogen grid only with the histogram; the
// pipe-locating spectrum never with the frequency value or the filter
// parameter); the setters take the flags as they come. The GPS start-up
// toggle switches the receiver at once, whatever the dialog's result.
class CustomizeDialogs : public KeyDialog
{
    Q_OBJECT
public:
    explicit CustomizeDialogs(QWidget *parent = nullptr);
    ~CustomizeDialogs() override;

    // Shows page 1.
    void init();
    int currentPage() const { return m_currentPage; }

    void setLevelParameter(bool showFft, bool showFrequencyValue, bool showPeakLevelBar,
                           bool useFrequencyColorForLevelbar);
    void getLevelParameter(bool *showFft, bool *showFrequencyValue, bool *showPeakLevelBar,
                           bool *useFrequencyColorForLevelbar) const;
    void setPinpointingParameter(bool showFrequencyValue, bool useFrequencyColorForLevelbar,
                                 bool showFilterParameter, bool dynamicScaling);
    void getPinpointingParameter(bool *showFrequencyValue, bool *useFrequencyColorForLevelbar,
                                 bool *showFilterParameter, bool *dynamicScaling) const;
    void setLongtermParameter(bool showFrequencyValue, bool useFrequencyColorForLevelbar, bool showGrid,
                              bool showFilterParameter);
    void getLongtermParameter(bool *showFrequencyValue, bool *useFrequencyColorForLevelbar, bool *showGrid,
                              bool *showFilterParameter) const;
    void setH2Parameter(bool showHistogram, bool showGrid, bool dynamicScaling, bool showWorkingRange);
    void getH2Parameter(bool *showHistogram, bool *showGrid, bool *dynamicScaling, bool *showWorkingRange) const;
    void setPipelocatingParameter(bool showFft, bool showFrequencyValue, bool useFrequencyColorForLevelbar,
                                  bool showFilterParameter);
    void getPipelocatingParameter(bool *showFft, bool *showFrequencyValue, bool *useFrequencyColorForLevelbar,
                                  bool *showFilterParameter) const;
    void setStartupParameter(bool useFavourite, bool useFilter, bool useGps);
    void getStartupParameter(bool *useFavourite, bool *useFilter, bool *useGps) const;

    // Shows a toggle on (checked box) or off.
    static void updateButtonStylesheet(QPushButton *button, bool on);

private slots:
    void on_butAccept_clicked();
    void on_butClose_clicked();
    void on_butMenuUp_clicked();
    void on_butMenuDown_clicked();
    void on_butShowFft_clicked();
    void on_butShowFrequencyValue_clicked();
    void on_butShowPeakLevelBar_clicked();
    void on_butUseFrequencyColorForLevelbar_clicked();
    void on_butShowFrequencyValuePP_clicked();
    void on_butUseFrequencyColorForLevelbarPP_clicked();
    void on_butShowFilterParameter_clicked();
    void on_butDynamicScaling_clicked();
    void on_butShowFrequencyValueLT_clicked();
    void on_butUseFrequencyColorForLevelbarLT_clicked();
    void on_butShowGridLT_clicked();
    void on_butShowFilterParameterLT_clicked();
    void on_butShowHistogramH2_clicked();
    void on_butShowGridH2_clicked();
    void on_butDynamicScalingH2_clicked();
    void on_butShowWorkingRangeH2_clicked();
    void on_butShowFftPL_clicked();
    void on_butUseFrequencyColorForLevelbarPL_clicked();
    void on_butShowFrequencyValuePL_clicked();
    void on_butShowFilterParameterPL_clicked();
    void on_butStartWithFavourite_clicked();
    void on_butStartWithFilter_clicked();
    void on_butStartWithGps_clicked();

private:
    void showPage(int page);
    // Inverts a plain toggle's flag and shows it.
    void toggle(QPushButton *button, bool *flag);

    Ui::CustomizeDialogs *ui;
    Gps *m_gpsModul = nullptr;
    int m_currentPage = 1;

    bool m_showFft = true;
    bool m_showFrequencyValue = true;
    bool m_showPeakLevelBar = true;
    bool m_useFrequencyColorForLevelbar = true;
    bool m_showFrequencyValuePP = true;
    bool m_useFrequencyColorForLevelbarPP = true;
    bool m_showFilterParameter = true;
    bool m_dynamicScalingPP = true;
    bool m_showFrequencyValueLT = true;
    bool m_useFrequencyColorForLevelbarLT = true;
    bool m_showGridLT = true;
    bool m_showFilterParameterLT = true;
    bool m_showHistogramH2 = true;
    bool m_showGridH2 = true;
    bool m_dynamicScalingH2 = true;
    bool m_showWorkingRangeH2 = true;
    bool m_showFftPL = true;
    bool m_useFrequencyColorForLevelbarPL = true;
    bool m_showFrequencyValuePL = true;
    bool m_showFilterParameterPL = true;
    bool m_useFavouriteForStarup = false;
    bool m_useFilterForStarup = false;
    bool m_useGpsOnStartup = true;
};

#endif // CUSTOMIZEDIALOGS_H
