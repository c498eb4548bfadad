#include "database/system_precompute.h"

#include <cmath>

#include "common/errors.h"

#include "database/band_loader.h"
#include "database/catalogue.h"
#include "database/level_data.h"
#include "database/terms.h"

namespace velmora::database {

namespace {

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

/// Adds the emission coefficients of the loaded band to the upper levels they leave: row N' of
/// F1 (component 1) and of F2 (component 2), first branch set only. A line counts when its lower
/// row exists (Λ'' <= N''), where a case (a) lower 2Π state also has its row Λ'' - 1 (o, and o2
/// for the F2 levels unless the upper state is a Π state).
void AddEmissionSums(DatabaseState& db, int vUp, int lamUp, int lamLow, int o, int o2) {
    const auto& E = db.LineData;
    auto ok = [&](int lowerRow, int offset) { return lamLow <= lowerRow + offset; };
    for (int n = lamUp; n <= db.RotRows; ++n) {
        double f1 = db.UpperLevelData(vUp, 1, n);
        if (ok(n + 2, o)) f1 += E(1, 7, n + 2);
        if (ok(n + 1, o)) f1 += E(1, 1, n + 1) + E(1, 9, n + 1);
        if (ok(n, o)) f1 += E(1, 3, n) + E(1, 8, n);
        if (ok(n - 1, o)) f1 += E(1, 5, n - 1);
        db.UpperLevelData(vUp, 1, n) = static_cast<float>(f1);

        double f2 = db.UpperLevelData(vUp, 2, n);
        if (ok(n + 1, o2)) f2 += E(1, 2, n + 1);
        if (ok(n, o2)) f2 += E(1, 4, n) + E(1, 11, n);
        if (ok(n - 1, o2)) f2 += E(1, 6, n - 1) + E(1, 10, n - 1);
        if (ok(n - 2, o2)) f2 += E(1, 12, n - 2);
        db.UpperLevelData(vUp, 2, n) = static_cast<float>(f2);
    }
}

/// Turns the emission sums of upper level vUp into radiative lifetimes (ns), scaled so that the
/// lowest level (v' = 0, N' = Λ') has the catalogue's reference lifetime; s0 is that level's sum.
void RadiativeLifetimes(DatabaseState& db, int vUp, int lamUp, double reference, double& s0) {
    for (int n = lamUp; n <= db.RotRows; ++n) {
        if (vUp == 0 && n == lamUp) {
            s0 = db.UpperLevelData(0, 1, lamUp);
            // Relative line coefficients to s-1 (emission) and to absorption units.
            db.LineUnitFactor[0] = s0 != 0.0 ? 1.0 / (s0 * reference * 1e-9) : 0.0;
            db.LineUnitFactor[1] = db.LineUnitFactor[0] * 2.012E17;
            db.LineUnitFactor[2] = 1.0;
        }
        for (int k = 1; k <= 2; ++k) {
            float& value = db.UpperLevelData(vUp, k, n);
            if (value != 0.0f) value = static_cast<float>(s0 * reference / value);
            if (value > 10.0 * reference) value = 0.0f;  // not a radiative level of this system
        }
        if (lamUp > 0) {
            db.UpperLevelData(vUp, 3, n) = db.UpperLevelData(vUp, 1, n);
            db.UpperLevelData(vUp, 4, n) = db.UpperLevelData(vUp, 2, n);
        }
    }
}

void Precompute(DatabaseState& db, float pressureTorr, Shell& shell) {
    const Catalogue& cat = db.cat;
    const int entry = db.irad;
    CheckEntry(cat, entry);

    db.EmissionLineScale = db.AbsorptionLineScale = 1.0f;
    ReadStateConstants(db, entry);
    db.LineData.Fill(0.0f);
    // Nothing of the system selected before may survive in the levels this one does not have.
    db.BandData.Fill(0.0f);
    db.UpperLevelData.Fill(0.0f);
    db.LineUnitFactor = {};
    db.BandUnitFactor = {};

    const int lamUp = cat.StateLambda(1, entry);
    const int lamLow = cat.StateLambda(2, entry);
    const int vUpMax = cat.NMaxVib(entry, 1);
    const int vLowMax = cat.NMaxVib(entry, 2);
    const double reference = cat.ReferenceLifetime(entry);
    const int o = lamLow == 1 && SpinOrbitRatio(db, 2, 0) > 4.0f ? 1 : 0;
    const int o2 = o == 1 && lamUp != 1 ? 1 : 0;
    const double bands = (vUpMax + 1.0) * (vLowMax + 1.0);

    double s0 = 0.0;
    for (int vUp = 0; vUp <= vUpMax; ++vUp) {
        InitialiseLevelData(db, vUp);
        double bandSum = 0.0;
        for (int vLow = 0; vLow <= vLowMax; ++vLow) {
            shell.ShowProgress((vUp * (vLowMax + 1) + vLow + 1) * 100.0 / bands);
            LoadBand(db, vUp, vLow, entry);
            StoreBandData(db, vUp, vLow, lamUp);
            AddEmissionSums(db, vUp, lamUp, lamLow, o, o2);
            if (vUp == 0) bandSum += db.BandData(1, 0, vLow);
        }
        if (vUp == 0) {
            // Band coefficients to s-1 and to m3 J-1 s-2 (the absorption unit); the Σ-Π
            // absorption factor is halved for the Λ-doubling of the lower state.
            db.BandUnitFactor[0] = bandSum != 0.0 ? 1.0 / (bandSum * reference * 1e-9) : 0.0;
            db.BandUnitFactor[1] = db.BandUnitFactor[0] * 0.0001 / 1.6650907257599998E-32 / cat.SpeedOfLight;
            if (lamLow == 1 && lamUp == 0) db.BandUnitFactor[1] /= 2.0;
            db.BandUnitFactor[2] = 1.0;
        }
        RadiativeLifetimes(db, vUp, lamUp, reference, s0);
        ReadLevelData(db, vUp, pressureTorr);
    }
    auto finite = [](const std::array<double, 3>& f) { return std::isfinite(f[0] + f[1] + f[2]); };
    if (!AllFinite(db.BandData) || !AllFinite(db.UpperLevelData) || !finite(db.LineUnitFactor) ||
        !finite(db.BandUnitFactor))
        throw FileError(db.AppPath + cat.MoleculeCode(entry) + ": the band system" + cat.SystemLabel(entry) +
                        " gives band data or lifetimes beyond single precision; check its data files");
    db.SystemLoaded = true;
}

}  // namespace

void SystemPrecompute(DatabaseState& db, float pressureTorr, Shell& shell) {
    // The work is done on a copy, so that a missing or bad file leaves the system in use intact.
    DatabaseState work = db;
    Precompute(work, pressureTorr, shell);
    db = std::move(work);
}

}  // namespace velmora::database
