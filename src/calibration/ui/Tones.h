#pragma once
// Tones played one after another through the sound output: each a sine of the given frequency and
// length. Where the machine has no sound output nothing is heard and nothing fails.

#include <QObject>

#include <memory>
#include <vector>

#include "calibration/Numbering.h"

class QAudioSink;
class QBuffer;

namespace drumo {

class TonePlayer : public QObject {
    Q_OBJECT
public:
    explicit TonePlayer(QObject* parent = nullptr);
    ~TonePlayer() override;

    void Play(const std::vector<Tone>& tones);
    // The 16-bit mono samples of the tones at `rate` samples a second.
    static QByteArray Samples(const std::vector<Tone>& tones, int rate);

private:
    std::unique_ptr<QAudioSink> sink_;
    std::unique_ptr<QBuffer> buffer_;
};

}  // namespace drumo
