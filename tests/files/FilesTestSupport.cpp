#include "files/FilesTestSupport.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace drumo::test {

TempFolder::TempFolder() {
    char pattern[] = "/tmp/drumo-files-XXXXXX";
    if (!::mkdtemp(pattern)) throw std::runtime_error("mkdtemp");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    const std::string command = "rm -rf '" + path_ + "'";
    [[maybe_unused]] const int rc = std::system(command.c_str());
}

DeviceSpec ExampleDevice() {
    DeviceSpec d;
    d.DevType = 103;
    d.Serial = 1234;
    d.Year = 2017;
    d.Firmware = "1.5";
    d.Address = 1;
    d.Comment = "Silo 1";
    CableSpec c;
    c.Kind = 1;
    c.Serial = 123;
    c.Labels = {50, 150};
    c.Samples = {{EncodeDateTime(2017, 12, 5, 14, 3, 22), {2150, 2175}},
                 {EncodeDateTime(2017, 12, 5, 14, 8, 22), {2150, NoValue}}};
    d.Cables.push_back(c);
    return d;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::vector<XlsRecord> XlsRecords(const std::vector<uint8_t>& stream) {
    std::vector<XlsRecord> records;
    size_t i = 0;
    while (i + 4 <= stream.size()) {
        const uint16_t number = static_cast<uint16_t>(stream[i] | stream[i + 1] << 8);
        const uint16_t length = static_cast<uint16_t>(stream[i + 2] | stream[i + 3] << 8);
        i += 4;
        if (i + length > stream.size()) return {};
        records.push_back({number, std::vector<uint8_t>(stream.begin() + static_cast<long>(i),
                                                        stream.begin() + static_cast<long>(i + length))});
        i += length;
    }
    if (i != stream.size()) return {};
    return records;
}

}  // namespace drumo::test
