#include "database/state_descriptions.h"

#include <cmath>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <tuple>

#include "common/errors.h"
#include "common/list_reader.h"
#include "common/number_format.h"
#include "database/effective_hamiltonian.h"
#include "database/isotopologue.h"

namespace velmora::database {

namespace {

// Format 2 adds the absolute scale to the band-system records; format 1 is still read (every
// system then has the scale of its reference lifetime).
constexpr int kFormatVersion = 2;

// Relative weights of the catalogues that knew only a nuclear-spin flag: symmetric levels twice
// as heavy as antisymmetric ones (14N, I = 1), the upper state u and the lower g (N2+ B 2Σu+ –
// X 2Σg+: odd N favoured in B, even N in X).
constexpr double kFlagSymmetricWeight = 1.5;
constexpr double kFlagAntisymmetricWeight = 0.75;

using StateKey = std::pair<std::string, std::string>;
using SystemKey = std::tuple<std::string, std::string, std::string>;

struct DescriptionsFile {
    std::map<std::string, MoleculeDescription> molecules;
    std::map<StateKey, StateDescription> states;
    std::map<SystemKey, std::pair<EnergyZero, bool>> systems;  ///< energy zero, absolute scale
    int version = kFormatVersion;
};

[[noreturn]] void Fail(const ListReader& in, const std::string& problem) {
    throw FileError::At(in.Source(), in.FieldLine(), problem);
}

/// A count of records on a line of its own after a heading line.
int ReadCount(ListReader& in, const char* what) {
    in.SkipLine();
    const int n = in.ReadInt();
    if (n < 0 || n > 10000)
        Fail(in, std::string("the number of ") + what + " " + std::to_string(n) + " is not 0..10000");
    return n;
}

/// One of the given words; the message lists them.
std::string ReadWord(ListReader& in, const char* what, std::initializer_list<const char*> allowed) {
    const std::string word = in.ReadString();
    std::string list;
    for (const char* a : allowed) {
        if (word == a) return word;
        list += std::string(list.empty() ? "" : ", ") + "\"" + a + "\"";
    }
    Fail(in, std::string(what) + " \"" + word + "\" (expected " + list + ")");
}

double ReadWeight(ListReader& in) {
    const double w = in.ReadDouble();
    if (!(w >= 0.0 && std::isfinite(w))) Fail(in, "the nuclear-spin weight " + Trim(Str(w)) + " is not 0 or more");
    return w;
}

void ReadMolecule(ListReader& in, DescriptionsFile& file) {
    const std::string code = in.ReadString();
    MoleculeDescription m;
    m.name = in.ReadString();
    m.hitranMolecule = in.ReadInt();
    m.hitranIsotopologue = in.ReadInt();
    if (m.hitranMolecule < 0 || m.hitranIsotopologue < 0) Fail(in, code + ": a HITRAN number is negative");
    const int homonuclear = in.ReadInt();
    if (homonuclear != 0 && homonuclear != 1)
        Fail(in, code + ": homonuclear is " + std::to_string(homonuclear) + " (0 or 1)");
    m.nuclearSpin.homonuclear = homonuclear == 1;
    m.nuclearSpin.symmetric = ReadWeight(in);
    m.nuclearSpin.antisymmetric = ReadWeight(in);
    if (m.nuclearSpin.homonuclear && m.nuclearSpin.symmetric == 0.0 && m.nuclearSpin.antisymmetric == 0.0)
        Fail(in, code + ": both nuclear-spin weights are 0 (no level would exist)");
    if (code.empty() || m.name.empty()) Fail(in, "a molecule needs a code and a name");
    if (!file.molecules.emplace(code, m).second) Fail(in, "a second description of the molecule \"" + code + "\"");
}

void ReadState(ListReader& in, DescriptionsFile& file) {
    const std::string code = in.ReadString(), label = in.ReadString();
    const std::string name = "state \"" + label + "\" of \"" + code + "\"";
    StateDescription s;
    s.lambda = in.ReadInt();
    if (s.lambda < 0 || s.lambda > 2) Fail(in, name + ": Lambda " + std::to_string(s.lambda) + " (0, 1 or 2 expected)");
    s.twoS = in.ReadInt();
    if (s.twoS < 0 || s.twoS > 2) Fail(in, name + ": 2S = " + std::to_string(s.twoS) + " (0, 1 or 2 expected)");
    const std::string reflection = ReadWord(in, "reflection symmetry", {"+", "-", "0"});
    if ((reflection == "0") != (s.lambda > 0))
        Fail(in, name + ": a Sigma state is + or -, a state with Lambda > 0 is 0");
    s.sigmaMinus = reflection == "-";
    const std::string inversion = ReadWord(in, "inversion symmetry", {"g", "u", "0"});
    s.inversion = inversion == "g" ? Inversion::Gerade : inversion == "u" ? Inversion::Ungerade : Inversion::None;
    const std::string labels = ReadWord(in, "level labels", {"a", "b", "0"});
    if ((labels == "0") != (s.lambda == 0)) Fail(in, name + ": the levels of a Sigma state take 0, the others a or b");
    // The term routine of a 2Delta state labels its levels by case (b) only.
    if (labels == "a" && s.lambda != 1) Fail(in, name + ": case (a) labels are defined for Pi states only");
    s.labelling = labels == "a" ? LevelLabelling::caseA : LevelLabelling::caseB;
    if (!file.states.emplace(StateKey{code, label}, s).second) Fail(in, "a second description of the " + name);
}

void ReadSystem(ListReader& in, DescriptionsFile& file) {
    SystemKey key;
    auto& [code, upper, lower] = key;
    code = in.ReadString(), upper = in.ReadString(), lower = in.ReadString();
    const EnergyZero zero = ReadWord(in, "energy zero", {"lowest", "absolute"}) == "absolute" ? EnergyZero::Absolute
                                                                                              : EnergyZero::LowestLevel;
    const bool absolute =
        file.version < 2 || ReadWord(in, "absolute scale", {"lifetime", "none"}) == std::string("lifetime");
    if (!file.systems.emplace(key, std::pair{zero, absolute}).second)
        Fail(in, "a second description of the band system " + code + " (" + upper + "-" + lower + ")");
}

DescriptionsFile ReadDescriptions(const std::filesystem::path& path) {
    ListReader in = ListReader::FromFile(path);
    if (in.AtEnd()) throw FileError::In(in.Source(), "the file is empty");
    in.SkipLine();  // title
    const int version = in.ReadInt();
    if (version < 1 || version > kFormatVersion)
        Fail(in, "format " + std::to_string(version) + " (this program reads formats 1 to " +
                     std::to_string(kFormatVersion) + ")");
    DescriptionsFile file;
    file.version = version;
    for (int n = ReadCount(in, "molecules"); n > 0; --n) ReadMolecule(in, file);
    for (int n = ReadCount(in, "states"); n > 0; --n) ReadState(in, file);
    for (int n = ReadCount(in, "band systems"); n > 0; --n) ReadSystem(in, file);
    return file;
}

/// The description of entry i from the file, checked against what VELMORA.SYS says of it.
SystemDescription Describe(const Catalogue& cat, int i, const DescriptionsFile& file, const std::string& source) {
    const std::string& code = cat.MoleculeCode(i);
    const std::string entry = " (entry " + std::to_string(i) + " of VELMORA.SYS)";
    SystemDescription d;
    const auto m = file.molecules.find(code);
    if (m == file.molecules.end()) throw FileError::In(source, "describes no molecule \"" + code + "\"" + entry);
    d.molecule = m->second;
    if (d.molecule.nuclearSpin.homonuclear != (cat.NuclearSpinFlag(i) == 1))
        throw FileError::In(source, "\"" + code + "\" is " + (d.molecule.nuclearSpin.homonuclear ? "" : "not ") +
                                        "homonuclear, but its nuclear-spin flag in VELMORA.SYS is " +
                                        std::to_string(cat.NuclearSpinFlag(i)) + entry);
    for (int s = 1; s <= 2; ++s) {
        const std::string& label = cat.StateLabel(s, i);
        const auto st = file.states.find({code, label});
        if (st == file.states.end())
            throw FileError::In(source, "describes no state \"" + label + "\" of \"" + code + "\"" + entry);
        if (st->second.lambda != cat.StateLambda(s, i))
            throw FileError::In(source, "the state \"" + label + "\" of \"" + code + "\" has Lambda " +
                                            std::to_string(st->second.lambda) + ", VELMORA.SYS gives " +
                                            std::to_string(cat.StateLambda(s, i)) + entry);
        if ((st->second.inversion != Inversion::None) != d.molecule.nuclearSpin.homonuclear)
            throw FileError::In(source, "the state \"" + label + "\" of \"" + code + "\" " +
                                            (d.molecule.nuclearSpin.homonuclear ? "needs" : "cannot have") +
                                            " a g/u symmetry" + entry);
        (s == 1 ? d.upper : d.lower) = st->second;
    }
    const auto sys = file.systems.find({code, cat.StateLabel(1, i), cat.StateLabel(2, i)});
    if (sys == file.systems.end())
        throw FileError::In(source, "describes no band system " + code + " (" + cat.StateLabel(1, i) + "-" +
                                        cat.StateLabel(2, i) + ")" + entry);
    d.energyZero = sys->second.first;
    d.absoluteScale = sys->second.second;
    // The reference lifetime of VELMORA.SYS is the absolute scale: 0 exactly when there is none.
    if (d.absoluteScale != (cat.ReferenceLifetime(i) != 0.0))
        throw FileError::In(source, "the band system " + code + " (" + cat.StateLabel(1, i) + "-" +
                                        cat.StateLabel(2, i) + ") has " +
                                        (d.absoluteScale ? "an absolute scale, but its reference lifetime in "
                                                           "VELMORA.SYS is 0"
                                                         : "no absolute scale, but VELMORA.SYS gives it a reference "
                                                           "lifetime") +
                                        entry);
    return d;
}

StateDescription ImpliedState(const Catalogue& cat, int s, int i) {
    StateDescription st;
    st.lambda = cat.StateLambda.ValueAt(s, i);
    if (st.lambda == 0) st.labelling = LevelLabelling::caseB;  // Λ ≥ 1: by the spin-orbit ratio
    if (cat.NuclearSpinFlag.ValueAt(i) == 1) st.inversion = s == 1 ? Inversion::Ungerade : Inversion::Gerade;
    return st;
}

/// The molecule name a file code implies. The codes of cations end in "P" for plus (N2P, COP):
/// a code that does not read as a diatomic molecule of the catalogue's mass, while the code less
/// its "P" read as a singly charged cation does, names that cation ("N2+"); any other code is
/// its own name (CP is carbon monophosphide, whose mass the code itself matches).
std::string ImpliedMoleculeName(const std::string& code, double mass) {
    if (code.size() < 2 || code.back() != 'P' || IdentifyIsotopologue(code, mass).identified) return code;
    const std::string cation = code.substr(0, code.size() - 1) + "+";
    return IdentifyIsotopologue(cation, mass).identified ? cation : code;
}

}  // namespace

SystemDescription ImpliedDescription(const Catalogue& cat, int i) {
    SystemDescription d;
    d.molecule.name = ImpliedMoleculeName(cat.MoleculeCode.ValueAt(i), cat.MolecularMass.ValueAt(i));
    if (cat.NuclearSpinFlag.ValueAt(i) == 1)
        d.molecule.nuclearSpin = {true, kFlagSymmetricWeight, kFlagAntisymmetricWeight};
    d.upper = ImpliedState(cat, 1, i);
    d.lower = ImpliedState(cat, 2, i);
    // A reference lifetime of 0 read from VELMORA.SYS: no absolute scale (a catalogue built in
    // memory without lifetimes keeps its units).
    d.absoluteScale = !cat.ReferenceLifetime.Contains(i) || cat.ReferenceLifetime(i) != 0.0;
    return d;
}

std::string NoAbsoluteScaleText(const std::string& system, const std::string& upperLabel) {
    return system + " has no absolute scale: the radiative lifetime of " + upperLabel +
           " v' = 0 is not known (nor any band Einstein coefficient or transition moment), so its band strengths "
           "are relative only";
}

std::string NoAbsoluteScale(const Catalogue& cat, int i) {
    if (DescriptionOf(cat, i).absoluteScale) return {};
    return NoAbsoluteScaleText(cat.MoleculeName.ValueAt(i) + cat.SystemLabel.ValueAt(i), cat.StateLabel.ValueAt(1, i));
}

void RequireAbsoluteScale(const Catalogue& cat, int i, const std::string& what) {
    const std::string why = NoAbsoluteScale(cat, i);
    if (!why.empty()) throw std::invalid_argument(what + " cannot be given: " + why);
}

SystemDescription DescriptionOf(const Catalogue& cat, int i) {
    return cat.Description.Contains(i) ? cat.Description(i) : ImpliedDescription(cat, i);
}

StateDescription StateOf(const Catalogue& cat, int s, int i) {
    if (cat.Description.Contains(i)) return cat.Description(i).State(s);
    return ImpliedState(cat, s, i);
}

void DescribeEntries(Catalogue& cat, const std::string& folder) {
    cat.Description.Resize(0, cat.CatalogueCount);
    const std::filesystem::path path = folder + kStateDescriptionsFile;
    if (!std::filesystem::exists(path)) {
        for (int i = 1; i <= cat.CatalogueCount; ++i) cat.Description(i) = ImpliedDescription(cat, i);
        return;
    }
    const DescriptionsFile file = ReadDescriptions(path);
    for (int i = 1; i <= cat.CatalogueCount; ++i) cat.Description(i) = Describe(cat, i, file, path.string());
}

}  // namespace velmora::database
