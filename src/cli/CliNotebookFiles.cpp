// Notebook files for drumo-cli verify and export.
#include "cli/Cli.h"
#include "cli/CliArchive.h"
#include "cli/CliOutput.h"
#include "notebook/NotebookFile.h"

#include <ostream>

namespace drumo::cli {

namespace {

// Reads the file with the point as decimal mark into the table, or only checks it when there is
// none; the exit status of what it gave.
int ReadNotebook(const std::string& file, NotebookTable* table, NotebookFileResult& r, std::ostream& err,
                 const char* command) {
    r = table ? ReadNotebookFile(file, '.', *table) : ScanNotebookFile(file, [](int, std::string_view) {});
    switch (r.Status) {
    case NotebookFileStatus::Ok:
        // Bytes of another kind read as an older file give rows but not one numbered record.
        if (r.NumberedRecords == 0) {
            err << "drumo-cli " << command << ": " << file << " is not a notebook file or is damaged"
                << " (no record in it)\n";
            return kExitUnreadable;
        }
        break;
    case NotebookFileStatus::CannotOpen:
        err << "drumo-cli " << command << ": cannot open " << file << '\n';
        return kExitUnreadable;
    case NotebookFileStatus::NotNotebook:
        err << "drumo-cli " << command << ": " << file << " is not a notebook file or is damaged\n";
        return kExitUnreadable;
    case NotebookFileStatus::NoData:
        err << "drumo-cli " << command << ": " << file << " holds no data\n";
        return kExitUnreadable;
    }
    if (!r.Signed) {
        err << "drumo-cli " << command << ": " << file << " is unsigned\n";
        return kExitUnsigned;
    }
    return kExitOk;
}

}  // namespace

int VerifyNotebookFile(const std::string& file, std::ostream& out, std::ostream& err) {
    NotebookFileResult r;
    const int status = ReadNotebook(file, nullptr, r, err, "verify");
    out << "file=" << file << '\n'
        << "opened=" << (r.Status != NotebookFileStatus::CannotOpen) << '\n'
        << "records=" << r.Records << '\n'
        << "signature=" << (r.Signed ? "signed" : "unsigned") << '\n';
    return status;
}

int ExportNotebookCsv(const std::string& file, const std::string& target, std::ostream& out, std::ostream& err) {
    NotebookTable table;
    NotebookFileResult r;
    const int status = ReadNotebook(file, &table, r, err, "export");
    if (status == kExitUnreadable) return status;
    std::string reason;
    if (!WriteOutput(target, NotebookCsv(table), reason)) {
        err << "drumo-cli export: cannot write " << target << ": " << reason << '\n';
        return kExitFailed;
    }
    out << "file=" << target << '\n' << "signature=" << (r.Signed ? "signed" : "unsigned") << '\n';
    return kExitOk;
}

}  // namespace drumo::cli
