#pragma once
// TComBuf: finds the 7-byte sensor frames that older controllers stream unasked, checks them, and
// hands each reading (sensor number 1..256, temperature in degrees Celsius) to a handler.
//
//   b0  0 1 x x  s7 s6 s5 s4        s = sensor number - 1
//   b1  1 s3 s2 s1 s0 sign m22 m21  m = magnitude in thousandths of a degree
//   b2  1 m20..m14
//   b3  1 m13..m7
//   b4  1 m6..m0
//   b5  1 c13..c7                   c = 16382 - (b0 + b1 + b2 + b3 + b4)
//   b6  1 c6..c0
//
// Only b0 has bit 7 clear, so a frame can only match when the window starts at a frame boundary;
// the stream needs no other synchronisation. The window slides by one byte per byte fed and is
// never emptied after a frame. A temperature of exactly +1000.000 marks a sensor without a
// reading and is delivered as -273.0.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace drumo {

class TComBuf {
public:
    using Handler = std::function<void(int sensor, double celsius)>;

    explicit TComBuf(unsigned frameLength = 7);
    virtual ~TComBuf() = default;

    void SetHandler(Handler handler) { handler_ = std::move(handler); }
    const Handler& GetHandler() const { return handler_; }

    void PutByte(uint8_t b);
    // The feed assigned to the channel's OnReceiveData while the sensor stream is received.
    void PutBytes(const uint8_t* data, size_t count);
    size_t Count() const { return window_.size(); }

    // The window holds a whole frame whose marker bits are right.
    virtual bool FrameShapeOk() const;
    // The window's check bytes agree with its first five bytes.
    virtual bool ChecksumOk() const;
    int SensorNumber() const;
    double Temperature() const;

private:
    unsigned frameLength_;
    std::vector<uint8_t> window_;
    Handler handler_;
};

// The seven bytes of a reading (for simulated controllers and tests). millidegrees is limited to
// the 23-bit magnitude.
std::vector<uint8_t> EncodeSensorFrame(int sensor, int millidegrees);

}  // namespace drumo
