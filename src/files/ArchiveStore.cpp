#include "files/ArchiveStore.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "files/Crc8.h"
#include "model/SafeFile.h"
#include "model/DeviceTypes.h"

namespace drumo {

namespace {

std::string NameWithoutFolder(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

StoreSink::StoreSink(MeasurementStore& store, const std::string& fileName, ArchiveView* view)
    : store_(store), fileName_(fileName), fileNameOnly_(NameWithoutFolder(fileName)), view_(view) {}

void StoreSink::Device(const ArchiveDevice& device) {
    const size_t d = store_.Devices();
    store_.SetDeviceCount(d + 1);
    store_.CountDevice();
    haveDevice_ = true;

    const int pos = device.HasTypeName ? FindTypeByName(device.TypeNameFromFile)
                                       : FindTypeByCode(static_cast<uint16_t>(device.Id.DevType));
    const TDAct& type = DeviceTypes[pos];
    TDevSig& dev = store_.DevSig(d);
    dev = TDevSig{};
    dev.DevType = device.HasTypeName ? static_cast<int16_t>(type.Code) : device.Id.DevType;
    dev.Interface = type.DefaultInterface;
    dev.TypeName = device.HasTypeName ? device.TypeNameFromFile : std::string(type.Name);
    dev.Picture = type.Picture;
    dev.MaxSensors = type.MaxSensors;
    dev.Address = device.Id.Address;
    dev.Serial = device.Id.Serial;
    dev.Year = device.Id.Year;
    dev.Firmware = device.Id.Firmware;
    dev.Comment = device.Id.Comment;
    dev.Source = fileName_;
    if (view_) view_->AddDeviceRow(dev, fileNameOnly_);
}

void StoreSink::Cable(uint8_t kind, int16_t serial, std::span<const int16_t> labels) {
    if (!haveDevice_) return;
    const size_t d = store_.Devices() - 1;
    const size_t c = store_.Cables(d);
    store_.SetCableCount(d, c + 1);
    store_.SetSensorCount(d, c, labels.size());
    store_.CableSerials(d)[c] = serial;
    store_.CableKinds(d)[c] = kind;
    auto dest = store_.SensorLabels(d, c);
    std::copy(labels.begin(), labels.begin() + static_cast<long>(dest.size()), dest.begin());
    store_.CountCables(1, dest.size());
    TDevSig& dev = store_.DevSig(d);
    dev.Cables = static_cast<uint8_t>(c + 1);
    dev.Sensors = static_cast<uint16_t>(dev.Sensors + dest.size());
    if (view_) view_->AddCableRow(d, c, serial, dest.size(), c == 0);
}

void StoreSink::Sample(DateTime time, std::span<const int16_t> values) {
    if (!haveDevice_) return;
    const size_t d = store_.Devices() - 1;
    const size_t cables = store_.Cables(d);
    if (cables == 0) return;
    const long k = store_.AppendSample(d, cables - 1, time, values);
    if (k == 0 && view_) view_->EnableLastRowCheck();
}

void StoreSink::Samples(std::span<const DateTime> times, std::span<const int16_t> values) {
    if (!haveDevice_ || times.empty()) return;
    const size_t d = store_.Devices() - 1;
    const size_t cables = store_.Cables(d);
    if (cables == 0) return;
    const long k = store_.AppendSamples(d, cables - 1, times, values);
    if (k == 0 && view_) view_->EnableLastRowCheck();
}

bool WriteDml(const MeasurementStore& store, std::string_view programVersion, DateTime saved,
              const std::function<bool(std::string_view)>& emit) {
    constexpr size_t FlushAt = 1 << 18;
    constexpr std::string_view CrLf = "\r\n";
    // The text is put into `out` up to `used`; `out` only grows, so a line is written into room
    // that is already there rather than appended piece by piece.
    std::string out(FlushAt + 8192, ' ');
    size_t used = 0;
    auto room = [&](size_t n) {
        if (out.size() < used + n) out.resize(used + n);
        return out.data() + used;
    };
    auto line = [&](std::string_view text) {
        char* p = room(text.size() + 2);
        std::memcpy(p, text.data(), text.size());
        std::memcpy(p + text.size(), CrLf.data(), 2);
        used += text.size() + 2;
    };
    line(DmlHeaderLine(programVersion, saved));
    line(DmlWarningLine());
    line(DmlCommentsLine());
    line(DmlEmptyCommentLine());

    // Samples are taken from the series in blocks that never cross a page of a series.
    constexpr size_t Block = 64;
    static_assert(Series<Temperature>::PageSize % Block == 0);
    std::vector<int16_t> block;
    for (size_t d = 0; d < store.Devices(); ++d) {
        const TDevSig& dev = store.DevSig(d);
        ArchiveDeviceId id{dev.DevType, dev.Address, dev.Serial, dev.Year, dev.Firmware, dev.Comment};
        const std::string deviceLine = DmlDeviceLine(id);
        line("");
        line(deviceLine);
        uint8_t check = Crc8Update(0, CrLf);
        check = Crc8Update(check, deviceLine);
        check = Crc8Update(check, CrLf);

        const auto serials = store.CableSerials(d);
        const auto kinds = store.CableKinds(d);
        for (size_t c = 0; c < store.Cables(d); ++c) {
            if (c > 0) {
                line("");
                check = Crc8Update(0, CrLf);
            }
            const auto labels = store.SensorLabels(d, c);
            const std::string cableLine =
                DmlCableLine(kinds[c], serials[c], std::vector<int16_t>(labels.begin(), labels.end()));
            line(cableLine);
            check = Crc8Update(check, cableLine);
            check = Crc8Update(check, CrLf);

            const size_t sensors = labels.size();
            const auto& times = store.SampleTimes(d, c);
            block.resize(Block * sensors);
            for (size_t k0 = 0; k0 < times.size(); k0 += Block) {
                const size_t n = std::min(Block, times.size() - k0);
                for (size_t s = 0; s < sensors; ++s) {
                    const Series<Temperature>& series = store.Samples(d, c, s);
                    const Temperature* from = series.Page(k0 / series.PageSize).data() + k0 % series.PageSize;
                    for (size_t j = 0; j < n; ++j) block[j * sensors + s] = from[j];
                }
                for (size_t j = 0; j < n; ++j) {
                    char* const p = room(DmlSampleBodyLength(sensors) + 8);
                    char* q = PutDmlSampleBody(p, times[k0 + j], block.data() + j * sensors, sensors);
                    check = Crc8Update(check, std::string_view(p, static_cast<size_t>(q - p)));
                    // " (" + the check byte zero-padded to 3 + ")" and the line end.
                    std::memcpy(q, " (000)\r\n", 8);
                    q[2] = static_cast<char>('0' + check / 100);
                    q[3] = static_cast<char>('0' + check / 10 % 10);
                    q[4] = static_cast<char>('0' + check % 10);
                    used += static_cast<size_t>(q + 8 - p);
                    check = 0;
                    if (used >= FlushAt) {
                        if (!emit(std::string_view(out.data(), used))) return false;
                        used = 0;
                    }
                }
            }
        }
    }
    return used == 0 || emit(std::string_view(out.data(), used));
}

std::string DmlBytes(const MeasurementStore& store, std::string_view programVersion, DateTime saved) {
    std::string all;
    WriteDml(store, programVersion, saved, [&](std::string_view piece) {
        all.append(piece);
        return true;
    });
    return all;
}

SaveOutcome SaveDmlFile(const MeasurementStore& store, const std::string& fileName,
                        std::string_view programVersion, DateTime saved, long long failAfterBytes) {
    if (!CreateFileFolder(fileName)) return SaveOutcome::Busy;
    SafeFileWriter file;
    if (!file.Open(fileName)) return SaveOutcome::Busy;
    if (failAfterBytes >= 0) file.FailAfter(failAfterBytes);
    const bool written = WriteDml(store, programVersion, saved,
                                  [&](std::string_view piece) { return file.Write(piece); });
    if (!written || !file.Commit()) return SaveOutcome::Failed;
    return SaveOutcome::Saved;
}

SaveResult SaveDmlFileChecked(const MeasurementStore& store, const std::string& fileName,
                              std::string_view programVersion, DateTime saved, bool onlyNew,
                              long long failAfterBytes) {
    SaveResult result;
    if (!CreateFileFolder(fileName)) {
        result.Outcome = SaveOutcome::Busy;
        result.Reason = std::strerror(errno);
        return result;
    }
    SafeFileWriter file;
    if (!file.Open(fileName)) {
        result.Outcome = SaveOutcome::Busy;
        result.Reason = file.Error();
        return result;
    }
    if (failAfterBytes >= 0) file.FailAfter(failAfterBytes);
    const bool written = WriteDml(store, programVersion, saved,
                                  [&](std::string_view piece) { return file.Write(piece); });
    if (written && (onlyNew ? file.CommitNew() : file.Commit())) {
        result.Outcome = SaveOutcome::Saved;
        return result;
    }
    result.Exists = file.Exists();
    result.Outcome = result.Exists ? SaveOutcome::Busy : SaveOutcome::Failed;
    result.Reason = file.Error();
    return result;
}

}  // namespace drumo
