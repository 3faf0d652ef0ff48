#include "app/QtPlatform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>
#include <QMessageBox>
#include <QtMath>

void QtPrompts::EndSession() {
    ending_ = true;
    for (QWidget* modal; (modal = QApplication::activeModalWidget()) != nullptr;)
        if (!modal->close())
            break;
}

PromptAnswer QtPrompts::Ask(const std::string& text, PromptButtons buttons, PromptIcon icon) {
    if (ending_)
        return buttons == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Cancel;
    // Over the window the operator works in (a throttle), else over the main window.
    QWidget* owner = QApplication::activeWindow();
    QMessageBox box(owner ? owner : parent_.data());
    box.setObjectName(QStringLiteral("MessageBox")); // F1 explains the program's messages
    box.setWindowTitle(QStringLiteral("Vlakomat"));
    box.setText(QString::fromStdString(text));
    switch (icon) {
    case PromptIcon::None:
        break;
    case PromptIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case PromptIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case PromptIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case PromptIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    switch (buttons) {
    case PromptButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return PromptAnswer::Ok;
    case PromptButtons::OkCancel: {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("Prekliči"));
        return box.exec() == QMessageBox::Ok ? PromptAnswer::Ok : PromptAnswer::Cancel;
    }
    case PromptButtons::YesNo: {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("Da"));
        box.button(QMessageBox::No)->setText(QStringLiteral("Ne"));
        return box.exec() == QMessageBox::Yes ? PromptAnswer::Yes : PromptAnswer::No;
    }
    case PromptButtons::YesNoCancel: {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("Da"));
        box.button(QMessageBox::No)->setText(QStringLiteral("Ne"));
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("Prekliči"));
        const int answer = box.exec();
        return answer == QMessageBox::Yes  ? PromptAnswer::Yes
               : answer == QMessageBox::No ? PromptAnswer::No
                                           : PromptAnswer::Cancel;
    }
    }
    return PromptAnswer::Ok;
}

void QtBeeper::Tone(int frequencyHz, int lengthMs) {
    // The sound device is looked up once: tones come from inside the link's processing step.
    if (!looked_) {
        looked_ = true;
        device_ = QMediaDevices::defaultAudioOutput();
        format_.setSampleRate(22050);
        format_.setChannelCount(1);
        format_.setSampleFormat(QAudioFormat::Int16);
        usable_ = !device_.isNull() && device_.isFormatSupported(format_);
    }
    const QAudioDevice& device = device_;
    const QAudioFormat& format = format_;
    if (!usable_ || frequencyHz <= 0 || lengthMs <= 0) {
        QApplication::beep();
        return;
    }
    const int samples = format.sampleRate() * lengthMs / 1000;
    QByteArray pcm(samples * 2, Qt::Uninitialized);
    auto* out = reinterpret_cast<qint16*>(pcm.data());
    for (int i = 0; i < samples; ++i)
        out[i] = static_cast<qint16>(
            12000 * qSin(2 * M_PI * frequencyHz * i / double(format.sampleRate())));
    // The sink and its buffer delete themselves once the tone has played.
    auto* buffer = new QBuffer;
    buffer->setData(pcm);
    buffer->open(QIODevice::ReadOnly);
    auto* sink = new QAudioSink(device, format);
    buffer->setParent(sink);
    QObject::connect(sink, &QAudioSink::stateChanged, sink, [sink](QAudio::State state) {
        if (state == QAudio::IdleState || state == QAudio::StoppedState)
            sink->deleteLater();
    });
    sink->start(buffer);
}
