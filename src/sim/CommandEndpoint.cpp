#include "sim/CommandEndpoint.h"

#include "link/Crc16.h"

#include <algorithm>

namespace drumo::sim {
namespace {

constexpr int kStreamTag = 3;
constexpr int kTalkerTag = 7;

uint16_t Checksum(const uint8_t* data, size_t n) {
    unsigned sum = 0;
    for (size_t i = 0; i < n; ++i) sum += data[i];
    return static_cast<uint16_t>(0xFFFE - sum);
}

// A request is whole when no byte has come for this long.
int64_t GapUs(const LineState& line) { return std::max<int64_t>(20000, line.ByteTimeUs() * 20); }

}  // namespace

CommandEndpoint::CommandEndpoint(Clock& clock, std::unique_ptr<Hexar> device)
    : clock_(clock), device_(std::move(device)) {
    if (device_->Type() == Hexar100Type) {
        boot_ = std::make_unique<BootLoader>(clock);
        boot_->LoadSampleFirmware(96);
    }
    nextStreamMs_ = clock_.TickMs() + device_->PeriodMs();
}

bool CommandEndpoint::Busy() const { return clock_.TickMs() < busyUntilMs_; }

void CommandEndpoint::Heard(const uint8_t* data, size_t n, const LineState& line, int64_t nowUs, Transmitter& tx) {
    if (!device_->PoweredOn || Busy()) return;
    if (StrictSpeed && line.Baud != device_->Baud()) return;  // noise at a foreign speed
    if (!buffer_.empty() && nowUs - lastByteUs_ > GapUs(line)) buffer_.clear();
    lastByteUs_ = nowUs;
    buffer_.insert(buffer_.end(), data, data + n);
    Process(tx);
}

void CommandEndpoint::Process(Transmitter& tx) {
    while (!buffer_.empty()) {
        if (buffer_[0] == 0xFF && boot_) {
            if (!ProcessModbus(tx)) return;
            continue;
        }
        if (buffer_.size() < 3) return;
        const uint8_t code = buffer_[0];
        const uint8_t length = buffer_[1];
        if (static_cast<uint8_t>(254 - code - length) != buffer_[2]) {
            buffer_.clear();
            SendStatus(1, tx);
            return;
        }
        if (code <= 63) {
            buffer_.erase(buffer_.begin(), buffer_.begin() + 3);
            HandleRead(code, length, tx);
            continue;
        }
        const size_t whole = 3u + length + 2u;
        if (buffer_.size() < whole) return;  // the rest of the data is on its way
        const std::vector<uint8_t> payload(buffer_.begin() + 3, buffer_.begin() + 3 + length);
        const uint16_t sent = static_cast<uint16_t>(buffer_[3 + length] << 8 | buffer_[4 + length]);
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<long>(whole));
        if (sent != Checksum(payload.data(), payload.size())) {
            SendStatus(1, tx);
            continue;
        }
        HandleWrite(code, payload, tx);
    }
}

bool CommandEndpoint::ProcessModbus(Transmitter& tx) {
    if (buffer_.size() < 2) return false;
    size_t length = 0;
    switch (buffer_[1]) {
    case 3: case 8: length = 8; break;
    case 17: length = 4; break;
    case 16:
        if (buffer_.size() < 7) return false;
        length = 9u + buffer_[6];
        break;
    default:
        buffer_.clear();  // nothing this loader understands
        return true;
    }
    if (buffer_.size() < length) return false;
    std::vector<uint8_t> frame(buffer_.begin(), buffer_.begin() + static_cast<long>(length));
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<long>(length));
    if (Crc16(frame.data(), frame.size()) != 0) return true;
    ++requests_;
    boot_->Tick();
    const DeviceIdentity id{device_->Type(), 1, device_->Serial, device_->Year, device_->Firmware};
    const uint8_t* pdu = frame.data() + 1;
    const size_t n = frame.size() - 3;
    std::optional<ModbusReply> reply;
    if (boot_->Active()) {
        reply = boot_->Handle(pdu, n, id);
    } else if (pdu[0] == 8 && n == 5) {
        // The firmware hands over to the boot loader on sub-function 0xFFF0 with data 0.
        const uint16_t sub = static_cast<uint16_t>(pdu[1] << 8 | pdu[2]);
        const uint16_t value = static_cast<uint16_t>(pdu[3] << 8 | pdu[4]);
        if (sub == 0 || (sub == BootModeSubfunction && value <= 1)) {
            if (sub == BootModeSubfunction && value == 0) boot_->Enter();
            reply = ModbusReply{std::vector<uint8_t>(pdu, pdu + n)};
        } else {
            reply = ExceptionReply(8, sub == EraseSubfunction ? DeviceFailure : IllegalFunction);
        }
    } else if (pdu[0] == 17) {
        reply = RegistersReply(17, {0x0101, id.Type, id.Variant, id.Serial, id.Year, id.Firmware});
    } else {
        reply = ExceptionReply(pdu[0], IllegalFunction);
    }
    const Fault fault = faults_.NextReply();
    if (!reply || fault.Kind == FaultKind::Silence) return true;
    std::vector<uint8_t> bytes = {0xFF};
    bytes.insert(bytes.end(), reply->Pdu.begin(), reply->Pdu.end());
    bytes.resize(bytes.size() + 2);
    AppendCrc16(bytes.data(), bytes.size() - 2);
    tx.Send(std::move(bytes), reply->DelayUs);
    return true;
}

void CommandEndpoint::HandleRead(uint8_t code, uint8_t length, Transmitter& tx) {
    ++requests_;
    const int table = CommandTableLength(code);
    if (table == 0 || !device_->Supports(code)) return SendStatus(3, tx);
    if (length != table) return SendStatus(2, tx);
    Hexar::Answer answer = device_->Read(code);
    if (!answer.IsData) return SendStatus(answer.Status, tx);
    SendData(code, std::move(answer.Data), tx);
}

void CommandEndpoint::HandleWrite(uint8_t code, const std::vector<uint8_t>& data, Transmitter& tx) {
    ++requests_;
    const int table = CommandTableLength(code);
    if (table == 0 || !device_->Supports(code)) return SendStatus(3, tx);
    if (table != 255 && static_cast<int>(data.size()) != table) return SendStatus(2, tx);
    SendStatus(device_->Write(code, data), tx);
    AfterWrite(tx);
}

void CommandEndpoint::AfterWrite(Transmitter& tx) {
    if (device_->StopStreamRequested) {
        device_->StopStreamRequested = false;
        tx.Discard(kStreamTag);
        nextStreamMs_ = clock_.TickMs() + (StreamPeriodMs > 0 ? StreamPeriodMs : device_->PeriodMs());
    }
    if (device_->PowerOffRequested) {
        device_->PowerOffRequested = false;
        device_->PoweredOn = false;  // silent from now on
        tx.Discard(kStreamTag);
        buffer_.clear();
    }
    if (device_->SearchRequested) {
        device_->SearchRequested = false;
        device_->SortById();
        busyUntilMs_ = clock_.TickMs() + SearchMs;
        tx.Discard(kStreamTag);
        buffer_.clear();
    }
}

void CommandEndpoint::SendStatus(uint8_t status, Transmitter& tx) {
    Deliver({8, status, static_cast<uint8_t>(246 - status)}, false, faults_.NextReply(), tx);
}

void CommandEndpoint::SendData(uint8_t code, std::vector<uint8_t> data, Transmitter& tx) {
    Fault fault = faults_.NextReply();
    if (fault.Kind == FaultKind::Exception) {
        return Deliver({8, static_cast<uint8_t>(fault.Param < 0 ? 4 : fault.Param),
                        static_cast<uint8_t>(246 - (fault.Param < 0 ? 4 : fault.Param))},
                       false, Fault{}, tx);
    }
    if (fault.Kind == FaultKind::FewerRegisters) {
        const size_t drop = fault.Param < 0 ? 1 : static_cast<size_t>(fault.Param);
        data.resize(data.size() > drop ? data.size() - drop : 0);
    }
    // The header's three bytes must sum to 254 without wrapping, which bounds the data length.
    const uint8_t first = fault.Kind == FaultKind::WrongAddress ? static_cast<uint8_t>(code + 1) : code;
    data.resize(std::min<size_t>(data.size(), 254u - first));
    const uint8_t n = static_cast<uint8_t>(data.size());
    std::vector<uint8_t> bytes = {first, n, static_cast<uint8_t>(254 - first - n)};
    bytes.insert(bytes.end(), data.begin(), data.end());
    const uint16_t sum = Checksum(data.data(), data.size());
    bytes.push_back(static_cast<uint8_t>(sum >> 8));
    bytes.push_back(static_cast<uint8_t>(sum & 0xFF));
    Deliver(std::move(bytes), true, fault, tx);
}

void CommandEndpoint::Deliver(std::vector<uint8_t> bytes, bool isData, Fault fault, Transmitter& tx) {
    if (faults_.Talking()) return;  // the reply collides with the other station's bytes and is lost
    int64_t delayUs = 0;
    switch (fault.Kind) {
    case FaultKind::Silence:
        return;
    case FaultKind::PortGone:
        tx.Vanish();
        return;
    case FaultKind::BadCrc:
        if (isData) {
            bytes.back() ^= 0x5A;
        } else {
            bytes[2] = static_cast<uint8_t>(bytes[2] + 1);  // the header no longer sums to 254
        }
        break;
    case FaultKind::ShortReply:
        bytes.resize(isData && bytes.size() > 5 ? bytes.size() - 3 : bytes.size() - 1);
        break;
    case FaultKind::Garbage:
        bytes.insert(bytes.begin(), {0x00, 0x55, 0xAA, 0x00});
        break;
    case FaultKind::WrongAddress:
        if (!isData) bytes = {9, bytes[1], static_cast<uint8_t>(245 - bytes[1])};
        break;
    case FaultKind::Exception:
        if (!isData) {
            const uint8_t status = static_cast<uint8_t>(fault.Param < 0 ? 4 : fault.Param);
            bytes = {8, status, static_cast<uint8_t>(246 - status)};
        }
        break;
    case FaultKind::Slow:
        delayUs = int64_t{fault.Param} * 1000;
        break;
    default:
        break;
    }
    tx.Send(std::move(bytes), delayUs);
}

void CommandEndpoint::Idle(const LineState& line, int64_t nowUs, Transmitter& tx) {
    if (boot_) boot_->Tick();
    if (!device_->PoweredOn) return;
    if (!buffer_.empty() && nowUs - lastByteUs_ > GapUs(line)) {
        // A request cut short by silence: the byte count did not match the command.
        const bool modbus = buffer_[0] == 0xFF && boot_;
        buffer_.clear();
        if (!modbus) SendStatus(2, tx);
    }
    if (faults_.Talking() && tx.Queued() < 1024) {
        // Keeps the terminal's buffer full, as on the Modbus line. The bytes have bit 7 set, so
        // they never look like a reply header or the start of a sensor frame.
        std::vector<uint8_t> noise(256);
        for (auto& b : noise) {
            noise_ = noise_ * 1103515245u + 12345u;
            b = static_cast<uint8_t>(noise_ >> 16) | 0x80;
        }
        tx.Send(std::move(noise), 0, kTalkerTag);
    }
    const int64_t now = clock_.TickMs();
    if (Busy() || !Streaming) return;
    if (now >= nextStreamMs_) {
        const int64_t period = StreamPeriodMs > 0 ? StreamPeriodMs : device_->PeriodMs();
        nextStreamMs_ += period;
        if (nextStreamMs_ <= now) nextStreamMs_ = now + period;  // never catch up missed periods
        // The last burst has not left yet (nobody reads the line, or the period is shorter than
        // the burst at this speed): a device with a full transmit buffer loses this one.
        if (tx.QueuedOf(kStreamTag) > 0) return;
        // Frame by frame, so that a stop command can drop the frames not yet on the line.
        const std::vector<uint8_t> burst = device_->StreamBurst();
        for (size_t i = 0; i + 7 <= burst.size(); i += 7) {
            tx.Send(std::vector<uint8_t>(burst.begin() + static_cast<long>(i), burst.begin() + static_cast<long>(i) + 7), 0,
                    kStreamTag);
        }
    }
}

}  // namespace drumo::sim
