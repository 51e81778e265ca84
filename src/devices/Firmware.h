#pragma once
// Firmware update over Modbus: a 126976-byte image (496 pages of 256 bytes) in memory, filled from a
// ".bin" file or from the device, written page by page into the device's flash through its boot
// loader, compared with the device's memory, and the device's memory erased. Page p lies in
// holding registers p * 128 .. p * 128 + 127, read and written in two halves of 64 registers;
// register r holds image bytes 2r (high byte) and 2r + 1.
//
// The image may be written into the device or compared with it only while it is whole: loaded
// completely from a file or read completely from the device (HasImage). Until then, and after a
// load or a read that failed or was aborted part way, WriteImage and VerifyImage refuse without
// any traffic: a half-read image, or the zeros the program starts with, must never reach a
// device's flash.
//
// The page loops let window events run before every page and stop at the next page once Abort
// was called (the cancel button, closing the window). A page is tried three times before the loop
// gives up with an error naming it; the pages before it are done.
//
// The device leaves its boot loader by itself 34 seconds after the last exchange; the countdown
// (BootCountdownTick, once a second) follows that on the injected clock and turns the boot switch
// off when the time is up.

#include "acquisition/DeviceBus.h"
#include "base/Services.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace drumo {

inline constexpr int kImagePages = 496;
inline constexpr int kImagePageSize = 256;
inline constexpr int kImageBytes = kImagePages * kImagePageSize;
inline constexpr int kBootTimeoutMs = 34000;
// Function 8 sub-function that switches the boot loader. Its data word is no on/off flag but the
// reverse: 0 switches the boot loader on (the device waits for firmware), 1 switches it off and
// starts the firmware. Devices answer to exactly this; do not "correct" it to 1 = start.
inline constexpr uint16_t kBootSubfunction = 0xFFF0;
inline constexpr uint16_t kEraseSubfunction = 0xFFF3;

// What the identification (function 17) shows.
struct FirmwareIdentity {
    // The signature pictures: shown, hidden, or left as they were.
    std::optional<bool> BiosSign;
    std::optional<bool> FirmwareSign;
    bool BootLoaderRuns = false;  // high byte of register 0 is 0
    std::string Type;             // "Hexar-1/100  (исп. 1)"
    std::string Serial;           // "№0123  2024 г."
    std::string Version;          // "2.3"
    std::optional<std::string> Comment;  // only when more than 6 registers came back
};
FirmwareIdentity IdentityFromRegisters(const uint16_t* regs, int count);

// Line `line` (0..15) of page `page` of the hex dump: the address as 6 hex digits, two spaces,
// then the 16 bytes as 2 hex digits each followed by a space.
std::string DumpLine(const std::vector<uint8_t>& image, int page, int line);

// Where the firmware window shows the procedure; the default shows nothing.
class FirmwareView {
public:
    virtual ~FirmwareView() = default;
    virtual void Status(const std::string& /*text*/) {}
    virtual void Progress(int /*page*/) {}
    virtual void ShowIdentity(const FirmwareIdentity& /*identity*/) {}
    // Sets the boot switch without running its handlers.
    virtual void BootSwitch(bool /*enabled*/, bool /*on*/) {}
    virtual void TimeLabel(const std::string& /*text*/) {}
    virtual void ClearDump() {}
    virtual void AddDumpLines(const std::vector<std::string>& /*lines*/) {}
    virtual void Working(bool /*on*/) {}  // the hourglass cursor of the erase
    // Whether the image is whole (write and verify possible).
    virtual void ImageWhole(bool /*whole*/) {}
};

class FirmwareUpdate {
public:
    FirmwareUpdate(DeviceBus& bus, Operator& op, EventPump& events, Clock& clock);

    void SetView(FirmwareView* view) { view_ = view ? view : &noView_; }
    const std::vector<uint8_t>& Image() const { return image_; }
    // Loaded or read whole: the only image that may be written or compared.
    bool HasImage() const { return whole_; }

    uint8_t Address() const { return address_; }
    void SetAddress(uint8_t address) { address_ = address; }

    // A new showing of the window: the boot flag, the restart flag and the deadline are cleared.
    void Restart();
    // Echo (function 8, 0) then identification (function 17). Ignored while busy.
    bool ConnectDevice();

    // The file into a separate buffer; the image takes it only when all 496 pages were read.
    // A failed load leaves the previous content but no whole image. Ignored (false) while busy.
    // The file is opened without blocking and must be a regular file.
    bool LoadImageFile(const std::string& name);

    bool ReadPage(int p);
    bool WritePage(int p);
    bool VerifyPage(int p);
    // The page loops; each is ignored (false) while busy, and write and verify also without a
    // whole image. True when every page was done; the status shows the outcome.
    bool ReadImage();
    bool WriteImage();
    bool VerifyImage();
    bool EraseDevice();
    bool BootOn();
    bool BootOff();
    void BootCountdownTick();
    void ShowImageDump();

    void Abort() { busy_ = false; }
    bool Busy() const { return busy_; }
    bool BootFlag() const { return boot_; }
    // The page at which the last loop gave up, or -1; the pages the last write transferred.
    int FailedPage() const { return failedPage_; }
    // Whether the last verify stopped at a page that differs from the image (not at a failed read).
    bool Differs() const { return differs_; }
    int WrittenPages() const { return writtenPages_; }
    int LinkStatus() const { return bus_.LinkStatus(); }

private:
    enum class PageOp { Read, Write, Verify };
    bool PageLoop(PageOp op);
    bool Exchanged(bool ok);
    bool Diagnostics(uint16_t sub, uint16_t value);
    void SetWhole(bool whole);

    DeviceBus& bus_;
    Operator& op_;
    EventPump& events_;
    Clock& clock_;
    FirmwareView noView_;
    FirmwareView* view_ = &noView_;
    std::vector<uint8_t> image_;
    uint8_t address_ = 255;
    bool busy_ = false;
    bool boot_ = false;
    bool restart_ = false;
    int64_t deadlineMs_ = 0;
    int failedPage_ = -1;
    int writtenPages_ = 0;
    bool whole_ = false;
    bool differs_ = false;
};

}  // namespace drumo
