// velmora-cli lifetimes: radiative lifetimes, effective lifetimes (with predissociation) and
// fluorescence yields of every upper level of a band system.
#include <ostream>

#include "cli/database_options.h"
#include "database/line_rows.h"
#include "database/system_precompute.h"

namespace velmora::cli {

namespace {

int RunLifetimes(const std::vector<std::string>& words, std::ostream& out, std::ostream&) {
    const Args args(words, {});
    RejectUnknownOptions(args, {"data", "entry"});
    DatabaseState db;
    OpenDatabase(args, db);
    const int entry = EntryOption(args, db);

    db.irad = entry;
    Shell quiet;
    database::SystemPrecompute(db, 0.0f, quiet);

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
     "lifetimes --entry N [--data DIR]  lists lifetimes (ns) and fluorescence yields of the upper levels as CSV",
     &RunLifetimes});

}  // namespace

}  // namespace velmora::cli
