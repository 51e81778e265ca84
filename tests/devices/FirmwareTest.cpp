// The firmware update against a simulated Dorma's boot loader on a pseudo-terminal: image files,
// the page loops with their skipped, failed and cancelled pages, identification, erase, and the
// boot switch that turns itself off after 34 seconds of silence on the injected clock.

#include "acquisition/LinkBus.h"
#include "devices/Firmware.h"
#include "model/Formats.h"
#include "sim/Faults.h"
#include "sim/SimFixture.h"
#include "support/CountingPump.h"
#include "support/ScriptedOperator.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <random>

namespace drumo::test {
namespace {

namespace fs = std::filesystem;

struct ViewRecord final : FirmwareView {
    void Status(const std::string& text) override { Statuses.push_back(text); }
    void ShowIdentity(const FirmwareIdentity& id) override { Identity = id; }
    void BootSwitch(bool enabled, bool on) override { Switch = {enabled, on}; }
    void TimeLabel(const std::string& text) override { Time = text; }
    void ClearDump() override { Dump.clear(); }
    void AddDumpLines(const std::vector<std::string>& lines) override { Dump.insert(Dump.end(), lines.begin(), lines.end()); }
    std::vector<std::string> Statuses;
    FirmwareIdentity Identity;
    std::pair<bool, bool> Switch{false, false};
    std::string Time;
    std::vector<std::string> Dump;
};

class Firmware : public sim::test::SimLinkTest {
protected:
    void SetUp() override {
        std::vector<std::unique_ptr<sim::Dorma>> stations;
        stations.push_back(sim::MakeDorma(clock, 106, 4, 4));
        stations.back()->Boot().EraseMs = 200;
        ConnectModbus(std::move(stations));
        link.AdditionalDelay = 400;
        fw.SetView(&view);
        fw.SetAddress(4);
        folder = fs::temp_directory_path() / ("drumo-fw-" + std::to_string(getpid()));
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    // An image of `pages` pages of random bytes followed by erased pages, written to a file.
    std::string ImageFile(const std::string& name, int pages, size_t bytes = kImageBytes) {
        std::vector<char> data(bytes, static_cast<char>(0xFF));
        std::mt19937 random(7);
        for (size_t i = 0; i < std::min<size_t>(bytes, pages * kImagePageSize); ++i) data[i] = static_cast<char>(random());
        const std::string path = (folder / name).string();
        std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
        return path;
    }
    std::vector<uint8_t> Memory() { return Device([&] { return line.Dormas[0]->Boot().Memory(); }); }
    void EraseInBootLoader() {
        ASSERT_TRUE(fw.BootOn()) << fw.LinkStatus();
        ASSERT_TRUE(fw.EraseDevice()) << fw.LinkStatus();
    }

    TComBuf decoder;
    LinkBus bus{link, decoder};
    ScriptedOperator op;
    CountingPump pump;
    ViewRecord view;
    FirmwareUpdate fw{bus, op, pump, clock};
    fs::path folder;
};

TEST_F(Firmware, AFullImageIsWrittenAndReadBack) {
    const std::string file = ImageFile("full.bin", kImagePages);
    ASSERT_TRUE(fw.LoadImageFile(file));
    EXPECT_EQ(view.Statuses.back(), file);
    ASSERT_EQ(view.Dump.size(), 496u * 16);
    EXPECT_EQ(view.Dump[17].substr(0, 8), "000110  ");
    EXPECT_EQ(view.Dump[17].size(), 8u + 48);
    const std::vector<uint8_t> image = fw.Image();

    EraseInBootLoader();
    ASSERT_TRUE(fw.WriteImage()) << fw.FailedPage();
    EXPECT_EQ(fw.WrittenPages(), 496);
    EXPECT_EQ(Memory(), image);
    EXPECT_EQ(view.Statuses.back(), "Write completed (496 pages)");
    ASSERT_TRUE(fw.LoadImageFile(ImageFile("other.bin", 5)));
    ASSERT_TRUE(fw.ReadImage());
    EXPECT_EQ(fw.Image(), image);
    EXPECT_EQ(view.Statuses.back(), "Read completed");
    EXPECT_TRUE(op.messages.empty());
}

TEST_F(Firmware, OnlyAWholeImageIsWrittenOrCompared) {
    EraseInBootLoader();
    // The zeros the program starts with, and an image read only in part, never go anywhere.
    EXPECT_FALSE(fw.WriteImage());
    EXPECT_FALSE(fw.VerifyImage());
    Device([&] { line.Dormas[0]->Faults().Set(*sim::ParseFault("silence")); return 0; });
    EXPECT_FALSE(fw.ReadImage());
    Device([&] { line.Dormas[0]->Faults().Clear(); return 0; });
    EXPECT_FALSE(fw.HasImage());
    EXPECT_FALSE(fw.WriteImage());
    EXPECT_EQ(Memory(), std::vector<uint8_t>(kImageBytes, 0xFF));
    EXPECT_EQ(view.Statuses.back(), "Сбой при чтении страницы 0") << "the last failure, not a stale status";
}

TEST_F(Firmware, ImageFilesThatAreRefusedLeaveTheImageAsItWasButNotWhole) {
    ASSERT_TRUE(fw.LoadImageFile(ImageFile("good.bin", kImagePages)));
    const std::vector<uint8_t> image = fw.Image();
    fs::create_directories(folder / "dir.bin");
    ASSERT_EQ(::mkfifo((folder / "fifo.bin").c_str(), 0600), 0);
    struct Case {
        std::string Name;
        std::string Error;
    };
    const std::string shortFile = ImageFile("short.bin", 3, 768);
    const std::string upper = ImageFile("FIRMWARE.BIN", 496);
    const std::string missing = (folder / "missing.bin").string();
    const std::string dir = (folder / "dir.bin").string();
    const std::string fifo = (folder / "fifo.bin").string();
    const Case cases[] = {
        {fifo, "Ошибка при доступе к файлу " + fifo + "\r\nВозможно файл не существует"},
        {shortFile, "Сбой при загрузке страницы 3"},
        {upper, "Файл " + upper + "\r\nне является файлом прошивки"},
        {"ab", "Файл ab\r\nне является файлом прошивки"},
        {missing, "Ошибка при доступе к файлу " + missing + "\r\nВозможно файл не существует"},
        {dir, "Ошибка при доступе к файлу " + dir + "\r\nВозможно файл не существует"},
    };
    for (const auto& c : cases) {
        op.Clear();
        EXPECT_FALSE(fw.LoadImageFile(c.Name));
        ASSERT_EQ(op.Shown(), std::vector<std::string>{"error: " + c.Error});
        EXPECT_EQ(fw.Image(), image) << c.Name;
        EXPECT_FALSE(fw.HasImage()) << c.Name;
        ASSERT_TRUE(fw.LoadImageFile(ImageFile("good.bin", kImagePages)));
    }
    EXPECT_FALSE(fw.LoadImageFile(shortFile));
    EXPECT_EQ(view.Statuses.back(), "Process aborted!") << "after the short file";
}

TEST_F(Firmware, ErasedPagesAreNotTransferred) {
    ASSERT_TRUE(fw.LoadImageFile(ImageFile("ten.bin", 10)));
    EraseInBootLoader();
    Device([&] { return line.Dormas[0]->Boot().Memory()[10 * 256] = 0x00; });  // would show a write
    ASSERT_TRUE(fw.WriteImage());
    EXPECT_EQ(fw.WrittenPages(), 10);
    const auto memory = Memory();
    EXPECT_TRUE(std::equal(memory.begin(), memory.begin() + 10 * 256, fw.Image().begin()));
    EXPECT_EQ(memory[10 * 256], 0x00);
}

TEST_F(Firmware, ConnectShowsTheIdentityOrWhyNot) {
    ASSERT_TRUE(fw.ConnectDevice());
    EXPECT_EQ(view.Statuses.back(), "Device connected (4)");
    EXPECT_EQ(view.Identity.Type, "Dorma-4/200  (исп. 1)");
    EXPECT_EQ(view.Identity.Serial, "№01004  2023 г.");
    EXPECT_EQ(view.Identity.Version, "2.3");
    EXPECT_EQ(view.Identity.Comment, "Склад 4");
    EXPECT_EQ(view.Identity.FirmwareSign, true);
    EXPECT_EQ(view.Identity.BiosSign, true);
    EXPECT_EQ(view.Switch, std::make_pair(true, false));

    Device([&] { return line.Dormas[0]->Identity().Identifies = false; });
    EXPECT_FALSE(fw.ConnectDevice());
    EXPECT_EQ(view.Statuses.back(), "Device unsupported (4)");
    fw.SetAddress(9);
    EXPECT_FALSE(fw.ConnectDevice());
    EXPECT_EQ(view.Statuses.back(), "Disconnected (9)");
}

TEST(FirmwareIdentity, RegistersToTexts) {
    const uint16_t boot[] = {0x0000, 101, 2, 77, 2099, 5};
    FirmwareIdentity id = IdentityFromRegisters(boot, 6);
    EXPECT_EQ(id.BiosSign, true);
    EXPECT_EQ(id.FirmwareSign, false);
    EXPECT_TRUE(id.BootLoaderRuns);
    EXPECT_EQ(id.Type, "Hexar-1/100  (исп. 2)");
    EXPECT_EQ(id.Serial, "№077") << "a year outside 2011..2098 is not shown";
    EXPECT_EQ(id.Version, "0.5");
    EXPECT_FALSE(id.Comment);
    const uint16_t odd[] = {0x0201, 999, 0, 1, 2011, 10};
    id = IdentityFromRegisters(odd, 6);
    EXPECT_FALSE(id.BiosSign);
    EXPECT_FALSE(id.FirmwareSign);
    EXPECT_EQ(id.Type, "Unknown  (исп. 0)");
    EXPECT_EQ(id.Serial, "№01  2011 г.");
}

TEST_F(Firmware, BootSwitchTurnsItselfOffAfter34SecondsOfSilence) {
    ASSERT_TRUE(fw.BootOn());
    fw.BootCountdownTick();
    EXPECT_EQ(view.Time, "00:00:34");
    clock.Advance(30000);
    fw.BootCountdownTick();
    EXPECT_EQ(view.Time, "00:00:04");
    // A successful exchange starts the 34 seconds again.
    ASSERT_TRUE(fw.ConnectDevice());
    fw.BootCountdownTick();
    EXPECT_EQ(view.Time, "00:00:34");
    EXPECT_EQ(view.Switch, std::make_pair(true, true));
    clock.Advance(34000);
    fw.BootCountdownTick();
    EXPECT_TRUE(fw.BootFlag());
    clock.Advance(1000);
    fw.BootCountdownTick();
    EXPECT_FALSE(fw.BootFlag());
    EXPECT_EQ(view.Switch, std::make_pair(true, false));
    EXPECT_EQ(view.Time, TimeText(clock.Now()));
    // The device has left its boot loader as well: 255 no longer answers.
    fw.SetAddress(255);
    EXPECT_FALSE(fw.ConnectDevice());
}

TEST_F(Firmware, EveryLoopStopsAtTheNextPageWhenCancelled) {
    const std::string other = ImageFile("other.bin", 496);
    ASSERT_TRUE(fw.LoadImageFile(ImageFile("some.bin", 20)));
    EraseInBootLoader();
    struct Case {
        const char* Name;
        std::function<bool()> Run;
    };
    const Case cases[] = {
        {"write", [&] { return fw.WriteImage(); }},
        {"verify", [&] { return fw.VerifyImage(); }},
        {"read", [&] { return fw.ReadImage(); }},
        {"dump", [&] { fw.ShowImageDump(); return false; }},
    };
    for (const auto& c : cases) {
        pump.Calls = 0;
        pump.At = 4;
        pump.Action = [&] {
            EXPECT_FALSE(fw.LoadImageFile(other)) << "the image does not change under a running loop";
            fw.Abort();
        };
        view.Statuses.clear();
        EXPECT_FALSE(c.Run()) << c.Name;
        EXPECT_EQ(view.Statuses, std::vector<std::string>{"Process aborted!"}) << c.Name;
        EXPECT_FALSE(fw.Busy());
        EXPECT_EQ(fw.FailedPage(), -1);
        if (std::string(c.Name) == "write") {
            EXPECT_EQ(fw.WrittenPages(), 3);
        }
    }
    EXPECT_TRUE(op.messages.empty());
}

TEST_F(Firmware, AWriteCutByTheVanishingPortIsRunAgainToTheEnd) {
    ASSERT_TRUE(fw.LoadImageFile(ImageFile("part.bin", 12)));
    EraseInBootLoader();
    Device([&] { line.Dormas[0]->Faults().Set(*sim::ParseFault("port-gone:10")); return 0; });
    EXPECT_FALSE(fw.WriteImage());
    EXPECT_EQ(fw.FailedPage(), 5);
    EXPECT_EQ(op.Shown(), std::vector<std::string>{"error: Сбой при записи страницы 5"});

    // The adapter comes back under a new name; the device is still in its boot loader.
    line.Line->Stop();
    Device([&] { line.Dormas[0]->Faults().Clear(); return 0; });
    ASSERT_TRUE(line.Line->Open());
    line.Line->Start();
    channel.Disconnect();
    channel.SetPortName(line.Line->SlavePath());
    ASSERT_TRUE(channel.Connect());
    channel.PausePolling();
    ASSERT_TRUE(fw.WriteImage());
    EXPECT_TRUE(fw.VerifyImage());
}

TEST_F(Firmware, VerifyNamesTheFirstPageThatDiffers) {
    ASSERT_TRUE(fw.LoadImageFile(ImageFile("v.bin", 3)));
    EraseInBootLoader();
    ASSERT_TRUE(fw.WriteImage());
    Device([&] { return line.Dormas[0]->Boot().Memory()[2 * 256 + 200] ^= 1; });
    EXPECT_FALSE(fw.VerifyImage());
    EXPECT_TRUE(fw.Differs());
    EXPECT_EQ(op.Shown(), std::vector<std::string>{"error: Сбой при проверке страницы 2"});
    // A page that cannot be read is no difference.
    Device([&] { line.Dormas[0]->Faults().Set(*sim::ParseFault("fewer-registers:1")); return 0; });
    EXPECT_FALSE(fw.VerifyImage());
    EXPECT_FALSE(fw.Differs());
    EXPECT_EQ(fw.LinkStatus(), kShortReadStatus);
}

}  // namespace
}  // namespace drumo::test
