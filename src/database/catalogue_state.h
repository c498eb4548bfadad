// The in-memory catalogue of band systems and the program's fixed name tables.
#pragma once

#include <string>

#include "common/bounded_array.h"
#include "database/state_description.h"

namespace velmora {

/// Everything read from VELMORA.SYS, plus the fixed tables filled beside it.
/// Entries are numbered 1..CatalogueCount; state index s is 1 upper, 2 lower.
struct Catalogue {
    int CatalogueCount = 0;
    int MaxVUpper = 0;  ///< bounds every array indexed by an upper-state v
    int MaxVLower = 0;  ///< the same for the lower state
    int MaxN = 0;       ///< bounds every array indexed by a rotational row

    Array1<std::string> MoleculeCode;  ///< (i 1..count): used in folder and file names
    Array1<std::string> MoleculeName;  ///< (i 0..count): shown to the user, from its description ("N2+")
    Array2<std::string> StateLabel;    ///< (s 1..2, i 1..count)
    Array1<std::string> SystemLabel;   ///< (i): " (" + upper label + "-" + lower label + ")"
    Array2<int> StateLambda;           ///< (s 1..2, i 0..count): Λ, also the lowest row of the state
    Array1<double> ReferenceLifetime;  ///< (i): ns, lowest rotational level of v' = 0
    Array2<int> NMaxVib;               ///< (i, s 0..2): highest vibrational level of the state
    Array2<int> IntFormat;             ///< (i, k 0..2): k=1 layout (1 per band, 2 per system), k=2 record kind
    Array1<int> LevelFileFlag;         ///< (i): per-level .DAT files exist
    Array1<double> UpperTermOrigin;    ///< (i): cm-1 added to all upper terms
    Array1<float> MolecularMass;       ///< (i): amu
    Array1<float> EmissionScale;       ///< (i): factor of the emission-coefficient table
    Array1<int> NuclearSpinFlag;       ///< (i)
    Array2<int> NMaxRot;               ///< (i, v 0..MaxVUpper+10): last rotational row of upper level v
    Array1<int> NMaxRotAll;            ///< (i): largest NMaxRot over the upper levels
    Array1<float> LambdaFactor;        ///< (i): 2 when both states have Λ >= 1 (24 branches), else 1
    /// (i): the molecule, both states and the energy zero, from STATES.SYS (see DescriptionOf)
    Array1<SystemDescription> Description;

    // Label tables read after the entries.
    Array1<std::string> QuantityTitle;   ///< (1..6)
    Array1<std::string> KindName;        ///< (1..6)
    Array1<std::string> QuantityUnit;    ///< (1..6)
    Array2<std::string> QuantityFormat;  ///< (k 1..6, 0..1)
    Array2<std::string> TableLabel;      ///< (column 0..1, row 1..12)
    Array2<std::string> BranchName;      ///< (nomenclature 0..1, branch 0..24)

    // Fixed tables filled at start-up.
    Array1<std::string> UnitName;            ///< (1..5)
    Array1<std::string> IntensityUnitName;   ///< (1..3)
    Array1<std::string> LineshapeName;       ///< (1..3)
    Array1<std::string> PopulationKindName;  ///< (1..2)
    Array2<std::string> QuantityName;        ///< (information 0..3, k 1..6)
    Array1<double> PressureToTorr;           ///< (0..5)
    Array1<std::string> CollisionalFormula;  ///< (0..5)
    Array1<double> QuenchingUnitFactor;      ///< (0..1)
};

}  // namespace velmora
