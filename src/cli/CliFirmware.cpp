// drumo-cli firmware: the firmware update of the window "Update firmware" from the command line.
#include "cli/CliDevices.h"

#include "cli/CliOutput.h"
#include "devices/Firmware.h"

#include <ostream>

namespace drumo::cli {

namespace {

const std::string kUsage = std::string(
    "usage: drumo-cli firmware [options] [--address N] read --out FILE.bin [--replace]\n"
    "       drumo-cli firmware [options] [--address N] write FILE.bin\n"
    "       drumo-cli firmware [options] [--address N] verify FILE.bin\n"
    "       drumo-cli firmware [options] [--address N] erase --yes\n"
    "       drumo-cli firmware [options] [--address N] boot on|off\n\n"
    "Works on the flash memory of a device through its boot loader over Modbus RTU (8N2): the image\n"
    "is 496 pages of 256 bytes. read, write, verify and erase first identify the device and switch\n"
    "it into its boot loader when its firmware runs.\n"
    "  read    reads the whole memory into FILE.bin. FILE.bin is checked before anything is sent: it\n"
    "          must be a new name or, with --replace, an existing regular file; a missing last\n"
    "          folder is created. Only a complete read is written.\n"
    "  write   writes FILE.bin (its erased pages, all 0xFF, are skipped) and then verifies it; the\n"
    "          memory must have been erased before. On success the new firmware is started. A write\n"
    "          that fails names the page and leaves the device in its boot loader: run the same\n"
    "          command again (within 34 seconds the device is still there; later it is switched\n"
    "          into its boot loader again).\n"
    "  verify  compares the memory with FILE.bin\n"
    "  erase   erases the whole memory; the device stays in its boot loader\n"
    "  boot    on: switch into the boot loader; off: start the firmware\n"
    "  --address N  the device's Modbus address, 1..255; default 255, where every boot loader\n"
    "               answers (devices of the maker's protocol answer only there)\n\n"
    "options:\n") + kLinkOptionsHelp +
    "\noutput: status=N and message=TEXT; read, write and verify add pages=N (pages done). The\n"
    "progress goes to standard error.\n"
    "exit status: 0 success; 1 the device did not answer, a page failed (standard error names it)\n"
    "or differs from the file, or FILE.bin could not be written; 2 wrong usage, or FILE.bin\n"
    "refused (nothing was sent); 7 the image was written and verified, but the new firmware could\n"
    "not be started (run boot off).\n";

int Usage(const std::string& why, std::ostream& err) {
    err << "drumo-cli firmware: " << why << "\n\n" << kUsage;
    return kExitUsage;
}

// Status lines and the page progress on standard error; keeps what the identification showed.
class ConsoleView final : public FirmwareView {
public:
    explicit ConsoleView(std::ostream& err) : err_(err) {}
    void Status(const std::string& text) override { err_ << "drumo-cli: " << text << '\n'; }
    // Every 16th page of a loop; the loop's end (page 0 again) closes the line, and what follows
    // (the hex dump after a read) is not shown.
    void Progress(int page) override {
        if (what_[0] == '\0') return;
        if (page == 0 && open_) {
            err_ << '\n';
            what_ = "";
            open_ = false;
        } else if (page % 16 == 0) {
            err_ << '\r' << what_ << ": page " << page << '/' << kImagePages;
            open_ = true;
        }
    }
    void ShowIdentity(const FirmwareIdentity& id) override { identity_ = id; }
    void Doing(const char* what) { what_ = what; }
    const FirmwareIdentity& Identity() const { return identity_; }

private:
    std::ostream& err_;
    const char* what_ = "";
    bool open_ = false;
    FirmwareIdentity identity_;
};

int Report(int status, const std::string& message, std::ostream& out) {
    out << "status=" << status << '\n' << "message=" << message << '\n';
    return status == 0 ? kExitOk : kExitFailed;
}

int RunFirmware(const CliArgs& args, std::ostream& out, std::ostream& err) {
    const auto& p = args.Positional;
    if (p.empty()) return Usage("read, write, verify, erase or boot is needed", err);
    const std::string command = p[0];
    const bool withFile = command == "write" || command == "verify";
    if (withFile && p.size() != 2) return Usage(command + " needs FILE.bin", err);
    if (command == "boot" && (p.size() != 2 || (p[1] != "on" && p[1] != "off"))) return Usage("boot on|off", err);
    if ((command == "read" || command == "erase") && p.size() != 1) return Usage("unexpected '" + p[1] + "'", err);
    if (!withFile && command != "boot" && command != "read" && command != "erase")
        return Usage("unknown command '" + command + "'", err);
    if (command == "read" && !args.Options.count("out")) return Usage("read needs --out FILE.bin", err);
    if (command != "read" && args.Flags.count("replace")) return Usage("--replace goes with read --out", err);
    // The target is checked before the 25-second read, not after it.
    if (command == "read") {
        const std::string why = OutputRefusal(args.Options.at("out"), {}, args.Flags.count("replace") > 0);
        if (!why.empty()) {
            err << "drumo-cli firmware: " << why << '\n';
            return kExitUsage;
        }
    }
    if (command == "erase" && !args.Flags.count("yes")) return Usage("erase destroys the firmware: add --yes", err);
    uint8_t address = 255;
    if (!ReadAddress(args, address, err, "firmware")) return kExitUsage;

    auto session = LinkSession::FromArgs(args, true, LinkSession::Logging::Quiet, err);
    if (!session) return kExitUsage;
    const LineLease line = session->Take(LineUser::Firmware, err);
    if (!line) return kExitFailed;
    DeviceBus& bus = line.Bus();
    StreamOperator op(err);
    ConsoleView view(err);
    FirmwareUpdate fw(bus, op, session->Station().Events(), SystemClock::Instance());
    fw.SetView(&view);
    fw.SetAddress(address);
    if (withFile && !fw.LoadImageFile(p[1])) return kExitUsage;
    session->Connect(bus, err);

    if (command == "boot") {
        const bool ok = p[1] == "on" ? fw.BootOn() : fw.BootOff();
        return Report(ok ? 0 : fw.LinkStatus(), ok ? "" : bus.LinkStatusMessage(), out);
    }
    // Into the boot loader, unless it runs already.
    if (!fw.ConnectDevice()) return Report(fw.LinkStatus(), bus.LinkStatusMessage(), out);
    const bool entered = !view.Identity().BootLoaderRuns;
    if (entered && !fw.BootOn()) return Report(fw.LinkStatus(), bus.LinkStatusMessage(), out);

    if (command == "erase") {
        const bool ok = fw.EraseDevice();
        return Report(ok ? 0 : fw.LinkStatus(), ok ? "" : bus.LinkStatusMessage(), out);
    }
    bool ok = false;
    if (command == "read") {
        view.Doing("read");
        ok = fw.ReadImage();
        std::string why;
        if (ok && !WriteOutput(args.Options.at("out"),
                               std::string_view(reinterpret_cast<const char*>(fw.Image().data()), fw.Image().size()),
                               why)) {
            err << "drumo-cli firmware: " << why << '\n';
            Report(0, "", out);
            return kExitFailed;
        }
    } else if (command == "write") {
        view.Doing("write");
        ok = fw.WriteImage();
        if (ok) {
            view.Doing("verify");
            ok = fw.VerifyImage();
            // Flash only clears bits: over old firmware the written pages do not come out right.
            // Only a page that really differs says so; a verify that timed out does not.
            if (!ok && fw.Differs())
                err << "drumo-cli firmware: the written image differs from the file; was the memory erased "
                       "first (firmware erase --yes)?\n";
        }
    } else {
        view.Doing("verify");
        ok = fw.VerifyImage();
    }
    if (!ok) {
        const int page = fw.FailedPage();
        if (fw.Differs())
            Report(1, "page " + std::to_string(page) + " of the device differs from the file", out);
        else
            Report(fw.LinkStatus() ? fw.LinkStatus() : 1, bus.LinkStatusMessage(), out);
        out << "pages=" << (page < 0 ? 0 : page) << '\n';
        err << "drumo-cli firmware: " << command << " failed at page " << page
            << (command == "write" ? "; the device stays in its boot loader: run the same command again" : "")
            << '\n';
        return kExitFailed;
    }
    // The new firmware starts; after a read or a verify the device goes back to where it was.
    if ((command == "write" || entered) && !fw.BootOff()) {
        Report(fw.LinkStatus(), bus.LinkStatusMessage(), out);
        out << "pages=" << (command == "write" ? fw.WrittenPages() : kImagePages) << '\n';
        err << "drumo-cli firmware: " << command << " done, but the device did not leave its boot loader"
            << (command == "write" ? ": the new firmware is not started (run boot off)" : "") << '\n';
        return kExitUnfinished;
    }
    Report(0, "", out);
    out << "pages=" << (command == "write" ? fw.WrittenPages() : kImagePages) << '\n';
    return kExitOk;
}

std::set<std::string> FirmwareOptionNames() {
    auto names = LinkOptionNames();
    names.insert({"address", "out"});
    return names;
}

const CliRegistration reg({"firmware", "read, write, verify or erase a device's firmware", kUsage, RunFirmware,
                           {"yes", "replace"}, FirmwareOptionNames()});

}  // namespace

}  // namespace drumo::cli
