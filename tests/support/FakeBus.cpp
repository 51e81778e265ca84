#include "support/FakeBus.h"

#include <algorithm>

namespace drumo::test {

namespace {

// The clock of the fake bus's controllers: they only stamp their own clock registers with it.
FakeClock& ModelClock() {
    static FakeClock clock;
    return clock;
}

// The status the link reports for a Modbus exception reply to a function.
int ExceptionStatus(uint8_t function, uint8_t exception) {
    const int first = function == 3 ? 55 : function == 8 ? 76 : 96;
    return exception >= 1 && exception <= 4 ? first + exception - 1 : first + 4;
}

}  // namespace

FakeModbusDevice FakeModbusDevice::Dorma(uint16_t type, uint16_t serial, std::vector<FakeCable> cables) {
    std::vector<sim::SimCable> simCables;
    for (const auto& c : cables) {
        sim::SimCable sc;
        sc.Serial = static_cast<uint16_t>(c.Serial);
        sc.Kind = c.Kind;
        sc.Labels = c.Labels;
        sc.Readings = c.Temps;
        simCables.push_back(std::move(sc));
    }
    FakeModbusDevice d;
    d.Model = std::make_shared<sim::Dorma>(ModelClock(), type, 1, simCables);
    d.Model->Cables().resize(simCables.size());  // not the model's own number of cables
    d.Model->Identity().Serial = serial;
    d.Model->Identity().Year = 2021;
    d.Model->SupplyHundredths = -150;
    d.Model->SetComment(std::string(32, '\0'));
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
    if (it == bus->second.end() || it->second.Silent || !it->second.Model) return Fail(function == 8 ? 72 : 52);
    FakeModbusDevice& d = it->second;
    auto take = [](int& failures) {
        if (failures <= 0) return false;
        --failures;
        return true;
    };
    if (function != 3 && function != 8 && function != 16) return Fail(32);
    if (function == 16 && d.RejectWrites) return Fail(98);
    if (function == 16 && start == 47 && take(d.FailSwitch)) return Fail(92);
    if (function == 3 && start == 128 && take(d.FailCableTable)) return Fail(52);
    if (function == 3 && start == 256 && take(d.FailLabels)) return Fail(52);
    if (function == 3 && start == 512 && take(d.FailTemps)) return Fail(52);

    // The request as it goes over the line, without address and checksum.
    std::vector<uint8_t> pdu = {function, static_cast<uint8_t>(start >> 8), static_cast<uint8_t>(start),
                                static_cast<uint8_t>(count >> 8), static_cast<uint8_t>(count)};
    if (function == 8) pdu[3] = pdu[4] = 0;
    if (function == 16) {
        pdu.push_back(static_cast<uint8_t>(2 * count));
        for (int i = 0; i < count; ++i) {
            pdu.push_back(static_cast<uint8_t>(data[i] >> 8));
            pdu.push_back(static_cast<uint8_t>(data[i]));
        }
    }
    const auto reply = d.Model->Handle(address, pdu.data(), pdu.size());
    if (!reply) return Fail(function == 8 ? 72 : function == 16 ? 92 : 52);
    const auto& r = reply->Pdu;
    if (r.size() >= 2 && r[0] == (function | 0x80)) return Fail(ExceptionStatus(function, r[1]));
    if (function != 3) return true;
    std::vector<uint16_t> out;
    for (size_t i = 2; i + 1 < r.size(); i += 2) out.push_back(static_cast<uint16_t>(r[i] << 8 | r[i + 1]));
    const int limit = start == 256 ? d.ShortLabels : start == 512 ? d.ShortTemps : -1;
    if (limit >= 0 && out.size() > static_cast<size_t>(limit)) out.resize(limit);
    std::copy(out.begin(), out.end(), data);
    count = static_cast<uint16_t>(out.size());
    return true;
}

}  // namespace drumo::test
