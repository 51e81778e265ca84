// drumo-cli export: an archive file as a spreadsheet (.xls) or as CSV.
#include <ostream>

#include "app/AppPaths.h"
#include "cli/Cli.h"
#include "cli/CliArchive.h"
#include "model/SafeFile.h"
#include "files/StoreExport.h"
#include "link/Platform.h"

namespace drumo::cli {

namespace {

const std::string kUsage =
    "usage: drumo-cli export FILE --xls OUT.xls\n"
    "       drumo-cli export FILE --csv OUT.csv\n\n"
    "Reads an archive file (.dml or .dmr) and writes all of it:\n"
    "  --xls OUT   the program's \"Экспорт в Excel\" worksheet (an extension other than .xls\n"
    "              becomes .XLS)\n"
    "  --csv OUT   CSV in UTF-8: a header line \"device,device_serial,cable,cable_serial,time,t1,...\",\n"
    "              then one line per cable and sample; times in ISO 8601 (local time), temperatures\n"
    "              in degrees with \".\", an empty field for no reading\n"
    "An existing OUT is replaced. The file is exported whether or not it is signed.\n"
    "output: file=OUT and signature=signed|unsigned\n"
    "exit status: 0 written; 1 the archive could not be read or OUT not written; 2 wrong usage.\n";

int RunExport(const CliArgs& args, std::ostream& out, std::ostream& err) {
    const bool xls = args.Options.count("xls") > 0, csv = args.Options.count("csv") > 0;
    if (args.Positional.size() != 1 || xls == csv) {
        err << "drumo-cli export: one FILE and either --xls OUT or --csv OUT\n\n" << kUsage;
        return kExitUsage;
    }
    const std::string& file = args.Positional[0];
    NullLog log;
    ConsoleOperator op(true);
    MeasurementStore store(op, log);
    const ArchiveResult r = LoadArchiveInto(store, file);
    if (!r.Opened || !r.Completed) {
        err << "drumo-cli export: " << file << (r.Opened ? " could not be read to its end\n" : " cannot be opened\n");
        return kExitFailed;
    }
    std::string target;
    bool written = false;
    if (xls) {
        TXlsWriter writer;
        writer.SetFileName(args.Options.at("xls"));
        target = writer.FileName();
        if (!BuildStoreSheet(store, writer, ProgramVersion(), SystemClock::Instance().Now()))
            err << "drumo-cli export: not everything fits the worksheet; the rest is left out\n";
        written = CreateFileFolder(target) && writer.SaveToFile();
    } else {
        target = args.Options.at("csv");
        written = CreateFileFolder(target) && WriteFileSafely(target, StoreCsv(store));
    }
    if (!written) {
        err << "drumo-cli export: cannot write " << target << '\n';
        return kExitFailed;
    }
    out << "file=" << target << '\n' << "signature=" << (r.Signed ? "signed" : "unsigned") << '\n';
    return kExitOk;
}

const CliRegistration reg({"export", "an archive file as a spreadsheet (.xls) or CSV", kUsage, RunExport});

}  // namespace

}  // namespace drumo::cli
