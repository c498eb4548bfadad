// The N^2 Hamiltonians of datagen and the program's term formulas with the constants as datagen
// writes them, both against the term values quoted in the data READMEs.
#include <gtest/gtest.h>

#include <cmath>

#include "database/effective_hamiltonian.h"
#include "database/terms.h"
#include "datagen_support.h"
#include "generate.h"

namespace velmora::datagen {
namespace {

using testing::CheckedStates;
using testing::LoadFolderState;

TEST(Hamiltonian, ReproducesTheTermValuesQuotedInTheReadmes) {
    for (const auto& st : CheckedStates()) {
        const StateData s = LoadFolderState(st.folder, st.file, st.symmetry, st.vmax, st.emptyIsZero);
        for (const auto& cv : st.values) {
            const double e = LevelEnergy(s.levels[static_cast<std::size_t>(cv.v)], s.def.lambda, cv.J, cv.F,
                                         cv.parity == 'e' ? -1 : 1);
            EXPECT_NEAR(e, cv.energy, 1.1e-4)
                << st.name << " v=" << cv.v << " J=" << cv.J << " " << cv.parity << " F" << cv.F;
        }
    }
}

TEST(Hamiltonian, SigmaSpinRotationSplitsTheComponentsByGammaTimesNPlusHalf) {
    LevelConstants c{};
    c[kT] = 100.0;
    c[kB] = 2.0;
    c[kGamma] = 0.02;
    for (int N = 1; N < 40; ++N) EXPECT_NEAR(SigmaTerm(c, N, 1) - SigmaTerm(c, N, 2), 0.02 * (N + 0.5), 1e-12);
}

TEST(Hamiltonian, PiBlockHasTheHillVanVleckEigenvalues) {
    // Without centrifugal, spin-rotation and Lambda-doubling terms the 2Pi levels are
    // T + B[(J+1/2)^2 -+ (1/2) sqrt(4 (J+1/2)^2 + Y (Y - 4))], Y = A/B (the N^2 form puts the
    // origin B Lambda^2 lower than the traditional R^2 form).
    LevelConstants c{};
    c[kB] = 10.0;
    c[kA] = -70.0;
    const double Y = -7.0;
    for (double J = 1.5; J < 20; J += 1.0) {
        const double x = J + 0.5, root = std::sqrt(4 * x * x + Y * (Y - 4));
        const Block2 b = PiBlock(c, J, -1);
        EXPECT_NEAR(b.Lower(), 10.0 * (x * x - 0.5 * root), 1e-9) << J;
        EXPECT_NEAR(b.Upper(), 10.0 * (x * x + 0.5 * root), 1e-9) << J;
    }
}

// The stored row of a level in the program's term table, before the band loader's re-indexing.
int TermRow(int lambda, bool caseA, double J, int F) {
    if (lambda == 0 || lambda == 2 || !caseA) return F == 1 ? static_cast<int>(J - 0.5) : static_cast<int>(J + 0.5);
    return F == 1 ? static_cast<int>(J + 0.5) : static_cast<int>(J - 0.5);
}

// The F labels the catalogue gives the state whose constants are in a folder's table ('0' for a
// table no entry uses or a Sigma state).
char CatalogueLabels(const std::string& folder, const std::string& file) {
    static const auto entries = ReadBuildConfig(testing::SourceDir() / kCatalogueFile, kCatalogueFile);
    for (const auto& e : entries)
        for (const StateDefinition* s : {&e.upper, &e.lower})
            if (s->file == folder + "/" + file) return s->labels;
    return '0';
}

double FloatUlp(double x) {
    const float f = static_cast<float>(std::fabs(x));
    return static_cast<double>(std::nextafter(f, 1e30f) - f);
}

TEST(ConstantConventions, TheProgramsTermFormulasGiveTheReadmeValuesFromTheWrittenColumns) {
    // This proves the correspondence documented in data-src/README.md: the columns datagen writes
    // (SpcColumns) with the convention it writes (SpcConventionFor), evaluated by the program's
    // own term routine with the F labels of the catalogue, give the levels of the READMEs' N^2
    // Hamiltonians under the READMEs' labels.
    for (const auto& st : CheckedStates()) {
        const StateData s = LoadFolderState(st.folder, st.file, st.symmetry, st.vmax, st.emptyIsZero);
        const int lambda = s.def.lambda;
        for (const auto& cv : st.values) {
            const LevelConstants cols = SpcColumns(s.levels[static_cast<std::size_t>(cv.v)], lambda);
            DatabaseState db;
            for (int k = 0; k < 18; ++k)
                db.LevelConst[static_cast<std::size_t>(k)] = static_cast<float>(cols[static_cast<std::size_t>(k)]);
            TermTable t;
            t.Resize(0, 70, 1, 2, 1, 2);
            const char labels = CatalogueLabels(st.folder, st.file);
            ASSERT_EQ(labels == '0', lambda == 0) << st.name << ": the catalogue labels every Pi and Delta state";
            const bool caseA = labels == 'a';
            StateDescription described;
            described.lambda = lambda;
            described.labelling = caseA ? database::LevelLabelling::caseA : database::LevelLabelling::caseB;
            database::ComputeTerms(db, lambda, 64, t, SpcConventionFor(lambda), described);
            const int row = TermRow(lambda, caseA, cv.J, cv.F);
            const double got = t(row, cv.F, cv.parity == 'e' ? 1 : 2);
            EXPECT_NEAR(got, cv.energy, 1.1e-4 + FloatUlp(cv.energy) + FloatUlp(cols[kT]))
                << st.name << " v=" << cv.v << " J=" << cv.J << " " << cv.parity << " F" << cv.F;
        }
    }
}

TEST(ConstantConventions, PiColumnsFlipOnlyTheSignOfL) {
    LevelConstants c{};
    for (int k = 0; k < kConstCount; ++k) c[static_cast<std::size_t>(k)] = k + 1.0;
    const LevelConstants pi = SpcColumns(c, 1), sigma = SpcColumns(c, 0), delta = SpcColumns(c, 2);
    for (int k = 0; k < kConstCount; ++k) {
        EXPECT_EQ(pi[static_cast<std::size_t>(k)],
                  k == kL ? -c[static_cast<std::size_t>(k)] : c[static_cast<std::size_t>(k)]);
        EXPECT_EQ(sigma[static_cast<std::size_t>(k)], c[static_cast<std::size_t>(k)]);
        EXPECT_EQ(delta[static_cast<std::size_t>(k)], c[static_cast<std::size_t>(k)]);
    }
    EXPECT_EQ(SpcConventionFor(0), 1);
    EXPECT_EQ(SpcConventionFor(1), 0);
}

}  // namespace
}  // namespace velmora::datagen
