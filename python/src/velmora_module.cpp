// The native part of the velmora Python module: the database, the typed simulation conditions,
// Simulate, FitSpectrum and the spectrum readers over the core, with NumPy arrays in and out.
// The package (velmora/__init__.py) shapes the results into structured arrays and records.
//
// Every heavy call (pre-computation and model build, simulation, fit, file reading) runs with
// the GIL released. The band-system models are built once per database object and conditions
// that change them, and shared read-only by every thread afterwards.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "common/errors.h"
#include "common/number_format.h"
#include "common/process_memory.h"
#include "common/services.h"
#include "database/catalogue.h"
#include "database/line_list_import.h"
#include "database/line_rows.h"
#include "database/multiplet_catalogue.h"
#include "database/state_descriptions.h"
#include "experiment/corrections.h"
#include "experiment/frame_corrections.h"
#include "experiment/spectrum_files.h"
#include "experiment/spectrum_formats.h"
#include "experiment/spectrum_units.h"
#include "fit/boltzmann_plot.h"
#include "fit/fit_errors.h"
#include "fit/fit_report.h"
#include "fit/fit_spectrum.h"
#include "fit/fit_system.h"
#include "fit/frame_fit.h"
#include "fit/identify.h"
#include "fit/lif_image.h"
#include "populations/selected_populations.h"
#include "simulation/condition_fields.h"
#include "simulation/conditions.h"
#include "simulation/instrument_function.h"
#include "simulation/line_set_simulation.h"
#include "simulation/multiplet_model.h"
#include "simulation/simulate.h"
#include "simulation/spectrum_arrays.h"

namespace py = pybind11;

namespace velmora::python {

namespace {

using simulation::SimulationConditions;

// ---- Database -------------------------------------------------------------------------------

/// A database folder with its catalogue, and the band systems pre-computed so far.
class Database {
public:
    explicit Database(const std::string& folder) : folder_(folder) {
        database::SetAppPath(catalogue_, folder);
        database::LoadCatalogue(catalogue_);
    }

    const std::string& Folder() const { return folder_; }
    const DatabaseState& Catalogue() const { return catalogue_; }

    /// The system of an entry pre-computed for the pressure and quenching of the conditions
    /// (what the yields depend on), built on first use and shared afterwards.
    fit::FitSystem System(int entry, const SimulationConditions& c) {
        // A band system of any multiplicity follows the entries of VELMORA.SYS.
        if (entry <= catalogue_.cat.CatalogueCount ||
            database::MultipletIndex(catalogue_.cat, database::MultipletEntriesOf(catalogue_.AppPath), entry) < 0)
            database::CheckEntry(catalogue_.cat, entry);
        const Key key{entry, c.pressure, simulation::StoredValue(c.quenching), c.quenchingRate};
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = systems_.find(key);
        if (it == systems_.end()) it = systems_.emplace(key, fit::LoadFitSystem(catalogue_, entry, c)).first;
        return it->second;
    }

    /// The band system of any multiplicity of an entry; none for an entry of VELMORA.SYS.
    std::optional<database::MultipletEntry> Multiplet(int entry) const {
        auto entries = database::MultipletEntriesOf(catalogue_.AppPath);
        const int k = database::MultipletIndex(catalogue_.cat, entries, entry);
        if (k < 0) return std::nullopt;
        return std::move(entries[static_cast<std::size_t>(k)]);
    }

    /// The pre-computation without pressure or quenching, as the database commands make it.
    std::shared_ptr<const DatabaseState> Precomputed(int entry) {
        const fit::FitSystem system = System(entry, SimulationConditions{});
        if (system.multiplet)
            throw std::invalid_argument("entry " + std::to_string(entry) + " (" + system.label +
                                        ") is a band system of any multiplicity: its lines and levels are not in the "
                                        "database tables (simulate and fit take it)");
        return system.database;
    }

private:
    using Key = std::tuple<int, double, int, double>;
    std::string folder_;
    DatabaseState catalogue_;
    std::mutex mutex_;
    std::map<Key, fit::FitSystem> systems_;
};

template <typename T>
py::array_t<T> ToArray(const std::vector<T>& v) {
    py::array_t<T> a(static_cast<py::ssize_t>(v.size()));
    std::copy(v.begin(), v.end(), a.mutable_data());
    return a;
}

/// A NumPy array that takes over a vector's buffer: no copy, and the buffer freed with the array.
template <typename T>
py::array_t<T> Adopt(std::vector<T>&& v) {
    auto* owned = new std::vector<T>(std::move(v));
    py::capsule free(owned, [](void* p) { delete static_cast<std::vector<T>*>(p); });
    return py::array_t<T>(static_cast<py::ssize_t>(owned->size()), owned->data(), free);
}

/// Large result buffers handed back by NumPy when their arrays go, kept for the next results: a
/// buffer of fresh memory costs a page fault and a cleared page every 4 KiB as it is first
/// written, which at a million points takes longer than the simulation's own point loops. At most
/// kKept buffers and kKeptBytes together are held; under AddressSanitizer none, so that a read
/// through a freed buffer is reported rather than served by the next result.
class BufferPool {
public:
    static constexpr std::size_t kSmallest = std::size_t{1} << 15;  ///< doubles; smaller ones from malloc
    static constexpr std::size_t kKept = 8;
    static constexpr std::size_t kKeptBytes = std::size_t{64} << 20;

    struct Block {
        double* data;
        std::size_t capacity;
    };

    static BufferPool& Shared() {
        static BufferPool* pool = new BufferPool;  // never destroyed: arrays may outlive static destructors
        return *pool;
    }

    /// A block of at least n doubles, uninitialised: a kept one no more than twice as large, else new.
    Block Take(std::size_t n) {
        if (n >= kSmallest && kPooled) {
            std::lock_guard<std::mutex> lock(mutex_);
            auto best = kept_.end();
            for (auto it = kept_.begin(); it != kept_.end(); ++it)
                if (it->capacity >= n && it->capacity <= 2 * n &&
                    (best == kept_.end() || it->capacity < best->capacity))
                    best = it;
            if (best != kept_.end()) {
                const Block b = *best;
                keptBytes_ -= b.capacity * sizeof(double);
                kept_.erase(best);
                return b;
            }
        }
        return {new double[n], n};
    }

    /// Takes a block back (kept while there is room, the oldest kept freed first to make room).
    void Give(Block b) {
        if (b.capacity >= kSmallest && kPooled && b.capacity * sizeof(double) <= kKeptBytes) {
            std::lock_guard<std::mutex> lock(mutex_);
            while (!kept_.empty() && (kept_.size() >= kKept || keptBytes_ + b.capacity * sizeof(double) > kKeptBytes)) {
                keptBytes_ -= kept_.front().capacity * sizeof(double);
                delete[] kept_.front().data;
                kept_.erase(kept_.begin());
            }
            kept_.push_back(b);
            keptBytes_ += b.capacity * sizeof(double);
            return;
        }
        delete[] b.data;
    }

private:
#if defined(__SANITIZE_ADDRESS__)
    static constexpr bool kPooled = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    static constexpr bool kPooled = false;
#else
    static constexpr bool kPooled = true;
#endif
#else
    static constexpr bool kPooled = true;
#endif
    std::mutex mutex_;
    std::vector<Block> kept_;
    std::size_t keptBytes_ = 0;
};

/// A buffer of n doubles left uninitialised, for a loop that writes every element.
struct Buffer {
    explicit Buffer(std::size_t n) : block(BufferPool::Shared().Take(n)), size(n) {}
    Buffer(Buffer&& other) noexcept : block(other.block), size(other.size) { other.block.data = nullptr; }
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
    Buffer& operator=(Buffer&&) = delete;
    ~Buffer() {
        if (block.data) BufferPool::Shared().Give(block);
    }
    double* Data() { return block.data; }
    BufferPool::Block block;
    std::size_t size;
};

/// A NumPy array that takes over a buffer: no copy, and the buffer given back with the array.
py::array_t<double> Adopt(Buffer&& b) {
    auto* owned = new BufferPool::Block(b.block);
    b.block.data = nullptr;
    py::capsule free(owned, [](void* p) {
        const auto* block = static_cast<BufferPool::Block*>(p);
        BufferPool::Shared().Give(*block);
        delete block;
    });
    return py::array_t<double>(static_cast<py::ssize_t>(b.size), owned->data, free);
}

/// The grid positions and total of a spectrum as buffers of doubles, each written in one pass.
std::pair<Buffer, Buffer> SpectrumArrays(const simulation::Spectrum& s) {
    const auto n = static_cast<std::size_t>(s.grid.Points());
    std::pair<Buffer, Buffer> xy{Buffer(n), Buffer(n)};
    simulation::GridPositions(s.grid, xy.first.Data());
    simulation::ActiveArrayKernels().widen(xy.second.Data(), s.total.Data(), n, 1.0);
    return xy;
}

/// A read-only NumPy view of a vector inside a Python object (a result): no copy; the array holds
/// the object, and so the buffer, alive, and the object never changes its vectors.
py::array_t<double> ViewOf(const py::object& owner, const std::vector<double>& v) {
    py::array_t<double> a(static_cast<py::ssize_t>(v.size()), v.data(), owner);
    a.attr("setflags")(py::arg("write") = false);
    return a;
}

/// A dict of columns built from rows: a NumPy array for every numeric field, a list of str for
/// every text field.
template <typename Row>
class ColumnsOf {
public:
    explicit ColumnsOf(const std::vector<Row>& rows) : rows_(rows) {}

    template <typename Get>
    ColumnsOf& Add(const char* name, Get get) {
        using T = std::decay_t<decltype(get(std::declval<const Row&>()))>;
        if constexpr (std::is_arithmetic_v<T>) {
            std::vector<T> column;
            column.reserve(rows_.size());
            for (const Row& r : rows_) column.push_back(get(r));
            columns_[name] = ToArray(column);
        } else {
            py::list column;
            for (const Row& r : rows_) column.append(py::str(get(r)));
            columns_[name] = column;
        }
        return *this;
    }
    py::dict Dict() const { return columns_; }

private:
    const std::vector<Row>& rows_;
    py::dict columns_;
};

/// The rows `make` takes from a working copy of the pre-computed system of an entry, made with
/// the GIL released (loading a band changes the copy, never the shared state).
template <typename Make>
auto RowsOf(Database& self, int entry, Make make) {
    py::gil_scoped_release release;
    DatabaseState db = *self.Precomputed(entry);
    return make(db);
}

std::string Letter(char c) { return std::string(1, c); }

std::string ParityText(database::Parity p) { return p == database::Parity::e ? "e" : "f"; }

/// The lines of band (vUp, vLow) of a band system of any multiplicity, in the columns of
/// `velmora-cli lines` for such a system.
py::dict MultipletLines(const database::MultipletEntry& entry, int vUp, int vLow) {
    database::MultipletSystemData one = entry.data;
    const auto band = one.bandA.find({vUp, vLow});
    if (band == one.bandA.end())
        throw std::invalid_argument(entry.name + " " + entry.SystemLabel() + " has no band (" + std::to_string(vUp) +
                                    "," + std::to_string(vLow) + ")");
    one.bandA = {*band};
    const database::MultipletSystem system = [&] {
        py::gil_scoped_release release;
        return database::BuildMultipletSystem(one);
    }();
    using R = database::MultipletLine;
    const SystemDescription& d = system.description;
    return ColumnsOf<R>(system.bands.at({vUp, vLow}).lines)
        .Add("v_up", [&](const R&) { return vUp; })
        .Add("v_low", [&](const R&) { return vLow; })
        .Add("branch", [&](const R& l) { return database::BranchNameOf(d, l); })
        .Add("F_up", [](const R& l) { return l.upper.F; })
        .Add("F_low", [](const R& l) { return l.lower.F; })
        .Add("N_up", [](const R& l) { return l.upper.N; })
        .Add("J_up", [](const R& l) { return l.upper.twoJ / 2.0; })
        .Add("N_low", [](const R& l) { return l.lower.N; })
        .Add("J_low", [](const R& l) { return l.lower.twoJ / 2.0; })
        .Add("parity_up", [](const R& l) { return ParityText(l.upper.parity); })
        .Add("parity_low", [](const R& l) { return ParityText(l.lower.parity); })
        .Add("position_cm-1", [](const R& l) { return l.nu; })
        .Add("hl_factor", [](const R& l) { return l.honlLondon; })
        .Add("einstein_A_s-1", [](const R& l) { return l.einsteinA; })
        .Add("nuclear_weight", [](const R& l) { return l.nuclearWeight; })
        .Dict();
}

/// The radiative lifetimes of the upper levels of a band system of any multiplicity, in the
/// columns of the doublet systems' table (no predissociation: effective = radiative, yield 1).
py::dict MultipletLifetimes(const database::MultipletEntry& entry) {
    std::vector<database::LevelLifetime> rows;
    int twoS = 0;
    {
        py::gil_scoped_release release;
        const database::MultipletSystem system = database::BuildMultipletSystem(entry.data);
        rows = database::RadiativeLifetimes(system);
        twoS = system.description.upper.twoS;
    }
    using R = database::LevelLifetime;
    return ColumnsOf<R>(rows)
        .Add("v_up", [](const R& r) { return r.v; })
        .Add("component", [&](const R& r) { return simulation::MultipletComponent(twoS, r.level); })
        .Add("N_up", [](const R& r) { return r.level.N; })
        .Add("radiative_ns", [](const R& r) { return static_cast<float>(r.lifetimeNs); })
        .Add("effective_ns", [](const R& r) { return static_cast<float>(r.lifetimeNs); })
        .Add("yield", [](const R&) { return 1.0f; })
        .Dict();
}

/// The term values of vibrational level v of the upper (1) or lower (2) state of a band system of
/// any multiplicity: every level that exists (nuclear-spin weight above 0), in order of J.
py::dict MultipletLevels(const database::MultipletEntry& entry, int state, int v) {
    const database::MultipletSystemData& data = entry.data;
    const auto& constants = state == 1 ? data.upper : data.lower;
    const auto c = constants.find(v);
    if (c == constants.end())
        throw std::invalid_argument(entry.name + " " + entry.SystemLabel() + " has no vibrational level v = " +
                                    std::to_string(v) + " of its " + (state == 1 ? "upper" : "lower") + " state");
    const StateDescription& description = data.description.State(state);
    const database::StateLevels ladder(database::EngineStateOf(description), c->second,
                                       data.twoJMax + (state == 1 ? 0 : 2));
    std::vector<database::RotationalLevel> rows;
    for (const database::RotationalLevel& l : ladder.Levels())
        if (database::LevelNuclearWeight(data.description, description, l) > 0.0) rows.push_back(l);
    using R = database::RotationalLevel;
    return ColumnsOf<R>(rows)
        .Add("N", [](const R& l) { return l.N; })
        .Add("J", [](const R& l) { return l.twoJ / 2.0; })
        .Add("F", [](const R& l) { return l.F; })
        .Add("parity", [](const R& l) { return ParityText(l.parity); })
        .Add("term_cm-1", [](const R& l) { return l.energy; })
        .Dict();
}

py::dict Lines(Database& self, int entry, int vUp, int vLow) {
    if (const auto multiplet = self.Multiplet(entry)) return MultipletLines(*multiplet, vUp, vLow);
    using R = database::LineRow;
    const auto rows = RowsOf(self, entry, [&](DatabaseState& db) { return database::BandLineRows(db, vUp, vLow); });
    return ColumnsOf<R>(rows)
        .Add("v_up", [](const R& r) { return r.vUp; })
        .Add("v_low", [](const R& r) { return r.vLow; })
        .Add("branch", [](const R& r) { return r.branch; })
        .Add("name_b", [](const R& r) { return r.nameB; })
        .Add("name_a", [](const R& r) { return r.nameA; })
        .Add("N_low", [](const R& r) { return r.NLow; })
        .Add("J_low", [](const R& r) { return r.JLow; })
        .Add("position_cm-1", [](const R& r) { return r.position; })
        .Add("hl_factor", [](const R& r) { return r.honlLondon; })
        .Add("transition_probability", [](const R& r) { return r.probability; })
        .Add("emission_coefficient", [](const R& r) { return r.emission; })
        .Add("absorption_coefficient", [](const R& r) { return r.absorption; })
        .Add("parity_up", [](const R& r) { return Letter(r.parityUp); })
        .Add("parity_low", [](const R& r) { return Letter(r.parityLow); })
        .Dict();
}

py::dict Lifetimes(Database& self, int entry) {
    if (const auto multiplet = self.Multiplet(entry)) return MultipletLifetimes(*multiplet);
    using R = database::LifetimeRow;
    const auto rows = RowsOf(self, entry, [](DatabaseState& db) { return database::LevelLifetimeRows(db); });
    // NaN where the level does not exist (the command line leaves the fields empty).
    auto value = [](float R::*member) { return [=](const R& r) { return r.exists ? r.*member : std::nanf(""); }; };
    return ColumnsOf<R>(rows)
        .Add("v_up", [](const R& r) { return r.vUp; })
        .Add("component", [](const R& r) { return r.component; })
        .Add("N_up", [](const R& r) { return r.NUp; })
        .Add("radiative_ns", value(&R::radiative))
        .Add("effective_ns", value(&R::effective))
        .Add("yield", value(&R::yield))
        .Dict();
}

py::dict Levels(Database& self, int entry, int state, int v) {
    if (const auto multiplet = self.Multiplet(entry)) return MultipletLevels(*multiplet, state, v);
    using R = database::TermRow;
    const auto rows = RowsOf(self, entry, [&](DatabaseState& db) { return database::LevelTermRows(db, state, v); });
    return ColumnsOf<R>(rows)
        .Add("N", [](const R& r) { return r.N; })
        .Add("J", [](const R& r) { return r.J; })
        .Add("F", [](const R& r) { return r.F; })
        .Add("parity", [](const R& r) { return Letter(r.parity); })
        .Add("term_cm-1", [](const R& r) { return r.term; })
        .Dict();
}

py::list Systems(const Database& self) {
    const velmora::Catalogue& cat = self.Catalogue().cat;
    py::list list;
    for (int i = 1; i <= cat.CatalogueCount; ++i) {
        py::dict r;
        r["entry"] = i;
        r["molecule"] = cat.MoleculeName(i);
        r["system"] = Trim(cat.SystemLabel(i));
        r["lambda_up"] = cat.StateLambda(1, i);
        r["lambda_low"] = cat.StateLambda(2, i);
        r["nmaxvib_up"] = cat.NMaxVib(i, 1);
        r["nmaxvib_low"] = cat.NMaxVib(i, 2);
        r["mass"] = cat.MolecularMass(i);
        // False: relative band strengths only; "no_absolute_scale" says why.
        const std::string why = database::NoAbsoluteScale(cat, i);
        r["absolute_scale"] = why.empty();
        r["no_absolute_scale"] = why;
        list.append(r);
    }
    const auto multiplets = database::MultipletEntriesOf(self.Catalogue().AppPath);
    for (std::size_t k = 0; k < multiplets.size(); ++k) {
        const database::MultipletEntry& m = multiplets[k];
        py::dict r;
        r["entry"] = cat.CatalogueCount + 1 + static_cast<int>(k);
        r["molecule"] = m.name;
        r["system"] = m.SystemLabel();
        r["lambda_up"] = m.data.description.upper.lambda;
        r["lambda_low"] = m.data.description.lower.lambda;
        r["nmaxvib_up"] = m.data.upper.rbegin()->first;
        r["nmaxvib_low"] = m.data.lower.rbegin()->first;
        r["mass"] = m.mass;
        r["absolute_scale"] = true;
        r["no_absolute_scale"] = "";
        list.append(r);
    }
    return list;
}

// ---- Conditions ------------------------------------------------------------------------------
// The keywords of velmora.Conditions are the fields of the condition table, with its limits and
// refusals: a number in its given unit, a choice by name or number, a switch True/False (or
// on/off), a composition as its text, a file by its path (None for none).

using simulation::ConditionField;
using simulation::FieldError;
using simulation::FieldType;

const ConditionField& FindField(const std::string& keyword) {
    if (const ConditionField* f = simulation::FindKeyword(keyword)) return *f;
    throw std::invalid_argument("conditions: " + keyword + " is not a condition (see velmora.Conditions.fields())");
}

/// A Python value as the field takes it: a number, or the text of a name, switch or file.
simulation::GivenField GivenOf(const ConditionField& f, const py::handle& value) {
    const std::string shown = py::cast<std::string>(py::repr(value));
    auto refused = [&](const std::string& words) {
        return std::invalid_argument(std::string("conditions: ") + f.keyword + " = " + shown + " " + words);
    };
    switch (f.type) {
        case FieldType::Number:
            if (py::isinstance<py::str>(value) || py::isinstance<py::bool_>(value)) throw refused("is not a number");
            try {
                return {&f, "", py::cast<double>(value)};
            } catch (const py::cast_error&) {
                throw refused("is not a number");
            }
        case FieldType::Switch:
            if (py::isinstance<py::bool_>(value)) return {&f, py::cast<bool>(value) ? "on" : "off", std::nullopt};
            [[fallthrough]];
        case FieldType::Choice:
            if (py::isinstance<py::str>(value)) return {&f, py::cast<std::string>(value), std::nullopt};
            if (py::isinstance<py::int_>(value) && !py::isinstance<py::bool_>(value))
                return {&f, std::to_string(py::cast<long long>(value)), std::nullopt};
            throw refused("is not one of its names or numbers");
        case FieldType::Text:
            if (!py::isinstance<py::str>(value)) throw refused("is not a text");
            return {&f, py::cast<std::string>(value), std::nullopt};
        case FieldType::File:
            if (value.is_none()) return {&f, "", std::nullopt};
            return {&f, py::cast<std::string>(py::module_::import("os").attr("fspath")(value)), std::nullopt};
    }
    return {&f, "", std::nullopt};
}

/// The refusal of the core as Python words it: the keyword, the value as given and why.
std::invalid_argument ConditionError(const FieldError& e, const py::handle& value) {
    const std::string field = std::string("conditions: ") + e.field.keyword;
    if (e.kind == FieldError::Kind::Invalid) return std::invalid_argument(field + ": " + e.words);
    if (e.kind == FieldError::Kind::Conflict)
        return std::invalid_argument(field + " " + e.WordsNaming(e.other->keyword));
    return std::invalid_argument(field + " = " + py::cast<std::string>(py::repr(value)) + " " + e.words);
}

/// The value of a field as Python shows it.
py::object FieldValue(const ConditionField& f, const SimulationConditions& c) {
    switch (f.type) {
        case FieldType::Number:
            return py::float_(simulation::GivenValue(f, c));
        case FieldType::Switch:
            return py::bool_(simulation::HeldValue(f, c) != 0.0);
        case FieldType::Choice:
            return py::str(simulation::ChoiceName(f, static_cast<int>(simulation::HeldValue(f, c))));
        case FieldType::Text:
            return py::str(f.getText(c));
        case FieldType::File: {
            const std::string file = f.getText(c);
            return file.empty() ? py::object(py::none()) : py::object(py::str(file));
        }
    }
    return py::none();
}

/// One field set on existing conditions, with its limits and the rules between fields; refused
/// values leave the conditions as they were.
void SetField(SimulationConditions& c, const std::string& keyword, const py::handle& value) {
    const ConditionField& f = FindField(keyword);
    const simulation::GivenField g = GivenOf(f, value);
    SimulationConditions changed = c;
    try {
        if (g.number)
            simulation::SetGivenNumber(f, changed, *g.number);
        else
            simulation::SetFieldText(f, changed, g.text);
        simulation::CheckFieldRules(changed);
    } catch (const FieldError& e) {
        throw ConditionError(e, value);
    }
    c = std::move(changed);
}

/// New conditions from keywords, formed as the command line forms them from its options.
SimulationConditions MakeConditions(const py::dict& kwargs) {
    std::vector<simulation::GivenField> given;
    std::map<const ConditionField*, py::handle> values;
    for (const auto& [key, value] : kwargs) {
        const ConditionField& f = FindField(py::cast<std::string>(key));
        given.push_back(GivenOf(f, value));
        values[&f] = value;
    }
    try {
        return simulation::ConditionsFromFields(given);
    } catch (const FieldError& e) {
        const auto it = values.find(&e.field);
        throw ConditionError(e, it != values.end() ? it->second : py::handle(py::none()));
    }
}

py::dict ConditionsDict(const SimulationConditions& c) {
    py::dict d;
    for (const ConditionField& f : simulation::ConditionFields()) d[f.keyword] = FieldValue(f, c);
    return d;
}

/// What pickling keeps: every field's value, and the data of the files read (a worker of a
/// cluster need not see the files).
py::tuple PickledConditions(const SimulationConditions& c) {
    py::dict d = ConditionsDict(c);
    d.attr("pop")("slit");
    d.attr("pop")("filter");
    py::object slit = py::none();
    if (c.slit)
        slit = py::make_tuple(c.slit->file, simulation::StoredValue(c.slit->unit), c.slit->offset, c.slit->response);
    return py::make_tuple(d, slit, c.detectionFilter, c.detectionFilterFile);
}

SimulationConditions UnpickledConditions(const py::tuple& t) {
    SimulationConditions c = MakeConditions(t[0].cast<py::dict>());
    if (!t[1].is_none()) {
        auto slit = std::make_shared<simulation::MeasuredSlit>();
        const auto s = t[1].cast<py::tuple>();
        slit->file = s[0].cast<std::string>();
        slit->unit = simulation::StoredMode<simulation::SlitOffsetUnit>(s[1].cast<int>());
        slit->offset = s[2].cast<std::vector<double>>();
        slit->response = s[3].cast<std::vector<double>>();
        c.slit = std::move(slit);
    }
    c.detectionFilter = t[2].cast<std::vector<std::pair<double, double>>>();
    c.detectionFilterFile = t[3].cast<std::string>();
    return c;
}

// ---- Simulation and fit ----------------------------------------------------------------------

populations::Populations PopulationsOf(const fit::FitSystem& system, const SimulationConditions& c,
                                       const std::map<int, double>* vibrational, double minPopulation) {
    const int kind = simulation::StoredValue(c.kind);
    if (system.multiplet) {
        // Every vibrational level of a multiplet state is simulated; chosen ones keep their
        // thermal rotational distributions at the conditions' temperature.
        populations::Populations thermal = simulation::MultipletPopulations(*system.multiplet, c);
        if (!vibrational) return thermal;
        return simulation::WithVibrationalPopulations(*system.multiplet, std::move(thermal), *vibrational);
    }
    if (vibrational) return populations::LevelPopulations(*system.database, kind, *vibrational, c.temperature);
    if (!(minPopulation >= 0.0 && minPopulation <= 0.1))
        throw std::invalid_argument("min_population must lie within 0..0.1");
    return populations::ThermalPopulations(*system.database, kind, c.temperature, static_cast<float>(minPopulation));
}

py::tuple Simulate(Database& db, int entry, const SimulationConditions& c,
                   std::optional<std::map<int, double>> vibrational, double minPopulation, bool perLevel) {
    std::optional<std::pair<Buffer, Buffer>> xy;
    std::vector<int> levelNumbers;
    std::vector<Buffer> levelTraces;
    {
        // The simulation and the arrays it fills, all without the GIL; NumPy then adopts them.
        py::gil_scoped_release release;
        simulation::CheckConditions(c);
        const fit::FitSystem system = db.System(entry, c);
        const populations::Populations pop =
            PopulationsOf(system, c, vibrational ? &*vibrational : nullptr, minPopulation);
        const simulation::Spectrum s = simulation::Simulate(*system.model, c, pop);
        xy.emplace(SpectrumArrays(s));
        // Each level weighted by its population, so that the levels add up to the total.
        const auto n = static_cast<std::size_t>(s.grid.Points());
        for (std::size_t k = 0; perLevel && k < s.levels.size(); ++k) {
            Buffer& level = levelTraces.emplace_back(n);
            simulation::ActiveArrayKernels().widen(level.Data(), &s.bands(static_cast<int>(k) + 1, 0), n,
                                                   pop.weights[k]);
        }
        levelNumbers = s.levels;
    }
    if (!perLevel) return py::make_tuple(Adopt(std::move(xy->first)), Adopt(std::move(xy->second)));
    py::dict levels;
    for (std::size_t k = 0; k < levelNumbers.size(); ++k)
        levels[py::int_(levelNumbers[k])] = Adopt(std::move(levelTraces[k]));
    return py::make_tuple(Adopt(std::move(xy->first)), Adopt(std::move(xy->second)), levels);
}

using LineListHandle = std::shared_ptr<database::ImportedLineList>;

/// A line list read from files (ExoMol .def or HITRAN .par), lines kept within lo..hi cm-1.
LineListHandle ReadLineList(const std::string& path, double lo, double hi) {
    py::gil_scoped_release release;
    return std::make_shared<database::ImportedLineList>(database::ReadLineList(path, {lo, hi}));
}

/// The kept lines of a list as columns.
py::dict LineListLines(const LineListHandle& list) {
    std::vector<double> nu, lower, upper, A, gUp, gLow, gammaAir, gammaSelf, nAir, deltaAir;
    std::vector<std::string> upLabel, lowLabel;
    for (const database::ListedLine& l : list->lines) {
        nu.push_back(l.nu), lower.push_back(l.lowerEnergy), upper.push_back(l.UpperEnergy()), A.push_back(l.A);
        gUp.push_back(l.gUpper), gLow.push_back(l.gLower), gammaAir.push_back(l.gammaAir);
        gammaSelf.push_back(l.gammaSelf), nAir.push_back(l.nAir), deltaAir.push_back(l.deltaAir);
        upLabel.push_back(list->levels[l.upper].label), lowLabel.push_back(list->levels[l.lower].label);
    }
    py::dict d;
    d["position_cm-1"] = nu, d["lower_energy_cm-1"] = lower, d["upper_energy_cm-1"] = upper;
    d["g_up"] = gUp, d["g_low"] = gLow, d["einstein_A_s-1"] = A, d["gamma_air_cm-1/atm"] = gammaAir;
    d["gamma_self_cm-1/atm"] = gammaSelf, d["n_air"] = nAir, d["delta_air_cm-1/atm"] = deltaAir;
    d["upper"] = upLabel, d["lower"] = lowLabel;
    return d;
}

/// The upper levels of a list with their radiative lifetimes from the A of the kept lines.
py::dict LineListLifetimes(const LineListHandle& list) {
    const std::vector<double> tau = database::LevelLifetimes(*list);
    std::vector<double> energy, g, J, radiative;
    std::vector<std::string> label;
    for (std::size_t i = 0; i < tau.size(); ++i) {
        if (tau[i] == 0.0) continue;
        const database::ListedLevel& l = list->levels[i];
        energy.push_back(l.energy), g.push_back(l.g), J.push_back(l.J >= 0.0f ? l.J : NAN), radiative.push_back(tau[i]);
        label.push_back(l.label);
    }
    py::dict d;
    d["energy_cm-1"] = energy, d["g"] = g, d["J"] = J, d["radiative_ns"] = radiative, d["level"] = label;
    return d;
}

py::tuple SimulateLineList(const LineListHandle& list, const SimulationConditions& c) {
    std::optional<std::pair<Buffer, Buffer>> xy;
    {
        py::gil_scoped_release release;
        xy.emplace(SpectrumArrays(simulation::SimulateLineSet(*list, c)));
    }
    return py::make_tuple(Adopt(std::move(xy->first)), Adopt(std::move(xy->second)));
}

/// A one-dimensional array of numbers as NumPy hands it over (converted to C-ordered doubles).
using Doubles = py::array_t<double, py::array::c_style | py::array::forcecast>;

std::vector<double> Vector(const Doubles& a, const char* name) {
    if (a.ndim() != 1) throw std::invalid_argument(std::string(name) + " must be a one-dimensional array");
    return std::vector<double>(a.data(), a.data() + a.size());
}

/// What Python passes about a fit beside the points and the parameters' settings.
struct FitCall {
    std::string weighting, convention, source, components;
    std::vector<std::pair<double, double>> excluded;
    bool limitToRange = false;
    int maxIterations = 100, scanPoints = 12, starts = 0, bootstrap = 0, threads = 0;
    std::uint64_t seed = 1;
    std::vector<std::string> profile;
};

/// The fit request of the options, without its spectrum; its band systems come later, without
/// the GIL.
fit::FitRequest FitRequestOf(const fit::FitSettings& settings, const SimulationConditions& c, const FitCall& call) {
    fit::FitRequest r;
    if (call.weighting == "uniform")
        r.weighting = fit::Weighting::Uniform;
    else if (call.weighting == "sigma")
        r.weighting = fit::Weighting::FileColumn;
    else if (call.weighting == "noise")
        r.weighting = fit::Weighting::NoiseEstimate;
    else
        throw fit::FitInputError("weighting \"" + call.weighting + "\" is not uniform, sigma or noise");
    if (call.convention == "photons")
        r.convention = fit::IntensityConvention::PhotonCounts;
    else if (call.convention == "energy")
        r.convention = fit::IntensityConvention::Energy;
    else
        throw fit::FitInputError("convention \"" + call.convention + "\" is not photons or energy");
    if (call.components == "systems")
        r.options.components = fit::ComponentDetail::Systems;
    else if (call.components == "bands")
        r.options.components = fit::ComponentDetail::Bands;
    else if (call.components == "branches")
        r.options.components = fit::ComponentDetail::Branches;
    else
        throw fit::FitInputError("components \"" + call.components + "\" is not systems, bands or branches");
    if (call.bootstrap < 0 || call.bootstrap == 1)
        throw fit::FitInputError("bootstrap: 0 (none) or 2 resamples or more");
    if (call.starts < 0) throw fit::FitInputError("starts: 0 or more");
    r.conditions = c;
    r.limitToRange = call.limitToRange;
    r.excluded = call.excluded;
    r.settings = settings;
    r.options.maxIterations = call.maxIterations;
    r.options.scanPoints = call.scanPoints;
    r.options.starts = call.starts;
    r.options.bootstrap = call.bootstrap;
    r.options.seed = call.seed;
    r.options.threads = call.threads;
    r.options.profile = call.profile;
    return r;
}

/// The request of a fit of points from Python.
fit::FitRequest FitRequestOf(const Doubles& x, const Doubles& y, const py::object& sigma,
                             const fit::FitSettings& settings, const SimulationConditions& c, const FitCall& call) {
    const std::string& source = call.source;
    fit::FitRequest r = FitRequestOf(settings, c, call);
    r.spectrum.source = source;
    r.spectrum.x = Vector(x, "x");
    r.spectrum.y = Vector(y, "y");
    if (!sigma.is_none()) r.spectrum.sigma = Vector(sigma.cast<Doubles>(), "sigma");
    if (r.spectrum.x.size() != r.spectrum.y.size())
        throw fit::FitInputError(source + ": x has " + std::to_string(r.spectrum.x.size()) + " points, y " +
                                 std::to_string(r.spectrum.y.size()));
    if (r.weighting == fit::Weighting::FileColumn && r.spectrum.sigma.empty())
        throw fit::FitInputError(source + ": weighting \"sigma\" needs the uncertainties (sigma)");
    return r;
}

/// The band systems of the entries, pre-computed for the conditions (without the GIL).
void AddSystems(Database& db, const std::vector<int>& entries, fit::FitRequest& r) {
    if (entries.empty()) throw fit::FitInputError("entries: at least one band system is needed");
    simulation::CheckConditions(r.conditions);
    for (int entry : entries) r.systems.push_back(db.System(entry, r.conditions));
}

/// A band system of a fit from Python: a catalogue entry or a line list read from files.
using FitEntry = std::variant<int, LineListHandle>;

/// The band systems of catalogue entries and line lists, in their order (without the GIL): a
/// line list is the system FitSystem makes of it, as velmora-cli fit --line-list makes it.
void AddSystems(Database& db, const std::vector<FitEntry>& entries, fit::FitRequest& r) {
    if (entries.empty()) throw fit::FitInputError("entries: at least one band system is needed");
    simulation::CheckConditions(r.conditions);
    for (const FitEntry& e : entries) {
        if (const int* entry = std::get_if<int>(&e))
            r.systems.push_back(db.System(*entry, r.conditions));
        else
            r.systems.push_back(fit::MakeFitSystem(std::get<LineListHandle>(e)));
    }
}

fit::FitResult Fit(Database& db, const std::vector<FitEntry>& entries, fit::FitRequest r) {
    py::gil_scoped_release release;
    AddSystems(db, entries, r);
    return fit::FitSpectrum(r);
}

/// A fit and the band systems of the catalogue tried on its residual.
std::pair<fit::FitResult, fit::SpeciesSearch> Identify(Database& db, const std::vector<FitEntry>& entries,
                                                       fit::FitRequest r) {
    py::gil_scoped_release release;
    AddSystems(db, entries, r);
    fit::FitResult result = fit::FitSpectrum(r);
    fit::SpeciesSearch search =
        fit::IdentifySpecies(r, result, db.Catalogue(), [&](int entry) { return db.System(entry, r.conditions); });
    return {std::move(result), std::move(search)};
}

py::dict DiagnosticsDict(const fit::FitDiagnostics& d) {
    py::dict o;
    o["points"] = d.points;
    o["sigma_known"] = d.sigmaKnown;
    o["chi_square"] = d.chiSquare;
    o["reduced_chi_square"] = d.reducedChiSquare;
    o["residual_sigma"] = d.residualSigma;
    o["pearson_r"] = d.pearsonR;
    o["rms_residual"] = d.rmsResidual;
    o["rms_over_peak"] = d.rmsOverPeak;
    o["durbin_watson"] = d.durbinWatson;
    o["correlation_length"] = d.correlationLength;
    o["effective_points"] = d.effectivePoints;
    o["largest_residual"] = d.largestResidual;
    o["largest_residual_x"] = d.largestResidualX;
    o["warnings"] = d.warnings;
    return o;
}

py::list CandidateList(const fit::SpeciesSearch& search) {
    py::list l;
    for (const fit::SpeciesCandidate& c : search.candidates) {
        py::dict d;
        d["system"] = c.system;
        d["entry"] = c.entry;
        d["share"] = c.share;
        d["temperature"] = c.temperature;
        d["scale"] = c.scale;
        d["ranges"] = c.ranges;
        l.append(d);
    }
    return l;
}

// ---- Frames ----------------------------------------------------------------------------------

using Pixels = py::array_t<float, py::array::c_style | py::array::forcecast>;

/// A frame of NumPy arrays: x (columns), positions (rows) and a 2-D array of pixels.
experiment::SpectrumFrame FrameOfArrays(const py::object& x, const py::object& positions, const Pixels& pixels,
                                        const std::string& source) {
    if (pixels.ndim() != 2) throw fit::FitInputError(source + ": the pixels must be a two-dimensional array");
    const int rows = static_cast<int>(pixels.shape(0)), columns = static_cast<int>(pixels.shape(1));
    experiment::CheckFrameSize(rows, columns, source + ": ");
    experiment::SpectrumFrame f = experiment::BlankFrame(rows, columns);
    f.source = source;
    std::copy(pixels.data(), pixels.data() + pixels.size(), f.pixels.begin());
    if (!x.is_none()) {
        f.axis = Vector(x.cast<Doubles>(), "x");
        if (static_cast<int>(f.axis.size()) != columns)
            throw fit::FitInputError(source + ": " + std::to_string(f.axis.size()) + " x for " +
                                     std::to_string(columns) + " columns");
    }
    if (!positions.is_none()) {
        f.positions = Vector(positions.cast<Doubles>(), "positions");
        if (static_cast<int>(f.positions.size()) != rows)
            throw fit::FitInputError(source + ": " + std::to_string(f.positions.size()) + " positions for " +
                                     std::to_string(rows) + " rows");
    }
    return f;
}

py::array_t<float> PixelArray(int rows, int columns, const std::vector<float>& v) {
    py::array_t<float> a({static_cast<py::ssize_t>(rows), static_cast<py::ssize_t>(columns)});
    std::copy(v.begin(), v.end(), a.mutable_data());
    return a;
}

py::dict FrameDict(const experiment::SpectrumFrame& f) {
    py::dict d;
    d["x"] = ToArray(f.axis);
    d["positions"] = ToArray(f.positions);
    d["pixels"] = PixelArray(f.rows, f.columns, f.pixels);
    d["x_unit"] = f.axisUnitName;
    d["position_unit"] = f.positionUnit;
    d["detail"] = f.detail;
    d["source"] = f.source;
    return d;
}

/// The preparation of the keyword options; `frame` a path or None (arrays given).
fit::FramePreparation PreparationOf(const py::dict& o) {
    fit::FramePreparation how;
    auto text = [&](const char* key) {
        return o.contains(key) && !o[key].is_none() ? py::cast<std::string>(o[key]) : std::string();
    };
    how.frame = text("path");
    how.image = o.contains("image") ? py::cast<int>(o["image"]) : 1;
    how.axisFile = text("axis");
    how.dark = text("dark");
    how.response = text("response");
    if (o.contains("rows") && !o["rows"].is_none()) {
        const auto [a, b] = py::cast<std::pair<int, int>>(o["rows"]);
        how.firstRow = a, how.lastRow = b;
    }
    how.bin = o.contains("bin") ? py::cast<int>(o["bin"]) : 1;
    if (o.contains("positions") && !o["positions"].is_none()) {
        const auto p = py::cast<std::tuple<double, double, std::string>>(o["positions"]);
        how.positionsGiven = true;
        std::tie(how.positionFirst, how.positionStep, how.positionUnit) = p;
    }
    how.abel = o.contains("abel") && py::cast<bool>(o["abel"]);
    if (o.contains("centre") && !o["centre"].is_none()) {
        how.abelOptions.findCentre = false;
        how.abelOptions.centre = py::cast<double>(o["centre"]);
    }
    const std::string halves = o.contains("halves") ? py::cast<std::string>(o["halves"]) : "average";
    const char* names[] = {"average", "lower", "upper", "both"};
    const auto at = std::find(std::begin(names), std::end(names), halves);
    if (at == std::end(names))
        throw fit::FitInputError("halves \"" + halves + "\" is not average, lower, upper or both");
    how.abelOptions.halves = static_cast<experiment::AbelHalves>(at - std::begin(names));
    how.abelOptions.regularisation = o.contains("regularisation") ? py::cast<double>(o["regularisation"]) : 0.0;
    return how;
}

/// The corrected frame of a path, or of arrays with the rows and binning applied.
experiment::SpectrumFrame CorrectedFrame(const fit::FramePreparation& how, const py::dict& o) {
    if (!how.frame.empty()) return fit::ReadCorrectedFrame(how);
    const experiment::SpectrumFrame f =
        FrameOfArrays(o["x"], o["positions_of_rows"], o["pixels"].cast<Pixels>(),
                      o.contains("source") ? py::cast<std::string>(o["source"]) : "frame");
    return experiment::SelectRows(f, how.firstRow, how.lastRow, how.bin);
}

py::dict ReadFrame(const py::dict& o) {
    const fit::FramePreparation how = PreparationOf(o);
    experiment::SpectrumFrame f;
    {
        py::gil_scoped_release release;
        f = fit::ReadCorrectedFrame(how);
    }
    return FrameDict(f);
}

py::dict FitFrame(Database& db, const std::vector<int>& entries, const py::dict& o, const fit::FitSettings& settings,
                  const SimulationConditions& c, const std::string& weighting,
                  const std::vector<std::pair<double, double>>& excluded, const std::string& convention,
                  bool limitToRange, int maxIterations, int scanPoints, int threads, int block, int firstRow,
                  int lastRow) {
    const fit::FramePreparation how = PreparationOf(o);
    experiment::SpectrumFrame corrected;
    if (how.frame.empty()) corrected = CorrectedFrame(how, o);  // arrays: read while holding the GIL
    fit::FrameSpectra frame;
    std::vector<fit::FrameRow> rows;
    {
        py::gil_scoped_release release;
        FitCall call;
        call.weighting = weighting, call.convention = convention, call.components = "bands";
        call.excluded = excluded, call.limitToRange = limitToRange;
        call.maxIterations = maxIterations, call.scanPoints = scanPoints;
        call.threads = 1;  // the rows are fitted in parallel
        fit::FitRequest request = FitRequestOf(settings, c, call);
        AddSystems(db, entries, request);
        frame = how.frame.empty() ? fit::FrameSpectraOf(corrected, how, c.unit) : fit::PrepareFrame(how, c.unit);
        fit::FrameFitOptions options;
        options.jobs = threads, options.block = block, options.firstRow = firstRow, options.lastRow = lastRow;
        if (block > 0) rows = fit::FitFrame(request, frame, options);
    }
    // Columns of the rows: every parameter any row has, NaN where a row lacks it.
    std::vector<std::string> names;
    for (const fit::FrameRow& row : rows)
        for (const fit::Parameter& q : row.fit.result.parameters)
            if (std::find(names.begin(), names.end(), q.name) == names.end()) names.push_back(q.name);
    const double nan = std::nan("");
    py::dict values, sigmas;
    for (const std::string& n : names) {
        std::vector<double> v, e;
        for (const fit::FrameRow& row : rows) {
            const bool ok = row.fit.outcome == fit::BatchOutcome::Fitted;
            v.push_back(ok ? row.fit.result.Value(n) : nan);
            const fit::Parameter* q = ok ? row.fit.result.Find(n) : nullptr;
            e.push_back(q && q->free ? row.fit.result.Uncertainty(n) : q ? 0.0 : nan);
        }
        values[py::str(n)] = ToArray(v), sigmas[py::str(n)] = ToArray(e);
    }
    std::vector<int> index, half, points;
    std::vector<double> position, chi2;
    py::list status, message, start, warnings;
    const char* outcomes[] = {"fitted", "bad input", "not converged"};
    for (const fit::FrameRow& row : rows) {
        const bool ok = row.fit.outcome == fit::BatchOutcome::Fitted;
        index.push_back(row.index + 1), half.push_back(row.half), position.push_back(row.position);
        chi2.push_back(ok ? row.fit.result.reducedChiSquare : nan), points.push_back(ok ? row.fit.result.points : 0);
        status.append(outcomes[static_cast<int>(row.fit.outcome)]);
        message.append(row.fit.message);
        start.append(row.fromNeighbour ? "neighbour" : "request");
        warnings.append(py::cast(row.fit.result.warnings));
    }
    py::dict d;
    d["source"] = frame.source, d["detail"] = frame.detail, d["position_name"] = frame.positionName;
    d["position_unit"] = frame.positionUnit, d["centre"] = frame.centre;
    d["frame_rows"] = static_cast<int>(frame.y.size());
    d["row"] = ToArray(index), d["position"] = ToArray(position), d["half"] = ToArray(half);
    d["status"] = status, d["message"] = message, d["start"] = start, d["warnings"] = warnings;
    d["reduced_chi_square"] = ToArray(chi2), d["points"] = ToArray(points);
    d["values"] = values, d["uncertainties"] = sigmas;
    return d;
}

py::dict LifImage(Database& db, int entry, const py::list& images, const py::list& backgrounds,
                  const std::vector<double>& lines, const SimulationConditions& conditions,
                  const std::vector<double>& energies, double threshold, const std::vector<double>& noise, double gain,
                  double t1, double t2, int steps, int threads) {
    fit::LifImageRequest q;
    auto frames = [](const py::list& list, const char* what) {
        std::vector<experiment::SpectrumFrame> out;
        for (std::size_t k = 0; k < list.size(); ++k) {
            const py::handle item = list[k];
            const std::string name = std::string(what) + " " + std::to_string(k + 1);
            if (py::isinstance<py::str>(item))
                out.push_back(experiment::ReadFrameFile(py::cast<std::string>(item), 1));
            else
                out.push_back(FrameOfArrays(py::none(), py::none(), item.cast<Pixels>(), name));
        }
        return out;
    };
    q.images = frames(images, "image");
    q.backgrounds = frames(backgrounds, "background");
    q.lines = lines, q.energies = energies, q.threshold = threshold, q.noise = noise, q.gain = gain;
    q.t1 = t1, q.t2 = t2, q.steps = steps, q.jobs = threads;
    q.conditions = conditions;
    q.conditions.kind = simulation::SpectrumKind::LifExcitation;
    fit::LifImageResult r;
    {
        py::gil_scoped_release release;
        simulation::CheckConditions(q.conditions);
        q.system = db.System(entry, q.conditions);
        r = fit::LifTemperatureImage(q);
    }
    std::vector<float> mask;
    for (fit::LifPixel m : r.mask) mask.push_back(static_cast<float>(m));
    py::dict d;
    d["temperature"] = PixelArray(r.rows, r.columns, r.temperature);
    d["sigma"] = PixelArray(r.rows, r.columns, r.sigma);
    d["scale"] = PixelArray(r.rows, r.columns, r.scale);
    d["scale_sigma"] = PixelArray(r.rows, r.columns, r.scaleSigma);
    d["mask"] = py::array(PixelArray(r.rows, r.columns, mask)).attr("astype")("uint8");
    d["x"] = ToArray(r.x), d["y"] = ToArray(r.y);
    d["temperatures"] = ToArray(r.temperatures);
    py::list info;
    for (const fit::LifImageLine& l : r.lines) {
        py::dict line;
        line["laser"] = l.laser, line["position"] = l.position, line["v_up"] = l.vUp, line["v_low"] = l.vLow;
        line["branch"] = l.branch, line["N_low"] = l.N, line["signal"] = ToArray(l.signal);
        info.append(line);
    }
    d["lines"] = info;
    d["noise"] = ToArray(r.noise);
    d["valid"] = r.valid;
    d["notes"] = r.notes;
    return d;
}

/// Reads a spectrum file with the program's spectrum reader: "measured" as a fit reads it (double
/// precision, x converted to the axis unit, y as written, σ from the column named for them),
/// "two-column" as the program's Load spectra (single precision, scaled to a peak of 100).
py::tuple ReadSpectrum(const std::string& path, const std::string& reader, int axisUnits, int xUnit, int column,
                       int sigmaColumn) {
    const experiment::SpectrumReading how{xUnit, axisUnits, column, sigmaColumn};
    if (reader == "measured") {
        fit::MeasuredSpectrum s;
        {
            py::gil_scoped_release release;
            s = fit::ReadMeasuredSpectrum(path, how);
        }
        return py::make_tuple(ToArray(s.x), ToArray(s.y),
                              s.sigma.empty() ? py::object(py::none()) : py::object(ToArray(s.sigma)));
    }
    if (reader != "two-column") throw std::invalid_argument("reader \"" + reader + "\" is not measured or two-column");
    if (sigmaColumn > 0)
        throw std::invalid_argument(
            "sigma_column: reader \"two-column\" keeps no uncertainties; read them with "
            "reader \"measured\"");
    ExperimentState exp;
    bool ok = false;
    {
        py::gil_scoped_release release;
        experiment::InitExperimentArrays(exp);
        NullDialogs quiet;
        ok = experiment::ReadSpectrumFile(exp, path, quiet, how);
        if (ok) {
            experiment::ConvertSpectrumX(exp, exp.ReadUnit, axisUnits);
            experiment::ApplyCorrections(exp);
        }
    }
    if (!ok)
        throw exp.ReadProblem.empty() ? FileError::In(path, "fewer than three points") : FileError(exp.ReadProblem);
    const int n = exp.ExpPoints + 1;
    py::array_t<double> x(n), y(n);
    for (int i = 0; i < n; ++i) x.mutable_at(i) = exp.ExpX(i), y.mutable_at(i) = exp.ExpY(i);
    return py::make_tuple(x, y, py::none());
}

py::dict ParameterMap(const fit::FitResult& r, const std::vector<double>& values) {
    py::dict d;
    for (std::size_t k = 0; k < r.parameters.size(); ++k) d[py::str(r.parameters[k].name)] = values[k];
    return d;
}

/// One estimate of every parameter's uncertainty, by name.
template <typename Get>
py::dict UncertaintyMap(const fit::FitResult& r, Get get) {
    py::dict d;
    for (std::size_t k = 0; k < r.parameters.size() && k < r.uncertaintyDetail.size(); ++k)
        d[py::str(r.parameters[k].name)] = get(r.uncertaintyDetail[k]);
    return d;
}

}  // namespace

}  // namespace velmora::python

using namespace velmora;
using namespace velmora::python;
using simulation::SimulationConditions;

PYBIND11_MODULE(_velmora, m) {
    m.doc() = "Native part of the velmora module: database, simulation and fits of diatomic spectra";
    // A simulation's level traces and totals (megabytes on a fine grid) are freed when it
    // returns: kept by the allocator, the next simulation does not pay a page fault and a cleared
    // page every 4 KiB again, which on a million points costs as much as the simulation itself.
    KeepFreedMemory();

    static py::exception<fit::FitInputError> inputError(m, "InputError", PyExc_ValueError);
    static py::exception<fit::FitConvergenceError> convergenceError(m, "ConvergenceError", PyExc_RuntimeError);
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const fit::FitConvergenceError& e) {
            convergenceError(e.what());
        } catch (const FileError& e) {
            inputError(e.what());
        } catch (const std::invalid_argument& e) {
            inputError(e.what());
        } catch (const experiment::SpectrumReadError& e) {
            inputError(("line " + std::to_string(e.line) + ": " + e.problem).c_str());
        }
    });

    py::class_<Database>(m, "Database")
        .def(py::init<const std::string&>(), py::arg("path"))
        .def_property_readonly("path", &Database::Folder)
        .def("systems", &Systems)
        .def("lines", &Lines, py::arg("entry"), py::arg("v_up"), py::arg("v_low"))
        .def("lifetimes", &Lifetimes, py::arg("entry"))
        .def("levels", &Levels, py::arg("entry"), py::arg("state"), py::arg("v"));

    py::class_<SimulationConditions>(m, "Conditions")
        .def(py::init([](const py::kwargs& kwargs) { return MakeConditions(kwargs); }))
        .def("__getattr__",
             [](const SimulationConditions& c, const std::string& name) {
                 if (const ConditionField* f = simulation::FindKeyword(name)) return FieldValue(*f, c);
                 throw py::attribute_error("Conditions has no field " + name);
             })
        .def("__setattr__", [](SimulationConditions& c, const std::string& name,
                               const py::object& value) { SetField(c, name, value); })
        .def("as_dict", &ConditionsDict)
        .def("check", [](const SimulationConditions& c) { simulation::CheckConditions(c); })
        .def_static("fields",
                    [] {
                        std::vector<std::string> names;
                        for (const ConditionField& f : simulation::ConditionFields()) names.emplace_back(f.keyword);
                        return names;
                    })
        .def_static("field_table",
                    [] {
                        // The table the keywords come from, for tests and documentation: per
                        // keyword its command-line option, type, limits and choices, and the
                        // keyword of the field its rule between fields needs.
                        py::list rows;
                        for (const ConditionField& f : simulation::ConditionFields()) {
                            py::dict r;
                            r["keyword"] = f.keyword;
                            r["option"] = std::string("--") + f.name;
                            const char* types[] = {"number", "switch", "choice", "text", "file"};
                            r["type"] = types[static_cast<int>(f.type)];
                            r["limits"] = f.type == FieldType::Number && !f.limitsFor
                                              ? py::object(py::make_tuple(f.limits.lo, f.limits.hi))
                                              : py::object(py::none());
                            std::vector<std::string> choices(f.choices.begin(), f.choices.end());
                            r["choices"] = choices;
                            r["first"] = f.first;
                            r["rule_with"] = f.ruleWith ? py::object(py::str(simulation::Field(f.ruleWith).keyword))
                                                        : py::object(py::none());
                            rows.append(r);
                        }
                        return rows;
                    })
        .def(py::pickle(&PickledConditions, &UnpickledConditions));

    py::class_<database::ImportedLineList, LineListHandle>(m, "LineList")
        .def_property_readonly("path", [](const database::ImportedLineList& l) { return l.path; })
        .def_property_readonly("format", [](const database::ImportedLineList& l) { return l.format; })
        .def_property_readonly("name", [](const database::ImportedLineList& l) { return l.name; })
        .def_property_readonly("mass", [](const database::ImportedLineList& l) { return l.mass; })
        .def_property_readonly("transitions_read",
                               [](const database::ImportedLineList& l) { return l.transitionsRead; })
        .def("__len__", [](const database::ImportedLineList& l) { return l.lines.size(); })
        .def("partition_function", &database::ImportedLineList::PartitionFunction, py::arg("T"));
    m.def("_read_line_list", &ReadLineList, py::arg("path"), py::arg("lo"), py::arg("hi"));
    m.def("_line_list_lines", &LineListLines, py::arg("list"));
    m.def("_line_list_lifetimes", &LineListLifetimes, py::arg("list"));
    m.def("_simulate_line_list", &SimulateLineList, py::arg("list"), py::arg("conditions"));

    m.def("_simulate", &Simulate, py::arg("db"), py::arg("entry"), py::arg("conditions"), py::arg("populations"),
          py::arg("min_population"), py::arg("per_level"));

    py::class_<fit::FitResult>(m, "FitResult")
        .def_property_readonly("systems", [](const fit::FitResult& r) { return r.systems; })
        .def_property_readonly("names",
                               [](const fit::FitResult& r) {
                                   std::vector<std::string> n;
                                   for (const auto& p : r.parameters) n.push_back(p.name);
                                   return n;
                               })
        .def_property_readonly("free",
                               [](const fit::FitResult& r) {
                                   std::vector<std::string> n;
                                   for (int k : r.freeParameters)
                                       n.push_back(r.parameters[static_cast<std::size_t>(k)].name);
                                   return n;
                               })
        .def_property_readonly("values",
                               [](const fit::FitResult& r) {
                                   std::vector<double> v;
                                   for (const auto& p : r.parameters) v.push_back(p.value);
                                   return ParameterMap(r, v);
                               })
        .def_property_readonly("uncertainties",
                               [](const fit::FitResult& r) { return ParameterMap(r, r.uncertainties); })
        .def_property_readonly("bounds",
                               [](const fit::FitResult& r) {
                                   py::dict d;
                                   for (const auto& p : r.parameters)
                                       d[py::str(p.name)] = py::make_tuple(p.lower, p.upper);
                                   return d;
                               })
        .def_property_readonly("at_bound",
                               [](const fit::FitResult& r) {
                                   py::list l;
                                   for (std::size_t k = 0; k < r.parameters.size(); ++k)
                                       if (r.atBound[k]) l.append(py::str(r.parameters[k].name));
                                   return l;
                               })
        .def_property_readonly("correlation",
                               [](const fit::FitResult& r) {
                                   const auto n = static_cast<py::ssize_t>(r.freeParameters.size());
                                   py::array_t<double> a({n, n});
                                   std::copy(r.correlation.begin(), r.correlation.end(), a.mutable_data());
                                   return a;
                               })
        .def_readonly("points", &fit::FitResult::points)
        .def_readonly("degrees_of_freedom", &fit::FitResult::degreesOfFreedom)
        .def_readonly("chi_square", &fit::FitResult::chiSquare)
        .def_readonly("reduced_chi_square", &fit::FitResult::reducedChiSquare)
        .def_readonly("evaluations", &fit::FitResult::evaluations)
        .def_readonly("iterations", &fit::FitResult::iterations)
        .def_readonly("stop_reason", &fit::FitResult::stopReason)
        .def_readonly("warnings", &fit::FitResult::warnings)
        .def_readonly("undetermined", &fit::FitResult::undetermined)
        .def_readonly("noise_sigma", &fit::FitResult::noiseSigma)
        .def_property_readonly("x", [](py::object self) { return ViewOf(self, self.cast<const fit::FitResult&>().x); })
        .def_property_readonly("y", [](py::object self) { return ViewOf(self, self.cast<const fit::FitResult&>().y); })
        .def_property_readonly("model",
                               [](py::object self) { return ViewOf(self, self.cast<const fit::FitResult&>().model); })
        .def_property_readonly(
            "residual", [](py::object self) { return ViewOf(self, self.cast<const fit::FitResult&>().residual); })
        .def_property_readonly("fitted",
                               [](const fit::FitResult& r) {
                                   std::vector<bool> f(r.fitted.begin(), r.fitted.end());
                                   py::array_t<bool> a(static_cast<py::ssize_t>(f.size()));
                                   for (std::size_t i = 0; i < f.size(); ++i)
                                       a.mutable_at(static_cast<py::ssize_t>(i)) = f[i];
                                   return a;
                               })
        .def_property_readonly("parts",
                               [](py::object self) {
                                   py::list l;
                                   for (const auto& p : self.cast<const fit::FitResult&>().parts)
                                       l.append(ViewOf(self, p));
                                   return l;
                               })
        .def_property_readonly("components",
                               [](py::object self) {
                                   py::dict d;
                                   for (const fit::FitComponent& c : self.cast<const fit::FitResult&>().components)
                                       d[py::str(c.label)] = ViewOf(self, c.values);
                                   return d;
                               })
        .def_property_readonly("component_bands",
                               [](const fit::FitResult& r) {
                                   py::dict d;
                                   for (const fit::FitComponent& c : r.components)
                                       d[py::str(c.label)] = py::make_tuple(c.system, c.vUp, c.vLow, c.branch);
                                   return d;
                               })
        .def_property_readonly("diagnostics", [](const fit::FitResult& r) { return DiagnosticsDict(r.diagnostics); })
        .def_property_readonly("covariance_uncertainties",
                               [](const fit::FitResult& r) {
                                   return UncertaintyMap(
                                       r, [](const fit::ParameterUncertainty& u) { return u.covariance; });
                               })
        .def_property_readonly("correlated_uncertainties",
                               [](const fit::FitResult& r) {
                                   return UncertaintyMap(
                                       r, [](const fit::ParameterUncertainty& u) { return u.correlated; });
                               })
        .def_property_readonly("bootstrap_uncertainties",
                               [](const fit::FitResult& r) {
                                   return UncertaintyMap(
                                       r, [](const fit::ParameterUncertainty& u) { return u.bootstrap; });
                               })
        .def_property_readonly("profile_intervals",
                               [](const fit::FitResult& r) {
                                   return UncertaintyMap(r, [](const fit::ParameterUncertainty& u) {
                                       return py::make_tuple(u.profileLow, u.profileHigh);
                                   });
                               })
        .def_property_readonly("uncertainty_methods",
                               [](const fit::FitResult& r) {
                                   return UncertaintyMap(r, [](const fit::ParameterUncertainty& u) {
                                       return std::string(fit::UncertaintyMethodName(u.headline));
                                   });
                               })
        .def_property_readonly("starts",
                               [](const fit::FitResult& r) {
                                   py::list l;
                                   for (const fit::StartOutcome& o : r.starts) {
                                       py::dict d;
                                       d["start"] = o.start, d["end"] = o.end, d["chi_square"] = o.chiSquare;
                                       d["converged"] = o.converged, d["minimum"] = o.minimum;
                                       l.append(d);
                                   }
                                   return l;
                               })
        .def_readonly("notices", &fit::FitResult::notices)
        .def("report", [](const fit::FitResult& r) { return fit::ResultLines(r); })
        .def("report", [](const fit::FitResult& r, int units) {
            // The units named beside the values; the result's own axis unless given.
            fit::FitResult labelled = r;
            labelled.conditions.unit = static_cast<simulation::AxisUnit>(units);
            return fit::ResultLines(labelled);
        });

    auto call = [](const std::vector<std::string>& free, const std::map<std::string, double>& start,
                   const std::map<std::string, std::pair<double, double>>& bounds, const py::dict& o) {
        fit::FitSettings settings;
        settings.free = free;
        settings.start = start;
        settings.bounds = bounds;
        FitCall c;
        c.weighting = o["weighting"].cast<std::string>();
        c.convention = o["convention"].cast<std::string>();
        c.source = o["source"].cast<std::string>();
        c.components = o["components"].cast<std::string>();
        c.excluded = o["exclude"].cast<std::vector<std::pair<double, double>>>();
        c.limitToRange = o["limit_to_range"].cast<bool>();
        c.maxIterations = o["max_iterations"].cast<int>();
        c.scanPoints = o["scan_points"].cast<int>();
        c.starts = o["starts"].cast<int>();
        c.bootstrap = o["bootstrap"].cast<int>();
        c.seed = o["seed"].cast<std::uint64_t>();
        c.threads = o["threads"].cast<int>();
        c.profile = o["profile"].cast<std::vector<std::string>>();
        return std::make_pair(settings, c);
    };
    m.def("_fit", [call](Database& db, const std::vector<FitEntry>& entries, const Doubles& x, const Doubles& y,
                         const py::object& sigma, const std::vector<std::string>& free,
                         const std::map<std::string, double>& start,
                         const std::map<std::string, std::pair<double, double>>& bounds, const SimulationConditions& c,
                         const py::dict& options) {
        const auto [settings, how] = call(free, start, bounds, options);
        return Fit(db, entries, FitRequestOf(x, y, sigma, settings, c, how));
    });
    m.def("_identify", [call](Database& db, const std::vector<FitEntry>& entries, const Doubles& x, const Doubles& y,
                              const py::object& sigma, const std::vector<std::string>& free,
                              const std::map<std::string, double>& start,
                              const std::map<std::string, std::pair<double, double>>& bounds,
                              const SimulationConditions& c, const py::dict& options) {
        const auto [settings, how] = call(free, start, bounds, options);
        auto [result, search] = Identify(db, entries, FitRequestOf(x, y, sigma, settings, c, how));
        return py::make_tuple(std::move(result), CandidateList(search), search.outside);
    });

    m.def("_boltzmann", [call](Database& db, const std::vector<FitEntry>& entries, const Doubles& x, const Doubles& y,
                               const py::object& sigma, const std::vector<std::string>& free,
                               const std::map<std::string, double>& start,
                               const std::map<std::string, std::pair<double, double>>& bounds,
                               const SimulationConditions& c, const py::dict& options, int v) {
        const auto [settings, how] = call(free, start, bounds, options);
        fit::FitRequest r = FitRequestOf(x, y, sigma, settings, c, how);
        fit::BoltzmannPlot plot;
        {
            py::gil_scoped_release release;
            AddSystems(db, entries, r);
            plot = fit::FitBoltzmannPlot(r, v);
        }
        py::dict o;
        std::vector<int> component, row;
        std::vector<double> J, energy, g, population, sigmaN, lnPerG, lnSigma;
        std::vector<bool> used;
        for (const fit::BoltzmannLevel& l : plot.levels) {
            component.push_back(l.component), row.push_back(l.row), J.push_back(l.J);
            energy.push_back(l.energy), g.push_back(l.degeneracy), population.push_back(l.population);
            sigmaN.push_back(l.sigma), lnPerG.push_back(l.lnPerG), lnSigma.push_back(l.lnSigma);
            used.push_back(l.used);
        }
        o["system"] = plot.system;
        o["v"] = plot.v;
        o["component"] = component, o["N"] = row, o["J"] = J, o["energy"] = energy, o["g"] = g;
        o["population"] = population, o["population_sigma"] = sigmaN;
        o["ln_n_over_g"] = lnPerG, o["ln_sigma"] = lnSigma, o["used"] = used;
        o["intercept"] = plot.intercept, o["slope"] = plot.slope, o["slope_sigma"] = plot.slopeSigma;
        o["temperature"] = plot.temperature, o["temperature_sigma"] = plot.temperatureSigma;
        o["reduced_chi_square"] = plot.reducedChiSquare;
        o["warnings"] = plot.warnings;
        o["spectrum_fit"] = std::move(plot.spectrumFit);
        return o;
    });

    m.def("_read_spectrum", &ReadSpectrum, py::arg("path"), py::arg("reader"), py::arg("axis_units"), py::arg("x_unit"),
          py::arg("column"), py::arg("sigma_column"));

    m.def("_read_frame", &ReadFrame, py::arg("options"));
    m.def("_fit_frame",
          [](Database& db, const std::vector<int>& entries, const py::dict& frame, const std::vector<std::string>& free,
             const std::map<std::string, double>& start, const std::map<std::string, std::pair<double, double>>& bounds,
             const SimulationConditions& c, const std::string& weighting,
             const std::vector<std::pair<double, double>>& excluded, const std::string& convention, bool limitToRange,
             int maxIterations, int scanPoints, int threads, int block, int firstRow, int lastRow) {
              fit::FitSettings settings;
              settings.free = free;
              settings.start = start;
              settings.bounds = bounds;
              return FitFrame(db, entries, frame, settings, c, weighting, excluded, convention, limitToRange,
                              maxIterations, scanPoints, threads, block, firstRow, lastRow);
          });
    m.def("_lif_image", &LifImage);
}
