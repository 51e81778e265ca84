#pragma once
// The measurement store and archive files: filling the store from a reader, writing the whole
// store as a ".dml" file.

#include <functional>
#include <string>

#include "files/ArchiveFormat.h"
#include "files/ArchiveView.h"
#include "model/Store.h"

namespace drumo {

// Appends what a reader delivers after the devices already in the store. Devices get the identity
// the file gives, the catalogue's interface, name, picture and sensor limit, and the file's path
// as their source; everything else stays zero.
class StoreSink final : public ArchiveSink {
public:
    StoreSink(MeasurementStore& store, const std::string& fileName, ArchiveView* view = nullptr);
    void Device(const ArchiveDevice& device) override;
    void Cable(uint8_t kind, int16_t serial, std::span<const int16_t> labels) override;
    void Sample(DateTime time, std::span<const int16_t> values) override;
    void Samples(std::span<const DateTime> times, std::span<const int16_t> values) override;

private:
    MeasurementStore& store_;
    std::string fileName_;
    std::string fileNameOnly_;
    ArchiveView* view_;
    bool haveDevice_ = false;
};

// The whole store in the ".dml" layout, with the check bytes chained. `emit` gets the file's bytes
// in pieces, in order, and returns false to stop (WriteDml then returns false).
bool WriteDml(const MeasurementStore& store, std::string_view programVersion, DateTime saved,
              const std::function<bool(std::string_view)>& emit);

// The same into one string (for tests and small stores).
std::string DmlBytes(const MeasurementStore& store, std::string_view programVersion, DateTime saved);

enum class SaveOutcome { Saved, Busy, Failed };

// Writes the file safely: a temporary file beside it, synced, then renamed over the old one, so
// that a failure at any point leaves the previous file as it was. Creates a missing last folder
// level. `failAfterBytes` (tests only) makes the disk "fill up" after that many bytes.
SaveOutcome SaveDmlFile(const MeasurementStore& store, const std::string& fileName,
                        std::string_view programVersion, DateTime saved,
                        long long failAfterBytes = -1);

// SaveDmlFile that also tells why a save failed (the system's reason) and can refuse to replace
// an existing file: with onlyNew, a file of that name that exists gives Outcome Busy and
// Exists true, and is left as it was.
struct SaveResult {
    SaveOutcome Outcome = SaveOutcome::Failed;
    bool Exists = false;
    std::string Reason;
};
SaveResult SaveDmlFileChecked(const MeasurementStore& store, const std::string& fileName,
                              std::string_view programVersion, DateTime saved, bool onlyNew,
                              long long failAfterBytes = -1);

}  // namespace drumo
