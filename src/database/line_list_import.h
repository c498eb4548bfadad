// Line lists of one's own read as a band system: an ExoMol set (the .def definition, the .states
// levels, one or more .trans files of transitions, optionally the .pf partition function) or a
// HITRAN .par file of 160-character records.
//
// The files are read record by record: no text of them is held, so a list of 10^8 transitions
// is read in the memory of the levels and of the lines kept (a wavenumber window keeps only the
// lines inside it). A record that cannot be read stops the import with the file and line named.
//
// What is kept of each line: position ν (cm-1), lower energy E'' (cm-1, E' = E'' + ν), the
// degeneracies g' and g'' (the total degeneracy, nuclear spin included, as both formats state
// it), Einstein A (s-1) and the pressure broadening where the file gives it (HITRAN: air and
// self half-widths at 296 K and 1 atm, temperature exponent and air shift; ExoMol: the default
// half-width and exponent of the .def).
//
// ExoMol broadening files. Next to the set, files ISO-SLUG__PARTNER.broad (or PREFIX__PARTNER.broad)
// give the pressure broadening by one collision partner ("H2", "He", "air" ...): records of a
// code, the Lorentzian half-width gamma_ref (cm-1/bar at 296 K and 1 bar), its temperature
// exponent n and the rotational quanta the code names, blank-separated:
//     a0  gamma_ref  n  J''         the lines of lower-state J''
//     a1  gamma_ref  n  J''  J'     the lines between J'' and J'
// The .def file may describe each broadener: its label (the partner), the file's name, the
// maximum J'' of its records (Jmax), the half-width and exponent of the lines above Jmax, and for
// each code the quantum numbers its records give, in the order of their columns (J" J' or
// J' J"). A line with J'' above the .def's Jmax takes the .def's values for it; else its a1
// record, else its a0 record, else, above the highest J'' of the a0 records, that J'''s record
// (the widths level off with J); else the default width of the .def file. Files the .def names
// are read from beside it (one that is not there is left out: its lines take the default); the
// files found by their names serve the partners the .def does not name. How the widths of the
// partners combine under a gas composition is in line_set_simulation.h.
//
// Thermal populations follow from the levels alone: a level of energy E and degeneracy g holds
// g exp(-c2 E / T) / Q(T) of the molecules, one temperature for rotation, vibration and
// electronic excitation. Q(T) is the .pf file's value (linear between its temperatures) within
// its range, else the sum of g exp(-c2 E / T) over the listed levels: every level of the .states
// file; for a HITRAN file, every distinct lower level of its records (HITRAN carries no level
// list; the lower state's levels that no record reaches are missed).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace velmora::database {

/// The range of wavenumbers (cm-1) of the lines an import keeps: all by default.
struct WavenumberWindow {
    double lo = 0.0;
    double hi = std::numeric_limits<double>::infinity();
    bool Contains(double nu) const { return lo <= nu && nu <= hi; }
};

/// One level a kept line joins.
struct ListedLevel {
    double energy = 0.0;  ///< cm-1
    float g = 0.0f;       ///< total degeneracy
    float J = -1.0f;      ///< -1 when the file does not give it
    std::string label;    ///< the quantum labels of the file, blank-separated
};

/// One kept line.
struct ListedLine {
    double nu = 0.0;           ///< cm-1
    double lowerEnergy = 0.0;  ///< E'', cm-1
    double A = 0.0;            ///< Einstein A, s-1
    float gUpper = 0.0f, gLower = 0.0f;
    float gammaAir = 0.0f;               ///< HWHM, cm-1/atm at 296 K (0: not given)
    float gammaSelf = 0.0f;              ///< HWHM, cm-1/atm at 296 K (0: not given)
    float nAir = 0.0f;                   ///< temperature exponent of gammaAir
    float deltaAir = 0.0f;               ///< air shift, cm-1/atm
    std::uint32_t upper = 0, lower = 0;  ///< the levels, indices into ImportedLineList::levels

    double UpperEnergy() const { return lowerEnergy + nu; }
};

/// The pressure broadening of a list's lines by one collision partner (an ExoMol .broad file).
struct ListBroadener {
    std::string partner;  ///< the partner the file names: "H2", "He", "air"
    std::string path;
    struct Width {
        float gamma = 0.0f;  ///< HWHM, cm-1/atm at 296 K
        float n = 0.0f;      ///< temperature exponent
    };
    std::unordered_map<int, Width> byLowerJ;       ///< a0 records by 2J''
    std::unordered_map<long long, Width> byJPair;  ///< a1 records by 2J'' * 2^20 + 2J'
    int topLowerJ = -1;                            ///< 2J'' of the highest a0 record, -1 without one
    /// The .def's maximum J'' of the file (-1: not given) and, where it gives them, the values
    /// of the lines above it.
    float jMax = -1.0f;
    bool aboveJMax = false;
    Width above;

    /// The width of a line between lower J'' and upper J' (-1 where unknown), see the header
    /// comment; false when the file gives the line none.
    bool Find(float jLower, float jUpper, Width& w) const;
};

/// What a list's lines give its levels, the same in every simulation of the list.
struct ListedLevelSums {
    std::uint64_t fingerprint = 0;  ///< of the lines and levels they were found from
    std::vector<double> lifetimes;  ///< LevelLifetimes
    std::vector<bool> isUpper;      ///< per level: the upper level of a kept line
    /// E'0, the lowest upper level (cm-1); infinity for a list without lines.
    double lowestUpper = std::numeric_limits<double>::infinity();
};

/// Values found from a list's data and kept with the list (ImportedLineList::derived), each for
/// a fingerprint of the data it came from: a use with another fingerprint (the data changed,
/// in place or anew) finds it again. Copying a list copies none of them. Safe to use from several
/// threads at once.
class LineListCache {
public:
    LineListCache() = default;
    LineListCache(const LineListCache&) {}
    LineListCache& operator=(const LineListCache&);

    /// The sums kept for `fingerprint`, else those `find` gives (and kept).
    std::shared_ptr<const ListedLevelSums> Sums(std::uint64_t fingerprint,
                                                const std::function<ListedLevelSums()>& find) const;
    /// A value of the data of `fingerprint` at temperature T, `what` telling values apart: the
    /// one kept, else the one `find` gives (kept with the few met last).
    double AtTemperature(int what, std::uint64_t fingerprint, double T, const std::function<double()>& find) const;

private:
    struct Value {
        int what = -1;
        std::uint64_t fingerprint = 0;
        double T = 0.0, value = 0.0;
    };
    mutable std::mutex mutex_;
    mutable std::shared_ptr<const ListedLevelSums> sums_;
    mutable std::array<Value, 8> values_{};
    mutable std::size_t next_ = 0;
};

/// A line list read from files, the band system of a simulation.
struct ImportedLineList {
    std::string path;      ///< the file named (.def or .par)
    std::string format;    ///< "ExoMol" or "HITRAN"
    std::string name;      ///< "16O-1H__MYLIST", "HITRAN molecule 13 isotopologue 1"
    std::string molecule;  ///< chemical formula, "OH", "N2": the self-broadening partner
    double mass = 0.0;     ///< u, of the Doppler width
    /// True when the records give each line's pressure shift (HITRAN's air shift); ExoMol files
    /// give none.
    bool lineShifts = false;
    /// ExoMol: the broadening files of the set, by partner (none for HITRAN).
    std::vector<ListBroadener> broadeners;
    std::vector<ListedLevel> levels;  ///< the levels the kept lines join
    std::vector<ListedLine> lines;    ///< in order of increasing ν
    /// (T K, Q) of the .pf file, increasing T; empty without one.
    std::vector<std::pair<double, double>> partitionTable;
    /// Every level of the list (ExoMol: the .states file; HITRAN: the distinct lower levels) as
    /// energy and degeneracy, for Q(T) outside the .pf range.
    std::vector<std::pair<double, float>> allLevels;
    long long transitionsRead = 0;  ///< records read, kept or not
    WavenumberWindow window;        ///< the window the lines were kept in
    LineListCache derived;          ///< what simulations find from the data above once

    /// Partition function at T (K), see the header comment.
    double PartitionFunction(double T) const;
    /// The broadening file of a partner of the gas (a chemical formula): the partner's own, else
    /// for N2, O2 and Ar the "air" file; null without one.
    const ListBroadener* BroadenerOf(const std::string& partner) const;
};

/// Reads a line list: an ExoMol set named by its .def file (or by any of its files, or by the
/// common prefix), or a HITRAN .par file, by the name's ending. Throws FileError naming the file
/// (and the line of a bad record) and what is wrong.
ImportedLineList ReadLineList(const std::string& path, const WavenumberWindow& window = {});

/// Reads the ExoMol set of prefix PREFIX (PREFIX.def, PREFIX.states, PREFIX.trans or
/// PREFIX__*.trans, PREFIX.pf when present).
ImportedLineList ReadExoMol(const std::string& prefix, const WavenumberWindow& window = {});

/// Reads a HITRAN .par file of one isotopologue of a diatomic molecule HITRAN lists.
ImportedLineList ReadHitran(const std::string& path, const WavenumberWindow& window = {});

/// Radiative lifetime (ns) of every upper level of a list as 1 / sum of the A of its kept lines,
/// in the order of the levels (0 for a level no kept line leaves).
std::vector<double> LevelLifetimes(const ImportedLineList& list);

/// LevelLifetimes, the upper levels and E'0 of the list's lines and levels as they are now, found
/// once and kept with the list (a pass over the lines checks that they are unchanged).
std::shared_ptr<const ListedLevelSums> KeptLevelSums(const ImportedLineList& list);

/// list.PartitionFunction(T), kept with the list for the temperatures met last.
double KeptPartitionFunction(const ImportedLineList& list, double T);

}  // namespace velmora::database
