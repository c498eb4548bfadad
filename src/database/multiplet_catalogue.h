// The band systems of any multiplicity of the database (MULTIPLET.SYS, written by datagen): the
// molecule, both states and the constants of every vibrational level and band coefficient that
// the effective-Hamiltonian engine builds a system from. They are catalogue entries numbered
// after those of VELMORA.SYS (entry CatalogueCount + 1 is the first), so `--entry N` and the
// band-system list name them as any other.
//
// File layout (text, one setting a line, "key = value"):
//   line 1       title; line 2 format (1)
//   constants =  the names of the constants of a level line (T_v B D H L A A_D A_H lambda ...)
//   [system]     starts an entry; then code, name, title, mass (u), nuclear_spin (weights of the
//                symmetric and antisymmetric levels; absent: heteronuclear), hitran (HITRAN's
//                molecule and isotopologue numbers; absent: not a HITRAN molecule), max_J (last upper J),
//                approximate (yes/no), upper/lower = label Λ 2S reflection(+ - 0) g/u(g u 0)
//                labels(a b 0), level = <state label> <v> <constants>, band = <v'> <v''> <A s-1>
#pragma once

#include <string>
#include <vector>

#include "database/catalogue_state.h"
#include "database/multiplet_system.h"

namespace velmora::database {

inline constexpr const char* kMultipletCatalogueFile = "MULTIPLET.SYS";

/// One band system of the file.
struct MultipletEntry {
    std::string code;   ///< molecule code of the files ("N2")
    std::string name;   ///< the molecule as shown
    std::string title;  ///< "N2 C3Pi_u - B3Pi_g (second positive system, 337 nm)"
    std::string upperLabel, lowerLabel;
    double mass = 0;  ///< molecular mass, u
    bool approximate = false;
    MultipletSystemData data;
    /// "(C-B)": the system label of titles and messages, as the catalogue writes its systems'.
    std::string SystemLabel() const { return "(" + upperLabel + "-" + lowerLabel + ")"; }
    /// Empty for a system with an absolute scale; else why it has none, in the words
    /// NoAbsoluteScale gives for the other entries.
    std::string NoAbsoluteScale() const;
};

/// Throws std::invalid_argument "<what> cannot be given: <NoAbsoluteScale>" for a system
/// without an absolute scale.
void RequireAbsoluteScale(const MultipletEntry& entry, const std::string& what);

/// The entries of `path`; none when the file does not exist (a database without such systems).
/// Throws FileError naming the file, the line and the problem of a bad file.
std::vector<MultipletEntry> ReadMultipletCatalogue(const std::string& path);
/// The same from text; `name` names the file in messages.
std::vector<MultipletEntry> ParseMultipletCatalogue(const std::string& text, const std::string& name);

/// The entries of a database folder (ending in a separator): appPath + MULTIPLET.SYS.
std::vector<MultipletEntry> MultipletEntriesOf(const std::string& appPath);

/// The index into `entries` of catalogue entry `entry` when it is one of them (entries after the
/// CatalogueCount of VELMORA.SYS), else -1.
int MultipletIndex(const Catalogue& cat, const std::vector<MultipletEntry>& entries, int entry);

}  // namespace velmora::database
