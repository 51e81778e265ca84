#include "base/Version.h"

#include <cstdlib>

#ifndef DRUMO_VERSION
#define DRUMO_VERSION "0.0.0.0"
#endif

namespace drumo {

std::string VersionText(const std::string& version) {
    std::string text;
    size_t pos = 0;
    for (int i = 0; i < 4; ++i) {
        unsigned long n = 0;
        if (pos < version.size()) {
            const size_t dot = version.find('.', pos);
            const std::string part = version.substr(pos, dot == std::string::npos ? std::string::npos : dot - pos);
            n = std::strtoul(part.c_str(), nullptr, 10);
            pos = dot == std::string::npos ? version.size() : dot + 1;
        }
        if (i > 0) text += '.';
        text += std::to_string(n % 256);
    }
    return text;
}

std::string ProgramVersion() { return VersionText(DRUMO_VERSION); }

}  // namespace drumo
