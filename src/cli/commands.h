// The commands of velmora-cli and the small framework they share.
#pragma once

#include <initializer_list>
#include <map>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace velmora::cli {

/// Options of one command line: "--name value" pairs and bare "--flag"s.
class Args {
public:
    /// Parses args after the command name; `flags` lists the options that take no value.
    /// Throws std::invalid_argument for a stray word or a missing value.
    Args(const std::vector<std::string>& args, const std::vector<std::string>& flags);

    bool Has(const std::string& name) const { return values_.count(name) != 0; }
    /// The value of an option, or the fallback when absent.
    std::string Get(const std::string& name, const std::string& fallback = "") const;
    /// Numeric value; throws std::invalid_argument naming the option when it is not a number.
    double Number(const std::string& name, double fallback) const;
    int Integer(const std::string& name, int fallback) const;
    /// Every option name given, for checking against the known ones.
    std::vector<std::string> Names() const;

private:
    std::map<std::string, std::string> values_;
};

/// A choice option given by name (any case) or by its number; `first` is the number of the first
/// name. Throws std::invalid_argument listing the names when it is neither.
int ChoiceOption(const Args& args, const std::string& name, std::initializer_list<const char*> names, int first);

/// The value "A:B" of an option as two numbers; throws std::invalid_argument naming the option.
std::pair<double, double> NumberPair(const Args& args, const std::string& name);

/// An option's name (without "--") and its one-line description for a command's usage text.
struct OptionHelp {
    const char* name;
    const char* help;
};

/// The names of a table of options.
std::vector<std::string> OptionNames(std::span<const OptionHelp> options);

/// The usage lines of a table of options, one "--name help" line each.
std::string OptionsHelp(std::span<const OptionHelp> options);

/// Throws std::invalid_argument naming the first option given that is not one of `known`; the
/// message ends with `hint`.
void RejectUnknownOptions(const Args& args, const std::vector<std::string>& known, const std::string& hint = "");

/// One command: name, one-line usage and the function that runs it (returns the exit code).
struct Command {
    std::string name;
    std::string usage;
    int (*run)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

/// Adds a command to the program; used by the registration objects of the command files.
bool RegisterCommand(const Command& command);

/// Runs one command line (without the program name); returns the process exit code.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

/// Folder of the database: --data DIR, else the data/ folder beside the executable.
std::string DataFolder(const Args& args);

}  // namespace velmora::cli
