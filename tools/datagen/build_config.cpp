#include "build_config.h"

#include <cmath>
#include <sstream>

#include "common/errors.h"
#include "common/number_format.h"
#include "csv_table.h"
#include "hamiltonian.h"

namespace velmora::datagen {

namespace {

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> w;
    std::string s;
    while (in >> s) w.push_back(s);
    return w;
}

class ConfigParser {
public:
    ConfigParser(const std::string& name) : name_(name) {}

    [[noreturn]] void Fail(const std::string& key, const std::string& problem) const {
        throw FileError::At(name_, line_, key.empty() ? problem : "\"" + key + "\": " + problem);
    }

    double Number(const std::string& key, const std::string& text) const {
        double v = 0.0;
        if (!ParseDecimal(text, v) || !std::isfinite(v)) Fail(key, "\"" + text + "\" is not a number");
        return v;
    }

    int Integer(const std::string& key, const std::string& text) const {
        const double v = Number(key, text);
        if (v != std::floor(v) || v < 0 || v > 1000) Fail(key, "\"" + text + "\" is not a whole number 0..1000");
        return static_cast<int>(v);
    }

    void Range(const std::string& key, const std::string& text, int& from, int& to) const {
        const auto dash = text.find('-');
        if (dash == std::string::npos) {
            from = to = Integer(key, text);
        } else {
            from = Integer(key, text.substr(0, dash));
            to = Integer(key, text.substr(dash + 1));
        }
        if (to < from) Fail(key, "the range \"" + text + "\" is empty");
    }

    bool YesNo(const std::string& key, const std::string& text) const {
        if (text == "yes") return true;
        if (text == "no") return false;
        Fail(key, "expected yes or no, found \"" + text + "\"");
    }

    std::string OneOf(const std::string& key, const std::string& text,
                      std::initializer_list<const char*> allowed) const {
        std::string list;
        for (const char* a : allowed) {
            if (text == a) return text;
            list += std::string(list.empty() ? "" : ", ") + a;
        }
        Fail(key, "expected one of " + list + ", found \"" + text + "\"");
    }

    /// A term symbol [2S+1]<Sigma|Pi|Delta>[_g|_u][+|-] ("2Sigma_u+", "3Pi_g", "Pi"); without the
    /// multiplicity a doublet.
    void TermSymbol(const std::string& key, const std::string& word, StateDefinition& s) const {
        std::string rest = word;
        s.twoS = 1;
        if (!rest.empty() && rest[0] >= '1' && rest[0] <= '3') {
            s.twoS = rest[0] - '1';
            rest.erase(0, 1);
        }
        std::string sign;
        if (!rest.empty() && (rest.back() == '+' || rest.back() == '-')) {
            sign = rest.substr(rest.size() - 1);
            rest.pop_back();
        }
        s.inversion = '0';
        if (rest.size() > 2 && rest[rest.size() - 2] == '_' && (rest.back() == 'g' || rest.back() == 'u')) {
            s.inversion = rest.back();
            rest.resize(rest.size() - 2);
        }
        const std::string symmetry = rest + sign;
        if (symmetry != "Sigma+" && symmetry != "Sigma-" && symmetry != "Pi" && symmetry != "Delta")
            Fail(key, "\"" + word +
                          "\" is not a term symbol [2S+1]<Sigma|Pi|Delta>[_g|_u][+|-] (a Sigma state with + or -)");
        s.symmetry = symmetry;
        s.lambda = symmetry == "Pi" ? 1 : symmetry == "Delta" ? 2 : 0;
        s.sigmaSign = symmetry == "Sigma+" ? 1 : symmetry == "Sigma-" ? -1 : 0;
        s.labels = s.lambda == 2 ? 'b' : '0';
    }

    StateDefinition State(const std::string& key, const std::string& value, const std::string& folder) const {
        // <label> <term symbol> levels <file> <v range>  |  <label> <term symbol> equilibrium <state>[@<source>] <v
        // range>
        const auto w = Words(value);
        if (w.size() != 5)
            Fail(key, "expected: <label> <term symbol, e.g. 2Sigma+> <levels|equilibrium> <file or row> <v range>");
        StateDefinition s;
        s.line = line_;
        s.label = w[0];
        TermSymbol(key, w[1], s);
        const std::string kind = OneOf(key, w[2], {"levels", "equilibrium"});
        int from = 0;
        Range(key, w[4], from, s.vmax);
        if (from != 0) Fail(key, "the v range must start at 0");
        if (kind == "levels") {
            s.file = w[3].find('/') == std::string::npos ? folder + "/" + w[3] : w[3];
        } else {
            s.equilibrium = true;
            const auto at = w[3].find('@');
            s.eqState = w[3].substr(0, at);
            if (at != std::string::npos) s.eqSource = w[3].substr(at + 1);
        }
        return s;
    }

    std::vector<EntryDefinition> Parse(const std::string& text) {
        std::vector<EntryDefinition> entries;
        std::istringstream in(text);
        std::string raw;
        EntryDefinition* e = nullptr;
        std::vector<std::pair<std::string, int>> pendingSets;
        while (std::getline(in, raw)) {
            ++line_;
            if (!raw.empty() && raw.back() == '\r') raw.pop_back();
            const std::string t = Trim(raw);
            if (t.empty() || t[0] == '#') continue;
            if (t == "[entry]") {
                if (e) Finish(*e);
                entries.emplace_back();
                e = &entries.back();
                e->line = line_;
                continue;
            }
            const auto eq = t.find('=');
            if (eq == std::string::npos) Fail("", "expected \"key = value\" or [entry]");
            const std::string key = Trim(t.substr(0, eq));
            const std::string value = Trim(t.substr(eq + 1));
            if (!e) Fail(key, "a setting before the first [entry]");
            if (value.empty()) Fail(key, "the value is missing");
            Apply(*e, key, value);
        }
        if (e) Finish(*e);
        if (entries.empty()) throw FileError::In(name_, "no [entry] found");
        return entries;
    }

private:
    void Apply(EntryDefinition& e, const std::string& key, const std::string& value) {
        if (key == "folder") {
            e.folder = value;
        } else if (key == "engine") {
            e.engine = OneOf(key, value, {"doublet", "multiplet"});
        } else if (key == "max_J") {
            e.maxJ = Integer(key, value);
            if (e.maxJ < 1 || e.maxJ > 200) Fail(key, "the last J must be 1..200");
        } else if (key == "code") {
            e.code = value;
        } else if (key == "title") {
            e.title = value;
        } else if (key == "upper" || key == "lower") {
            if (e.folder.empty()) Fail(key, "\"folder\" must come first");
            (key == "upper" ? e.upper : e.lower) = State(key, value, e.folder);
        } else if (key == "upper_origin") {
            if (e.upper.label.empty()) Fail(key, "the upper state must be described first");
            e.upper.hasOrigin = true;
            e.upper.origin = Number(key, value);
        } else if (key == "upper_set" || key == "lower_set") {
            StateDefinition& s = key == "upper_set" ? e.upper : e.lower;
            if (s.label.empty()) Fail(key, "the state must be described first");
            if (!s.equilibrium) Fail(key, "only a state built from equilibrium constants takes set values");
            const auto w = Words(value);
            if (w.size() < 2) Fail(key, "expected: <constant> <c0> [<c1> ...]");
            const int k = ConstIndexOf(w[0]);
            if (k < 0 || k == kT) Fail(key, "\"" + w[0] + "\" is not a constant that can be set");
            std::vector<double> c;
            for (std::size_t i = 1; i < w.size(); ++i) c.push_back(Number(key, w[i]));
            s.sets.emplace_back(k, c);
        } else if (key == "upper_empty_is_zero" || key == "lower_empty_is_zero") {
            StateDefinition& s = key[0] == 'u' ? e.upper : e.lower;
            if (s.label.empty()) Fail(key, "the state must be described first");
            for (const auto& w : Words(value)) {
                const int k = ConstIndexOf(w);
                if (k < 0) Fail(key, "\"" + w + "\" is not a constant");
                s.emptyIsZero.push_back(k);
            }
        } else if (key == "upper_interpolate" || key == "lower_interpolate") {
            StateDefinition& s = key[0] == 'u' ? e.upper : e.lower;
            if (s.label.empty()) Fail(key, "the state must be described first");
            if (s.equilibrium) Fail(key, "only a state built from a levels table takes interpolated values");
            const auto w = Words(value);
            if (w.size() != 2) Fail(key, "expected: <constant> <v>");
            const int k = ConstIndexOf(w[0]);
            if (k < 0 || k == kT) Fail(key, "\"" + w[0] + "\" is not a constant that can be interpolated");
            const int v = Integer(key, w[1]);
            if (v < 1) Fail(key, "v = 0 has no level below it");
            s.interpolated.emplace_back(k, v);
        } else if (key == "mass") {
            e.mass = Number(key, value);
            if (!(e.mass > 0.5 && e.mass < 500)) Fail(key, "implausible molecular mass");
        } else if (key == "reduced_mass") {
            e.reducedMass = Number(key, value);
            if (!(e.reducedMass > 0.4 && e.reducedMass < 250)) Fail(key, "implausible reduced mass");
        } else if (key == "nmaxrot") {
            e.nmaxrot.clear();
            for (const auto& w : Words(value)) e.nmaxrot.push_back(Integer(key, w));
        } else if (key == "name") {
            e.name = value;
        } else if (key == "hitran") {
            const auto w = Words(value);
            if (w.size() != 2) Fail(key, "expected: <HITRAN molecule number> <isotopologue number>");
            e.hitranMolecule = Integer(key, w[0]);
            e.hitranIsotopologue = Integer(key, w[1]);
        } else if (key == "nuclear_spin") {
            const auto w = Words(value);
            if (w.size() != 2) Fail(key, "expected: <weight of symmetric levels> <weight of antisymmetric levels>");
            e.nuclearSpin = 1;
            e.symmetricWeight = Number(key, w[0]);
            e.antisymmetricWeight = Number(key, w[1]);
            if (e.symmetricWeight < 0 || e.antisymmetricWeight < 0 ||
                (e.symmetricWeight == 0 && e.antisymmetricWeight == 0))
                Fail(key, "the weights must be 0 or more, and not both 0");
        } else if (key == "upper_labels" || key == "lower_labels") {
            StateDefinition& s = key[0] == 'u' ? e.upper : e.lower;
            if (s.label.empty()) Fail(key, "the state must be described first");
            const std::string labels = OneOf(key, value, {"case_a", "case_b"});
            if (s.lambda != 1 && !(s.lambda == 2 && labels == "case_b"))
                Fail(key, s.lambda == 0 ? "a Sigma state has no labels to choose"
                                        : "the levels of a Delta state take case (b) labels");
            s.labels = labels == "case_a" ? 'a' : 'b';
        } else if (key == "energy_zero") {
            e.absoluteEnergies = OneOf(key, value, {"lowest", "absolute"}) == "absolute";
        } else if (key == "bands") {
            e.bands = OneOf(key, value, {"A_band", "FCF", "none"});
        } else if (key == "missing_bands") {
            e.missingBands = OneOf(key, value, {"computed", "zero"});
        } else if (key == "tdm") {
            e.tdm = value;
        } else if (key == "int_layout") {
            e.layout = OneOf(key, value, {"rotating", "system"});
        } else if (key == "reference_lifetime") {
            e.referenceLifetime = OneOf(key, value, {"measured", "bands"});
        } else if (key == "absolute_scale") {
            e.absoluteScale = OneOf(key, value, {"lifetime", "none"}) == "lifetime";
        } else if (key == "level_lifetimes") {
            e.levelLifetimes = OneOf(key, value, {"measured", "computed"}) == "measured";
        } else if (key == "predissociation") {
            e.predissociation.push_back(Predissociation(key, value));
        } else if (key == "approximate") {
            e.approximate = YesNo(key, value);
        } else if (key == "note") {
            e.notes.push_back(value);
        } else {
            Fail(key, "unknown setting");
        }
    }

    PredissociationRule Predissociation(const std::string& key, const std::string& value) const {
        // v=<v'> N=<from>-<to> F=<1,2> rate=<s-1>[..<s-1>] [from_v=<v'>]
        PredissociationRule p;
        p.line = line_;
        bool haveV = false, haveN = false, haveF = false, haveRate = false;
        for (const auto& w : Words(value)) {
            const auto eq = w.find('=');
            if (eq == std::string::npos) Fail(key, "expected v=, N=, F= and rate= items, found \"" + w + "\"");
            const std::string k = w.substr(0, eq), v = w.substr(eq + 1);
            if (k == "v") {
                p.v = Integer(key, v);
                haveV = true;
            } else if (k == "N") {
                Range(key, v, p.nFrom, p.nTo);
                haveN = true;
            } else if (k == "F") {
                std::string item;
                std::istringstream list(v);
                while (std::getline(list, item, ',')) {
                    const int f = Integer(key, item);
                    if (f < 1 || f > 2) Fail(key, "F must be 1 or 2");
                    p.components.push_back(f);
                }
                haveF = true;
            } else if (k == "rate") {
                const auto dots = v.find("..");
                p.rateFrom = Number(key, v.substr(0, dots));
                p.rateTo = dots == std::string::npos ? p.rateFrom : Number(key, v.substr(dots + 2));
                haveRate = true;
            } else if (k == "from_v") {
                p.fromV = Integer(key, v);
            } else {
                Fail(key, "unknown item \"" + k + "\"");
            }
        }
        if (!haveV || !haveN || !haveF || !haveRate) Fail(key, "v=, N=, F= and rate= are all required");
        return p;
    }

    void Finish(EntryDefinition& e) const {
        if (e.name.empty()) e.name = e.code;
        const auto need = [&](bool ok, const char* what) {
            if (!ok) throw FileError::At(name_, e.line, std::string("the entry has no \"") + what + "\" setting");
        };
        need(!e.folder.empty(), "folder");
        need(!e.code.empty(), "code");
        need(!e.upper.label.empty(), "upper");
        need(!e.lower.label.empty(), "lower");
        need(e.mass > 0, "mass");
        if (e.engine == "multiplet") {
            // The engine computes every level from the per-level constants of both states.
            need(e.maxJ > 0, "max_J");
            for (const StateDefinition* s : {&e.upper, &e.lower})
                if (s->equilibrium)
                    throw FileError::At(name_, s->line, "a multiplet entry takes its states from levels tables");
            // Without an absolute scale: Franck-Condon factors of the equilibrium constants times a
            // unit moment.
            if (e.absoluteScale ? e.bands != "A_band" : e.bands != "none")
                throw FileError::At(name_, e.line,
                                    "a multiplet entry takes its band strengths from A_band rows, or without an "
                                    "absolute scale (bands = none) from computed Franck-Condon factors");
            if (!e.absoluteScale) need(e.reducedMass > 0, "reduced_mass");
        } else {
            need(e.reducedMass > 0, "reduced_mass");
            need(!e.nmaxrot.empty(), "nmaxrot");
        }
        if (e.upper.equilibrium && !e.upper.hasOrigin)
            throw FileError::At(name_, e.upper.line,
                                "an upper state from equilibrium constants needs \"upper_origin\"");
        if (!e.absoluteScale &&
            (e.bands == "A_band" || e.tdm != "own" || e.referenceLifetime == "measured" || e.levelLifetimes))
            throw FileError::At(name_, e.line,
                                "an entry without an absolute scale takes relative band strengths only (bands = FCF "
                                "or none with its own unit moment, no measured lifetimes)");
        if (e.bands == "none" && e.tdm == "own" && e.absoluteScale)
            throw FileError::At(name_, e.line, "an entry without band data must borrow a transition moment (\"tdm\")");
        for (const StateDefinition* s : {&e.upper, &e.lower}) {
            const std::string which = s == &e.upper ? "upper" : "lower";
            if (s->lambda == 1 && s->labels == '0')
                throw FileError::At(
                    name_, s->line,
                    "a Pi state needs \"" + which + "_labels\" (case_a or case_b: the F labels of its data README)");
            if ((s->inversion != '0') != (e.nuclearSpin == 1))
                throw FileError::At(name_, s->line,
                                    e.nuclearSpin == 1 ? "the states of a homonuclear molecule (\"nuclear_spin\") "
                                                         "need their g/u symmetry (e.g. 2Sigma_u+)"
                                                       : "a g/u symmetry needs \"nuclear_spin\" weights");
        }
    }

    std::string name_;
    int line_ = 0;
};

}  // namespace

std::vector<EntryDefinition> ParseBuildConfig(const std::string& text, const std::string& name) {
    ConfigParser p(name);
    return p.Parse(text);
}

std::vector<EntryDefinition> ReadBuildConfig(const std::filesystem::path& path, const std::string& name) {
    return ParseBuildConfig(ReadSourceFile(path, name), name);
}

}  // namespace velmora::datagen
