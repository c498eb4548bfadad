// The rows of the database as lists: every line of one band, the lifetimes and yields of every
// upper level, the term values of one vibrational level. The command line writes them as CSV
// and the Python module returns them as arrays, from these same rows.
#pragma once

#include <string>
#include <vector>

#include "database/database_state.h"

namespace velmora::database {

/// One rotational line of a band.
struct LineRow {
    int vUp = 0, vLow = 0;
    int branch = 1;         ///< 1..24 (13..24: the second set of a Λ-doubled system)
    std::string nameB;      ///< branch name in the N nomenclature
    std::string nameA;      ///< branch name in the J nomenclature
    int NLow = 0;           ///< lower rotational row
    double JLow = 0.0;      ///< lower J
    char parityUp = 'e';    ///< e/f label of the upper level
    char parityLow = 'e';   ///< e/f label of the lower level
    float position = 0.0f;  ///< cm-1
    float honlLondon = 0.0f;
    float probability = 0.0f;  ///< transition probability, s-1
    float emission = 0.0f;     ///< emission coefficient
    float absorption = 0.0f;   ///< absorption coefficient
};

/// Every line of band (vUp, vLow) of the pre-computed system db.systemEntry, by branch and lower row:
/// loads the band into db. Throws what LoadBand throws.
std::vector<LineRow> BandLineRows(DatabaseState& db, int vUp, int vLow);

/// One upper level: its radiative and effective lifetimes (ns) and its fluorescence yield.
struct LifetimeRow {
    int vUp = 0, component = 1, NUp = 0;
    bool exists = false;  ///< false: no such level (no radiative lifetime); the values are 0
    float radiative = 0.0f, effective = 0.0f, yield = 0.0f;
};

/// Every upper level (v', component, N') of the pre-computed system db.systemEntry, from N' = 0.
std::vector<LifetimeRow> LevelLifetimeRows(const DatabaseState& db);

/// One rotational level of a vibrational level.
struct TermRow {
    int N = 0;
    double J = 0.0;
    int F = 1;  ///< spin component 1 (F1) or 2 (F2)
    char parity = 'e';
    float term = 0.0f;  ///< cm-1, on the system's energy zero (the upper state raised by its electronic energy)
};

/// The term values of level v of state s (1 upper, 2 lower) of the pre-computed system db.systemEntry,
/// as the band loader computes them: loads the band (v, 0) or (0, v) into db. The upper rows end
/// at the catalogue's last row of v, the lower ones two rows further (LastLineRow). Levels the tables
/// hold at 0 cm-1 are listed only where a line of that band reaches them (the energy zero).
/// Throws std::invalid_argument for a state or level outside the system.
std::vector<TermRow> LevelTermRows(DatabaseState& db, int s, int v);

/// The e/f label of the level at row N, component F, parity block `block` of state s (1, 2) of
/// an entry: the block (1 e, 2 f) of a Π or Δ state; for a Σ state its total parity decides (F1 e
/// and F2 f in 2Σ⁺, the reverse in 2Σ⁻).
char ParityLabel(const DatabaseState& db, int entry, int s, int N, int F, int block);

}  // namespace velmora::database
