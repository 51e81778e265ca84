#pragma once
// Status codes of device transactions and their messages for the operator. Every transaction of
// the command protocol and of the Modbus client leaves one of these in DeviceLink::LinkStatus;
// 0 is success. Codes 1..4 and any other number a device reports come from the device itself.

#include "base/Services.h"

#include <string>

namespace drumo {

// The codes the link layer itself produces (device statuses are stored as they come).
enum LinkStatusCode : int {
    lsOk = 0,
    lsSendFailed = 12,         // request not fully written
    lsHeaderTimeout = 13,      // no reply header in time
    lsHeaderOverflow = 14,     // a whole input buffer of bytes without a header
    lsLengthMismatch = 15,     // data length differs from the command table
    lsBodyTimeout = 16,        // reply body incomplete
    lsBodyChecksum = 18,       // reply body checksum wrong
    lsPortClosed = 30,         // port not open
    lsForeignStation = 31,     // another station keeps transmitting
    lsNotInLibrary = 32,       // command code unknown, or a request that cannot be built
    // Modbus: the function's base code plus the step that failed (see ModbusRequest).
    lsModbusRead = 50,
    lsModbusDiagnostics = 70,
    lsModbusWrite = 90,
    lsModbusIdentify = 110,
};

// The operator's text for a status: "" for 0, "Неизвестная ошибка" for an unknown code.
std::string LinkStatusMessage(int code);

// Shows the message in an error box; does nothing for 0.
void ShowLinkStatus(int code, Operator& op);

}  // namespace drumo
