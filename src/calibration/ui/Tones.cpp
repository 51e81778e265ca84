#include "calibration/ui/Tones.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>

#include <cmath>
#include <numbers>

namespace drumo {

namespace {
constexpr int Rate = 22050;
}

TonePlayer::TonePlayer(QObject* parent) : QObject(parent) {}
TonePlayer::~TonePlayer() {
    if (sink_) sink_->stop();
}

QByteArray TonePlayer::Samples(const std::vector<Tone>& tones, int rate) {
    QByteArray bytes;
    for (const Tone& tone : tones) {
        const int n = rate * tone.Ms / 1000;
        for (int i = 0; i < n; ++i) {
            // A short fade at both ends keeps the tone from clicking.
            const double edge = std::min({1.0, i / 100.0, (n - i) / 100.0});
            const auto v = static_cast<int16_t>(12000 * edge * std::sin(2 * std::numbers::pi * tone.Hz * i / rate));
            bytes.append(static_cast<char>(v & 0xFF));
            bytes.append(static_cast<char>((v >> 8) & 0xFF));
        }
    }
    return bytes;
}

void TonePlayer::Play(const std::vector<Tone>& tones) {
    if (tones.empty()) return;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) return;
    QAudioFormat format;
    format.setSampleRate(Rate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) return;
    if (sink_) sink_->stop();
    buffer_ = std::make_unique<QBuffer>();
    buffer_->setData(Samples(tones, Rate));
    buffer_->open(QIODevice::ReadOnly);
    sink_ = std::make_unique<QAudioSink>(device, format);
    sink_->start(buffer_.get());
}

}  // namespace drumo
