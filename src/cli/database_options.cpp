#include "cli/database_options.h"

#include <charconv>
#include <stdexcept>

#include "common/errors.h"
#include "common/number_format.h"
#include "database/catalogue.h"
#include "database/multiplet_catalogue.h"
#include "simulation/multiplet_simulation.h"

namespace velmora::cli {

void OpenDatabase(const Args& args, DatabaseState& db) {
    database::SetAppPath(db, DataFolder(args));
    database::LoadCatalogue(db);
}

int EntryOption(const Args& args, const DatabaseState& db) {
    if (args.Has("line-list") && !args.Has("entry"))
        throw std::invalid_argument("option --line-list: this command works on catalogue entries only; give --entry N");
    if (!args.Has("entry")) throw std::invalid_argument("option --entry N is required");
    const int entry = args.Integer("entry", 0);
    if (entry > db.cat.CatalogueCount) {
        const auto multiplets = database::MultipletEntriesOf(db.AppPath);
        if (const int k = database::MultipletIndex(db.cat, multiplets, entry); k >= 0)
            throw std::invalid_argument(
                "entry " + std::to_string(entry) + " (" + multiplets[static_cast<std::size_t>(k)].name + " " +
                multiplets[static_cast<std::size_t>(k)].SystemLabel() +
                ") is a band system of any multiplicity: this command takes entries 1.." +
                std::to_string(db.cat.CatalogueCount) + " (simulate, compare, lines and lifetimes take every entry)");
    }
    database::CheckEntry(db.cat, entry);
    return entry;
}

int MultipletEntryOption(const Args& args, const DatabaseState& db) {
    if (!args.Has("entry") || args.Has("line-list")) return -1;
    const int entry = args.Integer("entry", 0);
    if (entry <= db.cat.CatalogueCount) return -1;
    return database::MultipletIndex(db.cat, database::MultipletEntriesOf(db.AppPath), entry);
}

std::pair<int, int> BandOption(const Args& args) {
    if (!args.Has("band")) throw std::invalid_argument("option --band VUP,VLOW is required");
    const std::string text = args.Get("band");
    const auto comma = text.find(',');
    const std::string up = comma == std::string::npos ? "" : text.substr(0, comma);
    const std::string low = comma == std::string::npos ? "" : text.substr(comma + 1);
    if (!IsNumeric(up) || !IsNumeric(low) || Val(up) != static_cast<int>(Val(up)) ||
        Val(low) != static_cast<int>(Val(low)))
        throw std::invalid_argument("option --band: \"" + Excerpt(text) + "\" is not two whole numbers VUP,VLOW");
    return {static_cast<int>(Val(up)), static_cast<int>(Val(low))};
}

std::string MultipletLineLabel(const simulation::MultipletBandSystem& system, int vUp, int vLow, int branch, int N) {
    return "(" + std::to_string(vUp) + "-" + std::to_string(vLow) + ") " +
           simulation::MultipletBranchName(system, branch) + "(" + std::to_string(N) + ")";
}

std::string LineLabel(const Catalogue& cat, int vUp, int vLow, int branch, int N) {
    const std::string name =
        cat.BranchName.Contains(0, branch) ? Trim(cat.BranchName(0, branch)) : "b" + std::to_string(branch);
    return "(" + std::to_string(vUp) + "-" + std::to_string(vLow) + ") " + name + "(" + std::to_string(N) + ")";
}

std::string CsvNumber(float value) {
    // The shortest text that reads back as the same single-precision number: every digit the
    // database holds (32440.578), none it does not.
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

}  // namespace velmora::cli
