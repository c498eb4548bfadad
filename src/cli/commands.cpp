#include "cli/commands.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <stdexcept>

#include "common/number_format.h"
#include "program/startup.h"

namespace velmora::cli {

namespace {

std::vector<Command>& Registry() {
    static std::vector<Command> commands;
    return commands;
}

}  // namespace

Args::Args(const std::vector<std::string>& args, const std::vector<std::string>& flags) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 3 || a.compare(0, 2, "--") != 0)
            throw std::invalid_argument("unexpected argument \"" + a + "\"");
        const std::string name = a.substr(2);
        if (std::find(flags.begin(), flags.end(), name) != flags.end()) {
            values_.insert_or_assign(name, std::string(1, '1'));
            continue;
        }
        if (i + 1 >= args.size()) throw std::invalid_argument("option --" + name + " needs a value");
        values_[name] = args[++i];
    }
}

std::string Args::Get(const std::string& name, const std::string& fallback) const {
    auto it = values_.find(name);
    return it == values_.end() ? fallback : it->second;
}

double Args::Number(const std::string& name, double fallback) const {
    auto it = values_.find(name);
    if (it == values_.end()) return fallback;
    if (!IsNumeric(it->second))
        throw std::invalid_argument("option --" + name + ": \"" + it->second + "\" is not a number");
    return Val(it->second);
}

int Args::Integer(const std::string& name, int fallback) const {
    const double v = Number(name, fallback);
    if (!(v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max()) ||
        v != static_cast<int>(v))
        throw std::invalid_argument("option --" + name + " needs a whole number");
    return static_cast<int>(v);
}

std::vector<std::string> Args::Names() const {
    std::vector<std::string> out;
    for (const auto& kv : values_) out.push_back(kv.first);
    return out;
}

void RejectUnknownOptions(const Args& args, const std::vector<std::string>& known, const std::string& hint) {
    for (const std::string& name : args.Names())
        if (std::find(known.begin(), known.end(), name) == known.end())
            throw std::invalid_argument("unknown option --" + name + hint);
}

bool RegisterCommand(const Command& command) {
    Registry().push_back(command);
    return true;
}

std::string DataFolder(const Args& args) {
    if (args.Has("data")) return args.Get("data");
    return (program::ProgramFolder() / "data").string();
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    auto& commands = Registry();
    std::sort(commands.begin(), commands.end(),
              [](const Command& a, const Command& b) { return a.name < b.name; });
    if (args.empty() || args[0] == "--help" || args[0] == "help") {
        (args.empty() ? err : out) << "usage: velmora-cli <command> [options]\ncommands:\n";
        for (const auto& c : commands) (args.empty() ? err : out) << "  " << c.usage << "\n";
        return args.empty() ? 2 : 0;
    }
    for (const auto& c : commands) {
        if (c.name != args[0]) continue;
        try {
            return c.run(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
        } catch (const std::exception& e) {
            err << "velmora-cli " << c.name << ": " << e.what() << "\n";
            return 1;
        }
    }
    err << "velmora-cli: unknown command \"" << args[0] << "\" (velmora-cli help lists them)\n";
    return 2;
}

}  // namespace velmora::cli
