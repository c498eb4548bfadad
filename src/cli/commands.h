// The commands of velmora-cli.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace velmora::cli {

/// Runs one command line (without the program name); returns the process exit code.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace velmora::cli
