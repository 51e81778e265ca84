// libFuzzer target: the settings file over arbitrary bytes. The INI text written from what was
// parsed parses to the same text again; the settings read from it, written and read once more,
// give the same file.

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/IniFile.h"
#include "app/Settings.h"

using namespace drumo;

namespace {

// Hashes of texts already checked, in a table of fixed size, so that a run leaves no new
// allocation behind (which would start a leak check).
class Seen {
public:
    // Whether the text was added before; adds it.
    bool Before(const std::string& text) {
        const uint64_t hash = std::hash<std::string>{}(text) | 1;  // 0 marks a free slot
        const size_t mask = table_.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            if (table_[i] == hash) return true;
            if (table_[i] == 0) {
                if (used_ >= table_.size() / 2) return false;  // full enough: check everything again
                table_[i] = hash;
                ++used_;
                return false;
            }
        }
    }

private:
    std::vector<uint64_t> table_ = std::vector<uint64_t>(size_t{1} << 21);
    size_t used_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const IniFile ini = IniFile::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string text = ini.Text();
    if (IniFile::Parse(text).Text() != text) std::abort();
    // The settings read from the INI text, and every check after, depend on nothing else: an
    // input whose text an earlier run had (most differ from others in comments, spaces, line
    // ends or ignored lines only) would repeat that run. The settings round trip reads and writes
    // every key, the graph's 256 colours among them, twice and is most of a run's cost.
    static Seen inputs, outputs;
    if (inputs.Before(text)) return 0;

    std::string note;
    const ProgramSettings settings = ReadSettings(ini, "/archive", &note);
    ReadPortsSection(ini);
    IniFile written;
    WriteSettings(settings, written);
    const std::string writtenText = written.Text();
    // Many INI texts give the same settings (unknown keys, values out of range); a written text
    // already checked would pass the same way again.
    if (outputs.Before(writtenText)) return 0;
    IniFile rewritten;
    WriteSettings(ReadSettings(IniFile::Parse(writtenText), "/archive"), rewritten);
    if (rewritten.Text() != writtenText) std::abort();
    return 0;
}
