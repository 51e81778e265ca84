#include "acquisition/SearchSettings.h"

namespace drumo {

namespace {
constexpr int Bauds[BaudItemCount] = {2400, 4800, 9600, 19200, 38400, 57600, 115200};
constexpr const char* BaudTexts[BaudItemCount] = {"2400 bit/s",  "4800 bit/s",  "9600 bit/s",
                                                  "19200 bit/s *", "38400 bit/s", "57600 bit/s",
                                                  "115200 bit/s"};
constexpr int Delays[4] = {100, 200, 400, 800};
}  // namespace

std::string ComPortName(int port) { return "\\\\.\\Com" + std::to_string(port); }

const char* BaudItemText(int item) {
    return item >= 0 && item < BaudItemCount ? BaudTexts[item] : BaudTexts[3];
}

int BaudFromItem(int item) { return item >= 0 && item < BaudItemCount ? Bauds[item] : 19200; }

int ItemFromBaud(int baud) {
    for (int i = 0; i < BaudItemCount; ++i)
        if (Bauds[i] == baud) return i;
    return 3;
}

int DelayFromPosition(int position) { return position >= 0 && position < 4 ? Delays[position] : 100; }

int PositionFromDelay(int ms) {
    for (int i = 0; i < 4; ++i)
        if (Delays[i] == ms) return i;
    return 0;
}

int ReplyDelayOf(int ms) { return DelayFromPosition(PositionFromDelay(ms)); }

SearchControls ControlsFromSettings(const SearchSettings& s) {
    SearchControls c;
    c.ProtocolItem = s.Protocol == ExchangeProtocol::Modbus ? 1 : 0;
    c.BaudItem = ItemFromBaud(s.BaudRate);
    c.PortDefault = s.PortDefault;
    c.FindBeginAddr = s.FindBeginAddr;
    c.FindFinishAddr = s.FindFinishAddr;
    c.AutoPortEnabled = s.AutoPortEnabled;
    c.DelayPosition = PositionFromDelay(s.AdditionalDelay);
    c.TestModbusAddr = s.TestModbusAddr;
    return c;
}

SearchSettings SettingsFromControls(const SearchControls& c) {
    SearchSettings s;
    s.Protocol = c.ProtocolItem == 1 ? ExchangeProtocol::Modbus : ExchangeProtocol::Command;
    s.BaudRate = BaudFromItem(c.BaudItem);
    s.PortDefault = c.PortDefault;
    s.FindBeginAddr = c.FindBeginAddr;
    s.FindFinishAddr = c.FindFinishAddr;
    s.AutoPortEnabled = c.AutoPortEnabled;
    s.AdditionalDelay = DelayFromPosition(c.DelayPosition);
    s.TestModbusAddr = c.TestModbusAddr;
    return s;
}

void ApplySearchSettings(const SearchSettings& next, SearchSettings& s, DeviceBus& bus) {
    s = next;
    s.BaudRate = BaudFromItem(ItemFromBaud(next.BaudRate));
    s.AdditionalDelay = ReplyDelayOf(next.AdditionalDelay);
    bus.SetLine(s.BaudRate, s.Protocol == ExchangeProtocol::Modbus ? 2 : 1);
    bus.SetAdditionalDelay(s.AdditionalDelay);
    bus.FlushBuffers();
}

}  // namespace drumo
