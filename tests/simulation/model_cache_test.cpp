// The model cache: a system read from its file is the system computed afresh, bit for bit, and
// a file that is stale (changed data, another program version), truncated or damaged is never
// read but replaced; two processes building the same file at once both get the fresh system.
#include "simulation/model_cache.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "database/catalogue.h"
#include "support/temp_dir.h"

namespace velmora::simulation {
namespace {

namespace fs = std::filesystem;

/// A copy of the shipped database in a temporary folder and a cache folder beside it.
struct CacheFolders {
    testing::TempDir dir;
    fs::path data = dir / "data";
    ModelCacheSettings settings;

    CacheFolders() {
        testing::CopyDatabase(VELMORA_DATA_DIR, data);
        settings.folders = {(dir / "cache").string()};
    }

    /// The OH A-X system of the copy, pre-computed through the cache of `s`.
    std::pair<DatabaseState, std::shared_ptr<const BandSystemModel>> Load(const ModelCacheSettings& s,
                                                                          ModelSource* source = nullptr,
                                                                          int entry = 1) const {
        DatabaseState db;
        database::SetAppPath(db, data.string());
        database::LoadCatalogue(db);
        db.systemEntry = entry;
        Shell quiet;
        auto model = PrecomputeSystem(db, 760.0f, quiet, s, source);
        return {std::move(db), std::move(model)};
    }
    std::pair<DatabaseState, std::shared_ptr<const BandSystemModel>> Fresh(int entry = 1) const {
        ModelCacheSettings off;
        off.enabled = false;
        return Load(off, nullptr, entry);
    }
    fs::path File() const { return fs::path(settings.folders.front()) / "OH-entry1.model"; }
};

template <typename T, int R>
bool Same(const BoundedArray<T, R>& a, const BoundedArray<T, R>& b) {
    for (int d = 0; d < R; ++d)
        if (a.Lo(d) != b.Lo(d) || a.Hi(d) != b.Hi(d)) return false;
    return a.Size() == 0 || std::memcmp(a.Data(), b.Data(), a.Size() * sizeof(T)) == 0;
}

/// Every line, band, level value and pre-computed database field the same, bit for bit.
void ExpectSameSystem(const std::pair<DatabaseState, std::shared_ptr<const BandSystemModel>>& a,
                      const std::pair<DatabaseState, std::shared_ptr<const BandSystemModel>>& b) {
    const BandSystemModel &m = *a.second, &n = *b.second;
    ASSERT_EQ(m.bands.Hi(0), n.bands.Hi(0));
    ASSERT_EQ(m.bands.Hi(1), n.bands.Hi(1));
    EXPECT_EQ(m.LineCount(), n.LineCount());
    for (int vUp = 0; vUp <= m.vUpMax; ++vUp)
        for (int vLow = 0; vLow <= m.vLowMax; ++vLow) {
            const ModelBand &x = m.bands(vUp, vLow), &y = n.bands(vUp, vLow);
            EXPECT_EQ(x.origin, y.origin);
            EXPECT_EQ(x.emission, y.emission);
            ASSERT_EQ(x.lines.size(), y.lines.size());
            EXPECT_TRUE(x.lines.empty() ||
                        std::memcmp(x.lines.data(), y.lines.data(), x.lines.size() * sizeof(ModelLine)) == 0)
                << vUp << "," << vLow;
        }
    EXPECT_TRUE(Same(m.lifetime, n.lifetime) && Same(m.effectiveLifetime, n.effectiveLifetime) &&
                Same(m.quenchRate, n.quenchRate) && Same(m.baseYield, n.baseYield) &&
                Same(m.computedLifetime, n.computedLifetime) && Same(m.lastUpperRow, n.lastUpperRow));
    EXPECT_EQ(m.einsteinAFactor, n.einsteinAFactor);
    EXPECT_EQ(m.molecularMass, n.molecularMass);
    EXPECT_EQ(m.quenching.partners.size(), n.quenching.partners.size());
    const DatabaseState &d = a.first, &e = b.first;
    EXPECT_TRUE(Same(d.BandData, e.BandData) && Same(d.BandSpan, e.BandSpan) &&
                Same(d.UpperLevelData, e.UpperLevelData) && Same(d.LineData, e.LineData) &&
                Same(d.LevelYield, e.LevelYield) && Same(d.UpperTerm, e.UpperTerm) && Same(d.MolConst, e.MolConst));
    EXPECT_EQ(d.LineUnitFactor, e.LineUnitFactor);
    EXPECT_EQ(d.BandUnitFactor, e.BandUnitFactor);
    EXPECT_EQ(d.RotRows, e.RotRows);
    EXPECT_EQ(d.LoadedVUpper, e.LoadedVUpper);
    EXPECT_TRUE(d.SystemLoaded && e.SystemLoaded);
    EXPECT_EQ(m.systemStamp, d.SystemStamp);
}

void Rewrite(const fs::path& file, const std::function<void(std::string&)>& change) {
    std::string bytes = testing::ReadFile(file);
    change(bytes);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

TEST(ModelCache, ASystemReadBackIsTheFreshOneAndAStaleOrDamagedFileIsRebuilt) {
    CacheFolders f;
    ModelSource source{};
    const auto built = f.Load(f.settings, &source);
    EXPECT_EQ(source, ModelSource::Computed);
    ASSERT_TRUE(fs::exists(f.File()));
    const auto fresh = f.Fresh();
    ExpectSameSystem(built, fresh);
    ExpectSameSystem(f.Load(f.settings, &source), fresh);
    EXPECT_EQ(source, ModelSource::Cache);

    ModelCacheSettings older = f.settings;
    older.programVersion = "0.9.0";
    const std::size_t size = fs::file_size(f.File());
    struct Case {
        std::string what;
        std::function<void()> spoil;
    };
    std::vector<Case> cases = {
        {"truncated", [&] { fs::resize_file(f.File(), size / 2); }},
        {"header only", [&] { fs::resize_file(f.File(), 40); }},
        {"empty", [&] { fs::resize_file(f.File(), 0); }},
        {"a byte of the key flipped", [&] { Rewrite(f.File(), [](std::string& b) { b[17] ^= 0x01; }); }},
        {"a byte appended", [&] { Rewrite(f.File(), [](std::string& b) { b += '\0'; }); }},
        {"another format", [&] { Rewrite(f.File(), [](std::string& b) { b[8] ^= 0x02; }); }},
        {"another program version", [&] { f.Load(older); }},
    };
    // A flipped byte of the payload anywhere: the first, one in each of four consecutive words (the
    // checksum's interleaved lanes) and the last, in the short tail.
    for (const std::size_t at : {std::size_t{40}, size / 2, size / 2 + 8, size / 2 + 16, size / 2 + 24, size - 1})
        cases.push_back({"byte " + std::to_string(at) + " of the file flipped",
                         [&f, at] { Rewrite(f.File(), [at](std::string& b) { b[at] ^= 0x10; }); }});
    for (const Case& c : cases) {
        c.spoil();
        ExpectSameSystem(f.Load(f.settings, &source), fresh);
        EXPECT_EQ(source, ModelSource::Computed) << c.what;
        EXPECT_EQ(fs::file_size(f.File()), size) << c.what << ": the file is written anew";
        f.Load(f.settings, &source);
        EXPECT_EQ(source, ModelSource::Cache) << c.what;
    }

    // A named pipe in the file's place is not waited on: the system is computed.
    fs::remove(f.File());
    ASSERT_EQ(::mkfifo(f.File().c_str(), 0600), 0);
    ExpectSameSystem(f.Load(f.settings, &source), fresh);
    EXPECT_EQ(source, ModelSource::Computed);
    fs::remove(f.File());
    f.Load(f.settings, &source);

    // A changed data file (a predissociation rate of v' = 0) gives its own system, not the stored one.
    Rewrite(f.data / "OH" / "OHAV0.DAT", [](std::string& b) {
        const std::size_t at = b.find("\n1 0 0 0");
        ASSERT_NE(at, std::string::npos);
        b.replace(at, 8, "\n1 0 1E9 0");
    });
    const auto changed = f.Load(f.settings, &source);
    EXPECT_EQ(source, ModelSource::Computed);
    ExpectSameSystem(changed, f.Fresh());
    EXPECT_NE(changed.second->effectiveLifetime(0, 1, 1), fresh.second->effectiveLifetime(0, 1, 1));
}

TEST(ModelCache, EveryCatalogueSystemReadBackIsTheFreshOne) {
    // Some systems hold bands without lines in the range of their data (empty vectors in the file).
    CacheFolders f;
    const int entries = f.Fresh().first.cat.CatalogueCount;
    for (int entry = 1; entry <= entries; ++entry) {
        SCOPED_TRACE("entry " + std::to_string(entry));
        ModelSource source{};
        f.Load(f.settings, &source, entry);
        EXPECT_EQ(source, ModelSource::Computed);
        const auto read = f.Load(f.settings, &source, entry);
        EXPECT_EQ(source, ModelSource::Cache);
        ExpectSameSystem(read, f.Fresh(entry));
    }
}

TEST(ModelCache, TwoProcessesBuildingAtOnceBothGetTheFreshSystemAndLeaveOneSoundFile) {
    CacheFolders f;
    const auto fresh = f.Fresh();
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    pid_t children[2];
    for (pid_t& child : children) {
        child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            char c;
            if (read(go[0], &c, 1) != 1) _exit(3);
            ModelSource source{};
            const auto built = f.Load(f.settings, &source);
            // Exit 0 only for the fresh system (the parent cannot see a child's expectations).
            const bool same = built.second->LineCount() == fresh.second->LineCount() &&
                              Same(built.second->effectiveLifetime, fresh.second->effectiveLifetime) &&
                              Same(built.first.BandData, fresh.first.BandData);
            _exit(same ? 0 : 1);
        }
    }
    ASSERT_EQ(write(go[1], "gg", 2), 2);  // both start together
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    close(go[0]), close(go[1]);
    ModelSource source{};
    ExpectSameSystem(f.Load(f.settings, &source), fresh);
    EXPECT_EQ(source, ModelSource::Cache);
    for (const auto& entry : fs::directory_iterator(f.File().parent_path()))
        EXPECT_EQ(entry.path().filename(), "OH-entry1.model") << "a temporary file is left";
}

TEST(ModelCache, TheEnvironmentTurnsItOffOrNamesItsFolder) {
    struct Case {
        const char* value;
        bool enabled;
        std::vector<std::string> folders;
    };
    for (const Case& c : {Case{"off", false, {}}, Case{"0", false, {}}, Case{"/tmp/models", true, {"/tmp/models"}},
                          Case{"", true, {}}}) {
        setenv("VELMORA_MODEL_CACHE", c.value, 1);
        const ModelCacheSettings s = ModelCacheFromEnvironment();
        EXPECT_EQ(s.enabled, c.enabled) << c.value;
        EXPECT_EQ(s.folders, c.folders) << c.value;
    }
    unsetenv("VELMORA_MODEL_CACHE");
}

}  // namespace
}  // namespace velmora::simulation
