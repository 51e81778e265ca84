// drumo-cli settings, serial and firmware against the simulated controllers on pseudo-terminals.

#include "cli/Cli.h"
#include "sim/Faults.h"
#include "sim/Presets.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace drumo::test {
namespace {

class CliDevices : public ::testing::Test {
protected:
    ~CliDevices() override {
        if (line.Line) line.Line->Close();
    }
    void Serve(const std::string& preset) {
        std::string error;
        auto built = sim::BuildLine(*sim::PresetConfig(preset), SystemClock::Instance(), error);
        ASSERT_TRUE(built) << error;
        line = std::move(*built);
        ASSERT_TRUE(line.Line->Open()) << line.Line->Error();
        line.Line->Start();
    }
    int Run(std::vector<std::string> args) {
        args.insert(args.begin() + 1, {"--port", line.Line->SlavePath(), "--delay", "400"});
        out.str("");
        err.str("");
        return cli::RunCli(args, out, err);
    }
    bool Has(const std::string& text) const { return out.str().find(text) != std::string::npos; }

    sim::SimLine line;
    std::ostringstream out, err;
};

TEST_F(CliDevices, SettingsAreCheckedAsTheDialogsCheckThem) {
    Serve("dorma-bus");
    struct Case {
        std::vector<std::string> Values;
        int Exit;
        const char* Error;
    };
    const Case cases[] = {
        {{"delay=61"}, 2, "delay must be 0..60"},
        {{"address=0"}, 2, "address must be 1..255"},
        {{"period=0"}, 2, "the test items (period 0, autosave-period 0) need --test-items"},
        {{"speed=1200"}, 2, "speed must be 2400, 4800, 9600, 19200, 38400, 57600 or 115200"},
        {{"colour=2"}, 2, "unknown value 'colour'"},
        {{"period"}, 2, "'period' is not NAME=VALUE"},
        {{"delay=-1"}, 2, "delay must be 0..60"},
        {{"heating=2"}, 2, "heating '2' is out of range 0..1"},
        {{"delay=x"}, 2, "delay 'x' is not a number"},
        {{"period=5", "delay=7", "heating=1"}, 0, ""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"settings", "--type", "105", "--address", "2"};
        args.insert(args.end(), c.Values.begin(), c.Values.end());
        EXPECT_EQ(Run(args), c.Exit) << err.str();
        EXPECT_NE(err.str().find(c.Error), std::string::npos) << err.str();
    }
    EXPECT_TRUE(Has("period=5 5 минут\n")) << out.str();
    EXPECT_EQ(line.Line->With([&] { return line.Dormas[1]->Settings(); }),
              (std::array<uint16_t, 9>{2, 1, 8, 5, 0, 4, 0, 1, 7}));
    EXPECT_EQ(Run({"settings", "--type", "105", "--address", "2", "--test-items", "period=0"}), 0) << err.str();
    // The settings are read back where the device now answers.
    EXPECT_EQ(Run({"settings", "--type", "105", "--address", "2", "address=7"}), 0) << err.str();
    EXPECT_TRUE(Has("status=0\nmessage=\naddress=7\n")) << out.str();
}

TEST_F(CliDevices, AShortReadWritesNothingAndFails) {
    Serve("dorma-bus");
    auto& device = *line.Dormas[1];
    const auto settings = line.Line->With([&] { return device.Settings(); });
    const auto identity = line.Line->With([&] { return device.Identity(); });
    struct Case {
        const char* Fault;
        std::vector<std::string> Args;
    };
    const Case cases[] = {
        {"fewer-registers:4*1", {"settings", "--type", "105", "--address", "2", "delay=7"}},
        {"fewer-registers:2*1", {"serial", "--type", "105", "--address", "2", "--yes", "serial=1002"}},
    };
    for (const auto& c : cases) {
        line.Line->With([&] { device.Faults().Set(*sim::ParseFault(c.Fault)); return 0; });
        EXPECT_EQ(Run(c.Args), 1) << c.Fault;
        EXPECT_TRUE(Has("status=60\nmessage=Команда 3: Ответ содержит неверное количество байт\n")) << out.str();
    }
    EXPECT_EQ(line.Line->With([&] { return device.Settings(); }), settings);
    EXPECT_EQ(line.Line->With([&] { return device.Identity().Year; }), identity.Year);
    EXPECT_EQ(line.Line->With([&] { return device.Identity().Serial; }), identity.Serial);
}

TEST_F(CliDevices, HexarSettingsAndFactoryData) {
    Serve("hexar100");
    EXPECT_EQ(Run({"settings", "--type", "101", "period=6", "autowrite=3"}), 2);
    EXPECT_NE(err.str().find("autowrite must be 0 or at least the period 6"), std::string::npos);
    EXPECT_EQ(Run({"settings", "--type", "101", "period=11", "autowrite=3"}), 2);
    EXPECT_NE(err.str().find("period must be 0..10"), std::string::npos) << err.str();
    EXPECT_EQ(Run({"settings", "--type", "101", "period=6", "autowrite=8"}), 0) << err.str();
    EXPECT_TRUE(Has("autowrite=8 20 минут\n")) << out.str();
    EXPECT_TRUE(Has("supply=12 V\n")) << out.str();
    EXPECT_EQ(Run({"serial", "--type", "101", "serial=1234"}), 2);
    EXPECT_NE(err.str().find("writing factory data needs --yes"), std::string::npos);
    EXPECT_EQ(Run({"serial", "--type", "101", "--yes", "serial=1234", "year=2030"}), 0) << err.str();
    EXPECT_TRUE(Has("serial=1234\nyear=2030\n")) << out.str();
    EXPECT_EQ(Run({"serial", "--type", "101", "--yes", "year=2100"}), 2);
    EXPECT_NE(err.str().find("year must be 2010..2099"), std::string::npos);
}

// Every subcommand sets the line up for its protocol, whatever the one before it left: Modbus RTU
// with 2 stop bits (11 bits a byte), the maker's protocol with 1. The simulator reads them from
// the terminal; the commands of the wrong protocol go unanswered here, which does not matter.
TEST_F(CliDevices, EachSubcommandSetsUpTheLineForItsProtocol) {
    Serve("dorma-bus");
    const std::pair<std::vector<std::string>, int> steps[] = {
        {{"modbus", "1", "3", "0", "1"}, 11},
        {{"cmd", "40"}, 10},
        {{"serial", "--type", "105", "--address", "2"}, 11},
        {{"settings", "--type", "100"}, 10},
        {{"firmware", "--address", "2", "boot", "off"}, 11},
    };
    for (const auto& [args, bits] : steps) {
        Run(args);
        const sim::LineState set = line.Line->Line();
        EXPECT_EQ(set.BitsPerByte, bits) << args[0];
        EXPECT_EQ(set.Baud, 19200) << args[0];
    }
}

TEST_F(CliDevices, AFirmwareWriteCutShortIsRunAgain) {
    Serve("dorma-bus");
    const std::string file = (std::filesystem::temp_directory_path() / ("drumo-cli-fw-" + std::to_string(getpid()) + ".bin")).string();
    std::vector<char> image(126976, static_cast<char>(0xFF));
    for (int i = 0; i < 12 * 256; ++i) image[i] = static_cast<char>(i * 13);
    std::ofstream(file, std::ios::binary).write(image.data(), static_cast<std::streamsize>(image.size()));

    EXPECT_EQ(Run({"firmware", "erase"}), 2) << "erase needs --yes";
    // A target that cannot take the image is refused before the device is touched.
    const std::string link = file + ".link";
    std::filesystem::create_symlink(file, link);
    for (const std::string& target : {std::filesystem::temp_directory_path().string(), link}) {
        EXPECT_EQ(Run({"firmware", "--address", "3", "read", "--out", target}), 2) << target;
        EXPECT_FALSE(line.Line->With([&] { return line.Dormas[2]->Boot().Active(); })) << target;
    }
    std::filesystem::remove(link);
    ASSERT_EQ(Run({"firmware", "--address", "3", "erase", "--yes"}), 0) << err.str();
    line.Line->With([&] { line.Dormas[2]->Faults().Set(*sim::ParseFault("port-gone:10")); return 0; });
    EXPECT_EQ(Run({"firmware", "--address", "3", "write", file}), 1);
    EXPECT_NE(err.str().find("Сбой при записи страницы 4"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("write failed at page 4; the device stays in its boot loader"), std::string::npos);
    EXPECT_TRUE(line.Line->With([&] { return line.Dormas[2]->Boot().Active(); }));

    // The adapter is plugged in again; the same command finishes the job.
    line.Line->Stop();
    line.Line->With([&] { line.Dormas[2]->Faults().Clear(); return 0; });
    ASSERT_TRUE(line.Line->Open());
    line.Line->Start();
    ASSERT_EQ(Run({"firmware", "--address", "3", "write", file}), 0) << err.str();
    EXPECT_TRUE(Has("status=0\nmessage=\npages=12\n")) << out.str();
    EXPECT_FALSE(line.Line->With([&] { return line.Dormas[2]->Boot().Active(); })) << "the new firmware runs";
    const auto memory = line.Line->With([&] { return line.Dormas[2]->Boot().Memory(); });
    EXPECT_TRUE(std::equal(memory.begin(), memory.end(), image.begin(), [](uint8_t a, char b) { return a == static_cast<uint8_t>(b); }));

    // Written and verified again, but the device falls silent before the firmware is started:
    // identification 2, boot on 1, 12 pages 24, verify 992 requests.
    line.Line->With([&] { line.Dormas[2]->Faults().Set(*sim::ParseFault("stop-after:1019")); return 0; });
    EXPECT_EQ(Run({"firmware", "--address", "3", "write", file}), 8) << err.str();
    EXPECT_NE(err.str().find("write done, but the device did not leave its boot loader"), std::string::npos) << err.str();
    EXPECT_TRUE(Has("status=72\n")) << out.str();
    std::filesystem::remove(file);
}

}  // namespace
}  // namespace drumo::test
