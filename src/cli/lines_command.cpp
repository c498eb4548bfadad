// velmora-cli lines: every line of one band, after the pre-computation of its band system.
#include <ostream>
#include <stdexcept>

#include "cli/database_options.h"
#include "common/number_format.h"
#include "database/band_loader.h"
#include "database/line_positions.h"
#include "database/system_precompute.h"
#include "table/table_model.h"

namespace velmora::cli {

namespace {

int RunLines(const std::vector<std::string>& words, std::ostream& out, std::ostream&) {
    const Args args(words, {"absolute"});
    RejectUnknownOptions(args, {"data", "entry", "band", "absolute"});
    DatabaseState db;
    OpenDatabase(args, db);
    const int entry = EntryOption(args, db);
    const auto [vUp, vLow] = BandOption(args);
    const bool absolute = args.Has("absolute");

    db.irad = entry;
    Shell quiet;
    database::SystemPrecompute(db, 0.0f, quiet);
    database::LoadBand(db, vUp, vLow, entry);

    const auto& L = db.LineData;
    out << "v_up,v_low,branch,name_b,name_a,N_low,J_low,position_cm-1,hl_factor,transition_probability,"
           "emission_coefficient,absorption_coefficient,parity_up,parity_low";
    if (absolute) out << ",einstein_A_s-1,oscillator_strength";
    out << '\n';
    for (int b = 1; b <= 24; ++b) {
        const int inSet = b > 12 ? b - 12 : b;
        const database::BranchParity parity = database::BranchParityOf(db, entry, b);
        for (int N = 0; N <= L.Hi(2); ++N) {
            if (L(4, b, N) == 0.0f) continue;
            const double J = database::TwiceJ(N, database::BranchShapeOf(b).lowerF) / 2.0;
            out << vUp << ',' << vLow << ',' << b << ',' << db.cat.BranchName(0, inSet) << ','
                << db.cat.BranchName(1, inSet) << ',' << N << ',' << Trim(Str(J)) << ',' << CsvNumber(L(4, b, N))
                << ',' << CsvNumber(L(5, b, N)) << ',' << CsvNumber(L(3, b, N)) << ',' << CsvNumber(L(1, b, N))
                << ',' << CsvNumber(L(2, b, N)) << ',' << parity.upper << ',' << parity.lower;
            if (absolute)
                out << ',' << CsvNumber(table::LineEinsteinA(db, L(1, b, N))) << ','
                    << CsvNumber(table::LineOscillatorStrength(db, L(2, b, N), L(4, b, N)));
            out << '\n';
        }
    }
    return 0;
}

const bool registered = RegisterCommand(
    {"lines",
     "lines --entry N --band VUP,VLOW [--absolute] [--data DIR]  lists the lines of one band as CSV (positions in "
     "cm-1, e/f parities of both levels; --absolute: also the Einstein A in s-1 and the oscillator strength)",
     &RunLines});

}  // namespace

}  // namespace velmora::cli
