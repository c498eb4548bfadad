#include "cli/condition_options.h"

#include <stdexcept>

#include "common/errors.h"
#include "common/number_format.h"
#include "simulation/condition_fields.h"

namespace velmora::cli {

namespace {

using namespace simulation;

/// The options of the simulating commands that are not condition fields: each is listed after
/// the field it follows (nullptr: before the first field, "": after the last).
struct OwnOption {
    const char* after;
    OptionHelp help;
};
const OwnOption kOwnOptions[] = {
    {nullptr, {"entry", "N  catalogue entry (band system), required unless --line-list"}},
    {nullptr,
     {"line-list",
      "FILE.def|FILE.par  an ExoMol or HITRAN line list as the band system (simulate, compare, fit,\n"
      "        identify, boltzmann)"}},
    {nullptr, {"data", "DIR  database folder (default: data/ beside the program)"}},
    {"temperature", {"thermal", "on|off  populations follow the temperature (default on)"}},
    {"absorption-units",
     {"absorbance", "  (flag) the absorbance of an absorption spectrum: --absorption-units absorbance"}},
    {"", {"min-population", "P  minimum vibrational population simulated, 0..0.1 (default 0.00001)"}},
    {"", {"noise", "LEVEL  noise added to the written total, 0..100 (default 0)"}},
};

/// Every option in the order the usage text lists them.
const std::vector<OptionHelp>& Options() {
    static const std::vector<OptionHelp> options = [] {
        std::vector<OptionHelp> list;
        auto own = [&list](const char* after) {
            for (const OwnOption& o : kOwnOptions)
                if ((after == nullptr) == (o.after == nullptr) && (!after || std::string(after) == o.after))
                    list.push_back(o.help);
        };
        own(nullptr);
        for (const ConditionField& f : ConditionFields()) {
            list.push_back({f.name, f.help});
            own(f.name);
        }
        own("");
        return list;
    }();
    return options;
}

/// The refusal of a field's value as the command line words it.
std::invalid_argument OptionError(const FieldError& e, const std::string& text) {
    std::string value;
    switch (e.kind) {
        case FieldError::Kind::NotNumber:
            value = "\"" + Excerpt(Trim(text)) + "\" ";
            break;
        case FieldError::Kind::NotChoice:
            value = "\"" + text + "\" ";
            break;
        case FieldError::Kind::Refused:
            value = Trim(text) + " ";
            break;
        case FieldError::Kind::Invalid:
            break;
        case FieldError::Kind::Conflict:
            return std::invalid_argument("option --" + std::string(e.field.name) + " " +
                                         e.WordsNaming("--" + std::string(e.other->name)));
    }
    return std::invalid_argument("option --" + std::string(e.field.name) + ": " + value + e.words);
}

/// A number of an option that is not a condition, within what it accepts.
void CheckOwnNumber(const Args& args, const std::string& name, const Limits& accepted, bool upperExcluded,
                    const std::string& what) {
    if (!args.Has(name)) return;
    const std::string text = Trim(args.Get(name));
    if (!IsNumeric(text))
        throw std::invalid_argument("option --" + name + ": \"" + Excerpt(text) + "\" is not a number");
    const double v = Val(text);
    if (!accepted.Contains(v) || (upperExcluded && v >= accepted.hi))
        throw std::invalid_argument("option --" + name + ": " + text + " is not accepted (" + what + ")");
}

/// "3050" of a limit as its message shows it: the text given, or the value in force.
std::string Shown(const Args& args, const char* name, double value) {
    return args.Has(name) ? Trim(args.Get(name)) : Trim(Str(static_cast<float>(value)));
}

/// The rules of the command line between options, checked once every value has been read.
void CheckBetweenOptions(const Args& args, const SimulationConditions& c) {
    // The screen exchanges a reversed range; here it is an error.
    if (!(c.start < c.end))
        throw std::invalid_argument("the range start " + Shown(args, "start", c.start) + " is not below its end " +
                                    Shown(args, "end", c.end) + " (--start, --end)");
    if (c.lineshape == Lineshape::Measured && !c.slit)
        throw std::invalid_argument("option --lineshape file needs the instrument function as --slit FILE");
    if ((args.Has("window-start") || args.Has("window-end") || c.window == WindowMode::Window) &&
        !(c.windowStart < c.windowEnd))
        throw std::invalid_argument("the detection window start " + Trim(Str(static_cast<float>(c.windowStart))) +
                                    " Å is not below its end " + Trim(Str(static_cast<float>(c.windowEnd))) +
                                    " Å (--window-start, --window-end)");
    if (c.absorptionUnit != AbsorptionUnit::Relative && c.kind != SpectrumKind::Absorption)
        throw std::invalid_argument("absolute absorption units go with --kind absorption");
}

}  // namespace

const std::vector<std::string>& SimulationOptionNames() {
    static const std::vector<std::string> names = OptionNames(Options());
    return names;
}

std::string SimulationOptionsHelp() { return OptionsHelp(Options()); }

SimulationConditions ConditionsFromOptions(const Args& args) {
    std::vector<GivenField> given;
    for (const ConditionField& f : ConditionFields())
        if (args.Has(f.name)) given.push_back({&f, args.Get(f.name), std::nullopt});
    // --absorbance: the absorbance of an absorption spectrum.
    if (args.Has("absorbance")) {
        if (!args.Has("kind")) given.push_back({&Field("kind"), "absorption", std::nullopt});
        std::erase_if(given, [](const GivenField& g) { return g.field == &Field("absorption-units"); });
        given.push_back({&Field("absorption-units"), "absorbance", std::nullopt});
    }
    SimulationConditions c;
    try {
        c = ConditionsFromFields(given);
    } catch (const FieldError& e) {
        throw OptionError(e, args.Get(e.field.name));
    }
    CheckBetweenOptions(args, c);

    // Options of the populations and of the written file, not of the spectrum, checked in turn.
    if (args.Has("thermal")) ChoiceOption(args, "thermal", {"off", "on"}, 0);
    CheckOwnNumber(args, "min-population", {0.0, 0.1}, false, "0 to 0.1");
    CheckOwnNumber(args, "noise", {0.0, 100.0}, true, "0 to below 100");
    return c;
}

}  // namespace velmora::cli
