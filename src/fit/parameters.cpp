#include "fit/parameters.h"

#include <cctype>
#include <charconv>

#include "common/errors.h"
#include "fit/fit_errors.h"

namespace velmora::fit {

namespace {

struct KindName {
    const char* name;
    ParameterKind kind;
};

constexpr KindName kNames[] = {
    {"t", ParameterKind::RotationalTemperature},
    {"tvib", ParameterKind::VibrationalTemperature},
    {"pop", ParameterKind::Population},
    {"scale", ParameterKind::Scale},
    {"baseline", ParameterKind::BaselineOffset},
    {"slope", ParameterKind::BaselineSlope},
    {"shift", ParameterKind::Shift},
    {"stretch", ParameterKind::Stretch},
    {"quadratic", ParameterKind::Quadratic},
    {"gauss", ParameterKind::GaussWidth},
    {"laser", ParameterKind::GaussWidth},
    {"lorentz", ParameterKind::LorentzWidth},
};

/// A whole number of a name's text; nullopt when the text is not one.
std::optional<int> WholeNumber(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

[[noreturn]] void Unknown(std::string_view name, const std::string& why) {
    throw FitInputError("\"" + Excerpt(name) + "\" is not a fit parameter" + why +
                        " (t, tvib, pop, pop(v=N), scale, baseline, slope, shift, stretch, quadratic, gauss, "
                        "lorentz; \":k\" for band system k)");
}

}  // namespace

std::string ParameterName(const ParameterId& id, bool lifExcitation, bool severalSystems) {
    std::string name;
    for (const KindName& k : kNames)
        if (k.kind == id.kind) {
            name = k.name;
            break;
        }
    if (id.kind == ParameterKind::GaussWidth && lifExcitation) name = "laser";
    if (id.kind == ParameterKind::Population) name += "(v=" + std::to_string(id.level) + ")";
    if (IsPerSystem(id.kind) && severalSystems) name += ":" + std::to_string(id.system + 1);
    return name;
}

bool ParameterPattern::Matches(const ParameterId& id) const {
    return id.kind == kind && (!system || !IsPerSystem(kind) || *system == id.system) && (!level || *level == id.level);
}

ParameterPattern ParseParameterName(std::string_view name, bool lifExcitation) {
    std::string text;
    for (char c : name)
        if (!std::isspace(static_cast<unsigned char>(c)))
            text += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    ParameterPattern p;
    std::string_view rest = text;
    // The band system: a suffix ":k".
    if (const std::size_t colon = rest.rfind(':'); colon != std::string_view::npos) {
        const auto k = WholeNumber(rest.substr(colon + 1));
        if (!k || *k < 1) Unknown(name, ": the band system after ':' must be 1, 2, ...");
        p.system = *k - 1;
        rest = rest.substr(0, colon);
    }
    // A population level: "pop(v=N)".
    if (rest.size() > 4 && rest.substr(0, 4) == "pop(") {
        std::string_view inner = rest.substr(4);
        if (inner.back() != ')') Unknown(name, "");
        inner.remove_suffix(1);
        if (inner.substr(0, 2) == "v=") inner.remove_prefix(2);
        const auto v = WholeNumber(inner);
        if (!v || *v < 0) Unknown(name, ": the level must be a whole number v = 0, 1, ...");
        p.kind = ParameterKind::Population;
        p.level = *v;
        return p;
    }
    for (const KindName& k : kNames)
        if (rest == k.name) {
            if (rest == "laser" && !lifExcitation)
                Unknown(name, ": the laser width belongs to LIF excitation scans (gauss is the instrument's width)");
            p.kind = k.kind;
            if (p.system && !IsPerSystem(p.kind))
                Unknown(name, ": " + std::string(k.name) + " is shared by every band system and takes no ':k'");
            return p;
        }
    Unknown(name, "");
}

}  // namespace velmora::fit
