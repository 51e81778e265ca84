// drumo-cli export: an archive file as a spreadsheet (.xls) or as CSV.
#include <ostream>

#include "base/Version.h"
#include "cli/Cli.h"
#include "cli/CliArchive.h"
#include "cli/CliOutput.h"
#include "files/ArchiveFiles.h"
#include "files/StoreExport.h"
#include "base/Services.h"

namespace drumo::cli {

namespace {

const std::string kUsage =
    "usage: drumo-cli export FILE --xls OUT.xls [--replace]\n"
    "       drumo-cli export FILE --csv OUT.csv [--replace]\n\n"
    "Reads an archive file (.dml or .dmr) and writes all of it:\n"
    "  --xls OUT   the program's \"Экспорт в Excel\" worksheet (an extension other than .xls\n"
    "              becomes .XLS)\n"
    "  --csv OUT   CSV in UTF-8: a header line \"device,device_serial,cable,cable_serial,time,t1,...\",\n"
    "              then one line per cable and sample; times in ISO 8601 (local time), temperatures\n"
    "              in degrees with \".\", an empty field for no reading\n"
    "  --replace   OUT may be an existing archive (.dml, .dmr), notebook (.dmn), sensor file\n"
    "              (.dms) or firmware image (*bin), which is then replaced\n"
    "A notebook file (.dmn) is exported with --csv only: a header line\n"
    "\"record,time,cable_serial,kind,sensor,label,value\", then one line per record and sensor.\n"
    "An existing regular OUT is replaced once the new file is complete. OUT is never the file\n"
    "being read, a device, a FIFO, a folder or a symbolic link. The file is exported whether or\n"
    "not it is signed; damaged records are left out, and a worksheet leaves out what does not fit\n"
    "it; both are counted on standard error.\n"
    "output: file=OUT and signature=signed|unsigned|none\n"
    "exit status: 0 written; 4 written without the damaged records, or nothing written because\n"
    "FILE could not be read to its end; 5 FILE missing, not an archive file or without a device\n"
    "(nothing written); 6 written, but rows or sensors did not fit the worksheet; 1 OUT could not\n"
    "be written; 2 wrong usage or OUT refused.\n";

int RunExport(const CliArgs& args, std::ostream& out, std::ostream& err) {
    const bool xls = args.Options.count("xls") > 0, csv = args.Options.count("csv") > 0;
    if (args.Positional.size() != 1 || xls == csv) {
        err << "drumo-cli export: one FILE and either --xls OUT or --csv OUT\n\n" << kUsage;
        return kExitUsage;
    }
    const std::string& file = args.Positional[0];
    if (FileTypeOf(file) == "dmn") {
        if (!csv) {
            err << "drumo-cli export: a notebook file is exported with --csv only\n";
            return kExitUsage;
        }
        const std::string& target = args.Options.at("csv");
        if (const std::string why = OutputRefusal(target, {file}, args.Has("replace")); !why.empty()) {
            err << "drumo-cli export: " << why << '\n';
            return kExitUsage;
        }
        return ExportNotebookCsv(file, target, out, err);
    }
    if (const std::string why = ArchiveInputProblem(file); !why.empty()) {
        err << "drumo-cli export: " << why << '\n';
        return kExitUnreadable;
    }
    TXlsWriter writer;
    if (xls) writer.SetFileName(args.Options.at("xls"));
    const std::string target = xls ? writer.FileName() : args.Options.at("csv");
    if (const std::string why = OutputRefusal(target, {file}, args.Has("replace")); !why.empty()) {
        err << "drumo-cli export: " << why << '\n';
        return kExitUsage;
    }

    NullLog log;
    ConsoleOperator op(true);
    MeasurementStore store(op, log);
    const ArchiveResult r = LoadArchiveInto(store, file);
    std::string damage;
    const int readStatus = ArchiveStatus(file, r, damage);
    if (readStatus == kExitUnreadable || !r.Completed) {
        err << "drumo-cli export: " << damage << "; nothing written\n";
        return readStatus;
    }

    std::string reason;
    SheetOverflow lost;
    bool written = false;
    if (xls) {
        lost = StoreSheetOverflow(store);
        BuildStoreSheet(store, writer, ProgramVersion(), SystemClock::Instance().Now());
        const auto& bytes = writer.Bytes();
        written = WriteOutput(target, {reinterpret_cast<const char*>(bytes.data()), bytes.size()}, reason);
    } else {
        written = WriteOutput(target, StoreCsv(store), reason);
    }
    if (!written) {
        err << "drumo-cli export: cannot write " << target << ": " << reason << '\n';
        return kExitFailed;
    }
    out << "file=" << target << '\n'
        << "signature=" << SignatureText(r) << '\n';
    if (readStatus == kExitDamaged) err << "drumo-cli export: " << damage << '\n';
    if (lost.Rows > 0)
        err << "drumo-cli export: " << lost.Rows << " rows did not fit the worksheet and were left out\n";
    if (lost.Sensors > 0)
        err << "drumo-cli export: " << lost.Sensors << " sensors did not fit the worksheet and were left out\n";
    if (readStatus == kExitDamaged) return kExitDamaged;
    return lost.Rows > 0 || lost.Sensors > 0 ? kExitLost : kExitOk;
}

const CliRegistration reg({"export", "an archive file as a spreadsheet (.xls) or CSV", kUsage, RunExport,
                           {"replace"}, {"xls", "csv"}});

}  // namespace

}  // namespace drumo::cli
