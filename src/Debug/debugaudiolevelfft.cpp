#include "debugaudiolevelfft.h"
#include "ui_debugaudiolevelfft.h"

#include "backgroundrecording.h"
#include "deviceroot.h"
#include "fifoaudioinput.h"
#include "freqspectrum.h"
#include "mediabackend.h"
#include "medialibrary.h"
#include "qtaudiodevices.h"

#include <QDebug>
#include <QTimer>

DebugAudioLevelFft::DebugAudioLevelFft(QWidget *parent)
    : KeyDialog(parent), ui(new Ui::DebugAudioLevelFft)
{
    ui->setupUi(this);
    fftDisplay = new FreqSpectrum();
    ui->spectrumLayout->addWidget(fftDisplay, 0);
    // Laid out now, so that the picture gets the widget's real size.
    ui->spectrumLayout->activate();
    fftDisplay->init(fftDisplay->getRect().width(), fftDisplay->getRect().height());
    fftDisplay->drawScale();

    // A triangle, so the widget shows that it draws before any capture.
    float pattern[LevelCapture::kSamples];
    for (int i = 0; i < LevelCapture::kSamples; ++i)
        pattern[i] = i < 256 ? float(i) : float(512 - i);
    fftDisplay->drawFft(pattern, true);

    m_stopTimer = new QTimer(this);
    m_stopTimer->setSingleShot(true);
    connect(m_stopTimer, &QTimer::timeout, this, &DebugAudioLevelFft::stopRecording);
}

DebugAudioLevelFft::~DebugAudioLevelFft()
{
    m_stopTimer->stop();
    stopRecording();
    delete fftDisplay;
    delete ui;
}

void DebugAudioLevelFft::message(const QString &text)
{
    ui->textEditMessages->append(text);
}

void DebugAudioLevelFft::on_butDo_clicked()
{
    // A running capture ends before the next one starts.
    stopRecording();

    // 16000 Hz, mono, 16 bits, as the recording asks for.
    PcmFormat format = BackgroundRecording::recordingFormat();

    const bool board = DeviceRoot::isBoard();
    MediaBackend *backend = nullptr;
    QString inputDevice;
    if (board) {
        // Without the sound module there is no device, as on a board without one.
        backend = MediaLibrary::backend();
        inputDevice = backend ? backend->defaultDevice(MediaBackend::Input) : QString();
        ui->lineEditAudioInputDevice->setText(inputDevice);
        ui->lineEditAudioOutputDevice->setText(backend ? backend->defaultDevice(MediaBackend::Output) : QString());
        if (inputDevice.isEmpty()) {
            message(QStringLiteral("No audio input device."));
            return;
        }
        if (!backend->isFormatSupported(MediaBackend::Input, inputDevice, format)) {
            qDebug() << "Format wird nicht unterstützt.";
            format = backend->nearestFormat(MediaBackend::Input, inputDevice, format);
        }
    } else {
        ui->lineEditAudioInputDevice->setText(QStringLiteral("simulated microphone %1")
                                                  .arg(QString::fromLatin1(FifoAudioInputSource::kBoardPath)));
        ui->lineEditAudioOutputDevice->setText(QStringLiteral("none (simulated board)"));
    }
    ui->lineEditAudioInputDevice->setCursorPosition(0);
    ui->lineEditAudioOutputDevice->setCursorPosition(0);
    m_format = format;

    m_capture.reset();
    m_rmsLevel = 0;
    m_peakLevel = 0;
    // Whatever format the device gave, the analysis runs every 100 ms of it.
    m_analysisStep = qMax<qint64>(2, format.bytesForDuration(kAnalysisMs * 1000));
    m_nextAnalysis = m_analysisStep;

    if (board)
        m_audioInput = new QtAudioInputSource(backend, inputDevice, format, this);
    else
        m_audioInput = new FifoAudioInputSource(this);
    connect(m_audioInput, &AudioInputSource::stateChanged, this, &DebugAudioLevelFft::handleStateChanged,
            Qt::UniqueConnection);
    m_stopTimer->start(kCaptureMs);

    m_audioInputIODevice = m_audioInput->start();
    if (!m_audioInputIODevice) {
        message(QStringLiteral("No audio input device (error %1).").arg(int(m_audioInput->error())));
        stopRecording();
        return;
    }
    connect(m_audioInputIODevice, &QIODevice::readyRead, this, &DebugAudioLevelFft::audioDataReady,
            Qt::UniqueConnection);
}

void DebugAudioLevelFft::stopRecording()
{
    m_stopTimer->stop();
    if (!m_audioInput)
        return;
    AudioInputSource *input = m_audioInput;
    m_audioInput = nullptr;
    m_audioInputIODevice = nullptr;
    input->stop();
    // Deleted from the event loop: the stop may come from inside one of the
    // input's own signals.
    input->disconnect(this);
    input->deleteLater();
}

void DebugAudioLevelFft::handleStateChanged(QAudio::State state)
{
    switch (state) {
    case QAudio::ActiveState:
        qDebug() << "Started recording";
        break;
    case QAudio::StoppedState:
        if (m_audioInput && m_audioInput->error() != QAudio::NoError) {
            qDebug() << "Error recording";
            message(QStringLiteral("Capture stopped: input error %1.").arg(int(m_audioInput->error())));
        } else {
            qDebug() << "Finished recording";
        }
        break;
    default:
        qDebug() << "State:" << audioStateName(state);
        break;
    }
}

void DebugAudioLevelFft::audioDataReady()
{
    if (!m_audioInputIODevice)
        return;
    if (m_capture.readFrom(m_audioInputIODevice) > 0)
        analyseWhenDue();
}

void DebugAudioLevelFft::takeIn(const QByteArray &bytes)
{
    m_capture.append(bytes.constData(), bytes.size());
    analyseWhenDue();
}

void DebugAudioLevelFft::analyseWhenDue()
{
    if (m_capture.dataLength() < m_nextAnalysis)
        return;
    // One picture per intake, however many 100 ms steps it brought.
    m_nextAnalysis = (m_capture.dataLength() / m_analysisStep + 1) * m_analysisStep;
    calculateLevel();
}

void DebugAudioLevelFft::calculateLevel()
{
    float samples[LevelCapture::kSamples];
    m_capture.latestSamples(samples);
    const LevelCapture::Levels l = LevelCapture::levels(samples, LevelCapture::kSamples);
    m_rmsLevel = l.rms;
    m_peakLevel = l.peak;
    ui->progBarAudioLevel->setValue(int(m_rmsLevel * 100));
    ui->progBarAudioLevelPeak->setValue(int(m_peakLevel * 100));
    qDebug() << "m_dataLength" << m_capture.dataLength();

    float bins[LevelCapture::kBins];
    LevelCapture::magnitudes(samples, bins);
    fftDisplay->init(fftDisplay->getRect().width(), fftDisplay->getRect().height());
    fftDisplay->drawScale();
    fftDisplay->drawFft(bins, true);
    fftDisplay->drawData(samples);
    fftDisplay->update();
}

void DebugAudioLevelFft::on_butHome_clicked()
{
    close();
}

void DebugAudioLevelFft::on_butClear_clicked()
{
    ui->textEditMessages->clear();
}
