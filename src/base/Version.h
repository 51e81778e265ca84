#pragma once
// The program's version, as every program of the project prints it with --version and writes it
// into its files.

#include <string>

namespace drumo {

// The four numbers of the build's version, each modulo 256, joined by "." ("1.0.0.1").
std::string ProgramVersion();
// The same from a version text "a.b.c.d" (missing numbers count as 0).
std::string VersionText(const std::string& version);

}  // namespace drumo
