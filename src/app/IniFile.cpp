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

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
               return lower(x) == lower(y);
           });
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
            const std::string name = Cp1251ToUtf8(Trim(line.substr(1, close - 1)));
            current = ini.Find(name);
            if (!current) {
                ini.parts_.push_back({name, {}});
                current = &ini.parts_.back();
            }
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos || current == nullptr) continue;
        const std::string key = Cp1251ToUtf8(Trim(line.substr(0, eq)));
        if (key.empty()) continue;
        const std::string value = Cp1251ToUtf8(Trim(line.substr(eq + 1)));
        // The first of repeated keys counts, as the desktop's own reader takes it.
        auto& pairs = current->Pairs;
        if (std::none_of(pairs.begin(), pairs.end(), [&](const auto& p) { return SameName(p.first, key); })) {
            pairs.emplace_back(key, value);
        }
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
    for (Part& p : parts_) {
        if (SameName(p.Name, section)) return &p;
    }
    return nullptr;
}

const IniFile::Part* IniFile::Find(std::string_view section) const {
    for (const Part& p : parts_) {
        if (SameName(p.Name, section)) return &p;
    }
    return nullptr;
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
    if (const Part* p = Find(section)) {
        for (const auto& [k, v] : p->Pairs) {
            if (SameName(k, key)) return v;
        }
    }
    return std::nullopt;
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view rawValue) {
    // A line break inside a value would end the line early and turn the rest into garbage.
    std::string value(rawValue);
    std::replace(value.begin(), value.end(), '\r', ' ');
    std::replace(value.begin(), value.end(), '\n', ' ');
    Part* p = Find(section);
    if (!p) {
        parts_.push_back({std::string(section), {}});
        p = &parts_.back();
    }
    for (auto& [k, v] : p->Pairs) {
        if (SameName(k, key)) {
            v = value;
            return;
        }
    }
    p->Pairs.emplace_back(std::string(key), std::string(value));
}

std::vector<std::pair<std::string, std::string>> IniFile::Section(std::string_view section) const {
    const Part* p = Find(section);
    return p ? p->Pairs : std::vector<std::pair<std::string, std::string>>{};
}

}  // namespace drumo
