#include "cli/Cli.h"

#include <iostream>

int main(int argc, char** argv) {
    return drumo::cli::RunCli(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
