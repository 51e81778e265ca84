// libFuzzer target: the settings file over arbitrary bytes. The INI text written from what was
// parsed parses to the same text again; the settings read from it, written and read once more,
// give the same file.

#include <cstdint>
#include <cstdlib>

#include "app/IniFile.h"
#include "app/Settings.h"

using namespace drumo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const IniFile ini = IniFile::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string text = ini.Text();
    if (IniFile::Parse(text).Text() != text) std::abort();

    std::string note;
    const ProgramSettings settings = ReadSettings(ini, "/archive", &note);
    ReadPortsSection(ini);
    IniFile written;
    WriteSettings(settings, written);
    IniFile rewritten;
    WriteSettings(ReadSettings(IniFile::Parse(written.Text()), "/archive"), rewritten);
    if (rewritten.Text() != written.Text()) std::abort();
    return 0;
}
