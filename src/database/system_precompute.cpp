#include "database/system_precompute.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "common/errors.h"
#include "common/physical_constants.h"
#include "database/band_loader.h"
#include "database/catalogue.h"
#include "database/level_data.h"
#include "database/line_positions.h"
#include "database/state_descriptions.h"

namespace velmora::database {

namespace {

/// Reference lifetime (ns) of a system without an absolute scale: nominal units in which the
/// emission coefficients of the reference level add up to 1 s-1.
constexpr double kNominalReferenceLifetime = 1e9;

/// Band-level values from the first lines of the loaded band (v', v'').
void StoreBandData(DatabaseState& db, int vUp, int vLow, int lamUp) {
    const auto& L = db.LineData;
    const double probability = L(3, 1, lamUp + 1);
    const double position = (L(4, 2, lamUp + 2) + L(4, 1, lamUp + 1)) / 2.0;
    db.BandData(3, vUp, vLow) = static_cast<float>(probability);
    db.BandData(4, vUp, vLow) = static_cast<float>(position);
    db.BandData(1, vUp, vLow) = static_cast<float>(position * position * position * probability);
    db.BandData(2, vUp, vLow) = static_cast<float>(probability);
    db.BandData(5, vUp, vLow) = L(5, 1, lamUp + 1);
}

/// Lowest and highest line position of the loaded band (v', v''), and its origin: R1 at lower
/// row N and P1 at row N + 1 reach the same upper level, and their mean is the origin plus
/// (B' - B'')(J'' + 1)^2, a few cm-1 at the first rows.
void StoreBandSpan(DatabaseState& db, int vUp, int vLow) {
    const auto& L = db.LineData;
    float low = 0.0f, high = 0.0f;
    for (int b = L.Lo(1); b <= L.Hi(1); ++b)
        for (int N = L.Lo(2); N <= L.Hi(2); ++N) {
            const float nu = L(4, b, N);
            if (!(nu > 0.0f)) continue;
            low = low == 0.0f ? nu : std::min(low, nu);
            high = std::max(high, nu);
        }
    db.BandSpan(1, vUp, vLow) = low;
    db.BandSpan(2, vUp, vLow) = high;
    db.BandSpan(3, vUp, vLow) = 0.0f;
    for (int N = L.Lo(2); N < L.Hi(2); ++N) {
        const float r1 = L(4, 5, N), p1 = L(4, 1, N + 1);
        if (r1 > 0.0f && p1 > 0.0f) {
            db.BandSpan(3, vUp, vLow) = (r1 + p1) / 2.0f;
            break;
        }
    }
}

/// Emission coefficients summed per upper level (component 1..4, row N) of one v', in double
/// precision: a level sums some ten to a hundred lines.
using EmissionSums = Array2<double>;

/// Adds the emission coefficients of every line of the loaded band to the upper level it leaves.
/// Every line carries its exact strength, so the lines of one level sum to 2J' + 1 times the
/// band's ν³ and transition probability, and a level that does not exist collects nothing.
void AddEmissionSums(const DatabaseState& db, int entry, int lamUp, EmissionSums& sums) {
    const int branches = db.cat.LambdaFactor(entry) > 1.0f ? 24 : 12;
    for (int N = 0; N <= LastLineRow(db); ++N)
        for (int b = 1; b <= branches; ++b) {
            const float emission = db.LineData(1, b, N);
            if (emission == 0.0f) continue;
            const LineLevels lv = BranchLevels(db, entry, b, N);
            if (lv.upRow < 0 || !sums.Contains(1, lv.upRow)) continue;
            sums(UpperComponent(lamUp, lv), lv.upRow) += emission;
        }
}

/// Turns the emission sums of upper level vUp into radiative lifetimes (ns), scaled so that the
/// lowest level (v' = 0, N' = Λ', F1) has the catalogue's reference lifetime; s0 is that level's
/// sum, which also fixes the absolute units of the line coefficients.
void RadiativeLifetimes(DatabaseState& db, int vUp, int lamUp, double reference, const EmissionSums& sums, double& s0) {
    if (vUp == 0) {
        s0 = sums(1, lamUp);
        // Relative line coefficients to s-1 (emission) and to absorption units; a line's
        // absorption coefficient is strength / (2J'' + 1), so its degeneracies are included.
        db.LineUnitFactor[0] = s0 != 0.0 ? 1.0 / (s0 * reference * 1e-9) : 0.0;
        db.LineUnitFactor[1] = db.LineUnitFactor[0] * kAbsorptionUnitFactor;
        db.LineUnitFactor[2] = 1.0;
    }
    const int components = lamUp == 0 ? 2 : 4;
    for (int n = 0; n <= db.RotRows; ++n)
        for (int k = 1; k <= components; ++k) {
            const double sum = sums(k, n);
            float& value = db.UpperLevelData(vUp, k, n);
            value = sum != 0.0 ? static_cast<float>(s0 * reference / sum) : 0.0f;
            if (value > 10.0 * reference) value = 0.0f;  // not a radiative level of this system
        }
}

void Precompute(DatabaseState& db, float pressureTorr, Shell& shell) {
    const Catalogue& cat = db.cat;
    const int entry = db.systemEntry;
    CheckEntry(cat, entry);

    db.EmissionLineScale = db.AbsorptionLineScale = 1.0f;
    ReadStateConstants(db, entry);
    db.LineData.Fill(0.0f);
    // Nothing of the system selected before may survive in the levels this one does not have.
    db.BandData.Fill(0.0f);
    db.BandSpan.Fill(0.0f);
    db.UpperLevelData.Fill(0.0f);
    db.LineUnitFactor = {};
    db.BandUnitFactor = {};

    // The quenching models of the upper state (none when the database has no model file; then
    // quenching by a gas composition, which needs them, cannot be computed).
    const std::string models = db.AppPath + kQuenchingModelsFile;
    if (db.quenching.source == 3 && !std::filesystem::exists(models))
        throw FileError::In(models, "file not found: quenching by a gas composition needs its quenching models");
    db.UpperQuenching = std::filesystem::exists(models)
                            ? ReadQuenchingModels(models).For(cat.MoleculeCode(entry), cat.StateLabel(1, entry))
                            : QuenchingModels{}.For(cat.MoleculeCode(entry), cat.StateLabel(1, entry));

    const int lamUp = cat.StateLambda(1, entry);
    const int lamLow = cat.StateLambda(2, entry);
    const int vUpMax = cat.NMaxVib(entry, 1);
    const int vLowMax = cat.NMaxVib(entry, 2);
    // Without an absolute scale the units are nominal: the reference level's emission
    // coefficients add up to 1 s-1. Relative spectra need no more; every absolute quantity is
    // refused where it is asked for (NoAbsoluteScale).
    const bool absolute = DescriptionOf(cat, entry).absoluteScale;
    const double reference = absolute ? cat.ReferenceLifetime(entry) : kNominalReferenceLifetime;
    const double bands = (vUpMax + 1.0) * (vLowMax + 1.0);

    double s0 = 0.0;
    for (int vUp = 0; vUp <= vUpMax; ++vUp) {
        InitialiseLevelData(db, vUp);
        EmissionSums sums;
        sums.Resize(1, 4, 0, db.UpperLevelData.Hi(2));
        double bandSum = 0.0;
        for (int vLow = 0; vLow <= vLowMax; ++vLow) {
            shell.ShowProgress((vUp * (vLowMax + 1) + vLow + 1) * 100.0 / bands);
            LoadBand(db, vUp, vLow, entry);
            StoreBandData(db, vUp, vLow, lamUp);
            StoreBandSpan(db, vUp, vLow);
            AddEmissionSums(db, entry, lamUp, sums);
            if (vUp == 0) bandSum += db.BandData(1, 0, vLow);
        }
        if (vUp == 0) {
            // Band coefficients to s-1 and to absorption units: B = A g' / g'' / (8π h c ν̃³)
            // with the electronic degeneracies g = 2 − δ(0, Λ) (a Λ-doubled state has two
            // components): halved for Σ–Π, doubled for Π–Σ bands.
            db.BandUnitFactor[0] = bandSum != 0.0 ? 1.0 / (bandSum * reference * 1e-9) : 0.0;
            const double degeneracyRatio = (lamUp == 0 ? 1.0 : 2.0) / (lamLow == 0 ? 1.0 : 2.0);
            db.BandUnitFactor[1] = db.BandUnitFactor[0] * kAbsorptionUnitFactor * degeneracyRatio;
            db.BandUnitFactor[2] = 1.0;
        }
        RadiativeLifetimes(db, vUp, lamUp, reference, sums, s0);
        ReadLevelData(db, vUp, pressureTorr);
    }
    auto finite = [](const std::array<double, 3>& f) { return std::isfinite(f[0] + f[1] + f[2]); };
    if (!AllFinite(db.BandData) || !AllFinite(db.UpperLevelData) || !finite(db.LineUnitFactor) ||
        !finite(db.BandUnitFactor))
        throw FileError(db.AppPath + cat.MoleculeCode(entry) + ": the band system" + cat.SystemLabel(entry) +
                        " gives band data or lifetimes beyond single precision; check its data files");
    db.SystemLoaded = true;
    ++db.SystemStamp;
}

}  // namespace

int UpperComponent(int lambdaUp, const LineLevels& levels) {
    return lambdaUp == 0 || (levels.upF == 1) == (levels.upBlock == 1) ? levels.upF : levels.upF + 2;
}

void SystemPrecompute(DatabaseState& db, float pressureTorr, Shell& shell) {
    // The work is done on a copy, so that a missing or bad file leaves the system in use intact.
    DatabaseState work = db;
    Precompute(work, pressureTorr, shell);
    db = std::move(work);
}

}  // namespace velmora::database
