// drumo-cli sensors against the simulated Hexar-1/100 on a pseudo-terminal.

#include "cli/Cli.h"
#include "sim/Presets.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace drumo::test {
namespace {

TEST(CliSensors, ReadEditWriteReadBackAndTheRefusals) {
    auto config = *sim::PresetConfig("hexar100");
    config.StreamPeriodMs = 0;
    std::string error;
    auto line = sim::BuildLine(config, SystemClock::Instance(), error);
    ASSERT_TRUE(line) << error;
    ASSERT_TRUE(line->Line->Open()) << line->Line->Error();
    line->Line->Start();
    std::ostringstream out, err;
    auto run = [&](std::vector<std::string> args) {
        args.insert(args.end(), {"--port", line->Line->SlavePath(), "--delay", "800"});
        out.str("");
        err.str("");
        return cli::RunCli(args, out, err);
    };

    ASSERT_EQ(run({"sensors", "read"}), 0) << err.str();
    const std::string table = out.str();
    const auto sensors = line->Line->With([&] { return line->Command->Device().Sensors(); });
    ASSERT_EQ(std::count(table.begin(), table.end(), '\n'), static_cast<long>(sensors.size()));
    const auto& first = sensors[0];
    const std::string firstLine = table.substr(0, table.find("\r\n") + 2);
    EXPECT_EQ(firstLine.rfind(std::to_string(first.Id) + "\t", 0), 0u) << firstLine;
    EXPECT_TRUE(firstLine.ends_with("\t" + std::to_string(first.Status) + "\t\r\n")) << firstLine;

    // The first line's S30 becomes 0.25 (4 sixteenths), written and read back.
    const auto folder = std::filesystem::temp_directory_path() / ("drumo-cli-dms-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::string edited = table;
    const size_t tab1 = edited.find('\t'), tab2 = edited.find('\t', tab1 + 1);
    edited.replace(tab1 + 1, tab2 - tab1 - 1, "0.25");
    const std::string good = (folder / "good.dms").string();
    std::ofstream(good, std::ios::binary) << edited;
    ASSERT_EQ(run({"sensors", "write", good}), 0) << err.str();
    EXPECT_EQ(out.str(), "written=" + std::to_string(sensors.size()) + "\n");
    EXPECT_EQ(line->Line->With([&] { return line->Command->Device().Sensors()[0].S30; }), 4);

    // A value beyond the limits, and a file with one row too few: refused, nothing sent.
    edited.replace(tab1 + 1, 4, "0.75");
    const std::string bad = (folder / "bad.dms").string();
    std::ofstream(bad, std::ios::binary) << edited;
    EXPECT_EQ(run({"sensors", "write", bad}), 1);
    EXPECT_NE(err.str().find("Значения поправок превысили допустимые пределы! Запись отменена!"), std::string::npos);
    const std::string shortFile = (folder / "short.dms").string();
    std::ofstream(shortFile, std::ios::binary) << table.substr(table.find("\r\n") + 2);
    EXPECT_EQ(run({"sensors", "write", shortFile}), 1);
    EXPECT_NE(err.str().find("Количество датчиков не совпадает!"), std::string::npos);
    EXPECT_EQ(line->Line->With([&] { return line->Command->Device().Sensors()[0].S30; }), 4);

    // The file is looked at before the port: these never reach the (missing) port.
    ASSERT_EQ(::mkfifo((folder / "fifo.dms").c_str(), 0600), 0);
    for (const auto& [file, reason] : {std::pair{folder / "missing.dms", std::string("Возможно файл не существует")},
                                       {folder / "good.txt", "не является файлом поправок датчиков Drumo"},
                                       {folder / "fifo.dms", "Это не обычный файл (канал, устройство или папка)"}}) {
        err.str("");
        EXPECT_EQ(cli::RunCli({"sensors", "write", file.string(), "--port", "/nonexistent"}, out, err), 2) << file;
        EXPECT_NE(err.str().find(reason), std::string::npos) << err.str();
    }
    // An ID Code the record cannot hold is refused with nothing sent; the comma mark of a file
    // saved under DecPoint=0 is read.
    std::string comma = table;
    std::replace(comma.begin(), comma.end(), '.', ',');
    const size_t afterS30 = comma.find('\t', comma.find('\t') + 1);
    const std::string commaFile = (folder / "comma.dms").string();
    for (const auto& [id, s30, status, shown] :
         {std::tuple{std::string("300"), "0", 1, "Строка №1, «ID Code»: 300 (целое число от 0 до 255)"},
          {std::to_string(first.Id), "0,5", 1, "превысили допустимые пределы"},  // the comma was read
          {std::to_string(first.Id), "-0,5", 0, ""}}) {
        std::ofstream(commaFile, std::ios::binary) << id + "\t" + s30 + comma.substr(afterS30);
        EXPECT_EQ(run({"sensors", "write", commaFile}), status) << err.str();
        EXPECT_NE(err.str().find(shown), std::string::npos) << err.str();
        EXPECT_EQ(line->Line->With([&] { return line->Command->Device().Sensors()[0].S30; }), status ? 4 : -8);
    }

    ASSERT_EQ(run({"sensors", "roms"}), 0) << err.str();
    EXPECT_EQ(out.str().rfind("№1 ", 0), 0u) << out.str();
    EXPECT_EQ(run({"sensors", "write"}), 2);

    std::filesystem::remove_all(folder);
    line->Line->Close();
}

}  // namespace
}  // namespace drumo::test
