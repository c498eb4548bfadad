// The simulation conditions as one table of fields. Each field names the condition once: its
// command-line option and help text, its Python keyword, its type and unit, the values it
// accepts and the words of its refusal, its settings key, its control on the main window, the
// view groups a change refreshes and what it recomputes. The command line, the Python module,
// the settings and the control events read their options, keywords, keys, limits and messages
// from here, so that a new condition is written once.
//
// A number is given in its own unit (the pressure in the pressure unit of the conditions) and
// held in the conditions in the unit the simulation uses (the pressure in Torr); `scale` is the
// factor between the two. Settings store the held value.
#pragma once

#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/view_groups.h"
#include "simulation/condition_limits.h"
#include "simulation/conditions.h"

namespace velmora::simulation {

/// How a field's value is given.
enum class FieldType {
    Number,  ///< a decimal number within the field's limits
    Switch,  ///< on or off (0, 1)
    Choice,  ///< one of named values, stored as their integers
    Text,    ///< a text of its own syntax (the gas composition)
    File,    ///< a file read into the conditions (measured instrument function, detection filter)
};

/// What a change of a field recomputes besides the field itself (flags).
enum class Derived : unsigned {
    None = 0,
    Widths = 1u << 0,          ///< line widths and their captions
    Shifts = 1u << 1,          ///< line shifts and their captions
    Yields = 1u << 2,          ///< fluorescence yields of the loaded system (and the database table)
    LevelData = 1u << 3,       ///< the loaded system's level data pre-computed again (quenching)
    PopulatedState = 1u << 4,  ///< the populated state follows the kind; its populations start thermal
    Populations = 1u << 5,     ///< thermal populations follow the temperature
};
constexpr Derived operator|(Derived a, Derived b) {
    return static_cast<Derived>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
constexpr bool Has(Derived set, Derived d) { return (static_cast<unsigned>(set) & static_cast<unsigned>(d)) != 0; }

/// A key of the settings store; a field without one is not kept between runs.
struct SettingKey {
    const char* section = nullptr;
    const char* key = nullptr;
    bool Empty() const { return key == nullptr; }
};

/// One condition field.
struct ConditionField {
    const char* name;     ///< command-line option without "--", and the field's name
    const char* keyword;  ///< keyword of velmora.Conditions
    FieldType type;
    const char* help;  ///< the command line's text after "--name "

    // Numbers: the unit as messages write it, the limits of the held value (inclusive), the
    // words of a refusal (nullptr: "lo..hi unit") and whether it reads "is outside ..." rather
    // than "is not accepted (...)".
    const char* unit = "";
    Limits limits{0.0, 0.0};
    const char* accepts = nullptr;
    bool outside = false;
    /// Factor from the unit a number is given in to the unit it is held in; nullptr for 1.
    double (*scale)(const SimulationConditions&) = nullptr;
    /// Limits that depend on other fields (the range on the axis unit); nullptr for `limits`.
    Limits (*limitsFor)(const SimulationConditions&) = nullptr;

    // Choices: the names of the values first, first + 1, ... (switches: off, on).
    int first = 0;
    std::vector<const char*> choices = {};

    /// A rule between this field and another one, checked once every given field is set: true
    /// when the conditions keep it. `ruleWith` names the other field; `ruleWords` are the words
    /// of the refusal, with "{}" where a front end writes the other field's option or keyword.
    bool (*rule)(const SimulationConditions&) = nullptr;
    const char* ruleWith = nullptr;
    const char* ruleWords = nullptr;

    SettingKey setting = {};
    const char* control = "";  ///< the control on the main window ("TxtTemperature", "CmbKind")
    ViewGroups refresh = {};   ///< the groups a change shows again
    Derived derived = Derived::None;

    // The held value of a number, switch (0, 1) or choice (its integer) ...
    double (*get)(const SimulationConditions&) = nullptr;
    void (*set)(SimulationConditions&, double) = nullptr;
    // ... or the text of a text or file field (a file field's text is the file's name).
    std::string (*getText)(const SimulationConditions&) = nullptr;
    /// Parses the text, or reads the file, into the conditions; throws std::invalid_argument (or
    /// FileError) saying what is wrong.
    void (*setText)(SimulationConditions&, const std::string&) = nullptr;

    bool IsNumeric() const { return get != nullptr; }
};

/// Every condition field, in the order the command line lists them.
std::span<const ConditionField> ConditionFields();

/// The field of a name (command-line option), or nullptr.
const ConditionField* FindField(std::string_view name);
/// The field of a Python keyword, or nullptr.
const ConditionField* FindKeyword(std::string_view keyword);
/// The field of a name that the program itself uses; a name not in the table is a programming
/// error (std::logic_error).
const ConditionField& Field(std::string_view name);

/// A value of a field that is refused: the field, the kind of refusal and its words, which
/// follow the value ("is not accepted (0..1000000 K)"). A front end puts the option or keyword
/// and the value as given in front of them.
class FieldError : public std::invalid_argument {
public:
    enum class Kind {
        NotNumber,  ///< the text is not a number (the value is quoted)
        Refused,    ///< a number outside the limits
        NotChoice,  ///< not one of the names (the value is quoted)
        Invalid,    ///< a text or file the field cannot take; the words say why (no value)
        Conflict,   ///< the field's rule with `other` is broken; the words follow the field's name
    };
    FieldError(const ConditionField& field, Kind kind, std::string words, const ConditionField* other = nullptr);
    const ConditionField& field;
    Kind kind;
    std::string words;
    const ConditionField* other;

    /// The words with the other field of a conflict named as a front end spells it.
    std::string WordsNaming(std::string_view otherName) const;
};

/// The limits of a field's held value in the conditions.
Limits FieldLimits(const ConditionField& f, const SimulationConditions& c);
/// The factor from the given unit to the held one (1 for most fields).
double FieldScale(const ConditionField& f, const SimulationConditions& c);

/// The words of a refusal of the field's numbers: "is not accepted (0..1000000 K)" or "is
/// outside 1000..1000000 Å (Vacuum)".
std::string RefusalWords(const ConditionField& f, const SimulationConditions& c);

/// Checks a number given for a field (in its given unit): empty when accepted, else the words of
/// the refusal. The one rule for the window's boxes, the command line and Python.
std::string CheckNumber(const ConditionField& f, const SimulationConditions& c, double given);

/// The value of a choice or switch text: a name (any case) or the integer; throws FieldError.
int ParseChoice(const ConditionField& f, std::string_view text);

/// The name of a choice or switch value ("emission", "on").
std::string ChoiceName(const ConditionField& f, int value);

/// The held value of a number, switch or choice.
double HeldValue(const ConditionField& f, const SimulationConditions& c);
/// The value in its given unit (the pressure in the pressure unit).
double GivenValue(const ConditionField& f, const SimulationConditions& c);
/// The text a box of the field shows: the given value in the program's number form (" 300").
std::string FieldText(const ConditionField& f, const SimulationConditions& c);

/// Sets a number given in its unit after CheckNumber; throws FieldError when refused.
void SetGivenNumber(const ConditionField& f, SimulationConditions& c, double given);
/// Sets a field from a text as the command line gives it: a number, a choice or switch name, a
/// composition or a file name. Throws FieldError.
void SetFieldText(const ConditionField& f, SimulationConditions& c, std::string_view text);

/// A value given for a field by name: a text (the command line) or a number (Python).
struct GivenField {
    const ConditionField* field;
    std::string text;
    std::optional<double> number;  ///< a number given as a number, without text
};

/// Checks the rules between fields (a resolution slope only with a convolved instrument
/// function); throws FieldError (Conflict) for the first broken one. The command line and Python
/// refuse the same conditions.
void CheckFieldRules(const SimulationConditions& c);

/// The conditions of a set of given fields, as the command line and Python form them from the
/// defaults: choices and switches first (so that a number given in a unit finds its unit), then
/// the others in the table's order; a given axis unit converts the default range and resolution
/// to it, as the window converts them; a gas composition given without a quenching source
/// makes it the source. Throws FieldError for the first value refused, then for the first rule
/// between fields broken.
SimulationConditions ConditionsFromFields(const std::vector<GivenField>& given);

/// Changes the axis unit as the window's unit list does: the range limits are converted (start
/// and end exchange places between wavelength and wavenumber; a limit of 0 has no reciprocal and
/// stays), and between Å, nm and cm-1 the resolution and the laser's widths follow in proportion
/// to the range centres. Converted values are rounded as the boxes show them.
void ChangeAxisUnit(SimulationConditions& c, AxisUnit to);

/// A value rounded to the seven significant digits the program shows of a converted number.
double AsShown(double value);

}  // namespace velmora::simulation
