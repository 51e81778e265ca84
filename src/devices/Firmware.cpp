#include "devices/Firmware.h"

#include "model/Cp1251.h"
#include "model/DeviceTypes.h"
#include "model/Formats.h"
#include "model/SafeFile.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace drumo {

namespace {

constexpr int kHalfRegisters = 64;
constexpr const char* kAborted = "Process aborted!";

// One 256-byte record of a file; false when the file ends before it is complete.
bool ReadRecord(int fd, uint8_t* record) {
    size_t got = 0;
    while (got < kImagePageSize) {
        const ssize_t n = ::read(fd, record + got, kImagePageSize - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

bool AllErased(const uint8_t* page) {
    return std::all_of(page, page + kImagePageSize, [](uint8_t b) { return b == 0xFF; });
}

}  // namespace

FirmwareIdentity IdentityFromRegisters(const uint16_t* regs, int count) {
    auto reg = [&](int i) -> int { return i < count ? regs[i] : 0; };
    FirmwareIdentity id;
    const int running = reg(0) >> 8;
    const bool other = (reg(0) & 0xFF) == 1;
    if (running == 0) {
        id.BiosSign = true;
        id.FirmwareSign = other;
    } else if (running == 1) {
        id.FirmwareSign = true;
        id.BiosSign = other;
    }
    id.BootLoaderRuns = running == 0;
    id.Type = std::string(DeviceTypes[FindTypeByCode(static_cast<uint16_t>(reg(1)))].Name) + "  (исп. " +
              std::to_string(reg(2)) + ")";
    id.Serial = "№0" + std::to_string(reg(3));
    if (reg(4) >= 2011 && reg(4) <= 2098) id.Serial += "  " + std::to_string(reg(4)) + " г.";
    id.Version = std::to_string(reg(5) / 10) + "." + std::to_string(reg(5) % 10);
    if (count > 6) {
        std::string text;
        for (int i = 6; i < count; ++i) {
            text.push_back(static_cast<char>(regs[i] >> 8));
            text.push_back(static_cast<char>(regs[i] & 0xFF));
        }
        while (!text.empty() && (text.back() == '\0' || text.back() == ' ')) text.pop_back();
        id.Comment = Cp1251ToUtf8(text);
    }
    return id;
}

std::string DumpLine(const std::vector<uint8_t>& image, int page, int line) {
    const int at = page * kImagePageSize + 16 * line;
    char text[6 + 2 + 16 * 3 + 1];
    int n = std::snprintf(text, sizeof text, "%06X  ", at);
    for (int i = 0; i < 16; ++i) n += std::snprintf(text + n, sizeof text - n, "%02X ", image[at + i]);
    return std::string(text, n);
}

FirmwareUpdate::FirmwareUpdate(DeviceBus& bus, Operator& op, EventPump& events, Clock& clock)
    : bus_(bus), op_(op), events_(events), clock_(clock), image_(kImageBytes, 0) {}

void FirmwareUpdate::Restart() {
    boot_ = false;
    restart_ = false;
    deadlineMs_ = 0;
}

bool FirmwareUpdate::Exchanged(bool ok) {
    if (ok) restart_ = true;
    return ok;
}

bool FirmwareUpdate::Diagnostics(uint16_t sub, uint16_t value) {
    uint16_t data[kRegisterBufferSize] = {};
    uint16_t count = value;
    return bus_.ModbusRequest(address_, 8, sub, count, data);
}

bool FirmwareUpdate::ConnectDevice() {
    if (busy_) return false;
    const std::string at = " (" + std::to_string(address_) + ")";
    if (!Diagnostics(0, 0)) {
        view_->Status("Disconnected" + at);
        return false;
    }
    uint16_t regs[kRegisterBufferSize] = {};
    uint16_t count = 0;
    if (!bus_.ModbusRequest(address_, 17, 0, count, regs) || count == 0) {
        view_->Status("Device unsupported" + at);
        return false;
    }
    const FirmwareIdentity id = IdentityFromRegisters(regs, count);
    view_->ShowIdentity(id);
    view_->Status("Device connected" + at);
    view_->BootSwitch(true, id.BootLoaderRuns);
    restart_ = true;
    return true;
}

void FirmwareUpdate::SetWhole(bool whole) {
    whole_ = whole;
    view_->ImageWhole(whole);
}

bool FirmwareUpdate::LoadImageFile(const std::string& name) {
    // A running loop reads or writes the image: it must not change under it.
    if (busy_) return false;
    // Whatever happens now, the operator no longer has the image held before in mind.
    SetWhole(false);
    const bool named = name.size() > 2 && name.compare(name.size() - 3, 3, "bin") == 0;
    if (!named) {
        op_.Error("Файл " + name + "\r\n" + "не является файлом прошивки");
        return false;
    }
    // Opened without blocking: a FIFO put in the file's place must not hang the program.
    const int fd = OpenRegularFile(name);
    if (fd < 0) {
        op_.Error("Ошибка при доступе к файлу " + name + "\r\n" + "Возможно файл не существует");
        return false;
    }
    // The pages go into a buffer of their own: a file that ends early must not leave the image a
    // mixture of two firmwares.
    std::vector<uint8_t> pages(kImageBytes);
    int read = 0;
    for (; read < kImagePages; ++read) {
        if (!ReadRecord(fd, pages.data() + read * kImagePageSize)) {
            op_.Error("Сбой при загрузке страницы " + std::to_string(read));
            break;
        }
    }
    ::close(fd);
    const bool complete = read == kImagePages;
    if (complete) image_.swap(pages);
    ShowImageDump();
    view_->Status(complete ? name : kAborted);
    SetWhole(complete);
    return complete;
}

bool FirmwareUpdate::ReadPage(int p) {
    for (int h = 0; h < 2; ++h) {
        uint16_t regs[kRegisterBufferSize] = {};
        // A short half would leave old bytes in the page.
        if (!ReadRegisters(bus_, address_, static_cast<uint16_t>(p * 128 + h * 64), kHalfRegisters, regs)) return false;
        uint8_t* at = &image_[p * kImagePageSize + h * 128];
        for (int j = 0; j < kHalfRegisters; ++j) {
            at[2 * j] = static_cast<uint8_t>(regs[j] >> 8);
            at[2 * j + 1] = static_cast<uint8_t>(regs[j] & 0xFF);
        }
    }
    return Exchanged(true);
}

bool FirmwareUpdate::VerifyPage(int p) {
    for (int h = 0; h < 2; ++h) {
        uint16_t regs[kRegisterBufferSize] = {};
        differs_ = false;
        if (!ReadRegisters(bus_, address_, static_cast<uint16_t>(p * 128 + h * 64), kHalfRegisters, regs)) return false;
        const uint8_t* at = &image_[p * kImagePageSize + h * 128];
        for (int j = 0; j < kHalfRegisters; ++j) {
            if (regs[j] != (at[2 * j] << 8 | at[2 * j + 1])) {
                differs_ = true;
                return false;
            }
        }
    }
    return Exchanged(true);
}

bool FirmwareUpdate::WritePage(int p) {
    for (int h = 0; h < 2; ++h) {
        uint16_t regs[kRegisterBufferSize] = {};
        const uint8_t* at = &image_[p * kImagePageSize + h * 128];
        for (int j = 0; j < kHalfRegisters; ++j) regs[j] = static_cast<uint16_t>(at[2 * j] << 8 | at[2 * j + 1]);
        uint16_t count = kHalfRegisters;
        if (!bus_.ModbusRequest(address_, 16, static_cast<uint16_t>(p * 128 + h * 64), count, regs)) return false;
    }
    return Exchanged(true);
}

bool FirmwareUpdate::PageLoop(PageOp op) {
    if (busy_) return false;
    failedPage_ = -1;
    differs_ = false;
    if (op != PageOp::Read && !whole_) return false;
    // Reading overwrites the image page by page: it is whole again only when every page came.
    if (op == PageOp::Read) SetWhole(false);
    busy_ = true;
    if (op == PageOp::Write) writtenPages_ = 0;
    int tries = 3;
    int p = 0;
    while (p < kImagePages) {
        if (!busy_) {
            view_->Status(kAborted);
            break;
        }
        view_->Progress(p);
        events_.ProcessEvents();
        if (!busy_) continue;  // stopped while the events ran: report it at the top
        bool ok = false;
        switch (op) {
        case PageOp::Read: ok = ReadPage(p); break;
        case PageOp::Verify: ok = VerifyPage(p); break;
        case PageOp::Write:
            if (AllErased(&image_[p * kImagePageSize])) {
                ok = true;
            } else {
                ok = WritePage(p);
                if (ok) ++writtenPages_;
            }
            break;
        }
        if (ok) {
            tries = 3;
            ++p;
            continue;
        }
        if (--tries > 0) continue;
        failedPage_ = p;
        const char* what = op == PageOp::Read    ? "Сбой при чтении страницы "
                           : op == PageOp::Write ? "Сбой при записи страницы "
                                                 : "Сбой при проверке страницы ";
        view_->Status(what + std::to_string(p));
        op_.Error(what + std::to_string(p));
        break;
    }
    view_->Progress(0);
    busy_ = false;
    const bool done = p == kImagePages;
    if (op == PageOp::Read) {
        ShowImageDump();
        SetWhole(done);
    }
    if (done) {
        view_->Status(op == PageOp::Read    ? "Read completed"
                      : op == PageOp::Write ? "Write completed (" + std::to_string(writtenPages_) + " pages)"
                                            : "Verify completed: the device holds the image");
    }
    return done;
}

bool FirmwareUpdate::ReadImage() { return PageLoop(PageOp::Read); }
bool FirmwareUpdate::WriteImage() { return PageLoop(PageOp::Write); }
bool FirmwareUpdate::VerifyImage() { return PageLoop(PageOp::Verify); }

bool FirmwareUpdate::EraseDevice() {
    if (busy_) return false;
    busy_ = true;
    view_->Working(true);
    const bool ok = Exchanged(Diagnostics(kEraseSubfunction, 0));
    view_->Status(ok ? "Erase completed" : bus_.LinkStatusMessage());
    if (!ok) op_.Error(bus_.LinkStatusMessage());
    view_->Working(false);
    busy_ = false;
    return ok;
}

bool FirmwareUpdate::BootOn() {
    if (!Diagnostics(kBootSubfunction, 0)) {
        op_.Error(bus_.LinkStatusMessage());
        return false;
    }
    boot_ = true;
    restart_ = true;
    return true;
}

bool FirmwareUpdate::BootOff() {
    if (!Diagnostics(kBootSubfunction, 1)) {
        op_.Error(bus_.LinkStatusMessage());
        return false;
    }
    boot_ = false;
    return true;
}

void FirmwareUpdate::BootCountdownTick() {
    const int64_t now = clock_.TickMs();
    if (restart_) {
        restart_ = false;
        deadlineMs_ = now + kBootTimeoutMs;
    }
    if (boot_ && now > deadlineMs_) {
        // The device has left its boot loader by itself.
        view_->TimeLabel(TimeText(clock_.Now()));
        view_->BootSwitch(true, false);
        boot_ = false;
    } else if (boot_) {
        view_->TimeLabel(TimeText(static_cast<double>(deadlineMs_ - now) / 86400000.0));
    } else {
        view_->TimeLabel(TimeText(clock_.Now()));
    }
}

void FirmwareUpdate::ShowImageDump() {
    busy_ = true;
    view_->ClearDump();
    for (int p = 0; p < kImagePages; ++p) {
        if (!busy_) {
            view_->Status(kAborted);
            break;
        }
        view_->Progress(p);
        events_.ProcessEvents();
        std::vector<std::string> lines;
        lines.reserve(16);
        for (int line = 0; line < 16; ++line) lines.push_back(DumpLine(image_, p, line));
        view_->AddDumpLines(lines);
    }
    view_->Progress(0);
    busy_ = false;
}

}  // namespace drumo
