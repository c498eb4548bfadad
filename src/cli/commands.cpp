#include "cli/commands.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <limits>
#include <stdexcept>

#include "common/errors.h"
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
            throw std::invalid_argument("unexpected argument \"" + Excerpt(a) + "\"");
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
        throw std::invalid_argument("option --" + name + ": \"" + Excerpt(it->second) + "\" is not a number");
    return Val(it->second);
}

int Args::Integer(const std::string& name, int fallback) const {
    const double v = Number(name, fallback);
    if (!(v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max()) || v != static_cast<int>(v))
        throw std::invalid_argument("option --" + name + " needs a whole number");
    return static_cast<int>(v);
}

std::vector<std::string> Args::Names() const {
    std::vector<std::string> out;
    for (const auto& kv : values_) out.push_back(kv.first);
    return out;
}

int ChoiceOption(const Args& args, const std::string& name, std::initializer_list<const char*> names, int first) {
    std::string value = Trim(args.Get(name));
    std::transform(value.begin(), value.end(), value.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    int number = first;
    for (const char* n : names) {
        if (value == n) return number;
        ++number;
    }
    const int last = first + static_cast<int>(names.size()) - 1;
    if (IsNumeric(value) && Val(value) == static_cast<int>(Val(value)) && Val(value) >= first && Val(value) <= last)
        return static_cast<int>(Val(value));
    std::string list;
    for (const char* n : names) list += (list.empty() ? "" : ", ") + std::string(n);
    throw std::invalid_argument("option --" + name + ": \"" + Excerpt(args.Get(name)) + "\" is not one of " + list +
                                " (or " + std::to_string(first) + ".." + std::to_string(last) + ")");
}

std::pair<double, double> NumberPair(const Args& args, const std::string& name) {
    const std::string text = args.Get(name);
    const std::size_t colon = text.find(':');
    const std::string a = colon == std::string::npos ? "" : Trim(text.substr(0, colon));
    const std::string b = colon == std::string::npos ? "" : Trim(text.substr(colon + 1));
    if (!IsNumeric(a) || !IsNumeric(b))
        throw std::invalid_argument("option --" + name + ": \"" + Excerpt(text) + "\" is not A:B");
    return {Val(a), Val(b)};
}

std::vector<std::string> OptionNames(std::span<const OptionHelp> options) {
    std::vector<std::string> names;
    for (const OptionHelp& o : options) names.emplace_back(o.name);
    return names;
}

std::string OptionsHelp(std::span<const OptionHelp> options) {
    std::string text;
    for (const OptionHelp& o : options) text += "\n      --" + std::string(o.name) + " " + o.help;
    return text;
}

void RejectUnknownOptions(const Args& args, const std::vector<std::string>& known, const std::string& hint) {
    for (const std::string& name : args.Names())
        if (std::find(known.begin(), known.end(), name) == known.end()) {
            // A command that reads no line list says what it reads instead.
            if (name == "line-list")
                throw std::invalid_argument(
                    "option --line-list: this command works on catalogue entries only; give --entry N");
            throw std::invalid_argument("unknown option --" + name + hint);
        }
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
    std::sort(commands.begin(), commands.end(), [](const Command& a, const Command& b) { return a.name < b.name; });
    if (args.empty() || args[0] == "--help" || args[0] == "help") {
        (args.empty() ? err : out) << "usage: velmora-cli <command> [options]\ncommands:\n";
        for (const auto& c : commands) (args.empty() ? err : out) << "  " << c.usage << "\n";
        return args.empty() ? 1 : 0;  // no command: bad input
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
    err << "velmora-cli: unknown command \"" << Excerpt(args[0]) << "\" (velmora-cli help lists them)\n";
    return 1;
}

}  // namespace velmora::cli
