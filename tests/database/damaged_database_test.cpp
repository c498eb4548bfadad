// The shipped database with one file damaged as a disk, an editor or a careless copy damages
// it: every damage is refused with the file and the line, never loaded into a plausible but
// wrong spectrum. Each case changes one file of a copy of the database and pre-computes the
// system that reads it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "common/errors.h"
#include "database/catalogue.h"
#include "database/system_precompute.h"
#include "support/file_error.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace velmora::database {
namespace {

using Lines = std::vector<std::string>;

/// Lines back into the text of a file.
std::string Join(const Lines& lines) {
    std::string text;
    for (const std::string& l : lines) text += l + "\r\n";
    return text;
}

/// Line `n` (1-based) with its field `k` (0-based, blank-separated) replaced.
void SetField(Lines& lines, int n, int k, const std::string& value) {
    std::istringstream in(lines[static_cast<std::size_t>(n - 1)]);
    std::vector<std::string> fields;
    for (std::string f; in >> f;) fields.push_back(f);
    fields[static_cast<std::size_t>(k)] = value;
    std::string line;
    for (const std::string& f : fields) line += (line.empty() ? "" : " ") + f;
    lines[static_cast<std::size_t>(n - 1)] = line;
}

struct Damage {
    const char* what;
    int entry;         ///< the system pre-computed (1 OH A-X, 3 NO A-X)
    const char* file;  ///< below the database folder
    std::function<void(Lines&)> change;
    const char* message;  ///< "<file>, line <n>: ..." as the error names it
};

TEST(DamagedDatabase, EveryDamagedFileIsRefusedNamingItsFileAndLine) {
    testing::TempDir copy;
    testing::CopyDatabase(VELMORA_DATA_DIR, copy.path());
    auto erase = [](int n) { return [n](Lines& l) { l.erase(l.begin() + n - 1); }; };
    auto repeat = [](int n) {
        return [n](Lines& l) { l.insert(l.begin() + n - 1, l[static_cast<std::size_t>(n - 1)]); };
    };
    auto exchange = [](int n) {
        return [n](Lines& l) { std::swap(l[static_cast<std::size_t>(n - 1)], l[static_cast<std::size_t>(n)]); };
    };
    auto field = [](int n, int k, const char* v) { return [=](Lines& l) { SetField(l, n, k, v); }; };
    // OHAV0.DAT: a heading, then row N on line N + 2 (rows 0..34, the catalogue needs 0..32).
    // OHAX00.INT: row N'' on line N'' (rows 1..32). OHX.SPC: level v on line v + 2.
    const Damage damages[] = {
        {"a level row deleted", 1, "OH/OHAV0.DAT", erase(7), "OHAV0.DAT, line 7: row N = 6 where N = 5 is expected"},
        {"a level row repeated", 1, "OH/OHAV0.DAT", repeat(7), "OHAV0.DAT, line 8: row N = 5 where N = 6 is expected"},
        {"two level rows exchanged", 1, "OH/OHAV0.DAT", exchange(7), "OHAV0.DAT, line 7: row N = 6 where N = 5"},
        {"a row renumbered", 1, "OH/OHAV0.DAT", field(7, 0, "50"), "OHAV0.DAT, line 7: row N = 50 where N = 5"},
        {"a level file cut at a line end", 1, "OH/OHAV0.DAT", [](Lines& l) { l.resize(22); },
         "OHAV0.DAT, line 22: the file ends at row N = 20; the catalogue needs rows 0..32"},
        {"a value lost from a level row", 1, "OH/OHAV0.DAT", [](Lines& l) { l[4] = "3 0 0 0 0 0"; },
         "OHAV0.DAT, line 5: the record after row N = 2 holds 6 of its 7 values"},
        {"a lifetime that underflows", 1, "OH/OHAV0.DAT", field(2, 1, "1e-45"),
         "OHAV0.DAT, line 2: the radiative lifetime of component 1 at N = 0"},
        {"a lifetime of 1e30 ns", 1, "OH/OHAV0.DAT", field(3, 4, "1e30"),
         "OHAV0.DAT, line 3: the radiative lifetime of component 2 at N = 1 1E+30 ns lies outside 0.001..1"},
        {"a band row repeated", 1, "OH/AX/OHAX00.INT", repeat(5),
         "OHAX00.INT, line 33: more records than rows; the catalogue needs rows 1..32"},
        {"a band row deleted", 1, "OH/AX/OHAX00.INT", erase(5), "OHAX00.INT, line 31: the file ends after 31 records"},
        {"a value lost from a band row", 1, "OH/AX/OHAX00.INT", [](Lines& l) { l[9] = "1 2 3 4"; },
         "OHAX00.INT, line 10: the record of row N = 10 holds 4 of its 5 values"},
        {"a band strength of 2^31", 1, "OH/AX/OHAX00.INT", field(3, 2, "2147483648"),
         "OHAX00.INT, line 3: the transition probability 2.147484E+09 debye^2 lies outside 0..100 debye^2"},
        {"a vibrational level repeated", 1, "OH/OHX.SPC", repeat(5),
         "OHX.SPC, line 6: the term value of v = 4, 10216.15 cm-1, is not above that of v = 3, 10216.15 cm-1"},
        {"two vibrational levels exchanged", 1, "OH/OHX.SPC", exchange(5),
         "OHX.SPC, line 6: the term value of v = 4, 10216.15 cm-1, is not above that of v = 3, 13294.61 cm-1"},
        {"the format code changed", 1, "OH/OHX.SPC", field(1, 0, "2"),
         "OHX.SPC, line 2: the term origin holds more than its 1 values"},
        {"the upper v = 0 term value zero", 1, "OH/OHA.SPC", field(2, 0, "0"),
         "OHA.SPC, line 2: the term value of v = 0, 0 cm-1, puts the (0, 0) band at 19.66"},
        {"a per-system band repeated", 3, "NO/AX/NOAX.INT", repeat(4),
         "NOAX.INT, line 5: a second record for the band (0, 3) (the first is on line 4)"},
        {"a per-system band deleted", 3, "NO/AX/NOAX.INT", erase(4), "NOAX.INT: holds no record for the band (0, 3)"},
        {"a mass of 1e30 u", 1, "VELMORA.SYS", [](Lines& l) { l[3].replace(l[3].find("17.00273965"), 11, "1e30"); },
         "VELMORA.SYS, line 4: entry 1: the molecular mass 1E+30 u lies outside 1..500 u"},
        {"a reference lifetime of 1e-30 ns", 1, "VELMORA.SYS",
         [](Lines& l) { l[3].replace(l[3].find("674.5664353"), 11, "1e-30"); },
         "VELMORA.SYS, line 4: entry 1: the reference lifetime 1E-30 ns lies outside 0.001..1000000000000 ns"},
    };
    for (const Damage& d : damages) {
        const std::filesystem::path file = copy / d.file;
        const std::string good = testing::ReadFile(file);
        Lines lines = testing::CrLfLines(good);
        d.change(lines);
        copy.Write(d.file, Join(lines));
        DatabaseState db;
        SetAppPath(db, copy.path().string());
        testing::CountingShell shell;
        const std::string message = velmora::testing::FileErrorMessage([&] {
            LoadCatalogue(db);
            db.systemEntry = d.entry;
            SystemPrecompute(db, 0.0f, shell);
        });
        EXPECT_THAT(message, ::testing::HasSubstr(d.message)) << d.what;
        copy.Write(d.file, good);
    }

    // Quenching by a gas without the models of QUENCHING.DAT: an error, not a yield of 1.
    std::filesystem::remove(copy / "QUENCHING.DAT");
    DatabaseState db;
    SetAppPath(db, copy.path().string());
    LoadCatalogue(db);
    db.systemEntry = 3;
    db.quenching.source = 3;
    testing::CountingShell shell;
    EXPECT_THAT(velmora::testing::FileErrorMessage([&] { SystemPrecompute(db, 760.0f, shell); }),
                ::testing::HasSubstr("QUENCHING.DAT: file not found: quenching by a gas composition needs"));
    db.quenching.source = 0;
    SystemPrecompute(db, 760.0f, shell);  // without quenching the file is not needed
}

}  // namespace
}  // namespace velmora::database
