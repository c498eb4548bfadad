// The catalogue description data-src/catalogue.cfg: which band systems the database holds, in
// which order, and the choices made for each (sources, v ranges, rotational limits, transition
// data, lifetimes, level data). Everything numerical comes from the folder tables; this file only
// selects and, where a folder lacks a value, supplies a documented estimate.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace velmora::datagen {

/// Where the constants of one electronic state come from, and what kind of state it is.
struct StateDefinition {
    std::string label;     ///< state letter used in file names ("A", "X")
    std::string symmetry;  ///< "Sigma+", "Sigma-", "Pi", "Delta" (the term symbol without 2S + 1 and g/u)
    int lambda = 0;
    int sigmaSign = 0;         ///< +1 for Sigma+, -1 for Sigma-, 0 otherwise
    int twoS = 1;              ///< 2S: the multiplicity of the term symbol minus 1
    char inversion = '0';      ///< 'g', 'u' (homonuclear molecules) or '0'
    char labels = '0';         ///< F labels of a Lambda > 0 state: 'a' (case (a)) or 'b' (case (b)); '0' for Sigma
    bool equilibrium = false;  ///< false: per-level table; true: equilibrium.csv row
    std::string file;          ///< levels table, path relative to data-src
    std::string eqState;       ///< equilibrium row: value of the "state" column
    std::string eqSource;      ///< ... and the beginning of its "source" column ("" = any)
    int vmax = 0;
    bool hasOrigin = false;
    double origin = 0.0;  ///< T of v = 0 of an equilibrium upper state (cm-1)
    /// Polynomials in (v + 1/2) that replace or add a constant of an equilibrium state:
    /// (constant index, coefficients c0, c1, ...).
    std::vector<std::pair<int, std::vector<double>>> sets;
    /// Required constants whose empty cells the folder README declares to mean zero.
    std::vector<int> emptyIsZero;
    /// Empty cells of a levels table filled with the mean of the levels below and above:
    /// (constant index, v). An estimate where the folder leaves a level's value out.
    std::vector<std::pair<int, int>> interpolated;
    int line = 0;
};

/// A predissociation rate applied to a range of upper levels.
struct PredissociationRule {
    int v = 0;
    int nFrom = 0, nTo = 0;
    std::vector<int> components;          ///< 1 = F1, 2 = F2
    double rateFrom = 0.0, rateTo = 0.0;  ///< s-1, linear in N from nFrom to nTo
    int fromV = -1;                       ///< >= 0: the rate is that of level fromV, used as an estimate for v
    int line = 0;
};

/// One catalogue entry.
struct EntryDefinition {
    int line = 0;  ///< line of its [entry] header
    /// "doublet": the database's term, line and level files; "multiplet": the constants of every
    /// vibrational level and the band coefficients, for the program's effective-Hamiltonian
    /// engine (any spin; MULTIPLET.SYS)
    std::string engine = "doublet";
    int maxJ = 0;        ///< multiplet: last upper J (the lower levels go one J further)
    std::string folder;  ///< folder under data-src ("OH_AX")
    std::string code;    ///< molecule code of the file names ("OH", "N2P")
    std::string title;   ///< short description for the README
    StateDefinition upper, lower;
    double mass = 0.0;                                        ///< molecular mass, u
    double reducedMass = 0.0;                                 ///< reduced mass of the nuclei, u (vibrational functions)
    std::vector<int> nmaxrot;                                 ///< last rotational row for v' = 0.. (last value repeats)
    std::string name;                                         ///< the molecule as shown ("N2+"; default the code)
    int hitranMolecule = 0, hitranIsotopologue = 0;           ///< 0: not a HITRAN molecule
    int nuclearSpin = 0;                                      ///< 1: homonuclear, with the weights below
    double symmetricWeight = 1.0, antisymmetricWeight = 1.0;  ///< nuclear-spin weights (relative)
    bool absoluteEnergies = false;            ///< term values as the constants give them, no energy zero
    std::string bands = "A_band";             ///< "A_band", "FCF" or "none"
    std::string missingBands = "zero";        ///< "computed" or "zero"
    std::string tdm = "own";                  ///< "own" or the folder of an earlier entry to borrow from
    std::string layout = "system";            ///< "rotating" (per-band files) or "system"
    std::string referenceLifetime = "bands";  ///< "measured" or "bands"
    /// false: no lifetime or band coefficient fixes the absolute scale (relative band strengths
    /// only); the catalogue writes no reference lifetime and the program refuses absolute values
    bool absoluteScale = true;
    bool levelLifetimes = false;  ///< measured lifetimes go into the level files
    std::vector<PredissociationRule> predissociation;
    bool approximate = false;
    std::vector<std::string> notes;
};

/// Reads the description; `name` is the file name used in messages. Throws FileError naming the
/// line and the key of any problem.
std::vector<EntryDefinition> ReadBuildConfig(const std::filesystem::path& path, const std::string& name);
/// The same from text.
std::vector<EntryDefinition> ParseBuildConfig(const std::string& text, const std::string& name);

}  // namespace velmora::datagen
