#include "link/ComBuf.h"

#include <algorithm>
#include <cstdlib>

namespace drumo {

namespace {

constexpr size_t kFrameBytes = 7;
constexpr int kChecksumBase = 16382;
constexpr int kMaxMagnitude = (1 << 23) - 1;

}  // namespace

TComBuf::TComBuf(unsigned frameLength) : frameLength_(frameLength == 0 ? 1 : frameLength) {
    window_.reserve(frameLength_);
}

void TComBuf::PutByte(uint8_t b) {
    if (window_.size() >= frameLength_) window_.erase(window_.begin());
    window_.push_back(b);
    if (window_.size() < frameLength_ || !FrameShapeOk() || !ChecksumOk()) return;
    const double celsius = Temperature();
    if (handler_) handler_(SensorNumber(), celsius);
}

void TComBuf::PutBytes(const uint8_t* data, size_t count) {
    for (size_t i = 0; i < count; ++i) PutByte(data[i]);
}

bool TComBuf::FrameShapeOk() const {
    if (window_.size() < kFrameBytes) return false;
    if ((window_[0] & 0xC0) != 0x40) return false;
    return std::all_of(window_.begin() + 1, window_.begin() + kFrameBytes,
                       [](uint8_t b) { return (b & 0x80) != 0; });
}

bool TComBuf::ChecksumOk() const {
    if (window_.size() < kFrameBytes) return false;
    int sum = 0;
    for (size_t i = 0; i < 5; ++i) sum += window_[i];
    return (window_[5] & 0x7F) * 128 + (window_[6] & 0x7F) == kChecksumBase - sum;
}

int TComBuf::SensorNumber() const {
    if (window_.size() < 2) return 0;
    return (window_[0] & 0x0F) * 16 + ((window_[1] & 0x78) >> 3) + 1;
}

double TComBuf::Temperature() const {
    if (window_.size() < 5) return 0.0;
    const int magnitude = (window_[1] & 0x03) << 21 | (window_[2] & 0x7F) << 14 |
                          (window_[3] & 0x7F) << 7 | (window_[4] & 0x7F);
    const bool negative = (window_[1] & 0x04) != 0;
    if (!negative && magnitude == 1000000) return -273.0;
    const double celsius = magnitude / 1000.0;
    return negative ? -celsius : celsius;
}

std::vector<uint8_t> EncodeSensorFrame(int sensor, int millidegrees) {
    const int s = std::clamp(sensor, 1, 256) - 1;
    const int m = std::min(std::abs(millidegrees), kMaxMagnitude);
    std::vector<uint8_t> f(kFrameBytes);
    f[0] = static_cast<uint8_t>(0x40 | (s >> 4));
    f[1] = static_cast<uint8_t>(0x80 | (s & 0x0F) << 3 | (millidegrees < 0 ? 0x04 : 0) | (m >> 21));
    f[2] = static_cast<uint8_t>(0x80 | ((m >> 14) & 0x7F));
    f[3] = static_cast<uint8_t>(0x80 | ((m >> 7) & 0x7F));
    f[4] = static_cast<uint8_t>(0x80 | (m & 0x7F));
    const int sum = f[0] + f[1] + f[2] + f[3] + f[4];
    const int check = kChecksumBase - sum;
    f[5] = static_cast<uint8_t>(0x80 | ((check >> 7) & 0x7F));
    f[6] = static_cast<uint8_t>(0x80 | (check & 0x7F));
    return f;
}

}  // namespace drumo
