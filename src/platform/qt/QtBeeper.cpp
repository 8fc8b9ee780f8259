#include "platform/qt/QtBeeper.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>

// Feeds the sink from the tone queue: tones, then silence, never an end.
class ToneDevice final : public QIODevice {
public:
    explicit ToneDevice(ToneQueue& queue) : m_queue(queue) { open(QIODevice::ReadOnly); }

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return 4096 + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        auto frames = static_cast<size_t>(maxSize / 2);
        m_queue.Render(std::span<int16_t>(reinterpret_cast<int16_t*>(data), frames));
        return static_cast<qint64>(frames * 2);
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    ToneQueue& m_queue;
};

QtBeeper::QtBeeper()
{
    QAudioDevice output = QMediaDevices::defaultAudioOutput();
    if (output.isNull())
        return;
    QAudioFormat format;
    format.setSampleRate(kSampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!output.isFormatSupported(format))
        return;
    m_device = std::make_unique<ToneDevice>(m_queue);
    m_sink = std::make_unique<QAudioSink>(output, format);
    // Small buffer: a tone starts within a few tens of milliseconds.
    m_sink->setBufferSize(kSampleRate / 20 * 2);
    m_sink->start(m_device.get());
}

QtBeeper::~QtBeeper()
{
    if (m_sink != nullptr)
        m_sink->stop();
}

void QtBeeper::Tone(int frequencyHz, int durationMs)
{
    if (m_sink != nullptr)
        m_queue.Add(frequencyHz, durationMs);
}

void QtBeeper::Beep(SystemBeep kind)
{
    switch (kind) {
    case SystemBeep::Information:
        Tone(1000, 70);
        Tone(1320, 90);
        return;
    case SystemBeep::Warning:
        Tone(660, 120);
        Tone(660, 120);
        return;
    case SystemBeep::Error:
        Tone(330, 250);
        return;
    case SystemBeep::Default:
        Tone(800, 120);
        return;
    }
}
