#pragma once
// The device search: one port or all ports 1..255; on a port either the one controller of the
// maker's protocol or a range of Modbus addresses. What it finds becomes the content of the
// measurement store and the rows of the device manager grid; an open port is left behind when a
// device was found.
//
// The search runs inside one event of the user-interface thread. Pending window events run before
// every Modbus address and between ports, so that "Прервать поиск" (Stop) takes effect there; the
// searching flag is checked before each address and each port.

#include "acquisition/DeviceBus.h"
#include "acquisition/SearchSettings.h"
#include "base/Services.h"
#include "model/Store.h"

#include <string>

namespace drumo {

// What a running search shows: its progress in the search window and the device manager's rows as
// the devices are read. Its end goes out as the store's event SearchFinished.
class SearchView {
public:
    virtual ~SearchView() = default;

    // Search window
    virtual void SearchStatus(const std::string& /*text*/) {}  // status bar
    virtual void PortLabel(const std::string& /*text*/) {}     // "Порт: 3"
    virtual void AddressLabel(const std::string& /*text*/) {}  // "Адрес: 5", "Адрес:"
    virtual void ProgressRange(int /*min*/, int /*max*/) {}
    virtual void Progress(int /*position*/) {}
    virtual void BusyCursor(bool /*on*/) {}
    virtual void DefaultPortChosen(int /*port*/) {}  // the "Порт по умолчанию" spin box

    // Device manager: grid rows count from 1 below the header; every AddRow also adds the row's
    // line check box, enabled or not.
    virtual void AddRow(bool /*checkEnabled*/) {}
    virtual void SetRowCheckEnabled(int /*row*/, bool /*enabled*/) {}
    virtual void SetCell(int /*row*/, int /*column*/, const std::string& /*text*/) {}
};

// The log text for a non-zero fault byte of the device at `address`.
std::string FaultReport(int address, unsigned faultBits);

// "X.Y" of a firmware version given in tenths.
std::string FirmwareText(unsigned tenths);

// A serial number with leading zeros to 5 digits.
std::string SerialText(unsigned serial);

// Grid text of a cable serial number: "[ --- ]" for 0.
std::string CableSerialText(int serial);

class DeviceSearch {
public:
    DeviceSearch(DeviceBus& bus, MeasurementStore& store, SearchSettings& settings, Operator& op,
                 EventLog& log, EventPump& events, Clock& clock, SearchView* view = nullptr);

    // The view that shows the search's progress; null shows nothing.
    void SetView(SearchView* view) { view_ = view ? view : &noView_; }
    bool Searching() const { return searching_; }
    // "Прервать поиск": the search ends at its next check.
    void Stop() { searching_ = false; }

    // "Запустить поиск": `wanted` becomes the settings in use, then the search runs; ignored while
    // a search runs. Returns true when the search ran to its end and found at least one device.
    bool RunSearch(const SearchSettings& wanted);
    // The same search on one port given by name (a device node such as /dev/ttyUSB0, or a port
    // name), without the search over all ports and without the question before emptying the store.
    bool SearchNamedPort(const SearchSettings& wanted, const std::string& portName);

    // The steps of the search, public for the windows and tests that drive them singly.
    bool TryPort(int port);
    bool TryPortNamed(const std::string& portName, const std::string& label);
    void SearchCommandProtocol();
    bool ReadConfiguration();
    void SearchModbus();

private:
    bool Finish();
    void ReadModbusDevice(uint8_t address, const uint16_t* regs, int typePos);
    int AddRow(bool checkEnabled);

    DeviceBus& bus_;
    MeasurementStore& store_;
    SearchSettings& settings_;
    Operator& op_;
    EventLog& log_;
    EventPump& events_;
    Clock& clock_;
    SearchView noView_;
    SearchView* view_;
    bool searching_ = false;
    int rows_ = 0;  // grid rows written by this search
};

}  // namespace drumo
