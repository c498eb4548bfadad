// velmora-cli export: the line list of a band system as ExoMol or HITRAN files.
#include <ostream>
#include <stdexcept>

#include "cli/database_options.h"
#include "common/errors.h"
#include "common/number_format.h"
#include "database/line_list_export.h"
#include "database/line_list_files.h"
#include "database/multiplet_catalogue.h"

namespace velmora::cli {

namespace {

int RunExport(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    const Args args(words, {});
    RejectUnknownOptions(args, {"data", "entry", "format", "out", "uncertainty"});
    const std::string format = args.Get("format");
    if (format != "exomol" && format != "hitran")
        throw std::invalid_argument("option --format: \"" + Excerpt(format) + "\" is not one of exomol, hitran");
    if (args.Get("out").empty()) throw std::invalid_argument("option --out PREFIX is required");
    // The uncertainty of the energies (cm-1): the program holds no per-level value.
    const double uncertainty = args.Number("uncertainty", 0.01);
    if (!(uncertainty > 0.0)) throw std::invalid_argument("option --uncertainty: must be above 0 cm-1");
    DatabaseState db;
    OpenDatabase(args, db);
    database::ExportedLineList list;
    if (const int k = MultipletEntryOption(args, db); k >= 0) {
        const database::MultipletEntry m = database::MultipletEntriesOf(db.AppPath)[static_cast<std::size_t>(k)];
        database::RequireAbsoluteScale(m, "A line list with Einstein A (s-1) and intensities (cm/molecule)");
        list = database::CollectMultipletLineList(m);
    } else {
        const int entry = EntryOption(args, db);
        Shell quiet;
        list = database::CollectLineList(db, entry, quiet);
    }
    list.uncertainty = uncertainty;
    const database::Isotopologue& iso = list.isotopologue;
    if (!iso.identified)
        err << "Warning: the isotopologue of " << list.molecule
            << " is not identified from its name and mass; nuclear-spin degeneracy 1 and abundance 1 are written\n";
    const std::string prefix = args.Get("out");
    if (format == "exomol") {
        database::WriteExoMol(list, prefix);
        out << "wrote " << list.levels.size() << " states to " << prefix << ".states, " << list.lines.size()
            << " transitions to " << prefix << ".trans, the partition function to " << prefix << ".pf and " << prefix
            << ".def\n";
    } else {
        database::WriteHitran(list, prefix);
        out << "wrote " << list.lines.size() << " lines to " << prefix << ".par\n";
        out << "intensities at 296 K include the abundance " << Trim(Format(iso.Abundance(), "0.000000E+00")) << " of "
            << iso.IsoSlug() << "\n";
    }
    return 0;
}

const bool registered = RegisterCommand(
    {"export",
     "export --entry N --format exomol|hitran --out PREFIX [--uncertainty CM] [--data DIR]  writes the line list of "
     "a band system (ExoMol .states/.trans/.pf/.def or HITRAN .par; --uncertainty: of every energy, cm-1, default "
     "0.01)",
     &RunExport});

}  // namespace

}  // namespace velmora::cli
