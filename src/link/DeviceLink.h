#pragma once
// DeviceLink: one device transaction at a time over the serial channel, with the transfer buffers
// and the status code that every device operation of the program shares.
//
// The program has exactly one DeviceLink. The station owns it (together with the channel over
// the port it is given) and hands it by reference to every procedure that talks to devices: the
// search, polling, service commands, notebook reading, calibration, settings and firmware. A
// procedure fills CommandBuffer / RegisterBuffer and TransferCount right before its transaction
// and reads them right after; LinkStatus keeps the outcome of the last transaction until the next
// one starts, so that ShowLinkStatus can report it at any time after.
//
// Transactions never throw and never retry: they return true exactly when LinkStatus is 0.
//
// Requests that cannot be built are refused with LinkStatus 32 before anything is sent (after the
// Modbus drain step): a command code that is not in the table, a write whose caller length is
// above 255, a Modbus function other than 3, 8, 16 and 17, and a Modbus request for more
// registers than one 256-byte frame holds (above 124 for function 3, above 123 for function 16).

#include "link/CommandProtocol.h"
#include "link/LinkStatus.h"
#include "link/SerialChannel.h"

#include <array>
#include <cstdint>
#include <vector>

namespace drumo {

class DeviceLink {
public:
    DeviceLink(TSerialChannel& channel, Clock& clock) : SerialLink(channel), clock_(clock) {}

    TSerialChannel& SerialLink;

    // Shared transfer buffers and status of the link layer.
    std::array<uint8_t, kCommandBufferSize> CommandBuffer{};
    std::array<uint16_t, kRegisterBufferSize> RegisterBuffer{};
    uint16_t TransferCount = 0;
    int32_t LinkStatus = 0;

    // The operator's reply time-out in ms (100, 200, 400 or 800), added to every reply wait.
    uint16_t AdditionalDelay = 100;

    // One command of the maker's protocol. data must hold 256 bytes. For reads answered with
    // data, on success length is the number of bytes received and data holds them; a status reply
    // 0 succeeds without touching either. For writes the first L bytes of data are sent; length
    // is read (never changed) only for codes whose length the caller gives.
    bool DeviceCommand(int code, uint8_t* data, uint16_t& length);

    // Searches the incoming bytes for a reply header whose first byte is 8 or `expected`. Bytes
    // skipped before it go to the channel's OnReceiveData handler, in order, also when the
    // search fails. Leaves LinkStatus 13 (no header within AdditionalDelay + 400 ms of empty
    // 20 ms reads) or 14 (more than InBufSize bytes without a header) on failure.
    bool ReceiveReplyHeader(uint8_t header[3], uint8_t expected);

    // One Modbus RTU transaction, functions 3, 8, 16 and 17 (see ModbusClient.cpp for every check
    // and code). data must hold 256 registers. count is the number of registers to read or write,
    // the data word for function 8, and, after a successful read, the number received.
    bool ModbusRequest(uint8_t address, uint8_t function, uint16_t start, uint16_t& count, uint16_t* data);

    // The message of the current LinkStatus, shown as an error; nothing for 0.
    void ShowLinkStatus(Operator& op) const { drumo::ShowLinkStatus(LinkStatus, op); }
    std::string LinkStatusMessage() const { return drumo::LinkStatusMessage(LinkStatus); }

private:
    bool CommandRead(int code, int length, uint8_t* data, uint16_t& outLength, double byteTime);
    bool CommandWrite(int code, int length, const uint8_t* data, double byteTime);
    void HandOn(const std::vector<uint8_t>& bytes);
    bool DrainLine();
    void ModbusRead(uint8_t address, uint16_t start, uint16_t& count, uint16_t* data, double t);
    void ModbusDiagnostics(uint8_t address, uint16_t sub, uint16_t value, double t);
    void ModbusWrite(uint8_t address, uint16_t start, uint16_t count, const uint16_t* data, double t);
    void ModbusIdentify(uint8_t address, uint16_t& count, uint16_t* data, double t);

    Clock& clock_;
};

}  // namespace drumo
