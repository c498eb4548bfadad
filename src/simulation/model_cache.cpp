#include "simulation/model_cache.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <tuple>
#include <type_traits>
#include <utility>

#include "common/file_kind.h"
#include "common/text_writer.h"
#include "database/catalogue.h"
#include "database/system_precompute.h"

#ifndef VELMORA_VERSION
#define VELMORA_VERSION "unversioned"
#endif

namespace velmora::simulation {

namespace {

namespace fs = std::filesystem;

constexpr char kMagic[8] = {'V', 'E', 'L', 'M', 'O', 'D', 'E', 'L'};
constexpr std::uint32_t kByteOrder = 0x01020304;
constexpr std::size_t kHeaderSize = 8 + 4 + 4 + 8 + 8 + 8;

/// A 64-bit hash of bytes: FNV-1a steps over 8-byte words in four interleaved lanes (so that the
/// lanes' multiplies overlap), the lanes folded into one, then the tail. A change anywhere in a
/// data file changes it; it guards against stale and damaged files, not against forgery.
class Hash {
public:
    void Add(const void* data, std::size_t n) {
        const auto* p = static_cast<const unsigned char*>(data);
        std::uint64_t lane[4] = {h_, h_ ^ 0x9e3779b97f4a7c15ULL, h_ ^ 0xbf58476d1ce4e5b9ULL,
                                 h_ ^ 0x94d049bb133111ebULL};
        std::size_t i = 0;
        for (; i + 32 <= n; i += 32)
            for (int k = 0; k < 4; ++k) {
                std::uint64_t w;
                std::memcpy(&w, p + i + 8 * k, 8);
                lane[k] = Mixed(lane[k], w);
            }
        if (i > 0) h_ = Mixed(Mixed(Mixed(Mixed(h_, lane[0]), lane[1]), lane[2]), lane[3]);
        for (; i + 8 <= n; i += 8) {
            std::uint64_t w;
            std::memcpy(&w, p + i, 8);
            h_ = Mixed(h_, w);
        }
        std::uint64_t tail = n;
        for (; i < n; ++i) tail = (tail << 8) | p[i];
        h_ = Mixed(h_, tail);
    }
    void Add(const std::string& s) { Add(s.data(), s.size()); }
    template <typename T>
    void AddValue(const T& v) {
        static_assert(std::is_trivially_copyable_v<T>);
        Add(&v, sizeof v);
    }
    std::uint64_t Value() const { return h_; }

private:
    static std::uint64_t Mixed(std::uint64_t h, std::uint64_t w) {
        h = (h ^ w) * 0x100000001b3ULL;
        return h ^ (h >> 29);
    }
    std::uint64_t h_ = 0xcbf29ce484222325ULL;
};

/// The payload as it is written: fields appended as their bytes.
class Writer {
public:
    template <typename T>
    void Value(const T& v) {
        static_assert(std::is_trivially_copyable_v<T>);
        bytes_.append(reinterpret_cast<const char*>(&v), sizeof v);
    }
    template <typename T>
    void Into(const T& v) {
        Value(v);
    }
    void Into(const std::string& s) { Text(s); }
    void Text(const std::string& s) {
        Value<std::uint64_t>(s.size());
        bytes_ += s;
    }
    template <typename T>
    void Vector(const std::vector<T>& v) {
        static_assert(std::is_trivially_copyable_v<T>);
        Value<std::uint64_t>(v.size());
        bytes_.append(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(T));
    }
    template <typename T, int R>
    void Array(const BoundedArray<T, R>& a) {
        static_assert(std::is_trivially_copyable_v<T>);
        for (int d = 0; d < R; ++d) Value<std::int32_t>(a.Lo(d)), Value<std::int32_t>(a.Hi(d));
        bytes_.append(reinterpret_cast<const char*>(a.Data()), a.Size() * sizeof(T));
    }
    std::string& Bytes() { return bytes_; }

private:
    std::string bytes_;
};

/// Reads the payload back; any field beyond its end or of an impossible size throws.
class Reader {
public:
    Reader(const char* data, std::size_t size) : p_(data), end_(data + size) {}
    template <typename T>
    T Value() {
        static_assert(std::is_trivially_copyable_v<T>);
        T v;
        std::memcpy(&v, Take(sizeof v), sizeof v);
        return v;
    }
    template <typename T>
    void Into(T& v) {
        v = Value<T>();
    }
    void Into(std::string& s) { s = Text(); }
    std::string Text() {
        const std::uint64_t n = Value<std::uint64_t>();
        return std::string(Take(n), n);
    }
    template <typename T>
    void Vector(std::vector<T>& v) {
        const std::uint64_t n = Value<std::uint64_t>();
        if (n > Left() / sizeof(T)) throw std::runtime_error("truncated");
        v.resize(n);
        const auto* from = Take(n * sizeof(T));
        if (n > 0) std::memcpy(v.data(), from, n * sizeof(T));  // an empty vector's data() may be null
    }
    template <typename T, int R>
    void Array(BoundedArray<T, R>& a) {
        std::array<int, 2 * R> b{};
        std::uint64_t total = 1;
        for (int d = 0; d < R; ++d) {
            b[2 * d] = Value<std::int32_t>(), b[2 * d + 1] = Value<std::int32_t>();
            if (b[2 * d + 1] < b[2 * d] - 1 || b[2 * d + 1] - b[2 * d] > 1'000'000) throw std::runtime_error("bounds");
            total *= static_cast<std::uint64_t>(b[2 * d + 1] - b[2 * d] + 1);
        }
        if (total > Left() / sizeof(T)) throw std::runtime_error("truncated");
        std::apply([&](auto... bound) { a.Resize(bound...); }, b);
        const auto* from = Take(total * sizeof(T));
        if (total > 0) std::memcpy(a.Data(), from, total * sizeof(T));
    }
    bool AtEnd() const { return p_ == end_; }

private:
    std::size_t Left() const { return static_cast<std::size_t>(end_ - p_); }
    const char* Take(std::uint64_t n) {
        if (n > Left()) throw std::runtime_error("truncated");
        const char* at = p_;
        p_ += n;
        return at;
    }
    const char* p_;
    const char* end_;
};

void Write(Writer& w, const database::StateQuenching& q) {
    w.Text(q.molecule), w.Text(q.state);
    w.Value<std::uint64_t>(q.partners.size());
    for (const database::PartnerQuenching& p : q.partners) {
        w.Text(p.partner);
        w.Value(p.form), w.Value(p.c), w.Value(p.lowestT), w.Value(p.highestT);
    }
}

void Read(Reader& r, database::StateQuenching& q) {
    q.molecule = r.Text(), q.state = r.Text();
    const std::uint64_t n = r.Value<std::uint64_t>();
    if (n > 1000) throw std::runtime_error("partners");
    q.partners.resize(n);
    for (database::PartnerQuenching& p : q.partners) {
        p.partner = r.Text();
        r.Into(p.form), r.Into(p.c), r.Into(p.lowestT), r.Into(p.highestT);
    }
}

// What the pre-computation leaves in the database state. The catalogue, the folder, the entry
// and the quenching asked for are inputs; the stamp is counted anew.
template <typename Io, typename Db>
void DatabaseFields(Io& io, Db& db) {
    io.Array(db.MolConst), io.Array(db.SpcConvention);
    io.Array(db.LowerTerm), io.Array(db.UpperTerm), io.Array(db.LineData);
    io.Array(db.LevelYield), io.Array(db.LevelLifetime), io.Array(db.LevelEffLifetime), io.Array(db.LevelQuenchRate);
    io.Array(db.BandData), io.Array(db.BandSpan), io.Array(db.UpperLevelData);
    io.Into(db.ConstantsEntry), io.Into(db.LevelConst), io.Into(db.RotRows), io.Into(db.EnergyZero);
    io.Into(db.LoadedVUpper), io.Into(db.LoadedVLower), io.Into(db.LoadedEntry);
    io.Into(db.EmissionLineScale), io.Into(db.AbsorptionLineScale), io.Into(db.UpperComponents);
    io.Into(db.LineUnitFactor), io.Into(db.BandUnitFactor);
}

void WriteDatabase(Writer& w, const DatabaseState& db) {
    DatabaseFields(w, db);
    Write(w, db.UpperQuenching);
}

void ReadDatabase(Reader& r, DatabaseState& db) {
    DatabaseFields(r, db);
    Read(r, db.UpperQuenching);
    db.SystemLoaded = true;
}

// The model's own values (its folder and stamp belong to the process that reads it). A field
// added to BandSystemModel must be added here, with kModelCacheFormat raised: a field left out
// reads back as its default from every cache file.
template <typename Io, typename Model>
void ModelFields(Io& io, Model& m) {
    io.Into(m.entry), io.Into(m.molecularMass), io.Into(m.lineUnitFactor), io.Into(m.vUpMax), io.Into(m.vLowMax);
    io.Into(m.upperLambda), io.Into(m.upperComponents), io.Into(m.branches), io.Into(m.levelFiles);
    io.Into(m.bandsByLines);
    io.Into(m.emissionBranches), io.Into(m.lowerBranches), io.Into(m.einsteinAFactor);
    io.Array(m.lastUpperRow);
    io.Array(m.lifetime), io.Array(m.effectiveLifetime), io.Array(m.quenchRate), io.Array(m.baseYield);
    io.Array(m.computedLifetime);
    io.Into(m.noAbsoluteScale);
}

void WriteModel(Writer& w, const BandSystemModel& m) {
    ModelFields(w, m);
    Write(w, m.quenching);
    for (int d = 0; d < 2; ++d) w.Value<std::int32_t>(m.bands.Lo(d)), w.Value<std::int32_t>(m.bands.Hi(d));
    for (const ModelBand& band : m.bands) {
        w.Value(band.origin), w.Value(band.emission);
        w.Vector(band.lines);
    }
}

void ReadModel(Reader& r, BandSystemModel& m) {
    ModelFields(r, m);
    Read(r, m.quenching);
    std::array<int, 4> b{};
    for (int& v : b) v = r.Value<std::int32_t>();
    if (b[0] != 0 || b[2] != 0 || b[1] != m.vUpMax || b[3] != m.vLowMax || b[1] > 1000 || b[3] > 1000)
        throw std::runtime_error("bands");
    m.bands.Resize(b[0], b[1], b[2], b[3]);
    for (ModelBand& band : m.bands) {
        r.Into(band.origin), r.Into(band.emission);
        r.Vector(band.lines);
    }
}

/// The files a system is read from: every file at the top of the database folder and every file
/// below its molecule's folder, as paths relative to the database folder, in byte order.
std::vector<std::string> SystemFiles(const DatabaseState& db) {
    std::vector<std::string> files;
    std::error_code ec;
    const fs::path top(db.AppPath);
    // The entries' paths are the folder's own path, a separator and the rest.
    auto relative = [&](const fs::path& p) {
        const std::string& s = p.native();
        const std::string& base = top.native();
        if (s.compare(0, base.size(), base) != 0) return p.lexically_relative(top).string();
        const std::size_t from = s.find_first_not_of('/', base.size());
        return from == std::string::npos ? std::string() : s.substr(from);
    };
    for (fs::directory_iterator it(top, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec)) files.push_back(relative(it->path()));
    const fs::path molecule = top / db.cat.MoleculeCode(db.systemEntry);
    for (fs::recursive_directory_iterator it(molecule, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec)) files.push_back(relative(it->path()));
    std::sort(files.begin(), files.end());
    return files;
}

/// A regular file at `path` opened without blocking, its size in `size`; -1 when there is none.
int OpenRegular(const fs::path& path, std::size_t& size) {
    struct stat st {};
    int openError = 0;
    const int fd = OpenRegularFile(path, st, openError);
    size = fd < 0 ? 0 : static_cast<std::size_t>(st.st_size);
    return fd;
}

/// The `size` bytes of an open file into `bytes`, fewer when it ends sooner or fails.
void ReadOpen(int fd, std::size_t size, std::vector<char>& bytes) {
    bytes.resize(size);
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
}

/// The bytes of a regular file into `bytes` (a buffer kept from file to file), read in one go;
/// empty when it cannot be read.
void ReadFile(const fs::path& path, std::vector<char>& bytes) {
    bytes.clear();
    std::size_t size = 0;
    const int fd = OpenRegular(path, size);
    if (fd < 0) return;
    ReadOpen(fd, size, bytes);
    ::close(fd);
}

/// A cache file mapped into memory for reading (no copy of its bytes), or read into memory where
/// the file system cannot map it; empty when it cannot be read. Cache files are replaced by
/// renaming, never rewritten in place, so a mapped file keeps its bytes while another process
/// writes the next one.
class MappedFile {
public:
    explicit MappedFile(const fs::path& path) {
        std::size_t size = 0;
        const int fd = OpenRegular(path, size);
        if (fd < 0 || size == 0) {
            if (fd >= 0) ::close(fd);
            return;
        }
        void* at = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (at != MAP_FAILED)
            mapped_ = static_cast<const char*>(at), size_ = size;
        else
            ReadOpen(fd, size, read_);
        ::close(fd);
    }
    ~MappedFile() {
        if (mapped_) ::munmap(const_cast<char*>(mapped_), size_);
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    const char* Data() const { return mapped_ ? mapped_ : read_.data(); }
    std::size_t Size() const { return mapped_ ? size_ : read_.size(); }

private:
    const char* mapped_ = nullptr;
    std::size_t size_ = 0;
    std::vector<char> read_;  ///< the bytes, where the file could not be mapped
};

std::uint64_t Key(const DatabaseState& db, float pressureTorr, const std::string& version) {
    Hash h;
    h.Add(version);
    h.AddValue(kModelCacheFormat);
    h.AddValue(db.systemEntry);
    h.AddValue(pressureTorr);
    const database::LevelQuenching& q = db.quenching;
    h.AddValue(q.source), h.AddValue(q.rate), h.AddValue(q.temperature);
    for (const auto& [partner, fraction] : q.composition.partners) h.Add(partner), h.AddValue(fraction);
    std::vector<char> bytes;  // one buffer for every file
    for (const std::string& file : SystemFiles(db)) {
        h.Add(file);
        ReadFile(fs::path(db.AppPath) / file, bytes);
        h.Add(bytes.data(), bytes.size());
    }
    return h.Value();
}

std::uint64_t Checksum(const char* data, std::size_t n) {
    Hash h;
    h.Add(data, n);
    return h.Value();
}

std::vector<std::string> Folders(const DatabaseState& db, const ModelCacheSettings& settings) {
    if (!settings.folders.empty()) return settings.folders;
    std::vector<std::string> folders = {(fs::path(db.AppPath) / "cache").string()};
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    fs::path user = xdg && *xdg ? fs::path(xdg) : home && *home ? fs::path(home) / ".cache" : fs::path();
    if (!user.empty()) {
        // One folder per database folder, named by a hash of its path.
        Hash h;
        h.Add(fs::absolute(db.AppPath).lexically_normal().string());
        char name[32];
        std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(h.Value()));
        folders.push_back((user / "velmora" / "models" / name).string());
    }
    return folders;
}

std::string FileName(const DatabaseState& db) {
    return db.cat.MoleculeCode(db.systemEntry) + "-entry" + std::to_string(db.systemEntry) + ".model";
}

/// Reads the system of a cache file into db and m; false when the file is missing, damaged or
/// holds another key (db and m are then of no use).
bool ReadCache(const fs::path& file, std::uint64_t key, DatabaseState& db, BandSystemModel& m) {
    const MappedFile bytes(file);
    if (bytes.Size() < kHeaderSize || std::memcmp(bytes.Data(), kMagic, 8) != 0) return false;
    Reader header(bytes.Data() + 8, kHeaderSize - 8);
    if (header.Value<std::uint32_t>() != kModelCacheFormat || header.Value<std::uint32_t>() != kByteOrder ||
        header.Value<std::uint64_t>() != key)
        return false;
    const std::uint64_t length = header.Value<std::uint64_t>(), checksum = header.Value<std::uint64_t>();
    if (length != bytes.Size() - kHeaderSize || Checksum(bytes.Data() + kHeaderSize, length) != checksum) return false;
    try {
        Reader r(bytes.Data() + kHeaderSize, length);
        ReadDatabase(r, db);
        ReadModel(r, m);
        return r.AtEnd() && m.entry == db.systemEntry;
    } catch (const std::exception&) {
        return false;
    }
}

/// Writes a cache file: to a temporary file renamed over the target once complete.
void WriteCache(const fs::path& file, std::uint64_t key, const DatabaseState& db, const BandSystemModel& m) {
    Writer payload;
    WriteDatabase(payload, db);
    WriteModel(payload, m);
    Writer out;
    out.Bytes().append(kMagic, 8);
    out.Value(kModelCacheFormat), out.Value(kByteOrder), out.Value(key);
    out.Value<std::uint64_t>(payload.Bytes().size());
    out.Value(Checksum(payload.Bytes().data(), payload.Bytes().size()));
    out.Bytes() += payload.Bytes();
    fs::create_directories(file.parent_path());
    AtomicTextWriter writer(file);
    writer.Write(out.Bytes());
    writer.Commit();
}

// The version number does not change between builds, but a rebuilt program may build another model
// from the same data. So the default version also names this build: the size and modification
// time of the binary (program or Python module) that holds this code. One stat per process.
std::string ThisBuild() {
    Dl_info info{};
    struct stat st {};
    if (dladdr(reinterpret_cast<void*>(&ThisBuild), &info) == 0 || !info.dli_fname || stat(info.dli_fname, &st) != 0)
        return VELMORA_VERSION;
    return std::string(VELMORA_VERSION) + "+" + std::to_string(st.st_size) + "." + std::to_string(st.st_mtim.tv_sec) +
           "." + std::to_string(st.st_mtim.tv_nsec);
}

}  // namespace

ModelCacheSettings ModelCacheFromEnvironment() {
    ModelCacheSettings s;
    const char* v = std::getenv("VELMORA_MODEL_CACHE");
    if (!v || !*v) return s;
    const std::string value = v;
    if (value == "off" || value == "0")
        s.enabled = false;
    else
        s.folders = {value};
    return s;
}

std::string ModelCacheFile(const DatabaseState& db, const ModelCacheSettings& settings) {
    return (fs::path(Folders(db, settings).front()) / FileName(db)).string();
}

std::shared_ptr<const BandSystemModel> PrecomputeSystem(DatabaseState& db, float pressureTorr, Shell& shell,
                                                        const ModelCacheSettings& settings, ModelSource* source) {
    if (source) *source = ModelSource::Computed;
    auto build = [&] {
        DatabaseState work = db;
        database::SystemPrecompute(work, pressureTorr, shell);
        auto model = std::make_shared<BandSystemModel>(BuildBandSystemModel(work, DatabaseBandLoader()));
        db = std::move(work);
        return model;
    };
    if (!settings.enabled) return build();
    database::CheckEntry(db.cat, db.systemEntry);
    const std::string version = settings.programVersion.empty() ? ThisBuild() : settings.programVersion;
    const std::uint64_t key = Key(db, pressureTorr, version);
    const std::vector<std::string> folders = Folders(db, settings);
    for (const std::string& folder : folders) {
        auto model = std::make_shared<BandSystemModel>();
        DatabaseState work = db;
        if (!ReadCache(fs::path(folder) / FileName(db), key, work, *model)) continue;
        ++work.SystemStamp;
        model->systemStamp = work.SystemStamp;
        model->dataFolder = work.AppPath;
        db = std::move(work);
        if (source) *source = ModelSource::Cache;
        shell.ShowProgress(100.0);
        return model;
    }
    std::shared_ptr<BandSystemModel> model = build();
    for (const std::string& folder : folders) {
        try {
            WriteCache(fs::path(folder) / FileName(db), key, db, *model);
            break;
        } catch (const std::exception&) {
            // A folder that cannot be written (read-only data, a full disk): the next, or none.
        }
    }
    return model;
}

}  // namespace velmora::simulation
