// The program's "|"-separated file filters in the form of Qt's file dialogs.
#include "app/file_filters.h"

#include <gtest/gtest.h>

#include "experiment/spectrum_files.h"

namespace velmora::app {
namespace {

TEST(FileFilters, PairsOfDescriptionAndPatternsBecomeQtNameFilters) {
    const std::string_view filter = experiment::kLoadSpectraFilter;
    const QStringList spectra = QtNameFilters(QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size())));
    ASSERT_EQ(spectra.size(), 7);
    EXPECT_EQ(spectra[0], "Experimental spectra (*.dat *.csv *.spc *.txt *.tsv *.mod *.jdx *.dx *.asc *.spe)");
    EXPECT_EQ(spectra[1], "Simulation spectra (*.mod)");
    EXPECT_EQ(spectra[2], "All files (*)");  // "*.*" would hide files without an extension
    EXPECT_EQ(spectra[3], "JCAMP-DX (*.jdx *.dx)");
    EXPECT_EQ(spectra[6], "Spreadsheet CSV (*.csv)");
    // No trailing bar, and two blanks inside the description.
    EXPECT_EQ(QtNameFilters("Rotational distribution file (*.rot)|*.rot"),
              QStringList{"Rotational distribution file (*.rot)"});
    EXPECT_EQ(QtNameFilters("Population file  (*.vib)|*.vib|"), QStringList{"Population file (*.vib)"});
    EXPECT_TRUE(QtNameFilters("").isEmpty());
}

TEST(FileFilters, TheDefaultSuffixIsTheFirstPatternOfTheFilter) {
    EXPECT_EQ(DefaultSuffix("Simulation (*.mod)"), "mod");
    EXPECT_EQ(DefaultSuffix("Experimental spectra (*.dat *.csv)"), "dat");
    EXPECT_EQ(DefaultSuffix("All files (*)"), "");
}

}  // namespace
}  // namespace velmora::app
