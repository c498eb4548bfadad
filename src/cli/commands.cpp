#include "cli/commands.h"

namespace velmora::cli {

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty() || args[0] == "--help" || args[0] == "help") {
        out << "usage: velmora-cli <command> [options]\n"
               "commands:\n"
               "  systems   [--data DIR]                     list the band systems of the catalogue\n";
        return args.empty() ? 1 : 0;
    }
    err << "velmora-cli: unknown command \"" << args[0] << "\"\n";
    return 1;
}

}  // namespace velmora::cli
