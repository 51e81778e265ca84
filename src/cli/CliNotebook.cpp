// drumo-cli notebook: a logger's notebook read, saved to a signed notebook file, or erased, as
// the program's notebook window does it.
#include "cli/CliAcquisition.h"

#include "base/Version.h"
#include "cli/CliOutput.h"
#include "files/ArchiveFiles.h"
#include "notebook/Notebook.h"
#include "notebook/NotebookFile.h"

#include <functional>
#include <ostream>

namespace drumo::cli {

namespace {

const std::string kUsage = std::string(
    "usage: drumo-cli notebook info [options]\n"
    "       drumo-cli notebook read --out FILE.dmn [--replace] [options]\n"
    "       drumo-cli notebook erase --yes [options]\n\n"
    "Searches the port as drumo-cli scan does and works with the notebook of the first device\n"
    "found (narrow the search with --from and --to to choose another):\n"
    "  info    the notebook's state: records, max_records (0: not said), used_words, size_words,\n"
    "          voltage (V) and autowrite (0 off, 1 on)\n"
    "  read    reads the whole notebook (block by block, or the nine pages of a Hexar-1/16) and\n"
    "          writes it as the signed notebook file the program's \"Блокнот\" window saves; the\n"
    "          words read so far go to standard error as the read goes on\n"
    "  erase   erases the notebook; refused without --yes\n\n"
    "options:\n") + kLinkOptionsHelp + kSearchOptionsHelp +
    "  --out FILE.dmn  the notebook file to write (a new name, or an existing regular notebook file\n"
    "                  with --replace)\n"
    "output: key=value lines; read prints file=, records=, bytes=, blocks=, failures= and status=\n"
    "(the notebook window's status line).\n"
    "A read that ends early (the fourth failure in a row, a page that does not come) writes the\n"
    "whole records that arrived without a signature; records= counts what the file holds.\n"
    "exit status: 0 done; 1 no device, a device transaction failed before any record arrived, or\n"
    "the file could not be written; 2 wrong usage, or --out refused (an existing notebook file\n"
    "without --replace); 6 the read ended early: how much arrived goes to standard error; 7 the\n"
    "notebook is empty, no file written.\n";

// The progress of a read on standard error, one line rewritten in place.
class ProgressLine final : public NotebookView {
public:
    explicit ProgressLine(std::ostream& err) : err_(err) {}
    ~ProgressLine() override {
        if (shown_) err_ << '\n';
    }
    void ProgressRange(int maximum) override { maximum_ = maximum; }
    void Progress(int position) override {
        if (position == 0) return;
        err_ << "\rnotebook: " << position << " of " << maximum_ << (pages_() ? " pages" : " words") << std::flush;
        shown_ = true;
    }
    std::function<bool()> pages_ = [] { return false; };

private:
    std::ostream& err_;
    int maximum_ = 0;
    bool shown_ = false;
};

int Usage(std::ostream& err, const std::string& why) {
    err << "drumo-cli notebook: " << why << "\n\n" << kUsage;
    return kExitUsage;
}

int RunNotebook(const CliArgs& args, std::ostream& out, std::ostream& err) {
    if (args.Positional.size() != 1) return Usage(err, "one of info, read or erase");
    const std::string& what = args.Positional[0];
    if (what != "info" && what != "read" && what != "erase") return Usage(err, "unknown action " + what);
    if (what == "read" && !args.Options.count("out")) return Usage(err, "read needs --out FILE.dmn");
    if (what != "read" && args.Options.count("out")) return Usage(err, "--out belongs to read");
    if (what == "erase" && !args.Has("yes"))
        return Usage(err, "erasing destroys the notebook's readings; give --yes to erase");
    std::string target;
    if (what == "read") {
        target = args.Options.at("out");
        if (!HasNotebookEnding(target)) return Usage(err, target + " is not named as a notebook file (.dmn)");
        if (const std::string why = OutputRefusal(target, {}, args.Has("replace")); !why.empty())
            return Usage(err, why);
    }

    auto session = AcquisitionSession::FromArgs(args, err);
    if (!session) return kExitUsage;
    if (!session->Search()) {
        err << "drumo-cli notebook: no device found\n";
        return kExitFailed;
    }
    ConsoleOperator op(what == "erase");  // the only question that gets Yes is erasing's
    ProgressLine progress(err);
    NotebookGraphs noGraphs;
    Notebook notebook(session->Station(), op, progress, noGraphs, ProgramVersion());
    notebook.SetDecimalMark('.');
    const TDevSig& device = session->Store().DevSig(session->Store().SelDevice());
    out << "device=" << device.TypeName << '\n' << "address=" << device.Address << '\n';

    if (what == "info") {
        if (device.DevType == PagedNotebookType) {
            err << "drumo-cli notebook: the " << device.TypeName << " keeps nine pages and gives no information\n";
            return kExitFailed;
        }
        if (!notebook.ReadInfo()) return kExitFailed;
        const NotebookInfo& i = notebook.Info();
        out << "records=" << i.Records << '\n'
            << "max_records=" << i.MaxRecords << '\n'
            << "used_words=" << i.UsedWords << '\n'
            << "size_words=" << i.SizeWords << '\n'
            << "voltage=" << ValueText(i.Voltage) << '\n'
            << "autowrite=" << (i.AutoWrite != 0) << '\n';
        return kExitOk;
    }
    if (what == "erase") return notebook.Erase() ? kExitOk : kExitFailed;

    progress.pages_ = [&] { return device.DevType == PagedNotebookType; };
    const bool complete = notebook.Load();
    if (notebook.EmptyNotebook()) {
        err << "drumo-cli notebook: the notebook is empty; no file written\n";
        return kExitEmpty;
    }
    // A read that brought no whole record leaves nothing worth a file.
    const int records = notebook.Table().Records();
    if (!complete && records == 0) return kExitFailed;
    const bool written = notebook.SaveFile(target);
    out << "file=" << target << '\n'
        << "records=" << records << '\n'
        << "bytes=" << notebook.Reader().Bytes << '\n'
        << "blocks=" << notebook.Reader().Blocks << '\n'
        << "failures=" << notebook.Reader().Failures << '\n'
        << "status=" << notebook.StatusText() << '\n';
    if (!notebook.Incomplete()) return written ? kExitOk : kExitFailed;
    const NotebookInfo& info = notebook.Info();
    err << "drumo-cli notebook: the read ended early: ";
    if (device.DevType == PagedNotebookType)
        err << notebook.ReceivedPages() << " of " << NotebookPages << " pages (" << records << " filled) arrived";
    else
        err << records << " of " << info.Records << " records (" << notebook.ReceivedWords() << " of "
            << info.UsedWords << " words) arrived";
    err << (written ? "; the file holds them without a signature\n" : "\n");
    return written ? kExitLost : kExitFailed;
}

const CliRegistration reg({"notebook", "read, save or erase a logger's notebook", kUsage, RunNotebook,
                           {"yes", "replace", "all-ports"}, [] {
                               auto names = SearchOptionNames();
                               names.insert("out");
                               return names;
                           }()});

}  // namespace

}  // namespace drumo::cli
