#include "database/multiplet_catalogue.h"

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

#include "common/errors.h"
#include "common/number_format.h"
#include "database/state_descriptions.h"

namespace velmora::database {

namespace {

/// The field of StateConstants a constants name of the file stands for.
double* ConstantField(StateConstants& c, const std::string& name) {
    static const std::map<std::string, double StateConstants::*> fields = {{"T_v", &StateConstants::T},
                                                                           {"B", &StateConstants::B},
                                                                           {"D", &StateConstants::D},
                                                                           {"H", &StateConstants::H},
                                                                           {"L", &StateConstants::L},
                                                                           {"A", &StateConstants::A},
                                                                           {"A_D", &StateConstants::A_D},
                                                                           {"A_H", &StateConstants::A_H},
                                                                           {"lambda", &StateConstants::spinSpin},
                                                                           {"lambda_D", &StateConstants::spinSpin_D},
                                                                           {"gamma", &StateConstants::gamma},
                                                                           {"gamma_D", &StateConstants::gamma_D},
                                                                           {"gamma_H", &StateConstants::gamma_H},
                                                                           {"o", &StateConstants::o},
                                                                           {"o_D", &StateConstants::o_D},
                                                                           {"p", &StateConstants::p},
                                                                           {"p_D", &StateConstants::p_D},
                                                                           {"p_H", &StateConstants::p_H},
                                                                           {"q", &StateConstants::q},
                                                                           {"q_D", &StateConstants::q_D},
                                                                           {"q_H", &StateConstants::q_H}};
    const auto it = fields.find(name);
    return it == fields.end() ? nullptr : &(c.*(it->second));
}

class Reader {
public:
    explicit Reader(const std::string& name) : name_(name) {}

    [[noreturn]] void Fail(const std::string& problem) const { throw FileError::At(name_, line_, problem); }

    std::vector<std::string> Words(const std::string& text) const {
        std::istringstream in(text);
        std::vector<std::string> w;
        for (std::string s; in >> s;) w.push_back(s);
        return w;
    }

    double Number(const std::string& text) const {
        double v = 0;
        if (!ParseDecimal(text, v) || !std::isfinite(v)) Fail("\"" + text + "\" is not a number");
        return v;
    }

    int Whole(const std::string& text, int from, int to) const {
        const double v = Number(text);
        if (v != std::floor(v) || v < from || v > to)
            Fail("\"" + text + "\" is not a whole number " + std::to_string(from) + ".." + std::to_string(to));
        return static_cast<int>(v);
    }

    /// label Λ 2S reflection g/u labels
    StateDescription State(const std::string& value, std::string& label) const {
        const auto w = Words(value);
        if (w.size() != 6) Fail("a state is: label, Lambda, 2S, reflection (+ - 0), g/u (g u 0), labels (a b 0)");
        label = w[0];
        StateDescription s;
        s.lambda = Whole(w[1], 0, 2);
        s.twoS = Whole(w[2], 0, 3);
        if (w[3] != "+" && w[3] != "-" && w[3] != "0") Fail("the reflection symmetry is +, - or 0");
        s.sigmaMinus = w[3] == "-";
        if (w[4] != "g" && w[4] != "u" && w[4] != "0") Fail("the inversion symmetry is g, u or 0");
        s.inversion = w[4] == "g" ? Inversion::Gerade : w[4] == "u" ? Inversion::Ungerade : Inversion::None;
        if (w[5] != "a" && w[5] != "b" && w[5] != "0") Fail("the F labels are a, b or 0");
        if (w[5] != "0") s.labelling = w[5] == "a" ? LevelLabelling::caseA : LevelLabelling::caseB;
        return s;
    }

    std::vector<MultipletEntry> Parse(const std::string& text) {
        std::istringstream in(text);
        std::string raw;
        std::vector<MultipletEntry> entries;
        std::vector<std::string> constants;
        while (std::getline(in, raw)) {
            ++line_;
            if (!raw.empty() && raw.back() == '\r') raw.pop_back();
            if (line_ == 1) continue;
            const std::string t = Trim(raw);
            if (line_ == 2) {
                if (t != "1") Fail("format \"" + t + "\" is not known (1 is)");
                continue;
            }
            if (t.empty()) continue;
            if (t == "[system]") {
                Close(entries);
                entries.emplace_back();
                continue;
            }
            const auto eq = t.find('=');
            if (eq == std::string::npos) Fail("expected \"key = value\" or [system]");
            const std::string key = Trim(t.substr(0, eq)), value = Trim(t.substr(eq + 1));
            if (key == "constants") {
                constants = Words(value);
                StateConstants probe;
                for (const auto& c : constants)
                    if (!ConstantField(probe, c)) Fail("\"" + c + "\" is not a constant of a level");
                continue;
            }
            if (entries.empty()) Fail("\"" + key + "\" before the first [system]");
            Apply(entries.back(), key, value, constants);
        }
        if (line_ < 2) throw FileError::In(name_, "is empty or has no format line");
        Close(entries);
        return entries;
    }

private:
    void Apply(MultipletEntry& e, const std::string& key, const std::string& value,
               const std::vector<std::string>& constants) {
        SystemDescription& d = e.data.description;
        if (key == "code") {
            e.code = value;
        } else if (key == "name") {
            e.name = d.molecule.name = value;
        } else if (key == "title") {
            e.title = value;
        } else if (key == "mass") {
            e.mass = Number(value);
            if (!(e.mass > 0.5 && e.mass < 500)) Fail("implausible molecular mass " + value);
        } else if (key == "nuclear_spin") {
            const auto w = Words(value);
            if (w.size() != 2) Fail("nuclear_spin is the weights of the symmetric and antisymmetric levels");
            d.molecule.nuclearSpin = {true, Number(w[0]), Number(w[1])};
        } else if (key == "hitran") {
            const auto w = Words(value);
            if (w.size() != 2) Fail("hitran is HITRAN's molecule and isotopologue numbers");
            d.molecule.hitranMolecule = Whole(w[0], 1, 999);
            d.molecule.hitranIsotopologue = Whole(w[1], 1, 99);
        } else if (key == "max_J") {
            e.data.twoJMax = 2 * Whole(value, 1, 200);
        } else if (key == "approximate") {
            if (value != "yes" && value != "no") Fail("approximate is yes or no");
            e.approximate = value == "yes";
        } else if (key == "absolute_scale") {
            if (value != "lifetime" && value != "none") Fail("absolute_scale is lifetime or none");
            d.absoluteScale = value == "lifetime";
        } else if (key == "upper") {
            d.upper = State(value, e.upperLabel);
        } else if (key == "lower") {
            d.lower = State(value, e.lowerLabel);
        } else if (key == "level") {
            const auto w = Words(value);
            if (w.size() != constants.size() + 2) Fail("a level is: state label, v and the constants named above");
            if (w[0] != e.upperLabel && w[0] != e.lowerLabel) Fail("\"" + w[0] + "\" is not a state of the system");
            StateConstants c;
            for (std::size_t k = 0; k < constants.size(); ++k) *ConstantField(c, constants[k]) = Number(w[k + 2]);
            (w[0] == e.upperLabel ? e.data.upper : e.data.lower)[Whole(w[1], 0, 100)] = c;
        } else if (key == "band") {
            const auto w = Words(value);
            if (w.size() != 3) Fail("a band is: v', v'' and its Einstein coefficient (s-1)");
            const double A = Number(w[2]);
            if (A < 0) Fail("a band Einstein coefficient must be 0 or more");
            e.data.bandA[{Whole(w[0], 0, 100), Whole(w[1], 0, 100)}] = A;
        } else {
            Fail("\"" + key + "\" is not a setting of a band system");
        }
    }

    /// Checks the entry read last.
    void Close(const std::vector<MultipletEntry>& entries) const {
        if (entries.empty()) return;
        const MultipletEntry& e = entries.back();
        const std::string which = "the system ending at this line";
        if (e.code.empty() || e.title.empty() || e.mass <= 0 || e.upperLabel.empty() || e.lowerLabel.empty())
            Fail(which + " lacks its code, title, mass or a state");
        if (e.data.upper.empty() || e.data.lower.empty() || e.data.bandA.empty())
            Fail(which + " has no levels of a state or no band");
        for (const auto& [band, A] : e.data.bandA)
            if (!e.data.upper.count(band.first) || !e.data.lower.count(band.second))
                Fail(which + " has a band (" + std::to_string(band.first) + "," + std::to_string(band.second) +
                     ") whose levels it does not give");
    }

    std::string name_;
    int line_ = 0;
};

}  // namespace

std::string MultipletEntry::NoAbsoluteScale() const {
    return data.description.absoluteScale ? std::string() : NoAbsoluteScaleText(name + " " + SystemLabel(), upperLabel);
}

void RequireAbsoluteScale(const MultipletEntry& entry, const std::string& what) {
    const std::string why = entry.NoAbsoluteScale();
    if (!why.empty()) throw std::invalid_argument(what + " cannot be given: " + why);
}

std::vector<MultipletEntry> ParseMultipletCatalogue(const std::string& text, const std::string& name) {
    return Reader(name).Parse(text);
}

std::vector<MultipletEntry> ReadMultipletCatalogue(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) throw FileError::In(path, "cannot be read");
    return ParseMultipletCatalogue(text.str(), path);
}

std::vector<MultipletEntry> MultipletEntriesOf(const std::string& appPath) {
    return ReadMultipletCatalogue(appPath + kMultipletCatalogueFile);
}

int MultipletIndex(const Catalogue& cat, const std::vector<MultipletEntry>& entries, int entry) {
    const int k = entry - cat.CatalogueCount - 1;
    return k >= 0 && k < static_cast<int>(entries.size()) ? k : -1;
}

}  // namespace velmora::database
