#include "acquisition/ServiceCommands.h"

#include "acquisition/ActiveCable.h"
#include "model/Cp1251.h"

#include <cmath>

namespace drumo {

std::array<int, 7> ClockValues(DateTime now) {
    const CalendarTime t = DecodeDateTime(now);
    // Day 0 (30.12.1899) was a Saturday; Monday counts 1 and Sunday 7.
    const long long day = static_cast<long long>(std::floor(DateOf(now) + 0.5));
    const int weekday = static_cast<int>(((day + 5) % 7 + 7) % 7) + 1;
    return {t.Second, t.Minute, t.Hour, weekday, t.Day, t.Month, t.Year % 100};
}

std::string PaddedComment(const std::string& utf8) {
    std::string s = Utf8ToCp1251(utf8);
    s.resize(32, ' ');
    return s;
}

std::array<uint16_t, 16> CommentRegisters(const std::string& cp1251) {
    std::array<uint16_t, 16> regs{};
    for (size_t i = 0; i < regs.size(); ++i) {
        const auto hi = static_cast<uint8_t>(2 * i < cp1251.size() ? cp1251[2 * i] : ' ');
        const auto lo = static_cast<uint8_t>(2 * i + 1 < cp1251.size() ? cp1251[2 * i + 1] : ' ');
        regs[i] = static_cast<uint16_t>(hi << 8 | lo);
    }
    return regs;
}

bool SyncDeviceTime(DeviceBus& bus, const MeasurementStore& store, ExchangeProtocol protocol,
                    Clock& clock, Operator& op) {
    const auto values = ClockValues(clock.Now());
    bool ok;
    if (protocol == ExchangeProtocol::Command) {
        uint8_t data[kCommandBufferSize] = {};
        for (int i = 0; i < 7; ++i) data[i] = static_cast<uint8_t>(values[i]);
        uint16_t length = 7;
        ok = bus.DeviceCommand(70, data, length);
    } else {
        if (!store.HasDevice(store.SelDevice())) return false;
        uint16_t regs[kRegisterBufferSize] = {};
        for (int i = 0; i < 7; ++i) regs[i] = static_cast<uint16_t>(values[i]);
        uint16_t count = 7;
        ok = bus.ModbusRequest(static_cast<uint8_t>(store.DevSig(store.SelDevice()).Address), 16, 48,
                               count, regs);
    }
    if (!ok) {
        op.Error(bus.LinkStatusMessage());
        return false;
    }
    op.Info("Синхронизация времени успешно выполнена");
    return true;
}

void SwitchDeviceOff(DeviceBus& bus, MeasurementStore& store, const std::function<void()>& stopReception,
                     const std::function<void()>& showDeviceActions) {
    if (store.HasDevice(store.SelDevice())) store.DevSig(store.SelDevice()).Caps = 0;
    if (stopReception) stopReception();
    uint8_t data[kCommandBufferSize] = {3};
    uint16_t one = 1;
    bus.DeviceCommand(73, data, one);
    if (store.DeviceCount() == 1) bus.Disconnect();
    store.DeviceSwitchedOff();
    if (showDeviceActions) showDeviceActions();
}

std::string EditCommandText(EditMode mode, int address) {
    switch (mode) {
        case EditMode::Address: return "Изменить Modbus адрес " + std::to_string(address);
        case EditMode::Comment: return "Изменить комментарии " + std::to_string(address);
        case EditMode::Speed: break;
    }
    return "Изменить скорость обмена (для всех)";
}

DeviceEdit ShowDeviceEdit(const MeasurementStore& store, EditMode mode, const std::string& gridComment,
                          int searchBaudItem) {
    DeviceEdit e;
    e.Mode = mode;
    e.OldAddress = store.HasDevice(store.SelDevice()) ? store.DevSig(store.SelDevice()).Address : 0;
    e.NewAddress = e.OldAddress;
    // The grid shows the comment padded to the device's 32 characters; the editor shows the text
    // alone, so that the cursor starts right after it. "Применить" pads it again.
    e.Comment = gridComment.substr(0, gridComment.find_last_not_of(' ') + 1);
    e.SpeedItem = searchBaudItem;
    return e;
}

bool ApplyDeviceEdit(const DeviceEdit& edit, DeviceBus& bus, MeasurementStore& store,
                     SearchSettings shown, SearchSettings& settings, Operator& op, EventLog& log,
                     Clock& clock, DeviceEditView& view) {
    const size_t sel = store.SelDevice();
    if (edit.Mode != EditMode::Speed && !store.HasDevice(sel)) return true;
    uint16_t regs[kRegisterBufferSize] = {};
    if (edit.Mode == EditMode::Comment) {
        const std::string padded = PaddedComment(edit.Comment);
        const auto words = CommentRegisters(padded);
        std::copy(words.begin(), words.end(), regs);
        uint16_t count = 16;
        const uint16_t address = store.DevSig(sel).Address;
        if (!bus.ModbusRequest(static_cast<uint8_t>(address), 16, 16, count, regs)) {
            op.Error(bus.LinkStatusMessage());
            return false;
        }
        const std::string shown = Cp1251ToUtf8(padded);
        view.CommentCell(sel, shown);
        log.Log(" > Комментарии к " + std::to_string(address) + " изменены на: " + shown);
        return true;
    }
    if (edit.Mode == EditMode::Address) {
        for (size_t d = 0; d < store.Devices() && d < store.DeviceCount(); ++d)
            if (d != sel && store.DevSig(d).Address == edit.NewAddress) {
                op.Error("Адрес уже занят!");
                return false;
            }
        regs[0] = static_cast<uint16_t>(edit.NewAddress);
        uint16_t count = 1;
        if (!bus.ModbusRequest(static_cast<uint8_t>(store.DevSig(sel).Address), 16, 32, count, regs)) {
            op.Error(bus.LinkStatusMessage());
            return false;
        }
        store.DevSig(sel).Address = static_cast<uint16_t>(edit.NewAddress);
        view.AddressCell(sel, edit.NewAddress);
        log.Log(" > Адрес " + std::to_string(edit.OldAddress) + " изменен на " +
                std::to_string(edit.NewAddress));
        return true;
    }
    const int item = edit.SpeedItem >= 0 && edit.SpeedItem < BaudItemCount ? edit.SpeedItem : 3;
    const uint16_t code = static_cast<uint16_t>(item + 5);
    for (size_t d = 0; d < store.Devices() && d < store.DeviceCount(); ++d) {
        const uint16_t address = store.DevSig(d).Address;
        bool ok = false;
        for (int attempt = 0; attempt < 3 && !ok; ++attempt) {
            regs[0] = code;
            uint16_t count = 1;
            ok = bus.ModbusRequest(static_cast<uint8_t>(address), 16, 34, count, regs);
            if (!ok) clock.SleepMs(RetryPauseMs);
        }
        if (ok)
            log.Log(" > Скорость обмена по адресу " + std::to_string(address) + " изменена на " +
                    BaudItemText(item));
        else
            log.Log(" > Сбой при изменении скорости обмена по адресу " + std::to_string(address));
    }
    shown.BaudRate = BaudFromItem(item);
    view.BaudItemChosen(item);
    ApplySearchSettings(shown, settings, bus);
    return true;
}

}  // namespace drumo
