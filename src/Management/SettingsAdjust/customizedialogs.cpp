#include "customizedialogs.h"
#include "ui_customizedialogs.h"

#include "gps.h"
#include "mainmenu.h"

namespace {

constexpr int kPages = 6;

QString toggleStyle(bool on)
{
    return QStringLiteral("QPushButton {image: url(:/Resources/Icons/Management/Customize/%1.png); "
                          "image-position: left; padding: 5px 5px; border: 0px; text-align: center center;}")
        .arg(on ? QLatin1String("Checkbox_checked_44px") : QLatin1String("Checkbox_unchecked_44px"));
}

} // namespace

CustomizeDialogs::CustomizeDialogs(QWidget *parent)
    : KeyDialog(parent)
    , ui(new Ui::CustomizeDialogs)
{
    ui->setupUi(this);
    // The values after construction (the form shows every toggle on).
    updateButtonStylesheet(ui->butStartWithFavourite, m_useFavouriteForStarup);
    updateButtonStylesheet(ui->butStartWithFilter, m_useFilterForStarup);
    updateButtonStylesheet(ui->butStartWithGps, m_useGpsOnStartup);
    showPage(1);
}

CustomizeDialogs::~CustomizeDialogs()
{
    delete ui;
}

void CustomizeDialogs::init()
{
    showPage(1);
}

void CustomizeDialogs::showPage(int page)
{
    m_currentPage = page;
    ui->mainArea->setCurrentIndex(page - 1);
}

void CustomizeDialogs::updateButtonStylesheet(QPushButton *button, bool on)
{
    button->setStyleSheet(toggleStyle(on));
}

void CustomizeDialogs::toggle(QPushButton *button, bool *flag)
{
    *flag = !*flag;
    updateButtonStylesheet(button, *flag);
}

// --- Exchange with the settings screen ---------------------------------------

void CustomizeDialogs::setLevelParameter(bool showFft, bool showFrequencyValue, bool showPeakLevelBar,
                                         bool useFrequencyColorForLevelbar)
{
    m_showFft = showFft;
    m_showFrequencyValue = showFrequencyValue;
    m_showPeakLevelBar = showPeakLevelBar;
    m_useFrequencyColorForLevelbar = useFrequencyColorForLevelbar;
    updateButtonStylesheet(ui->butShowFft, m_showFft);
    updateButtonStylesheet(ui->butShowFrequencyValue, m_showFrequencyValue);
    updateButtonStylesheet(ui->butShowPeakLevelBar, m_showPeakLevelBar);
    updateButtonStylesheet(ui->butUseFrequencyColorForLevelbar, m_useFrequencyColorForLevelbar);
}

void CustomizeDialogs::getLevelParameter(bool *showFft, bool *showFrequencyValue, bool *showPeakLevelBar,
                                         bool *useFrequencyColorForLevelbar) const
{
    *showFft = m_showFft;
    *showFrequencyValue = m_showFrequencyValue;
    *showPeakLevelBar = m_showPeakLevelBar;
    *useFrequencyColorForLevelbar = m_useFrequencyColorForLevelbar;
}

void CustomizeDialogs::setPinpointingParameter(bool showFrequencyValue, bool useFrequencyColorForLevelbar,
                                               bool showFilterParameter, bool dynamicScaling)
{
    m_showFrequencyValuePP = showFrequencyValue;
    m_useFrequencyColorForLevelbarPP = useFrequencyColorForLevelbar;
    m_showFilterParameter = showFilterParameter;
    m_dynamicScalingPP = dynamicScaling;
    updateButtonStylesheet(ui->butShowFrequencyValuePP, m_showFrequencyValuePP);
    updateButtonStylesheet(ui->butUseFrequencyColorForLevelbarPP, m_useFrequencyColorForLevelbarPP);
    updateButtonStylesheet(ui->butShowFilterParameter, m_showFilterParameter);
    updateButtonStylesheet(ui->butDynamicScaling, m_dynamicScalingPP);
}

void CustomizeDialogs::getPinpointingParameter(bool *showFrequencyValue, bool *useFrequencyColorForLevelbar,
                                               bool *showFilterParameter, bool *dynamicScaling) const
{
    *showFrequencyValue = m_showFrequencyValuePP;
    *useFrequencyColorForLevelbar = m_useFrequencyColorForLevelbarPP;
    *showFilterParameter = m_showFilterParameter;
    *dynamicScaling = m_dynamicScalingPP;
}

void CustomizeDialogs::setLongtermParameter(bool showFrequencyValue, bool useFrequencyColorForLevelbar,
                                            bool showGrid, bool showFilterParameter)
{
    m_showFrequencyValueLT = showFrequencyValue;
    m_useFrequencyColorForLevelbarLT = useFrequencyColorForLevelbar;
    m_showGridLT = showGrid;
    m_showFilterParameterLT = showFilterParameter;
    updateButtonStylesheet(ui->butShowFrequencyValueLT, m_showFrequencyValueLT);
    updateButtonStylesheet(ui->butUseFrequencyColorForLevelbarLT, m_useFrequencyColorForLevelbarLT);
    updateButtonStylesheet(ui->butShowGridLT, m_showGridLT);
    updateButtonStylesheet(ui->butShowFilterParameterLT, m_showFilterParameterLT);
}

void CustomizeDialogs::getLongtermParameter(bool *showFrequencyValue, bool *useFrequencyColorForLevelbar,
                                            bool *showGrid, bool *showFilterParameter) const
{
    *showFrequencyValue = m_showFrequencyValueLT;
    *useFrequencyColorForLevelbar = m_useFrequencyColorForLevelbarLT;
    *showGrid = m_showGridLT;
    *showFilterParameter = m_showFilterParameterLT;
}

void CustomizeDialogs::setH2Parameter(bool showHistogram, bool showGrid, bool dynamicScaling,
                                      bool showWorkingRange)
{
    m_showHistogramH2 = showHistogram;
    m_showGridH2 = showGrid;
    m_dynamicScalingH2 = dynamicScaling;
    m_showWorkingRangeH2 = showWorkingRange;
    updateButtonStylesheet(ui->butShowHistogramH2, m_showHistogramH2);
    updateButtonStylesheet(ui->butShowGridH2, m_showGridH2);
    updateButtonStylesheet(ui->butDynamicScalingH2, m_dynamicScalingH2);
    updateButtonStylesheet(ui->butShowWorkingRangeH2, m_showWorkingRangeH2);
}

void CustomizeDialogs::getH2Parameter(bool *showHistogram, bool *showGrid, bool *dynamicScaling,
                                      bool *showWorkingRange) const
{
    *showHistogram = m_showHistogramH2;
    *showGrid = m_showGridH2;
    *dynamicScaling = m_dynamicScalingH2;
    *showWorkingRange = m_showWorkingRangeH2;
}

void CustomizeDialogs::setPipelocatingParameter(bool showFft, bool showFrequencyValue,
                                                bool useFrequencyColorForLevelbar, bool showFilterParameter)
{
    m_showFftPL = showFft;
    m_showFrequencyValuePL = showFrequencyValue;
    m_useFrequencyColorForLevelbarPL = useFrequencyColorForLevelbar;
    m_showFilterParameterPL = showFilterParameter;
    updateButtonStylesheet(ui->butShowFftPL, m_showFftPL);
    updateButtonStylesheet(ui->butShowFrequencyValuePL, m_showFrequencyValuePL);
    updateButtonStylesheet(ui->butUseFrequencyColorForLevelbarPL, m_useFrequencyColorForLevelbarPL);
    updateButtonStylesheet(ui->butShowFilterParameterPL, m_showFilterParameterPL);
}

void CustomizeDialogs::getPipelocatingParameter(bool *showFft, bool *showFrequencyValue,
                                                bool *useFrequencyColorForLevelbar,
                                                bool *showFilterParameter) const
{
    *showFft = m_showFftPL;
    *showFrequencyValue = m_showFrequencyValuePL;
    *useFrequencyColorForLevelbar = m_useFrequencyColorForLevelbarPL;
    *showFilterParameter = m_showFilterParameterPL;
}

void CustomizeDialogs::setStartupParameter(bool useFavourite, bool useFilter, bool useGps)
{
    m_useFavouriteForStarup = useFavourite;
    m_useFilterForStarup = useFilter;
    m_useGpsOnStartup = useGps;
    updateButtonStylesheet(ui->butStartWithFavourite, m_useFavouriteForStarup);
    updateButtonStylesheet(ui->butStartWithFilter, m_useFilterForStarup);
    updateButtonStylesheet(ui->butStartWithGps, m_useGpsOnStartup);
}

void CustomizeDialogs::getStartupParameter(bool *useFavourite, bool *useFilter, bool *useGps) const
{
    *useFavourite = m_useFavouriteForStarup;
    *useFilter = m_useFilterForStarup;
    *useGps = m_useGpsOnStartup;
}

// --- Navigation ------------------------------------------------------------------

void CustomizeDialogs::on_butAccept_clicked()
{
    accept();
}

void CustomizeDialogs::on_butClose_clicked()
{
    reject();
}

void CustomizeDialogs::on_butMenuUp_clicked()
{
    showPage(m_currentPage <= 1 ? kPages : m_currentPage - 1);
}

void CustomizeDialogs::on_butMenuDown_clicked()
{
    showPage(m_currentPage >= kPages ? 1 : m_currentPage + 1);
}

// --- Plain toggles -----------------------------------------------------------------

void CustomizeDialogs::on_butShowFft_clicked() { toggle(ui->butShowFft, &m_showFft); }
void CustomizeDialogs::on_butShowFrequencyValue_clicked() { toggle(ui->butShowFrequencyValue, &m_showFrequencyValue); }
void CustomizeDialogs::on_butShowPeakLevelBar_clicked() { toggle(ui->butShowPeakLevelBar, &m_showPeakLevelBar); }
void CustomizeDialogs::on_butUseFrequencyColorForLevelbar_clicked()
{
    toggle(ui->butUseFrequencyColorForLevelbar, &m_useFrequencyColorForLevelbar);
}
void CustomizeDialogs::on_butShowFrequencyValuePP_clicked()
{
    toggle(ui->butShowFrequencyValuePP, &m_showFrequencyValuePP);
}
void CustomizeDialogs::on_butUseFrequencyColorForLevelbarPP_clicked()
{
    toggle(ui->butUseFrequencyColorForLevelbarPP, &m_useFrequencyColorForLevelbarPP);
}
void CustomizeDialogs::on_butShowFilterParameter_clicked() { toggle(ui->butShowFilterParameter, &m_showFilterParameter); }
void CustomizeDialogs::on_butDynamicScaling_clicked() { toggle(ui->butDynamicScaling, &m_dynamicScalingPP); }
void CustomizeDialogs::on_butShowFrequencyValueLT_clicked()
{
    toggle(ui->butShowFrequencyValueLT, &m_showFrequencyValueLT);
}
void CustomizeDialogs::on_butUseFrequencyColorForLevelbarLT_clicked()
{
    toggle(ui->butUseFrequencyColorForLevelbarLT, &m_useFrequencyColorForLevelbarLT);
}
void CustomizeDialogs::on_butShowGridLT_clicked() { toggle(ui->butShowGridLT, &m_showGridLT); }
void CustomizeDialogs::on_butShowFilterParameterLT_clicked()
{
    toggle(ui->butShowFilterParameterLT, &m_showFilterParameterLT);
}
void CustomizeDialogs::on_butDynamicScalingH2_clicked() { toggle(ui->butDynamicScalingH2, &m_dynamicScalingH2); }
void CustomizeDialogs::on_butShowWorkingRangeH2_clicked()
{
    toggle(ui->butShowWorkingRangeH2, &m_showWorkingRangeH2);
}
void CustomizeDialogs::on_butUseFrequencyColorForLevelbarPL_clicked()
{
    toggle(ui->butUseFrequencyColorForLevelbarPL, &m_useFrequencyColorForLevelbarPL);
}
void CustomizeDialogs::on_butStartWithFavourite_clicked()
{
    toggle(ui->butStartWithFavourite, &m_useFavouriteForStarup);
}
void CustomizeDialogs::on_butStartWithFilter_clicked() { toggle(ui->butStartWithFilter, &m_useFilterForStarup); }

// --- Coupled toggles -----------------------------------------------------------------

// The hydrogen grid is drawn over the histogram: no grid without it.
void CustomizeDialogs::on_butShowHistogramH2_clicked()
{
    m_showHistogramH2 = !m_showHistogramH2;
    if (!m_showHistogramH2)
        m_showGridH2 = false;
    updateButtonStylesheet(ui->butShowHistogramH2, m_showHistogramH2);
    updateButtonStylesheet(ui->butShowGridH2, m_showGridH2);
}

void CustomizeDialogs::on_butShowGridH2_clicked()
{
    m_showGridH2 = !m_showGridH2;
    if (m_showGridH2)
        m_showHistogramH2 = true;
    updateButtonStylesheet(ui->butShowHistogramH2, m_showHistogramH2);
    updateButtonStylesheet(ui->butShowGridH2, m_showGridH2);
}

// Pipe locating has room for the spectrum or for the frequency value and the
// filter parameter, not for both.
void CustomizeDialogs::on_butShowFftPL_clicked()
{
    m_showFftPL = !m_showFftPL;
    if (m_showFftPL) {
        m_showFrequencyValuePL = false;
        m_showFilterParameterPL = false;
    }
    updateButtonStylesheet(ui->butShowFftPL, m_showFftPL);
    updateButtonStylesheet(ui->butShowFrequencyValuePL, m_showFrequencyValuePL);
    updateButtonStylesheet(ui->butShowFilterParameterPL, m_showFilterParameterPL);
}

void CustomizeDialogs::on_butShowFrequencyValuePL_clicked()
{
    m_showFrequencyValuePL = !m_showFrequencyValuePL;
    if (m_showFrequencyValuePL)
        m_showFftPL = false;
    updateButtonStylesheet(ui->butShowFrequencyValuePL, m_showFrequencyValuePL);
    updateButtonStylesheet(ui->butShowFftPL, m_showFftPL);
}

void CustomizeDialogs::on_butShowFilterParameterPL_clicked()
{
    m_showFilterParameterPL = !m_showFilterParameterPL;
    if (m_showFilterParameterPL)
        m_showFftPL = false;
    updateButtonStylesheet(ui->butShowFilterParameterPL, m_showFilterParameterPL);
    updateButtonStylesheet(ui->butShowFftPL, m_showFftPL);
}

// The receiver follows the toggle at once; a cancelled dialog restores the
// stored flag but not the receiver.
void CustomizeDialogs::on_butStartWithGps_clicked()
{
    if (MainMenu *window = MainMenu::getInstanceMainMenu())
        m_gpsModul = window->getGpsInstance();
    m_useGpsOnStartup = !m_useGpsOnStartup;
    if (m_gpsModul) {
        if (m_useGpsOnStartup)
            m_gpsModul->switchOnGpsModul();
        else
            m_gpsModul->switchOffGpsModul();
    }
    updateButtonStylesheet(ui->butStartWithGps, m_useGpsOnStartup);
}
