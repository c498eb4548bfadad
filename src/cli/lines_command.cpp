// velmora-cli lines: every line of one band, after the pre-computation of its band system, with
// the e/f parities of the levels it joins.
#include <ostream>
#include <stdexcept>

#include "cli/database_options.h"
#include "cli/line_list_options.h"
#include "cli/multiplet_output.h"
#include "common/number_format.h"
#include "database/line_rows.h"
#include "database/state_descriptions.h"
#include "database/system_precompute.h"
#include "table/table_model.h"

namespace velmora::cli {

namespace {

int RunLines(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    const Args args(words, {"absolute"});
    RejectUnknownOptions(args, {"data", "entry", "band", "absolute", "line-list", "line-window"});
    if (const auto path = LineListOption(args)) {
        WriteListedLines(database::ReadLineList(*path, LineWindowOption(args)), out);
        return 0;
    }
    DatabaseState db;
    OpenDatabase(args, db);
    if (const int k = MultipletEntryOption(args, db); k >= 0) {
        const database::MultipletEntry m = database::MultipletEntriesOf(db.AppPath)[static_cast<std::size_t>(k)];
        if (args.Has("absolute")) {
            database::RequireAbsoluteScale(m, "--absolute (Einstein A in s-1, oscillator strengths)");
            throw std::invalid_argument("option --absolute: the lines of this system always give the Einstein A (s-1)");
        }
        const auto [vUp, vLow] = BandOption(args);
        WriteMultipletLines(m, vUp, vLow, out);
        if (const std::string why = m.NoAbsoluteScale(); !why.empty())
            err << "Note: the Einstein A column is empty: " << why << "\n";
        return 0;
    }
    const int entry = EntryOption(args, db);
    const auto [vUp, vLow] = BandOption(args);
    const bool absolute = args.Has("absolute");
    if (absolute) database::RequireAbsoluteScale(db.cat, entry, "--absolute (Einstein A in s-1, oscillator strengths)");

    db.systemEntry = entry;
    Shell quiet;
    database::SystemPrecompute(db, 0.0f, quiet);

    const std::vector<database::LineRow> rows = database::BandLineRows(db, vUp, vLow);
    out << "v_up,v_low,branch,name_b,name_a,N_low,J_low,position_cm-1,hl_factor,transition_probability,"
           "emission_coefficient,absorption_coefficient,parity_up,parity_low";
    if (absolute) out << ",einstein_A_s-1,oscillator_strength";
    out << '\n';
    for (const database::LineRow& r : rows) {
        out << r.vUp << ',' << r.vLow << ',' << r.branch << ',' << r.nameB << ',' << r.nameA << ',' << r.NLow << ','
            << Trim(Str(r.JLow)) << ',' << CsvNumber(r.position) << ',' << CsvNumber(r.honlLondon) << ','
            << CsvNumber(r.probability) << ',' << CsvNumber(r.emission) << ',' << CsvNumber(r.absorption) << ','
            << r.parityUp << ',' << r.parityLow;
        if (absolute)
            out << ',' << CsvNumber(table::LineEinsteinA(db, r.emission)) << ','
                << CsvNumber(table::LineOscillatorStrength(db, r.absorption, r.position));
        out << '\n';
    }
    return 0;
}

const bool registered = RegisterCommand(
    {"lines",
     "lines --entry N --band VUP,VLOW [--absolute] [--data DIR]  lists the lines of one band as CSV (positions in "
     "cm-1, e/f parities of both levels; --absolute: also the Einstein A in s-1 and the oscillator strength)\n"
     "lines --line-list FILE.def|FILE.par [--line-window LO:HI]  the lines of an ExoMol or HITRAN line list (in\n"
     "        LO..HI cm-1): position, energies, degeneracies, Einstein A, pressure broadening, level labels",
     &RunLines});

}  // namespace

}  // namespace velmora::cli
