#include "database/catalogue.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <string>

#include "common/errors.h"
#include "common/list_reader.h"
#include "common/number_format.h"
#include "database/data_checks.h"
#include "database/state_descriptions.h"

namespace velmora::database {

namespace {

// Upper limits of the header values: far above any diatomic band system, low enough that a
// garbled header cannot ask for gigabytes of arrays.
constexpr int kMaxEntries = 1000;
constexpr int kMaxVibrational = 200;
constexpr int kMaxRotational = 2000;

void CheckHeaderValue(const ListReader& in, const char* name, int value, int lo, int hi) {
    if (value < lo || value > hi)
        throw FileError::At(in.Source(), in.FieldLine(),
                            std::string("the header value ") + name + " = " + std::to_string(value) + " is outside " +
                                std::to_string(lo) + ".." + std::to_string(hi));
}

/// An error of the value just read for an entry, on the line where that value stands.
[[noreturn]] void EntryError(const ListReader& in, int entry, const std::string& problem) {
    throw FileError::At(in.Source(), in.FieldLine(), "entry " + std::to_string(entry) + ": " + problem);
}

void ReadEntry(ListReader& in, Catalogue& cat, int i) {
    cat.MoleculeCode(i) = in.ReadString();
    cat.StateLabel(1, i) = in.ReadString();
    cat.StateLabel(2, i) = in.ReadString();
    for (int s = 1; s <= 2; ++s) {
        cat.StateLambda(s, i) = in.ReadInt();
        if (cat.StateLambda(s, i) < 0 || cat.StateLambda(s, i) > 2)
            EntryError(in, i,
                       "Lambda of state " + std::to_string(s) + " is " + std::to_string(cat.StateLambda(s, i)) +
                           " (0, 1 or 2 expected)");
    }
    // 0: no absolute scale (STATES.SYS must say so).
    cat.ReferenceLifetime(i) = in.ReadDouble();
    if (cat.ReferenceLifetime(i) != 0.0 && !kLifetimeBound.Contains(cat.ReferenceLifetime(i)))
        EntryError(in, i,
                   "the reference lifetime " + Trim(Str(cat.ReferenceLifetime(i))) + " ns lies outside " +
                       Trim(Str(kLifetimeBound.lo)) + ".." + Trim(Str(kLifetimeBound.hi)) + " ns");
    cat.NMaxVib(i, 1) = in.ReadInt();
    cat.NMaxVib(i, 2) = in.ReadInt();
    if (cat.NMaxVib(i, 1) < 0 || cat.NMaxVib(i, 2) < 0) EntryError(in, i, "a highest vibrational level is negative");
    cat.IntFormat(i, 1) = in.ReadInt();
    cat.IntFormat(i, 2) = in.ReadInt();
    if (cat.IntFormat(i, 1) != 1 && cat.IntFormat(i, 1) != 2)
        EntryError(in, i,
                   "transition-probability layout " + std::to_string(cat.IntFormat(i, 1)) + " (1 or 2 expected)");
    if (cat.IntFormat(i, 1) == 1 && cat.IntFormat(i, 2) != 1 && cat.IntFormat(i, 2) != 2)
        EntryError(in, i,
                   "transition-probability record kind " + std::to_string(cat.IntFormat(i, 2)) + " (1 or 2 expected)");
    cat.LevelFileFlag(i) = in.ReadInt();
    cat.UpperTermOrigin(i) = in.ReadDouble();
    cat.MolecularMass(i) = in.ReadFloat();
    if (!kMassBound.Contains(cat.MolecularMass(i)))
        EntryError(in, i,
                   "the molecular mass " + Trim(Str(cat.MolecularMass(i))) + " u lies outside " +
                       Trim(Str(kMassBound.lo)) + ".." + Trim(Str(kMassBound.hi)) + " u");
    cat.EmissionScale(i) = in.ReadFloat();
    if (!(cat.EmissionScale(i) > 0.0f))
        EntryError(in, i, "the emission scale " + Trim(Str(cat.EmissionScale(i))) + " is not above 0");
    cat.NuclearSpinFlag(i) = in.ReadInt();

    // Rotational row counts of the upper levels; stored only when the entry fits the arrays.
    const bool store = cat.NMaxVib(i, 1) <= cat.MaxVUpper;
    for (int v = 0; v <= cat.NMaxVib(i, 1); ++v) {
        const int rows = in.ReadInt();
        if (rows < 0) EntryError(in, i, "the rotational row count of v = " + std::to_string(v) + " is negative");
        if (store) cat.NMaxRot(i, v) = std::min(rows, cat.MaxN);
    }

    cat.NMaxVib(i, 1) = std::min(cat.NMaxVib(i, 1), cat.MaxVUpper);
    cat.NMaxVib(i, 2) = std::min(cat.NMaxVib(i, 2), cat.MaxVLower);
}

void ReadLabelTables(ListReader& in, Catalogue& cat) {
    for (int k = 1; k <= 6; ++k) cat.QuantityTitle(k) = in.ReadString();
    for (int k = 1; k <= 6; ++k) cat.KindName(k) = in.ReadString();
    for (int k = 1; k <= 6; ++k) cat.QuantityUnit(k) = in.ReadString();
    for (int k = 1; k <= 6; ++k) {
        cat.QuantityFormat(k, 0) = in.ReadString();
        cat.QuantityFormat(k, 1) = in.ReadString();
    }
    for (int k = 1; k <= 6; ++k) cat.TableLabel(0, k) = in.ReadString();
    for (int b = 1; b <= 12; ++b) cat.BranchName(0, b) = in.ReadString();
    for (int b = 1; b <= 12; ++b) cat.BranchName(1, b) = in.ReadString();
    for (int k = 1; k <= 12; ++k) cat.TableLabel(1, k) = in.ReadString();
}

void DeriveEntryValues(Catalogue& cat) {
    for (int i = 1; i <= cat.CatalogueCount; ++i) {
        // The name users know the molecule by (N2+ for the code N2P of its files).
        cat.MoleculeName(i) = cat.Description(i).molecule.name;
        cat.SystemLabel(i) = " (" + cat.StateLabel(1, i) + "-" + cat.StateLabel(2, i) + ")";
        cat.LambdaFactor(i) = cat.StateLambda(1, i) >= 1 && cat.StateLambda(2, i) >= 1 ? 2.0f : 1.0f;
        int largest = 0;
        for (int v = 0; v <= cat.NMaxVib(i, 1); ++v) largest = std::max(largest, cat.NMaxRot(i, v));
        cat.NMaxRotAll(i) = largest;
    }
    // The first intensity unit is the unit of the first database quantity, known only now.
    cat.IntensityUnitName(1) = cat.QuantityUnit(1);
}

}  // namespace

void SetAppPath(DatabaseState& db, const std::string& folder) {
    db.AppPath = folder;
    if (db.AppPath.empty() || db.AppPath.back() != '/') db.AppPath += '/';
}

void FillFixedTables(Catalogue& cat) {
    cat.UnitName.Resize(1, 5);
    cat.UnitName(1) = "\u00C5 (Vacuum)";
    cat.UnitName(2) = "\u00C5 (Air)";
    cat.UnitName(3) = "cm-1";
    cat.UnitName(4) = "nm (Vacuum)";
    cat.UnitName(5) = "nm (Air)";

    cat.IntensityUnitName.Resize(1, 3);
    cat.IntensityUnitName(1) = cat.QuantityUnit.Empty() ? "" : cat.QuantityUnit(1);
    cat.IntensityUnitName(2) = "m3J-1s-2";
    cat.IntensityUnitName(3) = "oscillator strength";

    cat.LineshapeName.Resize(1, 3);
    cat.LineshapeName(1) = "Gaussian";
    cat.LineshapeName(2) = "Lorentzian";
    cat.LineshapeName(3) = "Voigt";

    cat.PopulationKindName.Resize(1, 2);
    cat.PopulationKindName(1) = " VIBRATIONAL";
    cat.PopulationKindName(2) = " ROTATIONAL";

    cat.QuantityName.Resize(0, 3, 1, 6);
    const char* transition[] = {"Emission coefficients", "Absorption coefficients",    "Transition probabilities",
                                "Line positions",        "H\xC3\xB6nl-London factors", "Lifetimes, predissociation"};
    for (int k = 1; k <= 6; ++k) cat.QuantityName(0, k) = transition[k - 1];
    cat.QuantityName(1, 1) = "Lifetimes, predissociation";
    cat.QuantityName(1, 2) = "Quenching";
    cat.QuantityName(1, 3) = "Energy terms";
    cat.QuantityName(2, 1) = "Energy terms";

    // Pressure units of CmbPressure: Torr, atm, mbar, bar, Pa, kPa. The bar is taken as the atmosphere.
    cat.PressureToTorr.Resize(0, 5);
    const double torr[] = {1.0, 760.0, 760.0 / 1013.25, 760.0, 1.0 / 133.32, 1000.0 / 133.32};
    for (int u = 0; u <= 5; ++u) cat.PressureToTorr(u) = torr[u];

    cat.CollisionalFormula.Resize(0, 5);
    const char* formula[] = {"*(P/760)*(300/T)^", "*P*(300/T)^",          "*(P/1013.25)*(300/T)^",
                             "*(P)*(300/T)^",     "*(P/101323)*(300/T)^", "*(P/101.32)*(300/T)^"};
    for (int u = 0; u <= 5; ++u) cat.CollisionalFormula(u) = formula[u];

    // Quenching rate constants are held in us-1 Torr-1, the one unit offered.
    cat.QuenchingUnitFactor.Resize(0, 1);
    cat.QuenchingUnitFactor(0) = 1.0;
    cat.QuenchingUnitFactor(1) = 1.0;
}

void DimensionCatalogueArrays(DatabaseState& db, int count, int maxVUpper, int maxVLower, int maxN) {
    Catalogue& cat = db.cat;
    cat.CatalogueCount = count;
    cat.MaxVUpper = maxVUpper;
    cat.MaxVLower = maxVLower;
    cat.MaxN = maxN;

    // Per-entry arrays start at 0 so that entry numbers index them directly.
    cat.MoleculeCode.Resize(0, count);
    cat.MoleculeName.Resize(0, count);
    cat.StateLabel.Resize(1, 2, 0, count);
    cat.SystemLabel.Resize(0, count);
    cat.StateLambda.Resize(1, 2, 0, count);
    cat.ReferenceLifetime.Resize(0, count);
    cat.NMaxVib.Resize(0, count, 0, 2);
    cat.IntFormat.Resize(0, count, 0, 2);
    cat.LevelFileFlag.Resize(0, count);
    cat.UpperTermOrigin.Resize(0, count);
    cat.MolecularMass.Resize(0, count);
    cat.EmissionScale.Resize(0, count);
    cat.NuclearSpinFlag.Resize(0, count);
    cat.NMaxRot.Resize(0, count, 0, maxVUpper + 10);
    cat.NMaxRotAll.Resize(0, count);
    cat.LambdaFactor.Resize(0, count);
    cat.Description.Resize(0, count);

    cat.QuantityTitle.Resize(1, 6);
    cat.KindName.Resize(1, 6);
    cat.QuantityUnit.Resize(1, 6);
    cat.QuantityFormat.Resize(1, 6, 0, 1);
    cat.TableLabel.Resize(0, 1, 1, 12);
    cat.BranchName.Resize(0, 1, 0, 24);

    // Constants: both states share one v range, wide enough for either.
    const int maxV = std::max(maxVUpper, maxVLower);
    db.MolConst.Resize(1, 2, 0, maxV, 0, 20);
    db.SpcConvention.Resize(1, 2, 0, count);
    db.ConstantsEntry = 0;

    // The loaded band.
    db.LowerTerm.Resize(0, maxN + 4, 1, 2, 1, 2);
    db.UpperTerm.Resize(0, maxN + 4, 1, 2, 1, 2);
    db.LineData.Resize(1, 5, 0, 24, 0, maxN + 3);
    db.RotRows = 0;
    db.EnergyZero = {};
    db.LoadedVUpper = -1;
    db.LoadedVLower = -1;
    db.LoadedEntry = 0;

    // Per upper level data and system data.
    db.LevelYield.Resize(0, maxVUpper, 1, 4, 0, maxN + 3);
    db.LevelLifetime.Resize(0, maxVUpper, 1, 4, 0, maxN + 3);
    db.LevelEffLifetime.Resize(0, maxVUpper, 1, 4, 0, maxN + 3);
    db.LevelQuenchRate.Resize(0, maxVUpper, 1, 4, 0, maxN + 3);
    db.BandData.Resize(0, 5, 0, maxVUpper, 0, maxVLower);
    db.BandSpan.Resize(1, 3, 0, maxVUpper, 0, maxVLower);
    db.UpperLevelData.Resize(0, maxVUpper, 1, 24, 0, maxN + 4);
    db.LineUnitFactor = {};
    db.BandUnitFactor = {};
    db.SystemLoaded = false;

    FillFixedTables(cat);
}

void CheckEntry(const Catalogue& cat, int entry) {
    if (entry < 1 || entry > cat.CatalogueCount)
        throw std::invalid_argument("entry " + std::to_string(entry) + " is not in the catalogue (1.." +
                                    std::to_string(cat.CatalogueCount) + ")");
}

void LoadCatalogue(DatabaseState& db) {
    // Everything is read into a copy, so a bad file leaves the catalogue in use untouched.
    DatabaseState fresh = db;
    ListReader in = ListReader::FromFile(db.AppPath + "VELMORA.SYS");
    if (in.AtEnd()) throw FileError::In(in.Source(), "the file is empty");

    in.SkipLine();  // title
    const int count = in.ReadInt();
    const int maxVUpper = in.ReadInt();
    const int maxVLower = in.ReadInt();
    const int maxN = in.ReadInt();
    CheckHeaderValue(in, "CatalogueCount", count, 1, kMaxEntries);
    CheckHeaderValue(in, "MaxVUpper", maxVUpper, 0, kMaxVibrational);
    CheckHeaderValue(in, "MaxVLower", maxVLower, 0, kMaxVibrational);
    CheckHeaderValue(in, "MaxN", maxN, 1, kMaxRotational);
    DimensionCatalogueArrays(fresh, count, maxVUpper, maxVLower, maxN);
    in.SkipLine();  // column headings

    for (int i = 1; i <= count; ++i) ReadEntry(in, fresh.cat, i);
    ReadLabelTables(in, fresh.cat);
    DescribeEntries(fresh.cat, fresh.AppPath);
    DeriveEntryValues(fresh.cat);

    db = std::move(fresh);
}

}  // namespace velmora::database
