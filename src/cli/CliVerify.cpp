// drumo-cli verify: loads archive files and reports what they hold and whether they are signed.
#include <cerrno>
#include <cstring>
#include <ostream>
#include <sys/stat.h>

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
    if (type == "dmr") return LoadArhivLegacy(fileName, sink);
    return ArchiveResult{};
}

std::string ArchiveInputProblem(const std::string& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return "cannot open " + file + ": " + std::strerror(errno);
    if (!S_ISREG(st.st_mode)) return file + " is not a regular file";
    const std::string type = FileTypeOf(file);
    if (type != "dml" && type != "dmr") return file + " is not an archive file (.dml or .dmr)";
    return {};
}

const char* SignatureText(const ArchiveResult& r) {
    if (!r.Opened || r.DeviceCount == 0) return "unsigned";
    if (!r.CarriesSignature) return "none";
    return r.Signed ? "signed" : "unsigned";
}

int ArchiveStatus(const std::string& file, const ArchiveResult& r, std::string& why) {
    // The system's reason, or the reader's, when the file could not be read to its end.
    const std::string reason = r.ReadError.empty() ? std::string() : ": " + r.ReadError;
    if (!r.Opened) {
        why = file + " cannot be opened" + reason;
        return kExitUnreadable;
    }
    if (r.DeviceCount == 0) {
        why = file + " holds no device" +
              (reason.empty() ? std::string()
                              : " (reading stopped at line " + std::to_string(r.StopLine) + reason + ")");
        return kExitUnreadable;
    }
    if (!r.Completed) {
        why = file + " could not be read to its end" +
              (r.StopLine ? " (line " + std::to_string(r.StopLine) + ")" : std::string()) + reason;
        return kExitDamaged;
    }
    if (r.Damaged() > 0) {
        why = file + " has " + std::to_string(r.Damaged()) + " damaged record(s), left out";
        return kExitDamaged;
    }
    if (!r.CarriesSignature) {
        why = file + " is of a format without an electronic signature";
        return kExitUnsigned;
    }
    if (!r.Signed) {
        why = file + " is unsigned";
        return kExitUnsigned;
    }
    return kExitOk;
}

namespace {

// Verifying needs only the reader's counts, not the data.
class DiscardSink final : public ArchiveSink {
public:
    void Device(const ArchiveDevice&) override {}
    void Cable(uint8_t, int16_t, std::span<const int16_t>) override {}
    void Sample(DateTime, std::span<const int16_t>) override {}
    void Samples(std::span<const DateTime>, std::span<const int16_t>) override {}
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
    "  signature=signed|unsigned|none   none: the headerless .dmr format carries no signature\n"
    "Notebook files (.dmn) report file=, opened=, records= and signature=signed|unsigned.\n"
    "A file is good when it holds at least one device, was read to its end without a damaged\n"
    "record, and is signed. What is wrong with a file goes to standard error.\n"
    "exit status (the worst file counts): 0 every file good; 3 a file unsigned or without a\n"
    "signature; 4 a file with damaged records or not read to its end; 5 a file missing, not a\n"
    "regular file, not an archive file, unreadable or without a device; 2 wrong usage.\n";

// Which of two exit statuses tells of the worse file.
int Worse(int a, int b) {
    const auto rank = [](int s) {
        return s == kExitUnreadable ? 3 : s == kExitDamaged ? 2 : s == kExitUnsigned ? 1 : 0;
    };
    return rank(a) >= rank(b) ? a : b;
}

int RunVerify(const CliArgs& args, std::ostream& out, std::ostream& err) {
    if (args.Positional.empty()) {
        err << "drumo-cli verify: FILE is missing\n\n" << kUsage;
        return kExitUsage;
    }
    int status = kExitOk;
    for (const std::string& file : args.Positional) {
        if (FileTypeOf(file) == "dmn") {
            status = Worse(status, VerifyNotebookFile(file, out, err));
            continue;
        }
        ArchiveResult r;
        std::string why = ArchiveInputProblem(file);
        int fileStatus = kExitUnreadable;
        if (why.empty()) {
            DiscardSink discard;
            r = FileTypeOf(file) == "dml" ? LoadArhivFile(file, discard) : LoadArhivLegacy(file, discard);
            fileStatus = ArchiveStatus(file, r, why);
        }
        if (!why.empty()) err << "drumo-cli verify: " << why << '\n';
        status = Worse(status, fileStatus);
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
        out << "signature=" << SignatureText(r) << '\n';
    }
    return status;
}

const CliRegistration reg({"verify", "check archive files and their electronic signature", kUsage, RunVerify});

}  // namespace

}  // namespace drumo::cli
