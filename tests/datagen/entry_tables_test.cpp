// The entry-number tables of the program follow from the symmetries of the catalogue entries.
#include "database/entry_tables.h"

#include <gtest/gtest.h>

#include "datagen_support.h"
#include "generate.h"

namespace velmora::datagen {
namespace {

TEST(EntryTables, FollowTheEfSelectionRuleForEveryCatalogueEntry) {
    const auto entries = ReadBuildConfig(testing::SourceDir() / kCatalogueFile, kCatalogueFile);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const EntryDefinition& e = entries[i];
        const int entry = static_cast<int>(i) + 1;
        const auto lp = database::LowerParityIndices(entry);
        if (e.upper.lambda == 0 && e.lower.lambda == 0) {
            EXPECT_EQ(lp.l1, 1) << e.folder;
            EXPECT_EQ(lp.l2, 1) << e.folder;
        } else if (e.upper.lambda == 0) {
            // P1 keeps the e/f label of the upper F1 level: e for Sigma+, f for Sigma-.
            EXPECT_EQ(lp.l1, e.upper.sigmaSign > 0 ? 1 : 2) << e.folder;
            EXPECT_EQ(lp.l2, 3 - lp.l1) << e.folder;
        }
        const bool exception = e.lower.lambda == 1 && (e.upper.lambda > 0 || e.upper.sigmaSign > 0);
        EXPECT_EQ(database::UsesLowerComponentException(entry), exception) << e.folder;
        EXPECT_EQ(database::LowerStateIsSigmaMinus(entry), e.lower.lambda == 0 && e.lower.sigmaSign < 0) << e.folder;
        EXPECT_EQ(database::UpperStateIsSigmaMinus(entry), e.upper.lambda == 0 && e.upper.sigmaSign < 0) << e.folder;
    }
}

}  // namespace
}  // namespace velmora::datagen
