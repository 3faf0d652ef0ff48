// The tone of a given pitch and length, in a module of its own that the program loads when it
// first beeps: the sound libraries then cost the start of the program nothing.

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>
#include <QtMath>

namespace {

struct Output {
    QAudioDevice device;
    QAudioFormat format;
    bool usable = false;
};

// The sound device is looked up once: tones come from inside the link's processing step.
const Output& DefaultOutput() {
    static const Output output = [] {
        Output o;
        o.device = QMediaDevices::defaultAudioOutput();
        o.format.setSampleRate(22050);
        o.format.setChannelCount(1);
        o.format.setSampleFormat(QAudioFormat::Int16);
        o.usable = !o.device.isNull() && o.device.isFormatSupported(o.format);
        return o;
    }();
    return output;
}

} // namespace

// Plays a sine tone; false when there is no sound device that can (the caller beeps then).
extern "C" Q_DECL_EXPORT bool vlakomat_play_tone(int frequencyHz, int lengthMs) {
    const Output& out = DefaultOutput();
    if (!out.usable || frequencyHz <= 0 || lengthMs <= 0)
        return false;
    const int rate = out.format.sampleRate();
    const int samples = rate * lengthMs / 1000;
    QByteArray pcm(static_cast<qsizetype>(samples) * 2, Qt::Uninitialized);
    auto* data = reinterpret_cast<qint16*>(pcm.data());
    for (int i = 0; i < samples; ++i)
        data[i] = static_cast<qint16>(12000 * qSin(2 * M_PI * frequencyHz * i / double(rate)));
    // The sink and its buffer delete themselves once the tone has played.
    auto* buffer = new QBuffer;
    buffer->setData(pcm);
    buffer->open(QIODevice::ReadOnly);
    auto* sink = new QAudioSink(out.device, out.format);
    buffer->setParent(sink);
    QObject::connect(sink, &QAudioSink::stateChanged, sink, [sink](QAudio::State state) {
        if (state == QAudio::IdleState || state == QAudio::StoppedState)
            sink->deleteLater();
    });
    sink->start(buffer);
    return true;
}
