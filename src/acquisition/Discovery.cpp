#include "acquisition/Discovery.h"

#include "acquisition/ActiveCable.h"
#include "acquisition/LinkTest.h"
#include "link/SignMagnitude.h"
#include "model/Cp1251.h"
#include "model/DeviceTypes.h"

#include <algorithm>
#include <cstdio>

namespace drumo {

namespace {

constexpr const char* FaultTexts[8] = {
    "перегрузка по линии питания термокос",
    "температура внутри контроллера вышла за допустимые пределы",
    "термокосы не обнаружены",
    "контроллер находился в режиме поиска термокос. Повторите сканирование!",
    "сбой EEPROM",
    "сбой DS18B20i",
    "блокнот заполнен",
    "сбой AT24C512B",
};

// Grid columns of the device manager.
enum Column { ColAddress = 0, ColType = 1, ColSerial = 2, ColCableSerial = 3, ColSensors = 4,
              ColComment = 5, ColSource = 6 };

uint16_t Word(const uint8_t* d, int i) {
    return static_cast<uint16_t>(SignMagnitudeToInt(d[i], d[i + 1], -1));
}

// The 32 comment characters of registers 16..31, high byte first. A zero byte ends the text: the
// comment of a device that never had one is all zeros.
std::string CommentOf(const uint16_t* regs) {
    std::string raw;
    for (int i = 16; i < 32; ++i) {
        raw.push_back(static_cast<char>(regs[i] >> 8));
        raw.push_back(static_cast<char>(regs[i] & 0xFF));
    }
    size_t end = raw.find('\0');
    if (end != std::string::npos) raw.resize(end);
    return Cp1251ToUtf8(raw);
}

}  // namespace

std::string FaultReport(int address, unsigned faultBits) {
    std::string text = " > Сообщение о внутренних сбоях по адресу " + std::to_string(address) + ": \r\n";
    for (int bit = 0; bit < 8; ++bit)
        if (faultBits & (1u << bit))
            text += std::string(30, ' ') + "->" + FaultTexts[bit] + "\r\n";
    return text;
}

std::string FirmwareText(unsigned tenths) {
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

std::string SerialText(unsigned serial) {
    char text[16];
    std::snprintf(text, sizeof text, "%05u", serial);
    return text;
}

std::string CableSerialText(int serial) { return serial == 0 ? "[ --- ]" : std::to_string(serial); }

DeviceSearch::DeviceSearch(DeviceBus& bus, MeasurementStore& store, SearchSettings& settings,
                           Operator& op, EventLog& log, EventPump& events, Clock& clock,
                           SearchView* view)
    : bus_(bus), store_(store), settings_(settings), op_(op), log_(log), events_(events),
      clock_(clock), view_(view ? view : &noView_) {}

int DeviceSearch::AddRow(bool checkEnabled) {
    view_->AddRow(checkEnabled);
    return ++rows_;
}

bool DeviceSearch::RunSearch(const SearchSettings& wanted) {
    if (searching_) return false;
    if (!store_.ReleaseAll(true)) return false;
    rows_ = 0;
    ApplySearchSettings(wanted, settings_, bus_);
    searching_ = true;
    view_->BusyCursor(true);
    view_->SearchStatus("Поиск приборов...");

    bool found = TryPort(settings_.PortDefault);
    if (!found && settings_.AutoPortEnabled) {
        for (int port = 1; port <= 255 && searching_; ++port) {
            if (port == settings_.PortDefault) continue;
            events_.ProcessEvents();
            if (!searching_) break;
            if (TryPort(port)) {
                found = true;
                if (op_.Ask("Прибор обнаружен.\r\nНазначить порт " + bus_.PortName() +
                            " используемым по умолчанию?")) {
                    settings_.PortDefault = port;
                    view_->DefaultPortChosen(port);
                }
                break;
            }
        }
    }
    view_->BusyCursor(false);
    return Finish() && found;
}

bool DeviceSearch::SearchNamedPort(const SearchSettings& wanted, const std::string& portName) {
    if (searching_) return false;
    store_.ReleaseAll(false);
    rows_ = 0;
    ApplySearchSettings(wanted, settings_, bus_);
    searching_ = true;
    view_->BusyCursor(true);
    view_->SearchStatus("Поиск приборов...");
    const bool found = TryPortNamed(portName, portName);
    view_->BusyCursor(false);
    return Finish() && found;
}

bool DeviceSearch::Finish() {
    if (!searching_) {
        const std::string text = "Поиск прерван оператором";
        view_->SearchStatus(text);
        log_.Log(" > " + text);
        store_.ReleaseAll(false);
        return false;
    }
    searching_ = false;
    const std::string counts = "Приборов " + std::to_string(store_.DeviceCount()) + ". Термокос " +
                               std::to_string(store_.CableCount()) + ". Датчиков " +
                               std::to_string(store_.SensorCount());
    view_->SearchStatus("Поиск завершен. " + counts);
    log_.Log(" > Поиск завершен. " + counts);
    if (store_.DeviceCount() == 0) return false;
    store_.Events().Send(&StationEvents::SearchFinished,
                         SearchOutcome{store_.DeviceCount(), settings_.Protocol == ExchangeProtocol::Modbus,
                                       bus_.PortName() + ": " + counts});
    return true;
}

bool DeviceSearch::TryPort(int port) { return TryPortNamed(ComPortName(port), std::to_string(port)); }

bool DeviceSearch::TryPortNamed(const std::string& portName, const std::string& label) {
    bus_.Disconnect();
    bus_.SetPortName(portName);
    if (!bus_.Connect()) return false;
    view_->PortLabel("Порт: " + label);
    PreparePortLines(bus_, settings_.Protocol);
    if (settings_.Protocol == ExchangeProtocol::Modbus)
        SearchModbus();
    else
        SearchCommandProtocol();
    if (store_.DeviceCount() > 0 && searching_) return true;
    bus_.Disconnect();
    return false;
}

void DeviceSearch::SearchCommandProtocol() {
    uint8_t d[kCommandBufferSize] = {};
    uint16_t length = 0;
    if (!bus_.DeviceCommand(1, d, length)) return;
    const int pos = FindTypeByCode(d[0]);
    if (pos == 0) {
        op_.Warning("Обнаружено неизвестное устройство.\r\nПоиск прерван");
        return;
    }
    store_.SetDeviceCount(1);
    TDevSig& dev = store_.DevSig(0);
    dev = TDevSig{};
    dev.DevType = d[0];
    dev.Interface = d[1];
    dev.Serial = Word(d, 2);
    dev.Year = Word(d, 4);
    dev.MaxSensors = Word(d, 6);
    dev.Sensors = Word(d, 12);
    dev.Firmware = FirmwareText(d[14]);
    dev.Cables = d[15];
    dev.Address = 255;
    dev.AuxValue = 0;
    ApplyDeviceType(dev, pos);
    dev.Comment.clear();
    dev.Source = bus_.PortName();
    if (dev.Sensors == 0)
        dev.Cables = 0;
    else if (dev.Cables == 0)
        dev.Cables = 1;

    store_.CountDevice();
    const int row = AddRow(dev.Sensors != 0);
    store_.CountCables(dev.Cables, dev.Sensors);
    view_->SetCell(row, ColType, dev.TypeName);
    view_->SetCell(row, ColSerial, SerialText(dev.Serial));
    view_->SetCell(row, ColSensors, std::to_string(dev.Sensors));
    view_->SetCell(row, ColSource, dev.Source);

    if (ReadConfiguration() && (store_.DevSig(0).Caps & capStopStream)) {
        uint8_t data[kCommandBufferSize] = {0};
        uint16_t one = 1;
        bus_.DeviceCommand(73, data, one);
    }
}

bool DeviceSearch::ReadConfiguration() {
    uint8_t d[kCommandBufferSize] = {};
    uint16_t n = 0;
    if (!bus_.DeviceCommand(40, d, n)) {
        op_.Error(bus_.LinkStatusMessage());
        return false;
    }
    if (!store_.HasDevice(0)) return false;
    TDevSig& dev = store_.DevSig(0);
    const int row = rows_ > 0 ? rows_ : 1;
    // A reply too short for the cable serial and kind bytes describes no sensor.
    const int sensors = n >= 3 ? n - 3 : 0;
    dev.Sensors = static_cast<uint16_t>(sensors);
    if (sensors > 0) {
        dev.Cables = 1;
        store_.SetCableCount(0, 1);
        const uint16_t serial = static_cast<uint16_t>(d[0] << 8 | d[1]);
        const uint8_t kind = serial == 0 ? 0 : d[n - 1];
        store_.CableSerials(0)[0] = static_cast<int16_t>(serial);
        store_.CableKinds(0)[0] = kind;
        store_.SetSensorCount(0, 0, sensors);
        auto labels = store_.SensorLabels(0, 0);
        for (int s = 0; s < sensors && s < static_cast<int>(labels.size()); ++s)
            labels[s] = static_cast<int16_t>(d[2 + s] * (kind == 1 ? 10 : 100));
        view_->SetCell(row, ColCableSerial, serial == 0 ? "[ --- ]" : std::to_string(serial));
    } else {
        dev.Cables = 0;
        store_.SetCableCount(0, 0);
    }
    store_.ReplaceCableCounts(dev.Cables, dev.Sensors);
    view_->SetRowCheckEnabled(row, dev.Sensors != 0);
    view_->SetCell(row, ColSensors, std::to_string(dev.Sensors));
    return true;
}

void DeviceSearch::SearchModbus() {
    const int first = settings_.FindBeginAddr;
    const int last = settings_.FindFinishAddr;
    if (last < first) {
        log_.Log(" > Значения адресов заданы неверно ");
        return;
    }
    view_->ProgressRange(first, last);
    log_.Log(" > Запуск сканирования");
    for (int a = first; a <= last && searching_; ++a) {
        view_->AddressLabel("Адрес: " + std::to_string(a));
        view_->Progress(a);
        events_.ProcessEvents();
        if (!searching_) break;
        const uint8_t address = static_cast<uint8_t>(a);
        uint16_t regs[kRegisterBufferSize] = {};
        uint16_t count = 0;
        if (!bus_.ModbusRequest(address, 8, 0, count, regs)) continue;
        count = 32;
        if (!bus_.ModbusRequest(address, 3, 0, count, regs)) continue;
        // Registers a short reply did not carry read as 0.
        std::fill(regs + std::min<int>(count, 32), regs + 32, 0);
        const int pos = FindTypeByCode(regs[0]);
        if (pos == 0) continue;
        ReadModbusDevice(address, regs, pos);
    }
    view_->Progress(0);
    view_->AddressLabel("Адрес:");
}

void DeviceSearch::ReadModbusDevice(uint8_t a, const uint16_t* regs, int typePos) {
    store_.CountDevice();
    const int deviceRow = AddRow(false);
    store_.SetDeviceCount(store_.DeviceCount());
    const size_t d = store_.DeviceCount() - 1u;
    TDevSig& dev = store_.DevSig(d);
    dev = TDevSig{};
    dev.DevType = static_cast<int16_t>(regs[0]);
    dev.Interface = static_cast<uint8_t>(regs[1] & 0xFF);
    dev.Serial = regs[2];
    dev.Year = regs[3];
    dev.Firmware = FirmwareText(regs[4]);
    dev.MaxSensors = regs[5];
    dev.Cables = static_cast<uint8_t>(regs[6] & 0xFF);
    dev.Sensors = regs[7];
    dev.AuxValue = static_cast<int16_t>(regs[12]) / 100.0;
    dev.Address = a;
    ApplyDeviceType(dev, typePos);
    dev.Source = bus_.PortName();
    dev.Comment = CommentOf(regs);
    view_->SetCell(deviceRow, ColAddress, std::to_string(a));
    view_->SetCell(deviceRow, ColType, dev.TypeName);
    view_->SetCell(deviceRow, ColSerial, SerialText(dev.Serial));
    view_->SetCell(deviceRow, ColComment, dev.Comment);
    view_->SetCell(deviceRow, ColSource, dev.Source);

    if (regs[13] & 0xFF) log_.Log(FaultReport(a, regs[13] & 0xFF));

    const int announced = regs[6] & 0xFF;
    if (announced == 0) return;
    uint16_t table[kRegisterBufferSize] = {};
    uint16_t got = 0;
    if (announced == 1) {
        table[0] = regs[10];
        table[1] = static_cast<uint16_t>((regs[11] & 0xFF) << 8 | (regs[9] & 0xFF));
        got = 2;
    } else {
        bool ok = false;
        for (int attempt = 0; attempt < 3 && !ok; ++attempt) {
            got = static_cast<uint16_t>(2 * announced);
            ok = bus_.ModbusRequest(a, 3, 128, got, table);
            if (!ok) {
                log_.Log(" > Сбой при чтении номеров термокос с " + std::to_string(a));
                clock_.SleepMs(RetryPauseMs);
            }
        }
        if (!ok || got < 2) return;
    }
    const int cables = got / 2;
    store_.SetCableCount(d, cables);
    for (int i = 0; i < cables; ++i) {
        int row = deviceRow + i;
        if (i > 0) {
            row = AddRow(false);
            view_->SetCell(row, ColType, "—>");
        }
        const int16_t serial = static_cast<int16_t>(table[2 * i]);
        const uint16_t second = table[2 * i + 1];
        store_.CableSerials(d)[i] = serial;
        store_.CableKinds(d)[i] = serial == 0 ? 0 : static_cast<uint8_t>(second >> 8);
        const int k = second & 0xFF;
        store_.CountCables(1, k);
        view_->SetCell(row, ColCableSerial, CableSerialText(serial));
        view_->SetCell(row, ColSensors, std::to_string(k));
        if (k == 0) continue;
        if (cables > 1 && !SelectActiveCable(bus_, log_, clock_, a, static_cast<uint16_t>(i), 3))
            continue;
        uint16_t labels[kRegisterBufferSize] = {};
        uint16_t n = 0;
        bool ok = false;
        for (int attempt = 0; attempt < 3 && !ok; ++attempt) {
            n = static_cast<uint16_t>(k);
            ok = bus_.ModbusRequest(a, 3, 256, n, labels);
            if (!ok) {
                log_.Log(" > Сбой при чтении расстояний до датчиков по адресу " + std::to_string(a));
                clock_.SleepMs(RetryPauseMs);
            }
        }
        if (!ok || n == 0) continue;
        const int sensors = n & 0xFF;
        store_.SetSensorCount(d, i, sensors);
        auto dest = store_.SensorLabels(d, i);
        for (int s = 0; s < sensors && s < static_cast<int>(dest.size()); ++s)
            dest[s] = static_cast<int16_t>(labels[s]);
        view_->SetRowCheckEnabled(row, true);
    }
}

}  // namespace drumo
