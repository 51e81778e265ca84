// drumo-cli verify: loads archive files and reports what they hold and whether they are signed.
#include <ostream>

#include "cli/Cli.h"
#include "cli/CliArchive.h"
#include "files/ArchiveFiles.h"
#include "files/ArchiveReader.h"
#include "files/ArchiveStore.h"

namespace drumo::cli {

ArchiveResult LoadArchiveInto(MeasurementStore& store, const std::string& fileName) {
    const std::string type = FileTypeOf(fileName);
    StoreSink sink(store, fileName);
    if (type == "dml") return LoadArhivFile(fileName, sink);
    if (type == "dmr") {
        ArchiveResult r = LoadArhivLegacy(fileName);
        ReplayArchive(r.Devices, sink);
        r.Devices.clear();
        return r;
    }
    return ArchiveResult{};
}

namespace {

constexpr int kExitUnsigned = 3;

// Verifying needs only the reader's counts, not the data.
class DiscardSink final : public ArchiveSink {
public:
    void Device(const ArchiveDevice&) override {}
    void Cable(uint8_t, int16_t, std::span<const int16_t>) override {}
    void Sample(DateTime, std::span<const int16_t>) override {}
};

const std::string kUsage =
    "usage: drumo-cli verify FILE...\n\n"
    "Reads archive files (.dml, and the older .dmr) as the program's Open does and reports, per file:\n"
    "  file=PATH\n"
    "  opened=0|1        the file could be opened\n"
    "  completed=0|1     it was read to its end\n"
    "  devices=N cables=N sensors=N samples=N values=N   what it holds (values: readings other\n"
    "                    than \"no value\")\n"
    "  damaged=N         damaged records, then damaged_lines=L,L,... with their line numbers\n"
    "  signature=signed|unsigned\n"
    "exit status: 0 every file signed and read whole; 3 some file unsigned; 1 some file unreadable\n"
    "(not opened, not completed, or of another type); 2 wrong usage.\n";

int RunVerify(const CliArgs& args, std::ostream& out, std::ostream& err) {
    if (args.Positional.empty()) {
        err << "drumo-cli verify: FILE is missing\n\n" << kUsage;
        return kExitUsage;
    }
    bool unreadable = false, unsigned_ = false;
    for (const std::string& file : args.Positional) {
        const std::string type = FileTypeOf(file);
        ArchiveResult r;
        if (type == "dml") {
            DiscardSink discard;
            r = LoadArhivFile(file, discard);
        } else if (type == "dmr") {
            r = LoadArhivLegacy(file);
        } else {
            err << "drumo-cli verify: " << file << " is not an archive file (.dml or .dmr)\n";
        }
        out << "file=" << file << '\n'
            << "opened=" << r.Opened << '\n'
            << "completed=" << r.Completed << '\n'
            << "devices=" << r.DeviceCount << '\n'
            << "cables=" << r.CableCount << '\n'
            << "sensors=" << r.SensorCount << '\n'
            << "samples=" << r.SampleCount << '\n'
            << "values=" << r.ValidValues << '\n'
            << "damaged=" << r.Damaged() << '\n';
        if (r.Damaged() > 0) {
            out << "damaged_lines=";
            for (size_t i = 0; i < r.DamagedLines.size(); ++i) out << (i ? "," : "") << r.DamagedLines[i];
            out << '\n';
        }
        out << "signature=" << (r.Opened && r.Signed ? "signed" : "unsigned") << '\n';
        if (!r.Opened || !r.Completed) unreadable = true;
        else if (!r.Signed) unsigned_ = true;
    }
    return unreadable ? kExitFailed : unsigned_ ? kExitUnsigned : kExitOk;
}

const CliRegistration reg({"verify", "check archive files and their electronic signature", kUsage, RunVerify});

}  // namespace

}  // namespace drumo::cli
