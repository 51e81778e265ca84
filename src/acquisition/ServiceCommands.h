#pragma once
// Service commands on the selected device: setting its clock, switching a controller of the
// maker's protocol off, and the device editor "Редактирование" (Modbus address, comment, and the
// exchange speed of every device on the line).

#include "acquisition/DeviceBus.h"
#include "acquisition/SearchSettings.h"
#include "base/Services.h"
#include "model/DateTime.h"
#include "model/Store.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace drumo {

// The seven clock values of a moment: seconds, minutes, hours, day of the week (Monday 1 ..
// Sunday 7), day of the month, month, year modulo 100.
std::array<int, 7> ClockValues(DateTime now);

// A comment as the device stores it: Windows-1251, cut or padded with spaces to 32 characters.
std::string PaddedComment(const std::string& utf8);
// The 16 registers of a padded comment, the first character of each pair in the high byte.
std::array<uint16_t, 16> CommentRegisters(const std::string& cp1251);

// "Синхронизация времени". Failures show the status message; success shows
// "Синхронизация времени успешно выполнена". True on success.
bool SyncDeviceTime(DeviceBus& bus, const MeasurementStore& store, ExchangeProtocol protocol,
                    Clock& clock, Operator& op);

// "Выключить прибор": clears the device's capabilities, stops reception (stopReception), sends the
// switch-off mode command without checking it, closes the port when it was the only device, and
// counts no device any more. showDeviceActions lets the main window recompute its commands.
void SwitchDeviceOff(DeviceBus& bus, MeasurementStore& store, const std::function<void()>& stopReception,
                     const std::function<void()>& showDeviceActions);

// The device editor. Exactly one field is enabled; it decides what "Применить" does.
enum class EditMode { Address, Comment, Speed };

// Titles of the three commands that open the editor.
std::string EditCommandText(EditMode mode, int address);

// What the editor writes into the grid and the search window when a change succeeded.
class DeviceEditView {
public:
    virtual ~DeviceEditView() = default;
    virtual void CommentCell(size_t /*device*/, const std::string& /*text*/) {}
    virtual void AddressCell(size_t /*device*/, int /*address*/) {}
    virtual void BaudItemChosen(int /*item*/) {}  // the search window's speed list
};

struct DeviceEdit {
    EditMode Mode = EditMode::Address;
    int OldAddress = 0;       // remembered when the editor is shown
    int NewAddress = 1;       // "Адрес:"
    std::string Comment;      // "Комментарии:", UTF-8
    int SpeedItem = 3;        // "Скорость обмена для всех\r\nустройств в сети"
};

// Fills the editor from the selected device: its address, the comment shown in its grid row without
// the padding spaces at its end, and the search window's speed position.
DeviceEdit ShowDeviceEdit(const MeasurementStore& store, EditMode mode, const std::string& gridComment,
                          int searchBaudItem);

// "Применить". True when the editor closes; false when it stays open (a failed transaction, an
// address already taken). A speed change makes `shown` (the search window's settings) with the new
// speed the settings in use.
bool ApplyDeviceEdit(const DeviceEdit& edit, DeviceBus& bus, MeasurementStore& store,
                     SearchSettings shown, SearchSettings& settings, Operator& op, EventLog& log,
                     Clock& clock, DeviceEditView& view);

}  // namespace drumo
