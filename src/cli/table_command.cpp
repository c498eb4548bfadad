// velmora-cli table: one database table of a band system, saved as "Save database table" does.
#include <ostream>
#include <stdexcept>
#include <tuple>

#include "cli/database_options.h"
#include "cli/multiplet_output.h"
#include "common/errors.h"
#include "common/number_format.h"
#include "program/band_system.h"
#include "state/app_state.h"
#include "table/table_model.h"

namespace velmora::cli {

namespace {

int RunTable(const std::vector<std::string>& words, std::ostream& out, std::ostream&) {
    const Args args(words, {"classic"});
    RejectUnknownOptions(
        args, {"data", "entry", "kind", "quantity", "band", "nomenclature", "units", "out", "classic", "state"});
    if (!args.Has("out")) throw std::invalid_argument("option --out FILE.csv is required");
    const std::string kind = args.Get("kind", "vibrational");
    if (kind != "vibrational" && kind != "rotational" && kind != "terms")
        throw std::invalid_argument("option --kind: \"" + Excerpt(kind) +
                                    "\" is not one of vibrational, rotational, terms");
    const int quantity = args.Integer("quantity", 1);
    if (quantity < 1 || quantity > 6) throw std::invalid_argument("option --quantity must be 1..6");
    const std::string nomenclature = args.Get("nomenclature", "a");
    if (nomenclature != "a" && nomenclature != "b")
        throw std::invalid_argument("option --nomenclature: \"" + Excerpt(nomenclature) +
                                    "\" is neither a (J) nor b (N)");
    // Absorption: 1 catalogue unit, 2 m3 J-1 s-2, 3 oscillator strength; positions: 1 Å vacuum,
    // 2 Å air, 3 cm-1. Other quantities have their catalogue unit only.
    const bool hasUnits = quantity == 2 || quantity == 4;
    const int units = args.Integer("units", quantity == 4 ? 3 : 1);
    if (units < 1 || units > (hasUnits ? 3 : 1))
        throw std::invalid_argument(hasUnits ? "option --units must be 1..3 for this quantity"
                                             : "option --units: this quantity has only its catalogue unit (1)");

    AppState app;
    OpenDatabase(args, app.db);
    if (const int k = MultipletEntryOption(args, app.db); k >= 0) {
        // A band system of any multiplicity: its own tables, with a column per branch and lower
        // parity or per spin component and parity.
        if (args.Has("classic"))
            throw std::invalid_argument(
                "option --classic: the earlier layout has the fixed branch columns of a doublet system");
        MultipletTableRequest request;
        request.kind = kind;
        request.quantity = quantity;
        request.caseA = nomenclature == "a";
        request.units = units;
        const std::string state = args.Get("state", "upper");
        if (state != "upper" && state != "lower")
            throw std::invalid_argument("option --state: \"" + Excerpt(state) + "\" is neither upper nor lower");
        request.upperState = state == "upper";
        std::tie(request.vUp, request.vLow) = args.Has("band") ? BandOption(args) : std::pair<int, int>{0, 0};
        const database::MultipletEntry m = database::MultipletEntriesOf(app.db.AppPath)[static_cast<std::size_t>(k)];
        if (quantity == 3 || (quantity == 6 && kind != "terms"))
            database::RequireAbsoluteScale(m, quantity == 3 ? "Einstein A (s-1)" : "Radiative lifetimes");
        const auto [rows, columns] = SaveMultipletTable(m, request, args.Get("out"));
        out << "Database table written to " << args.Get("out") << " (" << rows << " rows, " << columns
            << " value columns)\n";
        return 0;
    }
    if (kind == "terms")
        throw std::invalid_argument(
            "option --kind terms: term-value tables are written for the band systems of any multiplicity");
    if (args.Has("state")) throw std::invalid_argument("option --state: only term-value tables (--kind terms) take it");
    const int entry = EntryOption(args, app.db);
    program::SelectBandSystem(app, entry);

    TableState& t = app.table;
    t.tableKind = kind == "vibrational" ? 1 : 2;
    t.icoef = quantity;
    t.nomenclature = nomenclature == "a" ? 1 : 0;
    std::tie(t.DbVUpper, t.DbVLower) = args.Has("band") ? BandOption(args) : std::pair<int, int>{0, 0};
    if (quantity == 2) t.DbUnitsAbs = units;
    if (quantity == 4) t.DbUnitsPos = units;
    table::BuildDatabaseTable(app);
    table::SaveDatabaseTable(app, args.Get("out"),
                             args.Has("classic") ? table::CsvLayout::Classic : table::CsvLayout::Labelled);
    out << "Database table written to " << args.Get("out") << " (" << t.Grid.Rows - 1 << " rows, " << t.TableCols
        << " value columns)\n";
    return 0;
}

const bool registered = RegisterCommand(
    {"table",
     "table --entry N --kind vibrational|rotational|terms --quantity 1..6 [--band VUP,VLOW] [--nomenclature a|b] "
     "[--units K] [--state upper|lower] [--classic] --out FILE.csv [--data DIR]  saves a database table as the "
     "program does (--classic: the earlier layout, without column names in rotational tables and with zeros for "
     "missing values). Band systems of any multiplicity: quantities 3 (Einstein A), 4 (positions), 5 (Hönl-London "
     "factors) and, rotational, 6 (lifetimes of v'), one column per branch and lower e/f; --kind terms: the term "
     "values of v' (--state upper) or v'' (lower) of --band, one column per spin component F1.. and e/f",
     &RunTable});

}  // namespace

}  // namespace velmora::cli
