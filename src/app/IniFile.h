#pragma once
// An INI document in memory: sections in square brackets, each with "key=value" lines. Section
// and key names compare without regard to letter case; spaces around names and values are
// dropped. Lines that are neither a section nor a pair (comments, garbage, lines without "=") are
// ignored when reading and not written back. Text in memory is UTF-8; Parse and Text convert from
// and to Windows-1251 with CR LF line ends, as the file is kept on disk.

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace drumo {

class IniFile {
public:
    // Reads Windows-1251 file content. Lines end with LF, CR LF or CR.
    static IniFile Parse(std::string_view cp1251);
    // The Windows-1251 file content, CR LF line ends, a blank line between sections.
    std::string Text() const;

    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    // Replaces the value of an existing key in place, or adds the key (and section) at the end.
    void Set(std::string_view section, std::string_view key, std::string_view value);
    // The pairs of one section in file order; empty when there is no such section.
    std::vector<std::pair<std::string, std::string>> Section(std::string_view section) const;

private:
    struct Part {
        std::string Name;
        std::vector<std::pair<std::string, std::string>> Pairs;
        // Where each key is in Pairs, by its name in lower case, so that reading or writing a
        // section of many keys (the graph's 256 colours) does not compare every key with all.
        std::unordered_map<std::string, size_t> Keys;
    };
    Part* Find(std::string_view section);
    const Part* Find(std::string_view section) const;
    Part& FindOrAdd(std::string_view section);

    std::vector<Part> parts_;
    std::unordered_map<std::string, size_t> sections_;  // where each section is in parts_, by lower-case name
};

}  // namespace drumo
