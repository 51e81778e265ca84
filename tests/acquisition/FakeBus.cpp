#include "acquisition/FakeBus.h"

#include <algorithm>

namespace drumo::test {

FakeModbusDevice FakeModbusDevice::Dorma(uint16_t type, uint16_t serial, std::vector<FakeCable> cables) {
    FakeModbusDevice d;
    d.Registers[0] = type;
    d.Registers[1] = 5;
    d.Registers[2] = serial;
    d.Registers[3] = 2021;
    d.Registers[4] = 23;
    d.Registers[5] = 200;
    d.Registers[6] = static_cast<uint16_t>(cables.size());
    uint16_t sensors = 0;
    for (const auto& c : cables) sensors += static_cast<uint16_t>(c.Labels.size());
    d.Registers[7] = sensors;
    if (cables.size() == 1) {
        d.Registers[9] = static_cast<uint16_t>(cables[0].Labels.size());
        d.Registers[10] = static_cast<uint16_t>(cables[0].Serial);
        d.Registers[11] = cables[0].Kind;
    }
    d.Registers[12] = static_cast<uint16_t>(-150);
    d.Cables = std::move(cables);
    return d;
}

FakeHexar FakeHexar::Hexar100(uint16_t serial, int16_t cableSerial, uint8_t kind,
                              std::vector<uint8_t> labels) {
    FakeHexar h;
    h.Ident = std::vector<uint8_t>(16, 0);
    h.Ident[0] = 101;
    h.Ident[1] = 2;
    h.Ident[2] = static_cast<uint8_t>(serial >> 8);
    h.Ident[3] = static_cast<uint8_t>(serial & 0xFF);
    h.Ident[4] = 2019 >> 8;
    h.Ident[5] = 2019 & 0xFF;
    h.Ident[7] = 100;
    h.Ident[13] = static_cast<uint8_t>(labels.size());
    h.Ident[14] = 23;
    h.Ident[15] = 1;
    h.Config.push_back(static_cast<uint8_t>(static_cast<uint16_t>(cableSerial) >> 8));
    h.Config.push_back(static_cast<uint8_t>(cableSerial & 0xFF));
    h.Config.insert(h.Config.end(), labels.begin(), labels.end());
    h.Config.push_back(kind);
    return h;
}

int FakeBus::Port() const {
    const std::string prefix = "\\\\.\\Com";
    if (name_.rfind(prefix, 0) != 0) return -1;
    return std::atoi(name_.c_str() + prefix.size());
}

bool FakeBus::Connect() {
    if (open_) return true;
    if (!ExistingPorts.count(Port())) return false;
    open_ = true;
    Opened.push_back(name_);
    return true;
}

bool FakeBus::Fail(int status) {
    status_ = status;
    if (clock_ && TimeoutMs > 0) clock_->SleepMs(TimeoutMs);
    return false;
}

std::vector<Transaction> FakeBus::Of(uint8_t function, uint16_t start) const {
    std::vector<Transaction> out;
    for (const auto& t : Log)
        if (t.Function == function && t.Start == start) out.push_back(t);
    return out;
}

bool FakeBus::DeviceCommand(int code, uint8_t* data, uint16_t& length) {
    Transaction t;
    t.Code = code;
    t.Port = name_;
    if (code >= 64)
        for (int i = 0; i < (code == 70 ? 7 : 1); ++i) t.Values.push_back(data[i]);
    Log.push_back(t);
    status_ = 0;
    if (!open_) return Fail(30);
    auto it = HexarOn.find(Port());
    if (it == HexarOn.end() || it->second.Silent) return Fail(13);
    FakeHexar& h = it->second;
    if (code == 1) {
        std::copy(h.Ident.begin(), h.Ident.end(), data);
        length = static_cast<uint16_t>(h.Ident.size());
    } else if (code == 40) {
        if (h.FailConfig > 0) {
            --h.FailConfig;
            return Fail(16);
        }
        std::copy(h.Config.begin(), h.Config.end(), data);
        length = static_cast<uint16_t>(h.Config.size());
    }
    return true;
}

bool FakeBus::ModbusRequest(uint8_t address, uint8_t function, uint16_t start, uint16_t& count,
                            uint16_t* data) {
    Transaction t{address, function, 0, start, count, {}, name_};
    if (function == 16) t.Values.assign(data, data + count);
    Log.push_back(t);
    status_ = 0;
    if (!open_) return Fail(30);
    auto bus = ModbusOn.find(Port());
    if (bus == ModbusOn.end()) return Fail(52);
    auto it = bus->second.find(address);
    if (it == bus->second.end() || it->second.Silent) return Fail(function == 8 ? 72 : 52);
    FakeModbusDevice& d = it->second;
    auto take = [](int& failures) {
        if (failures <= 0) return false;
        --failures;
        return true;
    };
    if (function == 8) return true;
    if (function == 16) {
        if (d.RejectWrites) return Fail(98);
        if (start == 47) {
            if (take(d.FailSwitch)) return Fail(92);
            if (data[0] >= d.Cables.size()) return Fail(98);
            d.ActiveCable = data[0];
            return true;
        }
        for (int i = 0; i < count; ++i) d.Registers[static_cast<uint16_t>(start + i)] = data[i];
        return true;
    }
    if (function != 3) return Fail(32);
    std::vector<uint16_t> out;
    if (start < 128) {
        for (int i = 0; i < count; ++i) out.push_back(d.Registers[static_cast<uint16_t>(start + i)]);
    } else if (start == 128) {
        if (take(d.FailCableTable)) return Fail(52);
        for (const auto& c : d.Cables) {
            out.push_back(static_cast<uint16_t>(c.Serial));
            out.push_back(static_cast<uint16_t>(c.Kind * 256 + c.Labels.size()));
        }
        if (out.size() > count) out.resize(count);
    } else if (start == 256 || start == 512) {
        if (d.Cables.empty()) return Fail(56);
        const FakeCable& c = d.Cables[d.ActiveCable];
        bool labels = start == 256;
        if (take(labels ? d.FailLabels : d.FailTemps)) return Fail(52);
        const auto& src = labels ? c.Labels : c.Temps;
        for (size_t i = 0; i < src.size() && i < count; ++i) out.push_back(static_cast<uint16_t>(src[i]));
        int limit = labels ? d.ShortLabels : d.ShortTemps;
        if (limit >= 0 && out.size() > static_cast<size_t>(limit)) out.resize(limit);
    } else {
        return Fail(56);
    }
    std::copy(out.begin(), out.end(), data);
    count = static_cast<uint16_t>(out.size());
    return true;
}

}  // namespace drumo::test
