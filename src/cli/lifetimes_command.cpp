// velmora-cli lifetimes: radiative lifetimes, effective lifetimes (with predissociation) and
// fluorescence yields of every upper level of a band system.
#include <ostream>

#include "cli/database_options.h"
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

    const Catalogue& cat = db.cat;
    const int C = db.UpperComponents;
    out << "v_up,component,N_up,radiative_ns,effective_ns,yield\n";
    // Rows from 0: a case (a) labelled 2Π state keeps its J = 1/2 level below row Λ'. A level that
    // does not exist (no radiative lifetime) has empty fields.
    for (int v = 0; v <= cat.NMaxVib(entry, 1); ++v)
        for (int k = 1; k <= C; ++k)
            for (int N = 0; N <= cat.NMaxRot(entry, v); ++N) {
                out << v << ',' << k << ',' << N;
                if (db.UpperLevelData(v, k, N) > 0.0f)
                    out << ',' << CsvNumber(db.UpperLevelData(v, k, N)) << ',' << CsvNumber(db.UpperLevelData(v, C + k, N))
                        << ',' << CsvNumber(db.UpperLevelData(v, 2 * C + k, N));
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
