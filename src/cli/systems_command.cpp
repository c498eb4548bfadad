// velmora-cli systems: the band systems of the catalogue, one CSV line each.
#include <ostream>

#include "cli/database_options.h"
#include "common/number_format.h"
#include "database/multiplet_catalogue.h"
#include "database/state_descriptions.h"

namespace velmora::cli {

namespace {

int RunSystems(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    const Args args(words, {});
    RejectUnknownOptions(args, {"data"});
    DatabaseState db;
    OpenDatabase(args, db);
    const Catalogue& cat = db.cat;
    out << "entry,molecule,system,lambda_up,lambda_low,nmaxvib_up,nmaxvib_low,mass\n";
    for (int i = 1; i <= cat.CatalogueCount; ++i)
        out << i << ',' << cat.MoleculeName(i) << ',' << Trim(cat.SystemLabel(i)) << ',' << cat.StateLambda(1, i) << ','
            << cat.StateLambda(2, i) << ',' << cat.NMaxVib(i, 1) << ',' << cat.NMaxVib(i, 2) << ','
            << CsvNumber(cat.MolecularMass(i)) << '\n';
    // The band systems of any multiplicity follow, numbered on.
    const auto multiplets = database::MultipletEntriesOf(db.AppPath);
    for (std::size_t k = 0; k < multiplets.size(); ++k) {
        const database::MultipletEntry& m = multiplets[k];
        out << cat.CatalogueCount + 1 + static_cast<int>(k) << ',' << m.name << ',' << m.SystemLabel() << ','
            << m.data.description.upper.lambda << ',' << m.data.description.lower.lambda << ','
            << m.data.upper.rbegin()->first << ',' << m.data.lower.rbegin()->first << ','
            << CsvNumber(static_cast<float>(m.mass)) << '\n';
    }
    // The CSV keeps its columns; the systems with relative strengths only are named beside it.
    for (int i = 1; i <= cat.CatalogueCount; ++i)
        if (const std::string why = database::NoAbsoluteScale(cat, i); !why.empty())
            err << "Note: entry " << i << ": " << why << "\n";
    for (std::size_t k = 0; k < multiplets.size(); ++k)
        if (const std::string why = multiplets[k].NoAbsoluteScale(); !why.empty())
            err << "Note: entry " << cat.CatalogueCount + 1 + static_cast<int>(k) << ": " << why << "\n";
    return 0;
}

const bool registered =
    RegisterCommand({"systems", "systems [--data DIR]  lists the band systems of the catalogue as CSV", &RunSystems});

}  // namespace

}  // namespace velmora::cli
