#pragma once
// The search settings in use and the mapping between them and the search window's controls.
// ApplySearchSettings is the one way the settings in use change: it is run by "Применить", at the
// start of every search, before the link test opens the port and after an exchange-speed change.
// The procedures take search settings; only the search window converts its controls, once, with
// SettingsFromControls.

#include "acquisition/DeviceBus.h"

#include <string>

namespace drumo {

struct SearchSettings {
    ExchangeProtocol Protocol = ExchangeProtocol::Command;
    int BaudRate = 19200;
    int PortDefault = 3;
    int FindBeginAddr = 1;
    int FindFinishAddr = 247;
    bool AutoPortEnabled = false;
    int AdditionalDelay = 100;
    int TestModbusAddr = 1;
};

// What the search window's controls hold.
struct SearchControls {
    int ProtocolItem = 0;   // radio group: 0 "Hexar", 1 "Modbus RTU"
    int BaudItem = 3;       // position in the "Скорость обмена" list
    int PortDefault = 3;
    int FindBeginAddr = 1;
    int FindFinishAddr = 247;
    bool AutoPortEnabled = false;
    int DelayPosition = 0;  // track bar 0..3
    int TestModbusAddr = 1;
};

// The items of the "Скорость обмена" lists of the search window and of the device editor.
inline constexpr int BaudItemCount = 7;
const char* BaudItemText(int item);  // "2400 bit/s" .. "115200 bit/s"; "19200 bit/s *" at 3
int BaudFromItem(int item);           // anything outside the list gives 19200
int ItemFromBaud(int baud);           // 3 for a rate not in the list
int DelayFromPosition(int position);  // 0 100, 1 200, 2 400, 3 800; others 100
int PositionFromDelay(int ms);
// The reply time-out as the track bar takes it: 100, 200, 400 or 800 ms; any other value counts
// as 100, the track bar's first position.
int ReplyDelayOf(int ms);

SearchControls ControlsFromSettings(const SearchSettings& settings);
SearchSettings SettingsFromControls(const SearchControls& controls);

// Makes `next` the settings in use and puts the line settings into the channel: baud rate, 2 stop
// bits for Modbus RTU and 1 for the command protocol, the reply time-out; then flushes both
// directions. A baud rate outside the list counts as 19200 and a reply time-out as ReplyDelayOf
// takes it, as they would after a round trip through the controls.
void ApplySearchSettings(const SearchSettings& next, SearchSettings& inUse, DeviceBus& bus);

}  // namespace drumo
