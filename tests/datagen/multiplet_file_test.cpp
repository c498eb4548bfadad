// The band systems of any multiplicity of the catalogue: MULTIPLET.SYS carries the folders'
// per-level constants and band coefficients unchanged (read back by the program's reader and
// compared with the folder tables as the engine tests read them), and the builder refuses an
// entry the engine cannot take.
#include "multiplet_file.h"

#include <gtest/gtest.h>

#include <map>

#include "build_config.h"
#include "common/errors.h"
#include "database/curated_tables.h"
#include "database/multiplet_catalogue.h"
#include "datagen_support.h"
#include "system_model.h"

namespace velmora::datagen {
namespace {

std::string MessageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(MultipletFile, TheTripletEntriesCarryTheFolderConstantsAndBandCoefficients) {
    const auto config = ReadBuildConfig(testing::SourceDir() / "catalogue.cfg", "catalogue.cfg");
    const auto entries =
        database::ParseMultipletCatalogue(MultipletFile(config, testing::SourceDir(), "data-src"), "MULTIPLET.SYS");
    struct Expected {
        const char* folder;
        const char *upper, *lower;  ///< levels tables
        int lambdaUp, lambdaLow;
        double symmetric, antisymmetric;
        int hitran;                         ///< HITRAN's molecule number (14N2: 22, isotopologue 1)
        std::vector<int> withoutConstants;  ///< upper levels whose rows are empty
        bool absoluteScale = true;          ///< false: bands from computed Franck-Condon factors
    };
    const Expected expected[] = {{"N2_CB", "levels_C.csv", "levels_B.csv", 1, 1, 6, 3, 22, {}},
                                 {"N2_BA", "levels_B.csv", "levels_A.csv", 1, 0, 6, 3, 22, {}},
                                 {"C2_DA", "levels_d.csv", "levels_a.csv", 1, 1, 1, 0, 0, {6, 11}},
                                 {"NH_AX", "levels_A.csv", "levels_X.csv", 1, 0, 1, 1, 0, {}, false}};
    ASSERT_EQ(entries.size(), std::size(expected));
    for (std::size_t k = 0; k < entries.size(); ++k) {
        const Expected& x = expected[k];
        const database::MultipletEntry& e = entries[k];
        const SystemDescription& d = e.data.description;
        EXPECT_EQ(d.upper.twoS, 2) << x.folder;
        EXPECT_EQ(d.lower.twoS, 2) << x.folder;
        EXPECT_EQ(d.upper.lambda, x.lambdaUp) << x.folder;
        EXPECT_EQ(d.lower.lambda, x.lambdaLow) << x.folder;
        EXPECT_EQ(d.upper.inversion == d.lower.inversion, d.upper.inversion == Inversion::None) << x.folder;
        EXPECT_EQ(d.absoluteScale, x.absoluteScale) << x.folder;
        EXPECT_EQ(d.molecule.nuclearSpin.symmetric, x.symmetric) << x.folder;
        EXPECT_EQ(d.molecule.nuclearSpin.antisymmetric, x.antisymmetric) << x.folder;
        EXPECT_EQ(d.molecule.hitranMolecule, x.hitran) << x.folder;
        EXPECT_EQ(d.molecule.hitranIsotopologue, x.hitran ? 1 : 0) << x.folder;
        const database::MultipletSystemData folder =
            velmora::testing::CuratedSystem(d, x.folder, x.upper, x.lower, e.data.twoJMax);
        for (const auto& [states, tables] : {std::pair{&e.data.upper, &folder.upper}, {&e.data.lower, &folder.lower}})
            for (const auto& [v, c] : *tables) {
                const bool empty = c.T == 0 && c.B == 0;
                ASSERT_EQ(states->count(v), empty ? 0u : 1u) << x.folder << " v = " << v;
                if (empty) continue;
                const database::StateConstants& got = states->at(v);
                for (const auto& [a, b] : {std::pair{got.T, c.T},
                                           {got.B, c.B},
                                           {got.D, c.D},
                                           {got.H, c.H},
                                           {got.A, c.A},
                                           {got.spinSpin, c.spinSpin},
                                           {got.gamma, c.gamma},
                                           {got.o, c.o},
                                           {got.p, c.p},
                                           {got.q, c.q}})
                    EXPECT_EQ(a, b) << x.folder << " v = " << v;
            }
        if (!x.absoluteScale) {
            // A unit moment: A / (k ν³) is the Franck-Condon factor, nearly 1 for the Δv = 0 bands
            // of NH (r_e 1.0370 and 1.0362 Å), and the factors out of a level sum to at most 1.
            std::map<int, double> sums;
            for (const auto& [band, A] : e.data.bandA) {
                const double nu = e.data.upper.at(band.first).T - e.data.lower.at(band.second).T;
                const double q = A / (kEinsteinFactor * nu * nu * nu);
                sums[band.first] += q;
                if (band.first == band.second) {
                    EXPECT_GT(q, 0.99) << x.folder << " v = " << band.first;
                }
            }
            ASSERT_EQ(sums.size(), 3u);
            for (const auto& [v, sum] : sums) EXPECT_LE(sum, 1.0 + 1e-6) << x.folder << " v' = " << v;
            continue;
        }
        // Every band whose two levels have constants, with the folder's coefficient.
        std::size_t bands = 0;
        for (const auto& [band, A] : folder.bandA) {
            const bool kept = e.data.upper.count(band.first) && e.data.lower.count(band.second);
            ASSERT_EQ(e.data.bandA.count(band), kept ? 1u : 0u) << x.folder;
            if (!kept) continue;
            EXPECT_EQ(e.data.bandA.at(band), A) << x.folder;
            ++bands;
        }
        EXPECT_EQ(bands, e.data.bandA.size()) << x.folder;
        for (int v : x.withoutConstants) EXPECT_EQ(e.data.upper.count(v), 0u) << x.folder;
    }
}

TEST(MultipletFile, AnEntryTheEngineCannotTakeIsRefusedWithItsLine) {
    const std::string head = "[entry]\nengine = multiplet\nfolder = N2_CB\ncode = N2\nmass = 28\n";
    const std::string states =
        "upper = C 3Pi_u levels levels_C.csv 0-4\nupper_labels = case_b\n"
        "lower = B 3Pi_g levels levels_B.csv 0-17\nlower_labels = case_b\nnuclear_spin = 6 3\n";
    const std::pair<std::string, std::string> cases[] = {
        {head + states, "catalogue.cfg, line 1: the entry has no \"max_J\" setting"},
        {head + states + "max_J = 60\nbands = FCF\n",
         "catalogue.cfg, line 1: a multiplet entry takes its band strengths from A_band rows, or without an absolute "
         "scale (bands = none) from computed Franck-Condon factors"},
        {head + states + "max_J = 60\nbands = none\nabsolute_scale = none\n",
         "catalogue.cfg, line 1: the entry has no \"reduced_mass\" setting"},
        {head + "upper = C 3Pi_u equilibrium C 0-4\nupper_labels = case_b\nupper_origin = 1\n" +
             "lower = B 3Pi_g levels levels_B.csv 0-17\nlower_labels = case_b\nnuclear_spin = 6 3\nmax_J = 60\n",
         "catalogue.cfg, line 6: a multiplet entry takes its states from levels tables"},
        {head + states + "max_J = 300\n", "catalogue.cfg, line 11: \"max_J\": the last J must be 1..200"},
        {head + states + "engine = quartet\n",
         "catalogue.cfg, line 11: \"engine\": expected one of doublet, multiplet, found \"quartet\""},
    };
    for (const auto& [text, message] : cases)
        EXPECT_EQ(MessageOf([&] { ParseBuildConfig(text, "catalogue.cfg"); }), message);
}

}  // namespace
}  // namespace velmora::datagen
