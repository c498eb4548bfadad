// velmora-cli export: the line list of a band system as ExoMol or HITRAN files.
#include <ostream>
#include <stdexcept>

#include "cli/database_options.h"
#include "common/errors.h"
#include "database/line_list_export.h"
#include "database/line_list_files.h"

namespace velmora::cli {

namespace {

int RunExport(const std::vector<std::string>& words, std::ostream& out, std::ostream&) {
    const Args args(words, {});
    RejectUnknownOptions(args, {"data", "entry", "format", "out"});
    const std::string format = args.Get("format");
    if (format != "exomol" && format != "hitran")
        throw std::invalid_argument("option --format: \"" + Excerpt(format) + "\" is not one of exomol, hitran");
    if (args.Get("out").empty()) throw std::invalid_argument("option --out PREFIX is required");
    DatabaseState db;
    OpenDatabase(args, db);
    const int entry = EntryOption(args, db);
    Shell quiet;
    const database::ExportedLineList list = database::CollectLineList(db, entry, quiet);
    const std::string prefix = args.Get("out");
    if (format == "exomol") {
        database::WriteExoMol(list, prefix);
        out << "wrote " << list.levels.size() << " states to " << prefix << ".states, " << list.lines.size()
            << " transitions to " << prefix << ".trans and " << prefix << ".def\n";
    } else {
        database::WriteHitran(list, prefix);
        out << "wrote " << list.lines.size() << " lines to " << prefix << ".par\n";
    }
    return 0;
}

const bool registered = RegisterCommand(
    {"export",
     "export --entry N --format exomol|hitran --out PREFIX [--data DIR]  writes the line list of a band system "
     "(ExoMol .states/.trans/.def or HITRAN .par)",
     &RunExport});

}  // namespace

}  // namespace velmora::cli
