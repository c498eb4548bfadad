#include "database/line_list_import.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string_view>
#include <unordered_map>

#include "common/errors.h"
#include "common/physical_constants.h"
#include "database/isotopologue.h"

namespace velmora::database {

namespace fs = std::filesystem;

double ImportedLineList::PartitionFunction(double T) const {
    const auto& t = partitionTable;
    if (t.size() >= 2 && T >= t.front().first && T <= t.back().first) {
        const auto hi = std::lower_bound(t.begin(), t.end(), T, [](const auto& p, double x) { return p.first < x; });
        if (hi == t.begin()) return hi->second;
        const auto lo = hi - 1;
        return lo->second + (hi->second - lo->second) * (T - lo->first) / (hi->first - lo->first);
    }
    double q = 0.0;
    for (const auto& [energy, g] : allLevels) q += g * std::exp(-kSecondRadiationConstant * energy / T);
    return q;
}

namespace {

int TwiceJ(float J) { return static_cast<int>(std::lround(2.0 * J)); }
long long JPairKey(int twiceLower, int twiceUpper) {
    return static_cast<long long>(twiceLower) * (1 << 20) + twiceUpper;
}

}  // namespace

bool ListBroadener::Find(float jLower, float jUpper, Width& w) const {
    if (jLower < 0.0f) return false;
    if (aboveJMax && jLower > jMax) return w = above, true;  // the .def's values above its Jmax
    const int lower = TwiceJ(jLower);
    if (jUpper >= 0.0f)
        if (const auto p = byJPair.find(JPairKey(lower, TwiceJ(jUpper))); p != byJPair.end())
            return w = p->second, true;
    if (const auto p = byLowerJ.find(lower); p != byLowerJ.end()) return w = p->second, true;
    if (topLowerJ >= 0 && lower > topLowerJ) return w = byLowerJ.at(topLowerJ), true;
    return false;
}

const ListBroadener* ImportedLineList::BroadenerOf(const std::string& partner) const {
    for (const ListBroadener& b : broadeners)
        if (b.partner == partner) return &b;
    // A broadening file for air serves each of air's main gases.
    static const std::array<std::string_view, 3> kAirGases = {"N2", "O2", "Ar"};
    if (std::find(kAirGases.begin(), kAirGases.end(), partner) != kAirGases.end())
        for (const ListBroadener& b : broadeners)
            if (b.partner == "air") return &b;
    return nullptr;
}

std::vector<double> LevelLifetimes(const ImportedLineList& list) {
    std::vector<double> sum(list.levels.size(), 0.0);
    for (const ListedLine& l : list.lines) sum[l.upper] += l.A;
    for (double& s : sum) s = s > 0.0 ? 1e9 / s : 0.0;
    return sum;
}

LineListCache& LineListCache::operator=(const LineListCache&) {
    // The list assigned to holds new data: nothing kept for its old data is worth keeping.
    const std::lock_guard<std::mutex> lock(mutex_);
    sums_.reset();
    values_ = {};
    next_ = 0;
    return *this;
}

std::shared_ptr<const ListedLevelSums> LineListCache::Sums(std::uint64_t fingerprint,
                                                           const std::function<ListedLevelSums()>& find) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!sums_ || sums_->fingerprint != fingerprint) {
        auto sums = std::make_shared<ListedLevelSums>(find());
        sums->fingerprint = fingerprint;
        sums_ = std::move(sums);
    }
    return sums_;
}

double LineListCache::AtTemperature(int what, std::uint64_t fingerprint, double T,
                                    const std::function<double()>& find) const {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        for (const Value& v : values_)
            if (v.what == what && v.fingerprint == fingerprint && v.T == T) return v.value;
    }
    // Found without the lock: another thread may find another value meanwhile.
    const double value = find();
    const std::lock_guard<std::mutex> lock(mutex_);
    values_[next_] = {what, fingerprint, T, value};
    next_ = (next_ + 1) % values_.size();
    return value;
}

namespace {

/// A fingerprint of a vector's items, order included, from the bits `bits` gives of each: four
/// chains of multiplications over the items in turn, which the processor runs side by side.
template <typename T, typename Bits>
std::uint64_t Fingerprint(const std::vector<T>& items, Bits bits, std::uint64_t seed) {
    constexpr std::uint64_t kMix = 0x9E3779B97F4A7C15ull;
    auto step = [](std::uint64_t h, std::uint64_t x) { return ((h << 7 | h >> 57) ^ x) * kMix; };
    std::uint64_t h[4] = {seed, seed + 1, seed + 2, seed + 3 + items.size()};
    std::size_t i = 0;
    for (; i + 4 <= items.size(); i += 4)
        for (int k = 0; k < 4; ++k) h[k] = step(h[k], bits(items[i + k]));
    for (; i < items.size(); ++i) h[0] = step(h[0], bits(items[i]));
    return step(step(step(h[0], h[1]), h[2]), h[3]);
}

std::uint64_t Bits(double x) { return std::bit_cast<std::uint64_t>(x); }
std::uint64_t Bits(float x) { return std::bit_cast<std::uint32_t>(x); }

}  // namespace

std::shared_ptr<const ListedLevelSums> KeptLevelSums(const ImportedLineList& list) {
    // The sums read the lines' upper levels and A and the levels' energies (and the emitting
    // state's partition function their degeneracies).
    const std::uint64_t lines = Fingerprint(
        list.lines, [](const ListedLine& l) { return Bits(l.A) + (std::uint64_t{l.upper} << 1); }, 1);
    const std::uint64_t fingerprint = Fingerprint(
        list.levels, [](const ListedLevel& l) { return Bits(l.energy) ^ Bits(l.g) << 11; }, lines);
    return list.derived.Sums(fingerprint, [&] {
        ListedLevelSums s;
        s.lifetimes = LevelLifetimes(list);
        s.isUpper.assign(list.levels.size(), false);
        for (const ListedLine& l : list.lines) s.isUpper[l.upper] = true;
        for (std::size_t i = 0; i < list.levels.size(); ++i)
            if (s.isUpper[i]) s.lowestUpper = std::min(s.lowestUpper, list.levels[i].energy);
        return s;
    });
}

double KeptPartitionFunction(const ImportedLineList& list, double T) {
    const std::uint64_t table = Fingerprint(
        list.partitionTable, [](const auto& p) { return Bits(p.first) ^ Bits(p.second) << 3; }, 2);
    const std::uint64_t fingerprint = Fingerprint(
        list.allLevels, [](const auto& l) { return Bits(l.first) ^ Bits(l.second) << 11; }, table);
    return list.derived.AtTemperature(0, fingerprint, T, [&] { return list.PartitionFunction(T); });
}

namespace {

/// A text file read one record at a time through a large buffer, counting lines.
class RecordReader {
public:
    explicit RecordReader(const std::string& path) : path_(path), buffer_(1 << 20) {
        in_.rdbuf()->pubsetbuf(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        in_.open(path, std::ios::binary);
        if (!in_) throw FileError::In(path, "cannot be opened");
    }
    /// The next record without its line end; false at the end of the file.
    bool Next(std::string_view& record) {
        if (!std::getline(in_, line_)) {
            if (in_.bad()) throw FileError::At(path_, number_ + 1, "cannot be read");
            return false;
        }
        ++number_;
        if (!line_.empty() && line_.back() == '\r') line_.pop_back();
        record = line_;
        return true;
    }
    int Line() const { return number_; }
    FileError Error(const std::string& problem) const { return FileError::At(path_, number_, problem); }

private:
    std::string path_;
    std::vector<char> buffer_;
    std::ifstream in_;
    std::string line_;
    int number_ = 0;
};

/// Splits a record at blanks and tabs.
class Fields {
public:
    explicit Fields(std::string_view s) : s_(s) {}
    /// The next field; empty at the end.
    std::string_view Next() {
        while (p_ < s_.size() && (s_[p_] == ' ' || s_[p_] == '\t')) ++p_;
        const std::size_t start = p_;
        while (p_ < s_.size() && s_[p_] != ' ' && s_[p_] != '\t') ++p_;
        return s_.substr(start, p_ - start);
    }
    /// What is left after the fields read, blanks collapsed.
    std::string Rest() {
        std::string out;
        for (std::string_view f = Next(); !f.empty(); f = Next()) out += (out.empty() ? "" : " ") + std::string(f);
        return out;
    }

private:
    std::string_view s_;
    std::size_t p_ = 0;
};

std::string_view TrimView(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

/// A finite number filling the whole field (a leading '+' allowed); false otherwise.
bool ParseNumber(std::string_view text, double& value) {
    text = TrimView(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return r.ec == std::errc() && r.ptr == text.data() + text.size() && std::isfinite(value);
}

/// A number of a record named `what`; throws naming the field and its text.
double Number(const RecordReader& in, std::string_view text, const char* what) {
    double v = 0.0;
    if (text.empty()) throw in.Error(std::string("the record ends before its ") + what);
    if (!ParseNumber(text, v))
        throw in.Error(std::string(what) + " \"" + Excerpt(TrimView(text)) + "\" is not a finite number");
    return v;
}

/// A positive whole number (a level id).
std::uint64_t Id(const RecordReader& in, std::string_view text, const char* what) {
    const double v = Number(in, text, what);
    if (v < 1.0 || v != std::floor(v) || v > 4e9)
        throw in.Error(std::string(what) + " \"" + Excerpt(text) + "\" is not a positive whole number");
    return static_cast<std::uint64_t>(v);
}

// ---- ExoMol --------------------------------------------------------------------------------

/// What the reader takes from the .def file.
/// One broadener of the .def file: its label (the partner), file, Jmax with the values above it,
/// and the quanta each code's records give, in the order of their columns.
struct DefinedBroadener {
    std::string label, file;
    double jMax = -1.0;                                                   ///< -1: not given
    double gammaAbovePerBar = -1.0, nAbove = -1.0;                        ///< for J'' > Jmax; -1: not given
    std::vector<std::pair<std::string, std::vector<std::string>>> codes;  ///< code, quanta
};

struct Definition {
    std::string slug, dataset;
    double mass = 0.0;
    bool uncertainty = false, lifetime = false, lande = false;
    double defaultWidthPerBar = 0.0, defaultExponent = 0.0;
    std::vector<DefinedBroadener> broadeners;
};

bool Describes(std::string_view comment, std::string_view key) { return comment.find(key) != std::string_view::npos; }

Definition ReadDefinition(const std::string& path) {
    RecordReader in(path);
    Definition d;
    bool haveMass = false;
    for (std::string_view r; in.Next(r);) {
        const std::size_t hash = r.find('#');
        if (hash == std::string_view::npos) continue;
        const std::string_view value = TrimView(r.substr(0, hash)), comment = TrimView(r.substr(hash + 1));
        Fields f(value);
        const std::string_view first = f.Next();
        auto flag = [&] {
            if (first != "0" && first != "1") throw in.Error("\"" + Excerpt(value) + "\" is not 0 or 1");
            return first == "1";
        };
        if (Describes(comment, "Iso-slug"))
            d.slug = std::string(first);
        else if (Describes(comment, "Isotopologue dataset name"))
            d.dataset = std::string(first);
        else if (Describes(comment, "Isotopologue mass")) {
            d.mass = Number(in, first, "isotopologue mass");
            if (!(d.mass > 0.0)) throw in.Error("the isotopologue mass must be above 0");
            haveMass = true;
        } else if (Describes(comment, "Uncertainty availability"))
            d.uncertainty = flag();
        else if (Describes(comment, "Lifetime availability"))
            d.lifetime = flag();
        else if (Describes(comment, "Lande g-factor availability"))
            d.lande = flag();
        else if (Describes(comment, "Default value of Lorentzian half-width"))
            d.defaultWidthPerBar = Number(in, first, "default Lorentzian half-width");
        else if (Describes(comment, "Default value of temperature exponent"))
            d.defaultExponent = Number(in, first, "default temperature exponent");
        else if (Describes(comment, "Label for a particular broadener"))
            d.broadeners.push_back({std::string(first), "", -1.0, -1.0, -1.0, {}});
        else if (!d.broadeners.empty()) {
            // The fields of the broadener labelled last.
            DefinedBroadener& b = d.broadeners.back();
            auto nonNegative = [&](const char* what) {
                const double x = Number(in, first, what);
                if (x < 0.0) throw in.Error(std::string(what) + " below 0");
                return x;
            };
            if (Describes(comment, "Filename of particular broadener") ||
                Describes(comment, "Filename for a particular broadener"))
                b.file = std::string(first);
            else if (Describes(comment, "Maximum J for which pressure broadening"))
                b.jMax = nonNegative("maximum J of the broadening");
            else if (Describes(comment, "Value of Lorentzian half-width for J"))
                b.gammaAbovePerBar = nonNegative("half-width above Jmax");
            else if (Describes(comment, "Value of temperature exponent for lines with J"))
                b.nAbove = Number(in, first, "temperature exponent above Jmax");
            else if (Describes(comment, "A code that defines this set of quantum numbers"))
                b.codes.emplace_back(std::string(first), std::vector<std::string>());
            else if (Describes(comment, "Defined quantum number") && !b.codes.empty())
                b.codes.back().second.emplace_back(first);
        }
    }
    if (in.Line() == 0) throw FileError::In(path, "is empty");
    if (!haveMass) throw FileError::In(path, "has no \"Isotopologue mass (Da) and (kg)\" line");
    return d;
}

/// The chemical formula of an ExoMol iso-slug: "16O-1H" is OH, "12C2" is C2.
std::string FormulaOfSlug(std::string_view slug) {
    std::string formula;
    for (std::size_t p = 0; p < slug.size();) {
        while (p < slug.size() && std::isdigit(static_cast<unsigned char>(slug[p]))) ++p;  // mass number
        while (p < slug.size() && slug[p] != '-') formula += slug[p++];                    // element, count
        if (p < slug.size()) ++p;
    }
    return formula;
}

/// One level of the .states file.
struct StateRecord {
    double energy = 0.0;
    float g = 0.0f, J = -1.0f;
    std::uint32_t kept = 0;  ///< index in the list's levels + 1 once a kept line joins it
    bool present = false;
};

/// Reads every level of the .states file; the labels are read again only for the levels kept.
std::vector<StateRecord> ReadStates(const std::string& path, const Definition& d, ImportedLineList& list) {
    if (!fs::exists(path)) throw FileError::In(path, "is missing: an ExoMol set needs its .states file");
    RecordReader in(path);
    std::vector<StateRecord> states;
    for (std::string_view r; in.Next(r);) {
        Fields f(r);
        const std::string_view idText = f.Next();
        if (idText.empty()) continue;
        const std::uint64_t id = Id(in, idText, "state id");
        StateRecord s;
        s.energy = Number(in, f.Next(), "energy");
        const double g = Number(in, f.Next(), "degeneracy");
        if (g < 0.0) throw in.Error("degeneracy below 0");
        s.g = static_cast<float>(g);
        s.J = static_cast<float>(Number(in, f.Next(), "J"));
        if (d.uncertainty) Number(in, f.Next(), "uncertainty");
        if (d.lifetime) Number(in, f.Next(), "lifetime");
        if (d.lande) Number(in, f.Next(), "Lande g-factor");
        s.present = true;
        if (states.size() <= id) states.resize(std::max<std::size_t>(id + 1, states.size() * 3 / 2));
        if (states[id].present) throw in.Error("state id " + std::to_string(id) + " is listed twice");
        states[id] = s;
        list.allLevels.emplace_back(s.energy, s.g);
    }
    if (list.allLevels.empty()) throw FileError::In(path, "lists no state");
    return states;
}

/// The quantum labels of the kept levels, from a second pass over the .states file.
void ReadLabels(const std::string& path, const Definition& d, const std::vector<StateRecord>& states,
                ImportedLineList& list) {
    RecordReader in(path);
    const int skip = 4 + d.uncertainty + d.lifetime + d.lande;
    for (std::string_view r; in.Next(r);) {
        Fields f(r);
        const std::string_view idText = f.Next();
        if (idText.empty()) continue;
        const std::uint64_t id = Id(in, idText, "state id");
        if (states[id].kept == 0) continue;
        for (int k = 1; k < skip; ++k) f.Next();
        list.levels[states[id].kept - 1].label = f.Rest();
    }
}

std::vector<std::pair<double, double>> ReadPartitionFunction(const std::string& path) {
    std::vector<std::pair<double, double>> table;
    RecordReader in(path);
    for (std::string_view r; in.Next(r);) {
        Fields f(r);
        const std::string_view t = f.Next();
        if (t.empty()) continue;
        const double T = Number(in, t, "temperature"), Q = Number(in, f.Next(), "partition function");
        if (!(Q > 0.0)) throw in.Error("partition function not above 0");
        if (!table.empty() && T <= table.back().first) throw in.Error("temperatures must increase");
        table.emplace_back(T, Q);
    }
    return table;
}

/// The transition files of a prefix: PREFIX.trans, else PREFIX__*.trans in order of name.
std::vector<std::string> TransitionFiles(const std::string& prefix) {
    if (fs::exists(prefix + ".trans")) return {prefix + ".trans"};
    const fs::path p(prefix);
    const fs::path dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
    const std::string stem = p.filename().string() + "__";
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec)) {
        const std::string name = e.path().filename().string();
        if (name.rfind(stem, 0) == 0 && e.path().extension() == ".trans") files.push_back(e.path().string());
    }
    std::sort(files.begin(), files.end());
    if (files.empty()) {
        const std::string bz2 = prefix + ".trans.bz2";
        if (fs::exists(bz2)) throw FileError::In(bz2, "is compressed: decompress it first (bunzip2 -k)");
        throw FileError::In(prefix + ".trans", "is missing: an ExoMol set needs its .trans file(s)");
    }
    return files;
}

/// A rotational quantum number of a broadening record: a whole or half-integer 0 or above.
int BroadeningJ(const RecordReader& in, std::string_view text, const char* what) {
    const double J = Number(in, text, what);
    if (J < 0.0 || 2.0 * J != std::floor(2.0 * J) || J > 1e5)
        throw in.Error(std::string(what) + " \"" + Excerpt(TrimView(text)) + "\" is not a whole or half-integer J");
    return static_cast<int>(std::lround(2.0 * J));
}

/// Which of J'' (0) and J' (1) each column of a code's quanta holds: J'' then J' unless the .def
/// declares the code's quanta.
std::vector<int> QuantaColumns(const std::string& code, const DefinedBroadener* declared, const std::string& def) {
    const std::size_t count = code == "a0" ? 1 : 2;
    std::vector<int> columns = {0, 1};
    columns.resize(count);
    if (!declared) return columns;
    for (const auto& [name, quanta] : declared->codes) {
        if (name != code || quanta.empty()) continue;
        const std::string of = "broadening code " + code + " of " + declared->label;
        if (quanta.size() != count)
            throw FileError::In(def, of + " defines " + std::to_string(quanta.size()) + " quantum numbers, not " +
                                         std::to_string(count));
        for (std::size_t k = 0; k < count; ++k) {
            const std::string& q = quanta[k];
            if (q == "J\"" || q == "J''")
                columns[k] = 0;
            else if (q == "J'")
                columns[k] = 1;
            else
                throw FileError::In(
                    def, of + " defines quantum number \"" + Excerpt(q) + "\": the program reads J\" and J'");
        }
        if (count == 2 && columns[0] == columns[1]) throw FileError::In(def, of + " defines one J twice");
        if (count == 1 && columns[0] != 0) throw FileError::In(def, of + " defines J', not J\"");
    }
    return columns;
}

/// Reads an ExoMol broadening file of one partner (see the header), its quanta in the order the
/// .def declares (`declared`: the .def's entry of the file, null for one it does not name).
ListBroadener ReadBroadening(const std::string& path, const std::string& partner, const DefinedBroadener* declared,
                             const std::string& def) {
    ListBroadener b;
    b.partner = partner;
    b.path = path;
    if (declared && declared->jMax >= 0.0) {
        b.jMax = static_cast<float>(declared->jMax);
        if (declared->gammaAbovePerBar >= 0.0) {
            // cm-1/bar as cm-1/atm; an exponent not given is 0 (no temperature dependence).
            b.aboveJMax = true;
            b.above.gamma = static_cast<float>(declared->gammaAbovePerBar * 1.01325);
            b.above.n = static_cast<float>(std::max(declared->nAbove, 0.0));
        }
    }
    const std::vector<int> a1 = QuantaColumns("a1", declared, def);
    QuantaColumns("a0", declared, def);  // checks what the .def declares of a0
    RecordReader in(path);
    for (std::string_view r; in.Next(r);) {
        Fields f(r);
        const std::string_view code = f.Next();
        if (code.empty()) continue;
        if (code != "a0" && code != "a1")
            throw in.Error("broadening code \"" + Excerpt(code) +
                           "\" is not one the program reads (a0: by J'', a1: by J'' and J')");
        ListBroadener::Width w;
        const double gamma = Number(in, f.Next(), "half-width"), n = Number(in, f.Next(), "temperature exponent");
        if (gamma < 0.0) throw in.Error("half-width below 0");
        // cm-1/bar as cm-1/atm.
        w.gamma = static_cast<float>(gamma * 1.01325);
        w.n = static_cast<float>(n);
        if (code == "a0") {
            const int lower = BroadeningJ(in, f.Next(), "J''");
            if (!b.byLowerJ.emplace(lower, w).second) throw in.Error("J'' is listed twice");
            b.topLowerJ = std::max(b.topLowerJ, lower);
        } else {
            int J[2] = {0, 0};  // 2J'', 2J'
            for (const int column : a1) J[column] = BroadeningJ(in, f.Next(), column == 0 ? "J''" : "J'");
            if (std::abs(J[1] - J[0]) > 2) throw in.Error("J' and J'' differ by more than 1");
            if (!b.byJPair.emplace(JPairKey(J[0], J[1]), w).second) throw in.Error("J'' and J' are listed twice");
        }
        if (!f.Next().empty()) throw in.Error("the record holds more fields than its code " + std::string(code));
    }
    if (b.byLowerJ.empty() && b.byJPair.empty()) throw FileError::In(path, "holds no broadening record");
    return b;
}

/// The broadening files of a set: those the .def names, read from beside it (one that is not
/// there is left out: its lines take the default width), and SLUG__PARTNER.broad or
/// PREFIX__PARTNER.broad beside it for the other partners (a file of the prefix before one of
/// the iso-slug); in order of the partner's name.
std::vector<ListBroadener> ReadBroadeners(const std::string& prefix, const std::string& slug, const Definition& d) {
    const fs::path p(prefix);
    const fs::path dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
    std::map<std::string, std::pair<std::string, const DefinedBroadener*>> files;  // partner -> file, entry
    std::error_code ec;
    for (const std::string& stem : {slug + "__", p.filename().string() + "__"}) {
        for (const auto& e : fs::directory_iterator(dir, ec)) {
            const std::string name = e.path().filename().string();
            if (name.rfind(stem, 0) != 0 || e.path().extension() != ".broad") continue;
            const std::string partner = name.substr(stem.size(), name.size() - stem.size() - 6);
            if (!partner.empty() && partner.find("__") == std::string::npos)
                files[partner] = {e.path().string(), nullptr};
        }
    }
    for (const DefinedBroadener& b : d.broadeners) {
        if (b.label.empty()) continue;
        if (!b.file.empty() && fs::exists(dir / b.file))
            files[b.label] = {(dir / b.file).string(), &b};
        else if (const auto named = files.find(b.label); named != files.end())
            named->second.second = &b;
    }
    std::vector<ListBroadener> out;
    for (const auto& [partner, file] : files)
        out.push_back(ReadBroadening(file.first, partner, file.second, prefix + ".def"));
    return out;
}

/// The level index of state `id` in the list, adding the level the first time.
std::uint32_t KeepLevel(std::vector<StateRecord>& states, std::uint64_t id, ImportedLineList& list) {
    StateRecord& s = states[id];
    if (s.kept == 0) {
        list.levels.push_back({s.energy, s.g, s.J, {}});
        s.kept = static_cast<std::uint32_t>(list.levels.size());
    }
    return s.kept - 1;
}

void SortLines(ImportedLineList& list) {
    std::stable_sort(list.lines.begin(), list.lines.end(),
                     [](const ListedLine& a, const ListedLine& b) { return a.nu < b.nu; });
}

/// Strips a known ending of an ExoMol file name to its prefix.
std::string ExoMolPrefix(const std::string& path) {
    for (const char* end : {".def", ".states", ".trans", ".pf", ".trans.bz2"}) {
        const std::string e = end;
        if (path.size() > e.size() && path.compare(path.size() - e.size(), e.size(), e) == 0)
            return path.substr(0, path.size() - e.size());
    }
    return path;
}

// ---- HITRAN --------------------------------------------------------------------------------

/// The nuclei of a HITRAN isotopologue of a diatomic molecule: element and mass number of each.
struct HitranIsotopologue {
    int molecule, isotopologue;
    const char *a, *b;
    int massA, massB;
    int charge;
};
constexpr HitranIsotopologue kHitranDiatomics[] = {
    {5, 1, "C", "O", 12, 16, 0},  {5, 2, "C", "O", 13, 16, 0},   {5, 3, "C", "O", 12, 18, 0},
    {5, 4, "C", "O", 12, 17, 0},  {7, 1, "O", "O", 16, 16, 0},   {7, 2, "O", "O", 16, 18, 0},
    {7, 3, "O", "O", 16, 17, 0},  {8, 1, "N", "O", 14, 16, 0},   {8, 2, "N", "O", 15, 16, 0},
    {8, 3, "N", "O", 14, 18, 0},  {13, 1, "O", "H", 16, 1, 0},   {13, 2, "O", "H", 18, 1, 0},
    {13, 3, "O", "H", 16, 2, 0},  {14, 1, "H", "F", 1, 19, 0},   {14, 2, "H", "F", 2, 19, 0},
    {15, 1, "H", "Cl", 1, 35, 0}, {15, 2, "H", "Cl", 1, 37, 0},  {15, 3, "H", "Cl", 2, 35, 0},
    {15, 4, "H", "Cl", 2, 37, 0}, {18, 1, "Cl", "O", 35, 16, 0}, {18, 2, "Cl", "O", 37, 16, 0},
    {22, 1, "N", "N", 14, 14, 0}, {22, 2, "N", "N", 14, 15, 0},  {36, 1, "N", "O", 14, 16, 1},
    {45, 1, "H", "H", 1, 1, 0},   {45, 2, "H", "H", 1, 2, 0},    {46, 1, "C", "S", 12, 32, 0},
    {46, 2, "C", "S", 12, 34, 0}, {46, 3, "C", "S", 13, 32, 0},  {46, 4, "C", "S", 12, 33, 0},
};

/// Mass (u) of a HITRAN isotopologue of a diatomic molecule; 0 when the program does not know it.
double HitranMass(int molecule, int isotopologue) {
    auto nuclideMass = [](const char* element, int massNumber) {
        for (const Nuclide& n : NuclidesOf(element))
            if (n.massNumber == massNumber) return n.mass;
        return 0.0;
    };
    constexpr double kElectronMass = 5.48579909065e-4;  // u
    for (const HitranIsotopologue& h : kHitranDiatomics)
        if (h.molecule == molecule && h.isotopologue == isotopologue) {
            const double a = nuclideMass(h.a, h.massA), b = nuclideMass(h.b, h.massB);
            return a > 0.0 && b > 0.0 ? a + b - h.charge * kElectronMass : 0.0;
        }
    return 0.0;
}

/// Chemical formula of a HITRAN diatomic molecule: "OH", "N2".
std::string HitranFormula(int molecule, int isotopologue) {
    for (const HitranIsotopologue& h : kHitranDiatomics)
        if (h.molecule == molecule && h.isotopologue == isotopologue)
            return std::string(h.a) == h.b ? std::string(h.a) + "2" : std::string(h.a) + h.b;
    return {};
}

/// HITRAN's isotopologue digit: 1..9, 0 for the tenth, A, B ... beyond.
int HitranIsotopologueNumber(char c) {
    if (c >= '1' && c <= '9') return c - '0';
    if (c == '0') return 10;
    if (c >= 'A' && c <= 'Z') return 11 + (c - 'A');
    return -1;
}

/// The fields of a 160-character record: offset, width.
struct Field {
    std::size_t at, width;
};
constexpr Field kNu{3, 12}, kS{15, 10}, kA{25, 10}, kGammaAir{35, 5}, kGammaSelf{40, 5}, kLowerEnergy{45, 10},
    kNAir{55, 4}, kDeltaAir{59, 8}, kUpperGlobal{67, 15}, kLowerGlobal{82, 15}, kUpperLocal{97, 15},
    kLowerLocal{112, 15}, kGUpper{146, 7}, kGLower{153, 7};

std::string_view At(std::string_view r, Field f) { return r.substr(f.at, f.width); }

/// An optional field: 0 when blank.
double Optional(const RecordReader& in, std::string_view text, const char* what) {
    return TrimView(text).empty() ? 0.0 : Number(in, text, what);
}

std::string Collapse(std::string_view a, std::string_view b) {
    const std::string joined = std::string(a) + " " + std::string(b);
    Fields f(joined);
    return f.Rest();
}

/// J of class-3 local quanta (2X, A2 branch, F5.1 J, ...): -1 when the columns hold no number.
float LocalJ(std::string_view local) {
    double J = -1.0;
    return ParseNumber(local.substr(4, 5), J) ? static_cast<float>(J) : -1.0f;
}

}  // namespace

ImportedLineList ReadExoMol(const std::string& prefix, const WavenumberWindow& window) {
    ImportedLineList list;
    list.path = prefix + ".def";
    list.format = "ExoMol";
    list.window = window;
    if (!fs::exists(list.path)) throw FileError::In(list.path, "is missing: an ExoMol set needs its .def file");
    const Definition d = ReadDefinition(list.path);
    list.mass = d.mass;
    list.name = fs::path(prefix).filename().string();
    const std::string slug = d.slug.empty() ? list.name.substr(0, list.name.find("__")) : d.slug;
    list.molecule = FormulaOfSlug(slug);
    list.broadeners = ReadBroadeners(prefix, slug, d);
    std::vector<StateRecord> states = ReadStates(prefix + ".states", d, list);
    if (fs::exists(prefix + ".pf")) list.partitionTable = ReadPartitionFunction(prefix + ".pf");
    // The default pressure broadening of the .def, cm-1/bar, as HITRAN's cm-1/atm.
    const float gamma = static_cast<float>(d.defaultWidthPerBar * 1.01325);
    for (const std::string& file : TransitionFiles(prefix)) {
        RecordReader in(file);
        for (std::string_view r; in.Next(r);) {
            Fields f(r);
            const std::string_view upText = f.Next();
            if (upText.empty()) continue;
            const std::uint64_t up = Id(in, upText, "upper state id"), low = Id(in, f.Next(), "lower state id");
            const double A = Number(in, f.Next(), "Einstein A");
            if (A < 0.0) throw in.Error("Einstein A below 0");
            for (std::uint64_t id : {up, low})
                if (id >= states.size() || !states[id].present)
                    throw in.Error("state id " + std::to_string(id) + " is not in the .states file");
            ++list.transitionsRead;
            const StateRecord &u = states[up], &l = states[low];
            const std::string_view nuText = f.Next();
            const double nu = nuText.empty() ? u.energy - l.energy : Number(in, nuText, "wavenumber");
            if (!window.Contains(nu) || !(nu > 0.0)) continue;
            ListedLine line;
            line.nu = nu;
            line.lowerEnergy = l.energy;
            line.A = A;
            line.gUpper = u.g;
            line.gLower = l.g;
            line.gammaAir = line.gammaSelf = gamma;
            line.nAir = static_cast<float>(d.defaultExponent);
            line.upper = KeepLevel(states, up, list);
            line.lower = KeepLevel(states, low, list);
            list.lines.push_back(line);
        }
    }
    ReadLabels(prefix + ".states", d, states, list);
    SortLines(list);
    return list;
}

ImportedLineList ReadHitran(const std::string& path, const WavenumberWindow& window) {
    ImportedLineList list;
    list.path = path;
    list.format = "HITRAN";
    list.lineShifts = true;
    list.window = window;
    RecordReader in(path);
    int molecule = 0, isotopologue = 0;
    // Upper levels by their quanta; lower levels by energy (0.1 mK) and degeneracy, since the
    // lower local quanta carry the branch of the line.
    std::unordered_map<std::string, std::uint32_t> uppers;
    std::map<std::pair<long long, float>, std::uint32_t> lowers;
    std::set<std::pair<long long, float>> allLower;
    auto level = [&list](ListedLevel l) {
        list.levels.push_back(std::move(l));
        return static_cast<std::uint32_t>(list.levels.size() - 1);
    };
    for (std::string_view r; in.Next(r);) {
        if (TrimView(r).empty()) continue;
        if (r.size() != 160)
            throw in.Error("the record holds " + std::to_string(r.size()) + " characters; HITRAN records hold 160");
        double m = 0.0;
        const int iso = HitranIsotopologueNumber(r[2]);
        if (!ParseNumber(r.substr(0, 2), m) || m != std::floor(m) || m < 1 || iso < 1)
            throw in.Error("molecule and isotopologue \"" + Excerpt(r.substr(0, 3)) + "\" are not HITRAN numbers");
        if (molecule == 0) {
            molecule = static_cast<int>(m), isotopologue = iso;
            list.mass = HitranMass(molecule, isotopologue);
            if (list.mass == 0.0)
                throw in.Error("HITRAN molecule " + std::to_string(molecule) + " isotopologue " + std::to_string(iso) +
                               " is not a diatomic molecule the program knows");
            list.name = "HITRAN molecule " + std::to_string(molecule) + " isotopologue " + std::to_string(iso);
            list.molecule = HitranFormula(molecule, isotopologue);
        } else if (static_cast<int>(m) != molecule || iso != isotopologue) {
            throw in.Error("molecule " + std::to_string(static_cast<int>(m)) + " isotopologue " + std::to_string(iso) +
                           " follows molecule " + std::to_string(molecule) + " isotopologue " +
                           std::to_string(isotopologue) + ": a line list holds one isotopologue (split the file)");
        }
        ListedLine line;
        line.nu = Number(in, At(r, kNu), "wavenumber");
        Number(in, At(r, kS), "intensity");
        line.A = Number(in, At(r, kA), "Einstein A");
        line.gammaAir = static_cast<float>(Optional(in, At(r, kGammaAir), "air half-width"));
        line.gammaSelf = static_cast<float>(Optional(in, At(r, kGammaSelf), "self half-width"));
        line.lowerEnergy = Number(in, At(r, kLowerEnergy), "lower-state energy");
        line.nAir = static_cast<float>(Optional(in, At(r, kNAir), "temperature exponent"));
        line.deltaAir = static_cast<float>(Optional(in, At(r, kDeltaAir), "air shift"));
        line.gUpper = static_cast<float>(Number(in, At(r, kGUpper), "upper degeneracy g'"));
        line.gLower = static_cast<float>(Number(in, At(r, kGLower), "lower degeneracy g''"));
        if (line.A < 0.0 || line.gUpper < 0.0f || line.gLower < 0.0f)
            throw in.Error("Einstein A and degeneracies must not be below 0");
        ++list.transitionsRead;
        const std::pair<long long, float> lowKey{std::llround(line.lowerEnergy * 1e4), line.gLower};
        if (allLower.insert(lowKey).second) list.allLevels.emplace_back(line.lowerEnergy, line.gLower);
        if (!window.Contains(line.nu) || !(line.nu > 0.0)) continue;
        const std::string upLabel = Collapse(At(r, kUpperGlobal), At(r, kUpperLocal));
        auto u = uppers.find(upLabel);
        if (u == uppers.end())
            u = uppers.emplace(upLabel, level({line.UpperEnergy(), line.gUpper, LocalJ(At(r, kUpperLocal)), upLabel}))
                    .first;
        auto l = lowers.find(lowKey);
        if (l == lowers.end())
            l = lowers
                    .emplace(lowKey, level({line.lowerEnergy, line.gLower, LocalJ(At(r, kLowerLocal)),
                                            Collapse(At(r, kLowerGlobal), At(r, kLowerLocal))}))
                    .first;
        line.upper = u->second;
        line.lower = l->second;
        list.lines.push_back(line);
    }
    if (list.transitionsRead == 0) throw FileError::In(path, "holds no HITRAN record");
    SortLines(list);
    return list;
}

ImportedLineList ReadLineList(const std::string& path, const WavenumberWindow& window) {
    const std::string ext = fs::path(path).extension().string();
    if (ext == ".par" || ext == ".PAR" || ext == ".hit") return ReadHitran(path, window);
    return ReadExoMol(ExoMolPrefix(path), window);
}

}  // namespace velmora::database
