// velmora-cli conditions: the simulation conditions the options give, one field a line, named and
// shown as the Python module's Conditions names and shows them, so that scripts can check what a
// command line will simulate.
#include <cstdio>
#include <ostream>

#include "cli/condition_options.h"
#include "simulation/condition_fields.h"

namespace velmora::cli {

namespace {

/// A field's value as text: a number in full double precision, a switch True or False, a choice
/// by its name, a composition as its text, a file by its path (None without one).
std::string ValueText(const simulation::ConditionField& f, const simulation::SimulationConditions& c) {
    using simulation::FieldType;
    switch (f.type) {
        case FieldType::Number: {
            char text[32];
            std::snprintf(text, sizeof text, "%.17g", simulation::GivenValue(f, c));
            return text;
        }
        case FieldType::Switch:
            return simulation::HeldValue(f, c) != 0.0 ? "True" : "False";
        case FieldType::Choice:
            return simulation::ChoiceName(f, static_cast<int>(simulation::HeldValue(f, c)));
        case FieldType::Text:
            return f.getText(c);
        case FieldType::File: {
            const std::string file = f.getText(c);
            return file.empty() ? "None" : file;
        }
    }
    return {};
}

int RunConditions(const std::vector<std::string>& words, std::ostream& out, std::ostream&) {
    const Args args(words, kSimulationFlags);
    RejectUnknownOptions(args, SimulationOptionNames(), " (velmora-cli help lists the options)");
    const simulation::SimulationConditions c = ConditionsFromOptions(args);
    for (const simulation::ConditionField& f : simulation::ConditionFields())
        out << f.keyword << '=' << ValueText(f, c) << '\n';
    return 0;
}

const bool registered = RegisterCommand(
    {"conditions",
     "conditions [simulation options]  prints the conditions the options give, one keyword=value line per field\n"
     "        as the Python module's Conditions names them",
     &RunConditions});

}  // namespace

}  // namespace velmora::cli
