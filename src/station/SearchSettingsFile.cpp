#include "station/SearchSettingsFile.h"

namespace drumo {

SearchSettings SearchSettingsFromFile(const FindSettings& f) {
    SearchSettings s;
    s.Protocol = f.Protocol == 1 ? ExchangeProtocol::Modbus : ExchangeProtocol::Command;
    s.BaudRate = f.BaudRate;
    s.PortDefault = f.PortDefault;
    s.FindBeginAddr = f.FindBeginAddr;
    s.FindFinishAddr = f.FindFinishAddr;
    s.AutoPortEnabled = f.AutoPortEnabled;
    s.AdditionalDelay = f.AdditionalDelay;
    s.TestModbusAddr = f.TestModbusAddr;
    return s;
}

void SearchSettingsToFile(const SearchSettings& s, FindSettings& f) {
    f.Protocol = s.Protocol == ExchangeProtocol::Modbus ? 1 : 0;
    f.BaudRate = s.BaudRate;
    f.PortDefault = s.PortDefault;
    f.FindBeginAddr = s.FindBeginAddr;
    f.FindFinishAddr = s.FindFinishAddr;
    f.AutoPortEnabled = s.AutoPortEnabled;
    f.AdditionalDelay = s.AdditionalDelay;
    f.TestModbusAddr = s.TestModbusAddr;
}

}  // namespace drumo
