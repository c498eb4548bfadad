// velmora-cli: the spectroscopic database and simulator without a window.
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "common/process_memory.h"

int main(int argc, char** argv) {
    velmora::KeepFreedMemory();
    std::vector<std::string> args(argv + 1, argv + argc);
    return velmora::cli::Run(args, std::cout, std::cerr);
}
