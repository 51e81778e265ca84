#include "model/DeviceTypes.h"

namespace drumo {

int FindTypeByCode(uint16_t code) {
    // Walk from the last entry down to 1: entry 0 is never matched by comparison.
    for (int pos = DeviceTypeCount - 1; pos >= 1; --pos) {
        if (DeviceTypes[pos].Code == code) return pos;
    }
    return 0;
}

int FindTypeByName(std::string_view name) {
    for (int pos = DeviceTypeCount - 1; pos >= 1; --pos) {
        if (DeviceTypes[pos].Name == name) return pos;
    }
    return 0;
}

std::optional<std::string_view> InterfaceName(uint8_t code) {
    switch (code) {
        case ifRs232:
        case ifRs232Alt: return "RS-232";
        case ifUsb: return "USB";
        case ifEthernet: return "Ethernet";
        case ifWiFi: return "Wi-Fi";
        case ifRs485: return "RS-485";
        case ifMicroSd: return "microSD";
        case ifRadio: return "Radio";
        case ifNone: return "nil";
        default: return std::nullopt;
    }
}

}  // namespace drumo
