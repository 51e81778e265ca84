#pragma once
// A file in memory-backed /dev/shm (or /tmp) for the targets whose reader takes a file name:
// each run writes the input there and the reader opens it as the program would.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace drumo::fuzz {

// A path of this process's own, removed when the fuzzer ends.
inline std::string TempPath(const char* ending) {
    static struct Made {
        std::vector<std::string> Paths;
        ~Made() {
            for (const auto& p : Paths) ::unlink(p.c_str());
        }
    } made;
    const char* folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    made.Paths.push_back(std::string(folder) + "/drumo-fuzz-" + std::to_string(::getpid()) + ending);
    return made.Paths.back();
}

inline void PutFile(const std::string& path, std::string_view bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
    std::fclose(f);
}

}  // namespace drumo::fuzz
