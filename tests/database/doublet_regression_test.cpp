// The effective-Hamiltonian engine against the doublet term and line-strength routines: the term
// values and labels of every level of every state of the shipped catalogue and of each constant
// convention of the term tables, and the Hönl-London factor of every line of the shipped bands.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "database/band_loader.h"
#include "database/catalogue.h"
#include "database/doublet_conventions.h"
#include "database/effective_hamiltonian.h"
#include "database/entry_tables.h"
#include "database/honl_london.h"
#include "database/line_positions.h"
#include "database/terms.h"

namespace velmora::database {
namespace {

using Columns = std::array<double, 18>;

// The level of the engine with J, label F and (for Π, Δ) parity; a 2Σ level has one parity.
const RotationalLevel* FindLevel(const StateLevels& levels, int twoJ, int F, int block) {
    if (levels.State().lambda > 0) return levels.Find(twoJ, F, block == 1 ? Parity::e : Parity::f);
    const RotationalLevel* level = levels.Find(twoJ, F, Parity::e);
    return level ? level : levels.Find(twoJ, F, Parity::f);
}

// One doublet level: the engine's levels against ComputeTerms (its single-precision table: the
// labels, and the value to a float step) and, for Π and Δ, against the eigenvalues of the
// routine's 2×2 blocks in double precision (1e-6 cm-1).
void CompareTerms(const Columns& k, int lambda, int convention, bool sigmaMinus, const std::string& molecule, int rows,
                  const std::string& what) {
    DatabaseState db;
    db.LevelConst = k;
    TermTable table;
    table.Resize(0, rows + 4, 1, 2, 1, 2);
    ComputeTerms(db, lambda, rows, table, convention, molecule);
    const bool caseA = lambda == 1 && PiCaseALabelling(k[6] / k[1], molecule);
    const StateLevels levels(DoubletElectronicState(lambda, sigmaMinus, convention, caseA),
                             DoubletLevelConstants(k, lambda, convention), 2 * rows + 3);
    // The slots of real levels: row N of component F holds J = N ± 1/2 (in the case (a) layout
    // of the routine F1 of J sits one row higher and F2 one row lower), from the lowest J on; at
    // the lowest J of a Π or Δ state only the slot of the single level's label (F1 in case (a)
    // labelling, F2 in case (b)) holds a level.
    int slots = 0;
    for (int row = 0; row <= rows + 3; ++row)
        for (int F = 1; F <= 2; ++F) {
            const int twoJ = caseA ? 2 * row + (F == 1 ? -1 : 1) : TwiceJ(row, F);
            if (twoJ < std::max(2 * lambda - 1, 1) || twoJ > 2 * rows + 3) continue;
            if (lambda > 0 && twoJ == 2 * lambda - 1 && F != (caseA ? 1 : 2)) continue;
            for (int p = 1; p <= (lambda == 0 ? 1 : 2); ++p) {
                const RotationalLevel* level = FindLevel(levels, twoJ, F, p);
                ASSERT_NE(level, nullptr) << what << " row " << row << " F" << F << " p " << p;
                ++slots;
                const float stored = table(row, F, p);
                EXPECT_LE(std::fabs(float(level->energy) - stored),
                          std::nextafter(std::fabs(stored), 1e30f) - std::fabs(stored))
                    << what << " row " << row << " F" << F << " p " << p;
                if (lambda == 0) continue;
                const HamiltonianBlock h = DoubletHamiltonian(k, lambda, convention, twoJ, p);
                const double mean = (h.h11 + h.h22) / 2, root = std::hypot((h.h11 - h.h22) / 2, h.h12);
                const double expected = twoJ == 2 * lambda - 1 ? h.h22 : F == 1 ? mean - root : mean + root;
                EXPECT_NEAR(level->energy, expected, 1e-6) << what << " J " << twoJ << "/2 F" << F << " p " << p;
            }
        }
    EXPECT_EQ(static_cast<int>(levels.Levels().size()), slots) << what;
}

DatabaseState ShippedDatabase() {
    DatabaseState db;
    SetAppPath(db, VELMORA_DATA_DIR);
    LoadCatalogue(db);
    return db;
}

bool SigmaMinus(int s, int entry) { return s == 1 ? UpperStateIsSigmaMinus(entry) : LowerStateIsSigmaMinus(entry); }

TEST(DoubletRegression, TermValuesOfEveryShippedStateAreTheTermRoutines) {
    DatabaseState db = ShippedDatabase();
    const Catalogue& cat = db.cat;
    for (int entry = 1; entry <= cat.CatalogueCount; ++entry) {
        ReadStateConstants(db, entry);
        for (int s = 1; s <= 2; ++s)
            for (int v = 0; v <= cat.NMaxVib(entry, s); ++v) {
                SelectLevel(db, s, v);
                CompareTerms(db.LevelConst, cat.StateLambda(s, entry), db.SpcConvention(s, entry), SigmaMinus(s, entry),
                             cat.MoleculeCode(entry), cat.NMaxRotAll(entry) + 2,
                             cat.MoleculeCode(entry) + cat.StateLabel(s, entry) + " v " + std::to_string(v));
            }
    }
}

TEST(DoubletRegression, EveryConventionOfTheTermRoutinesIsAFormOfTheHamiltonian) {
    // The OH X v = 0 constants with the spin–orbit distortion terms added, in every Π convention
    // (case (b) labelling) and as NO (case (a) labelling); the OH A v = 0 constants in both Σ
    // conventions, and with γ > 2B, where the sorted convention calls the F2 level of each J F1.
    DatabaseState db = ShippedDatabase();
    ReadStateConstants(db, 1);
    SelectLevel(db, 2, 0);
    Columns pi = db.LevelConst;
    pi[7] = 0.013f, pi[8] = -2.5e-6f;
    for (int convention = 0; convention <= 3; ++convention)
        for (const char* molecule : {"OH", "NO"})
            CompareTerms(pi, 1, convention, false, molecule, 40,
                         std::string(molecule) + " Π convention " + std::to_string(convention));
    SelectLevel(db, 1, 0);
    Columns sigma = db.LevelConst;
    for (int convention = 0; convention <= 1; ++convention) {
        CompareTerms(sigma, 0, convention, false, "OH", 40, "Σ convention " + std::to_string(convention));
        Columns swapped = sigma;
        swapped[9] = 2.5f * swapped[1];
        CompareTerms(swapped, 0, convention, false, "OH", 40,
                     "Σ convention " + std::to_string(convention) + ", γ > 2B");
    }
}

TEST(DoubletRegression, HonlLondonFactorsOfTheShippedBandsAreTheExactStrengths) {
    // Every line of the bands (v', 0), (v', v') and (v', last v'') of every system, as the band
    // loader stores it (quantity 5, from the exact doublet strengths), against the engine's factor
    // between the same two levels: 1e-6 relative; no line from an upper level above the last row.
    DatabaseState db = ShippedDatabase();
    const Catalogue& cat = db.cat;
    for (int entry = 1; entry <= cat.CatalogueCount; ++entry) {
        const int lamUp = cat.StateLambda(1, entry), lamLow = cat.StateLambda(2, entry);
        const std::string molecule = cat.MoleculeCode(entry);
        for (int vUp = 0; vUp <= cat.NMaxVib(entry, 1); ++vUp) {
            const int last = cat.NMaxVib(entry, 2);
            for (const int vLow : std::set<int>{0, std::min(vUp, last), last}) {
                LoadBand(db, vUp, vLow, entry);
                // The labelling the strength routine gives each state at its lowest J.
                const bool upCaseA = lamUp == 1 ? PiCaseALabelling(SpinOrbitRatio(db, 1, vUp), molecule)
                                     : lamUp == 2
                                         ? db.MolConst(2, vLow, 1) != 0 && SpinOrbitRatio(db, 1, vUp, 2, vLow) > 4.0f
                                         : false;
                const bool lowCaseA = lamLow == 1 && SpinOrbitRatio(db, 2, vLow) > 4.0f;
                auto levels = [&](int s, int v, bool caseA) {
                    SelectLevel(db, s, v);
                    const int lambda = cat.StateLambda(s, entry), convention = db.SpcConvention(s, entry);
                    return StateLevels(DoubletElectronicState(lambda, SigmaMinus(s, entry), convention, caseA),
                                       DoubletLevelConstants(db.LevelConst, lambda, convention), 2 * db.RotRows + 9);
                };
                const StateLevels up = levels(1, vUp, upCaseA), low = levels(2, vLow, lowCaseA);
                const int firstRow = lamLow == 1 && SpinOrbitRatio(db, 2, vLow) > 4.0f ? 0 : lamLow;
                const int sets = cat.LambdaFactor(entry) > 1.0f ? 2 : 1;
                for (int N = firstRow; N <= db.RotRows + 1; ++N)
                    for (int b = 1; b <= 12 * sets; ++b) {
                        const LineLevels lv = BranchLevels(db, entry, b, N);
                        const RotationalLevel* u = FindLevel(up, TwiceJ(lv.upRow, lv.upF), lv.upF, lv.upBlock);
                        const RotationalLevel* l = FindLevel(low, TwiceJ(N, lv.lowF), lv.lowF, lv.lowBlock);
                        // Lines from upper levels above the catalogue's last row are none of the system.
                        const bool line = u && l && lv.upRow <= db.RotRows;
                        const double factor = line ? HonlLondonFactor(up.State(), *u, low.State(), *l) : 0.0;
                        EXPECT_NEAR(db.LineData(5, b, N), factor, 1e-6 * factor + 1e-12)
                            << molecule << cat.StateLabel(1, entry) << " (" << vUp << "," << vLow << ") branch " << b
                            << " N " << N;
                    }
            }
        }
    }
}

}  // namespace
}  // namespace velmora::database
