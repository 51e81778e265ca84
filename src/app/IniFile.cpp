#include "app/IniFile.h"

#include "model/Cp1251.h"

#include <algorithm>

namespace drumo {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// Section and key names compare without regard to the case of the Latin letters.
std::string Folded(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    return folded;
}

}  // namespace

IniFile IniFile::Parse(std::string_view cp1251) {
    IniFile ini;
    Part* current = nullptr;
    size_t pos = 0;
    while (pos < cp1251.size()) {
        size_t end = cp1251.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = cp1251.size();
        const std::string_view line = Trim(cp1251.substr(pos, end - pos));
        pos = end;
        if (pos < cp1251.size() && cp1251[pos] == '\r') ++pos;
        if (pos < cp1251.size() && cp1251[pos] == '\n') ++pos;

        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[') {
            const size_t close = line.find(']');
            if (close == std::string_view::npos) {
                current = nullptr;  // a broken header: its lines belong to no section
                continue;
            }
            current = &ini.FindOrAdd(Cp1251ToUtf8(Trim(line.substr(1, close - 1))));
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos || current == nullptr) continue;
        const std::string key = Cp1251ToUtf8(Trim(line.substr(0, eq)));
        if (key.empty()) continue;
        const std::string value = Cp1251ToUtf8(Trim(line.substr(eq + 1)));
        // The first of repeated keys counts, as the desktop's own reader takes it.
        if (current->Keys.try_emplace(Folded(key), current->Pairs.size()).second) current->Pairs.emplace_back(key, value);
    }
    return ini;
}

std::string IniFile::Text() const {
    std::string text;
    for (size_t i = 0; i < parts_.size(); ++i) {
        if (i > 0) text += "\r\n";
        text += "[" + parts_[i].Name + "]\r\n";
        for (const auto& [key, value] : parts_[i].Pairs) text += key + "=" + value + "\r\n";
    }
    return Utf8ToCp1251(text);
}

IniFile::Part* IniFile::Find(std::string_view section) {
    const auto at = sections_.find(Folded(section));
    return at == sections_.end() ? nullptr : &parts_[at->second];
}

const IniFile::Part* IniFile::Find(std::string_view section) const {
    const auto at = sections_.find(Folded(section));
    return at == sections_.end() ? nullptr : &parts_[at->second];
}

IniFile::Part& IniFile::FindOrAdd(std::string_view section) {
    const auto [at, added] = sections_.try_emplace(Folded(section), parts_.size());
    if (added) parts_.push_back({std::string(section), {}, {}});
    return parts_[at->second];
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
    if (const Part* p = Find(section)) {
        if (const auto at = p->Keys.find(Folded(key)); at != p->Keys.end()) return p->Pairs[at->second].second;
    }
    return std::nullopt;
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view rawValue) {
    // A line break inside a value would end the line early and turn the rest into garbage.
    std::string value(rawValue);
    std::replace(value.begin(), value.end(), '\r', ' ');
    std::replace(value.begin(), value.end(), '\n', ' ');
    Part& p = FindOrAdd(section);
    const auto [at, added] = p.Keys.try_emplace(Folded(key), p.Pairs.size());
    if (added)
        p.Pairs.emplace_back(std::string(key), std::move(value));
    else
        p.Pairs[at->second].second = std::move(value);
}

std::vector<std::pair<std::string, std::string>> IniFile::Section(std::string_view section) const {
    const Part* p = Find(section);
    return p ? p->Pairs : std::vector<std::pair<std::string, std::string>>{};
}

}  // namespace drumo
