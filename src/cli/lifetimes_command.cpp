// velmora-cli lifetimes: radiative lifetimes, effective lifetimes (with predissociation) and
// fluorescence yields of every upper level of a band system; with a gas composition the yields
// and the lifetimes under collisions include its quenching at the given temperature and pressure.
#include <ostream>
#include <stdexcept>

#include "cli/database_options.h"
#include "cli/line_list_options.h"
#include "cli/multiplet_output.h"
#include "common/number_format.h"
#include "database/gas_composition.h"
#include "database/line_rows.h"
#include "database/state_descriptions.h"
#include "database/system_precompute.h"

namespace velmora::cli {

namespace {

int RunLifetimes(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    const Args args(words, {});
    RejectUnknownOptions(args, {"data", "entry", "composition", "temperature", "pressure", "line-list"});
    if (const auto path = LineListOption(args)) {
        if (args.Has("composition"))
            throw std::invalid_argument("option --composition: a line list holds no quenching data");
        WriteListedLifetimes(database::ReadLineList(*path), out);
        return 0;
    }
    DatabaseState db;
    OpenDatabase(args, db);
    if (const int k = MultipletEntryOption(args, db); k >= 0) {
        const database::MultipletEntry m = database::MultipletEntriesOf(db.AppPath)[static_cast<std::size_t>(k)];
        database::RequireAbsoluteScale(m, "Radiative lifetimes and fluorescence yields");
        if (args.Has("composition"))
            throw std::invalid_argument("option --composition: this system holds no quenching data");
        WriteMultipletLifetimes(m, out);
        return 0;
    }
    const int entry = EntryOption(args, db);
    database::RequireAbsoluteScale(db.cat, entry, "Radiative lifetimes and fluorescence yields");

    // Quenching by a gas: temperature in K, pressure in Torr.
    const bool gas = args.Has("composition");
    float pressureTorr = 0.0f;
    if (gas) {
        try {
            db.quenching.composition = database::ParseComposition(args.Get("composition"));
        } catch (const std::invalid_argument& e) {
            throw std::invalid_argument(std::string("option --composition: ") + e.what());
        }
        db.quenching.source = 3;
        db.quenching.temperature = static_cast<float>(args.Number("temperature", 300.0));
        pressureTorr = static_cast<float>(args.Number("pressure", 760.0));
        if (!(db.quenching.temperature > 0.0)) throw std::invalid_argument("option --temperature: must be above 0 K");
        if (!(pressureTorr >= 0.0f)) throw std::invalid_argument("option --pressure: must be 0 Torr or more");
    }

    db.systemEntry = entry;
    Shell quiet;
    database::SystemPrecompute(db, pressureTorr, quiet);
    if (gas) {
        const auto q = database::QuenchingRate(db.UpperQuenching, db.quenching.composition, db.quenching.temperature,
                                               pressureTorr);
        err << "Quenching rate " << Trim(Format(q.rate, "0.000E+00")) << " s-1\n";
        for (const std::string& w : q.warnings) err << "Warning: " << w << "\n";
    }

    out << "v_up,component,N_up,radiative_ns,effective_ns,yield\n";
    // A level that does not exist (no radiative lifetime) has empty fields.
    for (const database::LifetimeRow& r : database::LevelLifetimeRows(db)) {
        out << r.vUp << ',' << r.component << ',' << r.NUp;
        if (r.exists)
            out << ',' << CsvNumber(r.radiative) << ',' << CsvNumber(r.effective) << ',' << CsvNumber(r.yield);
        else
            out << ",,,";
        out << '\n';
    }
    return 0;
}

const bool registered = RegisterCommand(
    {"lifetimes",
     "lifetimes --entry N [--data DIR] [--composition GAS --temperature K --pressure TORR]  lists lifetimes (ns)\n"
     "  and fluorescence yields of the upper levels as CSV; with a gas the yields include its quenching\n"
     "lifetimes --line-list FILE.def|FILE.par  radiative lifetimes (ns) of the upper levels of a line list, 1 / sum A",
     &RunLifetimes});

}  // namespace

}  // namespace velmora::cli
