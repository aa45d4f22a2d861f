// "FFT": the amplitude spectra of a trigger capture's four channels, with
// the drive's notch filter parameters beside them. The user plots one
// channel's spectrum, reads its strongest frequency and amplitude, and
// reads or writes the notch filter (use, frequency, bandwidth) so that a
// mechanical resonance is suppressed. A modal window of the trigger window,
// which hands it the spectra before each showing.
#pragma once

#include "drive/capture/capture_csv.h"
#include "drive/capture/notch/notch_filter.h"
#include "drive/capture/spectrum.h"

#include <QDialog>
#include <QString>

#include <array>

class CChartView;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tarvex {

class MessageService;

namespace graphs {
class IntegerEdit;
}

class CNotchFilterDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDefaultYMax = 40;
    static constexpr int kDefaultYMin = 0;

    explicit CNotchFilterDlg(QWidget *parent = nullptr);
    ~CNotchFilterDlg() override;

    void setDriveConnection(DriveConnection *drive) { m_notch.setDriveConnection(drive); }
    void setLinkRunner(CNotchFilter::LinkRunner runner) { m_notch.setLinkRunner(std::move(runner)); }
    // The spectra of a capture whose samples were taken every `samplePeriod`
    // seconds: the frequency axis and the peak read-out follow it.
    void setSpectra(const std::array<graphs::Spectrum, 4> &spectra, double samplePeriod);
    // The same for spectra of `inputLength` samples (a trace run, a range
    // shown); `title` says what they are of.
    void setSpectra(const std::array<std::vector<double>, 4> &spectra, double samplePeriod, std::size_t inputLength,
                    const QString &title = QString());

    // Shows the window modally: the opening (a silent read of the notch
    // parameters and a fresh chart), the user's session, then the end of
    // the showing, so that the next one starts with a silent read again.
    void present();
    void OnInitDialog();
    void OnDestroy();

    // The commands of the buttons.
    void OnApply();
    void OnRead();
    void OnWrite();
    void OnChannel(int channel);
    // Puts the peak shown into the notch frequency edit; nothing is sent
    // before "Write".
    void OnUsePeak();
    // Magnitudes in dB (20 log10) instead of linear amplitudes.
    void setLogarithmic(bool on);
    bool isLogarithmic() const { return m_logarithmic; }

    // The spectrum shown as frequency and amplitude: what "Export CSV..."
    // writes (no rows before a channel is shown).
    graphs::CsvTable csvTable() const;

    // --- observation ---------------------------------------------------
    const notch::NotchParameters &parameters() const { return m_parameters; }
    int peakFrequency() const { return m_peakFrequency; }
    const QString &peakAmplitude() const { return m_peakAmplitude; }
    const std::array<std::vector<double>, 4> &spectra() const { return m_spectra; }
    std::size_t inputLength() const { return m_inputLength; }
    bool firstReadDone() const { return m_firstReadDone; }

    CChartView &chart() { return *m_chart; }
    graphs::IntegerEdit &maxEdit() { return *m_maxEdit; }
    graphs::IntegerEdit &minEdit() { return *m_minEdit; }
    graphs::IntegerEdit &useEdit() { return *m_useEdit; }
    graphs::IntegerEdit &frequencyEdit() { return *m_frequencyEdit; }
    graphs::IntegerEdit &bandwidthEdit() { return *m_bandwidthEdit; }
    QLineEdit &dataField() { return *m_dataField; }
    QLineEdit &highFrequencyField() { return *m_highFrequencyField; }
    QPushButton &applyButton() { return *m_applyButton; }
    QPushButton &readButton() { return *m_readButton; }
    QPushButton &writeButton() { return *m_writeButton; }
    QPushButton &usePeakButton() { return *m_usePeakButton; }
    QCheckBox &logBox() { return *m_logBox; }
    QPushButton &channelButton(int channel) { return *m_channelButtons[static_cast<std::size_t>(channel & 3)]; }

private:
    void buildControls();
    void setUpChart();
    void showParameters();
    void plotShownChannel();
    int bins() const { return static_cast<int>(m_spectra[0].size()); }
    MessageService *messages() const;
    // Why the peak of a capture sampled too slowly to cover the notch range
    // is not put into the notch; empty when the sampling covers it.
    QString samplingTooSlowText() const;

    CNotchFilter m_notch;
    std::array<std::vector<double>, 4> m_spectra;
    std::size_t m_inputLength = graphs::kSpectrumInput;
    QString m_title;
    bool m_logarithmic = false;
    double m_samplePeriod = graphs::captureSamplePeriod(1);
    notch::NotchParameters m_parameters;
    bool m_firstReadDone = false;
    int m_peakFrequency = 0;
    QString m_peakAmplitude = QStringLiteral("0.00");
    int m_shownChannel = -1; // the channel whose spectrum is plotted

    CChartView *m_chart = nullptr;
    graphs::IntegerEdit *m_maxEdit = nullptr;
    graphs::IntegerEdit *m_minEdit = nullptr;
    graphs::IntegerEdit *m_useEdit = nullptr;
    graphs::IntegerEdit *m_frequencyEdit = nullptr;
    graphs::IntegerEdit *m_bandwidthEdit = nullptr;
    QLineEdit *m_dataField = nullptr;
    QLineEdit *m_highFrequencyField = nullptr;
    QPushButton *m_applyButton = nullptr;
    QPushButton *m_readButton = nullptr;
    QPushButton *m_writeButton = nullptr;
    std::array<QPushButton *, 4> m_channelButtons{};
    QPushButton *m_usePeakButton = nullptr;
    QCheckBox *m_logBox = nullptr;
    QLabel *m_titleLabel = nullptr;
};

} // namespace tarvex
