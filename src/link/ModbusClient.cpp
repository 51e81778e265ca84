// One Modbus RTU transaction as the client: functions 3 (read holding registers), 8
// (diagnostics, with the maker's sub-functions), 16 (write multiple registers) and 17 (report
// server identification).
//
// Status codes, by function (base 50, 70, 90, 110):
//   send failed                 50  70  90  110
//   reply shorter than 5 bytes  52  72  92  112   (silence included)
//   wrong reply length              73  93
//   CRC wrong                   53  74  94  113
//   wrong address or function   54  75  95  114
//   exception 1, 2, 3, 4, other 55-59  76-80  96-100  115-119
//   wrong byte count            60             120
//   wrong echo                      81/82  101/102
// plus 30 (port closed), 31 (another station keeps talking), 32 (request cannot be built).
//
// A reply is read with ReadData: it ends when the expected number of bytes is in, or after
// InputTimeout of silence, so an exception reply (5 bytes) is recognised only after that silence.

#include "link/Crc16.h"
#include "link/DeviceLink.h"

#include <algorithm>

namespace drumo {

namespace {

constexpr int kFrameSize = 256;
constexpr int kMaxReadRegisters = 124;   // 5 + 2 * 124 bytes fit one frame
constexpr int kMaxWriteRegisters = 123;  // 9 + 2 * 123 bytes fit one frame
constexpr int kMaxIdentifyReply = 251;
constexpr uint16_t kEraseSubFunction = 0xFFF3;
constexpr int kEraseExtraMs = 3000;

// The status for an exception code: first, first + 1, ... for codes 1..4, first + 4 otherwise.
int ExceptionStatus(int first, uint8_t exception) {
    return exception >= 1 && exception <= 4 ? first + exception - 1 : first + 4;
}

uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

void PutWord(uint8_t* p, uint16_t w) {
    p[0] = static_cast<uint8_t>(w >> 8);
    p[1] = static_cast<uint8_t>(w & 0xFF);
}

// Checks shared by every reply: length, CRC, address and function, exception. Returns 0 when the
// reply is a normal one, otherwise the status. `codes` are the statuses of the function for a short
// reply, a wrong length (0 when the function has no such check), a bad CRC, a wrong address or
// function, and the first exception code.
struct ReplyCodes {
    int Short, Length, Crc, Address, Exception;
};

int CheckReply(const uint8_t* reply, size_t r, uint8_t address, uint8_t function, const ReplyCodes& c) {
    if (r < 5) return c.Short;
    if (c.Length && r != 5 && r != 8) return c.Length;
    if (Crc16(reply, r) != 0) return c.Crc;
    if (reply[0] != address || (reply[1] & 0x7F) != function) return c.Address;
    if (reply[1] == (function | 0x80)) return ExceptionStatus(c.Exception, reply[2]);
    return 0;
}

// Registers from the data bytes of a reply (address, function, byte count, data, CRC).
uint16_t TakeRegisters(const uint8_t* reply, size_t r, uint16_t* data) {
    const uint16_t count = static_cast<uint16_t>((r - 5) / 2);
    for (uint16_t i = 0; i < count; ++i) data[i] = Word(reply + 3 + 2 * i);
    return count;
}

}  // namespace

bool DeviceLink::ModbusRequest(uint8_t address, uint8_t function, uint16_t start, uint16_t& count,
                               uint16_t* data) {
    LinkStatus = lsOk;
    if (!SerialLink.Connected()) {
        LinkStatus = lsPortClosed;
        return false;
    }
    const double t = ByteTime(SerialLink.BaudRateValue());
    if (!DrainLine()) return false;
    switch (function) {
        case 3: ModbusRead(address, start, count, data, t); break;
        case 8: ModbusDiagnostics(address, start, count, t); break;
        case 16: ModbusWrite(address, start, count, data, t); break;
        case 17: ModbusIdentify(address, count, data, t); break;
        default: LinkStatus = lsNotInLibrary; break;
    }
    return LinkStatus == lsOk;
}

// Clears the line before a request: whatever is still arriving is read and thrown away. A line
// that does not fall silent within seven reads of up to 1000 bytes belongs to another station.
bool DeviceLink::DrainLine() {
    SerialLink.FlushBuffers(true, true);
    SerialLink.SetInputTimeout(20);
    uint8_t sink[1000];
    for (int reads = 1;; ++reads) {
        if (SerialLink.ReadData(sink, sizeof sink) == 0) break;
        if (reads >= 7) {
            LinkStatus = lsForeignStation;
            return false;
        }
    }
    SerialLink.FlushBuffers(true, true);
    return true;
}

void DeviceLink::ModbusRead(uint8_t address, uint16_t start, uint16_t& count, uint16_t* data, double t) {
    const int n = count;
    if (n > kMaxReadRegisters) {
        LinkStatus = lsNotInLibrary;
        return;
    }
    uint8_t frame[kFrameSize] = {address, 3};
    PutWord(frame + 2, start);
    PutWord(frame + 4, count);
    AppendCrc16(frame, 6);
    if (SerialLink.SendData(frame, 8, 50) < 8) {
        LinkStatus = 50;
        return;
    }
    SerialLink.SetInputTimeout(RoundHalfEven((2 * n + 5) * t * 1000 * 2 + AdditionalDelay));
    uint8_t reply[kFrameSize] = {};
    const size_t r = SerialLink.ReadData(reply, 2 * n + 5);
    if (const int bad = CheckReply(reply, r, address, 3, {52, 0, 53, 54, 55})) {
        LinkStatus = bad;
        return;
    }
    if (r % 2 == 0 || reply[2] != r - 5) {
        LinkStatus = 60;
        return;
    }
    count = TakeRegisters(reply, r, data);
}

void DeviceLink::ModbusDiagnostics(uint8_t address, uint16_t sub, uint16_t value, double t) {
    uint8_t frame[kFrameSize] = {address, 8};
    PutWord(frame + 2, sub);
    PutWord(frame + 4, value);
    AppendCrc16(frame, 6);
    if (SerialLink.SendData(frame, 8, 50) < 8) {
        LinkStatus = 70;
        return;
    }
    int timeout = RoundHalfEven(8 * t * 1000 * 2 + AdditionalDelay - 50);
    if (sub == kEraseSubFunction) timeout += kEraseExtraMs;
    SerialLink.SetInputTimeout(timeout);
    uint8_t reply[kFrameSize] = {};
    const size_t r = SerialLink.ReadData(reply, 8);
    if (const int bad = CheckReply(reply, r, address, 8, {72, 73, 74, 75, 76})) {
        LinkStatus = bad;
        return;
    }
    // A 5-byte frame that is no exception cannot carry the echo.
    if (r != 8) {
        LinkStatus = 73;
        return;
    }
    if (Word(reply + 2) != sub) {
        LinkStatus = 81;
        return;
    }
    if (Word(reply + 4) != value) LinkStatus = 82;
}

void DeviceLink::ModbusWrite(uint8_t address, uint16_t start, uint16_t count, const uint16_t* data, double t) {
    const int n = count;
    if (n > kMaxWriteRegisters) {
        LinkStatus = lsNotInLibrary;
        return;
    }
    uint8_t frame[kFrameSize] = {address, 16};
    PutWord(frame + 2, start);
    PutWord(frame + 4, count);
    frame[6] = static_cast<uint8_t>(2 * n);
    for (int i = 0; i < n; ++i) PutWord(frame + 7 + 2 * i, data[i]);
    AppendCrc16(frame, 7 + 2 * n);
    const size_t length = 2 * n + 9;
    const int sendTimeout = RoundHalfEven((2 * n + 9) * t * 1000 * 2 + 50);
    if (SerialLink.SendData(frame, length, sendTimeout) < length) {
        LinkStatus = 90;
        return;
    }
    SerialLink.SetInputTimeout(RoundHalfEven((2 * n + 9) * t * 1000 * 2 + AdditionalDelay));
    uint8_t reply[kFrameSize] = {};
    const size_t r = SerialLink.ReadData(reply, 8);
    if (const int bad = CheckReply(reply, r, address, 16, {92, 93, 94, 95, 96})) {
        LinkStatus = bad;
        return;
    }
    if (r != 8) {
        LinkStatus = 93;
        return;
    }
    if (Word(reply + 2) != start) {
        LinkStatus = 101;
        return;
    }
    if (Word(reply + 4) != count) LinkStatus = 102;
}

void DeviceLink::ModbusIdentify(uint8_t address, uint16_t& count, uint16_t* data, double t) {
    uint8_t frame[4] = {address, 17};
    AppendCrc16(frame, 2);
    if (SerialLink.SendData(frame, 4, 50) < 4) {
        LinkStatus = 110;
        return;
    }
    SerialLink.SetInputTimeout(RoundHalfEven(kMaxIdentifyReply * t * 1000 + AdditionalDelay));
    uint8_t reply[kFrameSize] = {};
    const size_t r = SerialLink.ReadData(reply, kMaxIdentifyReply);
    if (const int bad = CheckReply(reply, r, address, 17, {112, 0, 113, 114, 115})) {
        LinkStatus = bad;
        return;
    }
    if (r % 2 == 0 || reply[2] != r - 5) {
        LinkStatus = 120;
        return;
    }
    count = TakeRegisters(reply, r, data);
}

}  // namespace drumo
