// A one-entry database for the fuzz targets of the data-file readers: good files written from
// the sample-database helpers, one of them replaced by the fuzz input, then the whole system
// pre-computation, which must either refuse the data with a FileError or produce finite numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/errors.h"
#include "database/band_loader.h"
#include "database/catalogue.h"
#include "database/level_data.h"
#include "database/system_precompute.h"
#include "fuzz_files.h"
#include "support/sample_database.h"

namespace velmora::fuzz {

enum class FuzzedFile { UpperConstants, LowerConstants, Probabilities, LevelFile };

/// Every number a loaded band system holds is finite.
inline void CheckFinite(const DatabaseState& db) {
    Check(AllFinite(db.LineData) && AllFinite(db.UpperTerm) && AllFinite(db.LowerTerm));
    Check(AllFinite(db.BandData) && AllFinite(db.UpperLevelData) && AllFinite(db.MolConst));
    for (int k = 0; k < 3; ++k) Check(std::isfinite(db.LineUnitFactor[k]) && std::isfinite(db.BandUnitFactor[k]));
}

/// Pre-computes the system of entry 1 of the database in the fuzz folder; a refusal is a
/// FileError (or, for a band outside the entry, std::invalid_argument).
inline void Precompute(DatabaseState& db, float pressureTorr = 10.0f) {
    Shell shell;
    db.systemEntry = 1;
    try {
        database::SystemPrecompute(db, pressureTorr, shell);
    } catch (const FileError&) {
        return;
    }
    CheckFinite(db);
}

/// A one-entry database of a given shape, written once per process into its own folder: the
/// catalogue read, and the good text of every file kept to be put back after a fuzzed run.
struct ShapedDatabase {
    DatabaseState db;
    std::map<FuzzedFile, std::vector<std::pair<std::string, std::string>>> files;  ///< path, good text

    explicit ShapedDatabase(int shape) {
        testing::SampleEntry e;
        e.code = "XY", e.nmaxVibUp = 1, e.nmaxVibLow = 0, e.rotRows = {8, 7}, e.levelFiles = 1;
        e.lambdaUp = shape % 3;
        e.lambdaLow = (shape / 3) % 2;
        e.layout = 1 + (shape / 6) % 2;
        e.recordKind = 1 + (shape / 12) % 2;
        const std::string root = Folder() + "/" + std::to_string(shape) + "/";
        WriteFile(root + "VELMORA.SYS", testing::CatalogueText({e}, 1, 1, 12));
        database::SetAppPath(db, root);
        database::LoadCatalogue(db);
        db.quenching.source = (shape / 24) % 3;
        db.quenching.rate = 0.5;

        const int convention = (shape / 72) % 3;
        const double aUp = e.lambdaUp ? 5.0 : 0.0, aLow = e.lambdaLow ? -100.0 : 0.0;
        Add(FuzzedFile::UpperConstants, database::ConstantsFileName(db, 1, 1),
            testing::SpcFormat1(convention, {testing::Level(30000, 1.7, aUp), testing::Level(32000, 1.68, aUp)}));
        Add(FuzzedFile::LowerConstants, database::ConstantsFileName(db, 1, 2),
            testing::SpcFormat1(convention, {testing::Level(0, 1.9, aLow)}));
        for (int vUp = 0; vUp <= 1; ++vUp)
            for (int vLow = 0; vLow <= e.nmaxVibLow; ++vLow) {
                std::vector<std::vector<double>> records;
                if (e.layout == 2) {
                    for (int a = 0; a <= 1; ++a)
                        for (int b = 0; b <= 1; ++b) records.push_back({double(a), double(b), 0.1 + 0.2 * (a + b)});
                } else {
                    for (int N = e.lambdaLow; N <= e.rotRows[static_cast<std::size_t>(vUp)]; ++N)
                        records.push_back(std::vector<double>(e.recordKind == 1 ? 5 : 3, 0.25 + 0.01 * N));
                }
                Add(FuzzedFile::Probabilities, database::ProbabilityFileName(db, 1, vUp, vLow),
                    testing::RecordsText(records));
            }
        const int components = e.lambdaUp == 0 ? 2 : 4;
        for (int vUp = 0; vUp <= 1; ++vUp) {
            std::vector<std::vector<double>> rows;
            for (int N = 0; N <= 12; ++N) {
                std::vector<double> r{double(N)};
                for (int k = 0; k < components; ++k) r.insert(r.end(), {0.0, N > 6 ? 1e7 : 0.0, 0.01});
                rows.push_back(r);
            }
            Add(FuzzedFile::LevelFile, database::LevelFileName(db, 1, vUp),
                "N, tau, kpre, kq\r\n" + testing::RecordsText(rows));
        }
    }

    void Add(FuzzedFile which, const std::string& path, const std::string& text) {
        WriteFile(path, text);
        files[which].emplace_back(path, text);
    }
};

/// The input's first byte chooses the shape of the system (Λ of both states, layout and record
/// kind of the probabilities, quenching source, 2Π convention); the rest replaces one kind of
/// file for the run, after which the good files are put back.
inline int RunOneEntry(const std::uint8_t* data, std::size_t size, FuzzedFile fuzzed) {
    if (size == 0) return 0;
    static std::map<int, ShapedDatabase> shapes;
    const int shape = data[0] % 216;
    const ShapedDatabase& base = shapes.try_emplace(shape, shape).first->second;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const auto& replaced = base.files.at(fuzzed);
    for (const auto& [path, good] : replaced) WriteFile(path, bytes);
    DatabaseState db = base.db;
    Precompute(db);
    for (const auto& [path, good] : replaced) WriteFile(path, good);
    return 0;
}

}  // namespace velmora::fuzz
