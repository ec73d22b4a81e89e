#ifndef FILTERSETTINGS_H
#define FILTERSETTINGS_H

#include "keydialog.h"

#include <cstdint>

class AudioCodecSetup;
class FreqSpectrum;
class QTimer;

namespace Ui {
class Filtersettings;
}

// The band filter of the listening path, chosen while the live level and
// spectrum are shown: the corners step through the codec's corner
// frequencies with four arrow buttons, are set by touch on the spectrum,
// follow the sensor type (automatic filter) or are switched off. Every change
// goes to the codec at once. Close records the filter in the main window
// (result 1); Escape (result 0) puts back the filter that was in force when
// the dialog opened, in the codec and in the main window's record, so that
// nothing shows a filter that is not in effect.
//
// The mute key (F10) works inside the dialog as on the measurement screens.
// With debug features the codec's 50 Hz and pre-emphasis sections can be
// switched.
class Filtersettings : public KeyDialog
{
    Q_OBJECT
public:
    explicit Filtersettings(QWidget *parent = nullptr);
    ~Filtersettings() override;

    void getFiltersettings(int *filterType, unsigned int *lowCutOffFrequency, unsigned int *highCutOffFrequency) const;
    FreqSpectrum *spectrum() const { return freqSpectrum; }

    // The step rules of the arrow buttons on a sorted list of corners: the
    // neighbour of `value` below or above, and only while it stays on its
    // side of `limit` (a low corner below the high one and the other way
    // round); otherwise `value`.
    static quint32 stepDown(const quint32 *list, int count, quint32 value, qint64 lowerLimit = -1);
    static quint32 stepUp(const quint32 *list, int count, quint32 value, qint64 upperLimit = INT64_MAX);
    // The automatic band for a sensor type (low, high).
    static void automaticBand(int sensorType, quint32 *low, quint32 *high);

public slots:
    void updateLevel();
    void updateFilter();

protected:
    void escapeReleased() override;

private slots:
    void on_butLowCutOffDown_clicked();
    void on_butLowCutOffUp_clicked();
    void on_butHighCutOffDown_clicked();
    void on_butHighCutOffUp_clicked();
    void on_butAutoFilter_clicked();
    void on_butNoFilter_clicked();
    void on_but50HzFilter_clicked();
    void on_butPreemphase_clicked();
    void on_butHeadphone_clicked();
    void on_butMicrophone_clicked();
    void on_butClose_clicked();

private:
    // Without a filter an arrow starts the band 20 .. 3900 Hz; true when
    // that happened (the arrow's own step is then not taken).
    bool startBandFromArrow();
    void showCorners();
    // setSpecialFilter, setFilter, updateFilter.
    void applyFilter();

    Ui::Filtersettings *ui;
    FreqSpectrum *freqSpectrum = nullptr;
    QTimer *m_timerLevel = nullptr;
    AudioCodecSetup *m_audioCodec = nullptr;
    quint32 m_lowCutOffFrequency = 0;
    quint32 m_highCutOffFrequency = 4000;
    int m_filterType = 0;
    quint32 m_lpFilterFrequencies[256] = {};
    quint32 m_hpFilterFrequencies[256] = {};
    int m_numLpFilter = 0;
    int m_numHpFilter = 0;
    bool m_filter50HzEnabled = false;
    bool m_filterPreemphaseEnabled = false;
    // The filter in force at the opening: in the codec, and as the main
    // window recorded it. Escape puts both back.
    quint32 m_openLow = 0, m_openHigh = 4000;
    int m_openType = 0;
    unsigned int m_recordLow = 0, m_recordHigh = 4000;
    int m_recordType = 0;
    // The codec's filter was changed while the dialog is open.
    bool m_codecChanged = false;
};

#endif // FILTERSETTINGS_H
