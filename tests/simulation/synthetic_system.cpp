#include "synthetic_system.h"

namespace velmora::testing {

SyntheticSystem::SyntheticSystem(AppState& app, int vMax, int maxN) : app_(app) {
    DatabaseState& db = app.db;
    Catalogue& cat = db.cat;
    cat.CatalogueCount = 1;
    cat.MaxVUpper = cat.MaxVLower = vMax;
    cat.MaxN = maxN;
    cat.MoleculeName.Resize(0, 1);
    cat.MoleculeName(1) = "XY";
    cat.SystemLabel.Resize(1, 1);
    cat.SystemLabel(1) = " (A-X)";
    cat.KindName.Resize(1, 6);
    const char* kinds[] = {"Emission", "Absorption", "LIF excitation", "Saturated cubic", "", ""};
    for (int k = 1; k <= 6; ++k) cat.KindName(k) = kinds[k - 1];
    cat.UnitName.Resize(1, 5);
    const char* units[] = {"Å (Vacuum)", "Å (Air)", "cm-1", "nm (Vacuum)", "nm (Air)"};
    for (int u = 1; u <= 5; ++u) cat.UnitName(u) = units[u - 1];
    cat.StateLambda.Resize(1, 2, 0, 1);
    cat.NMaxVib.Resize(1, 1, 0, 2);
    cat.NMaxVib(1, 1) = cat.NMaxVib(1, 2) = vMax;
    cat.NMaxRot.Resize(1, 1, 0, vMax + 10);
    for (int v = 0; v <= vMax + 10; ++v) cat.NMaxRot(1, v) = maxN;
    cat.NMaxRotAll.Resize(1, 1);
    cat.NMaxRotAll(1) = maxN;
    cat.LambdaFactor.Resize(1, 1);
    cat.LambdaFactor(1) = 1.0f;
    cat.LevelFileFlag.Resize(1, 1);
    cat.MolecularMass.Resize(1, 1);
    cat.MolecularMass(1) = 17.0f;
    cat.NuclearSpinFlag.Resize(1, 1);
    db.systemEntry = 1;
    db.MolConst.Resize(1, 2, 0, vMax, 0, 20);
    for (int v = 0; v <= vMax; ++v)
        for (int s = 1; s <= 2; ++s) {
            db.MolConst(s, v, 0) = 3000.0f * v;
            db.MolConst(s, v, 1) = 15.0f;
        }
    db.LineData.Resize(1, 5, 0, 24, 0, maxN + 3);
    db.BandData.Resize(0, 5, 0, vMax, 0, vMax);
    db.UpperComponents = 2;
    for (Array3<float>* a : {&db.LevelYield, &db.LevelLifetime, &db.LevelEffLifetime, &db.LevelQuenchRate})
        a->Resize(0, vMax, 1, 4, 0, maxN + 3);
    db.LevelYield.Fill(1.0f);
    db.LevelLifetime.Fill(1.0f);
    db.UpperLevelData.Resize(0, vMax, 1, 24, 0, maxN + 4);
    db.SystemLoaded = true;
    populations::ResetPopulatedState(app.pop, db, simulation::StoredValue(app.sim.conditions.kind));
}

void SyntheticSystem::AddLine(const SyntheticLine& line) {
    lines_.push_back(line);
    if (app_.db.BandData(4, line.vUp, line.vLow) == 0.0f) SetOrigin(line.vUp, line.vLow, line.nu);
}

void SyntheticSystem::SetOrigin(int vUp, int vLow, double nu) {
    app_.db.BandData(4, vUp, vLow) = static_cast<float>(nu);
    app_.db.BandData(1, vUp, vLow) = 1.0f;
}

void SyntheticSystem::SetPopulations(const std::vector<float>& vib, float rot) {
    PopulationState& pop = app_.pop;
    pop.ThermalFlag = 0;
    pop.PopVib.Fill(0.0f);
    for (std::size_t v = 0; v < vib.size(); ++v) pop.PopVib(static_cast<int>(v)) = vib[v];
    pop.PopRot.Fill(rot);
}

simulation::BandLoader SyntheticSystem::Loader() {
    return [this](DatabaseState& db, int vUp, int vLow, int entry) {
        ++loads;
        loaded.emplace_back(vUp, vLow);
        db.LineData.Fill(0.0f);
        db.RotRows = db.cat.MaxN;
        for (const SyntheticLine& l : lines_) {
            if (l.vUp != vUp || l.vLow != vLow) continue;
            db.LineData(1, l.b, l.N) = l.emission;
            db.LineData(2, l.b, l.N) = l.absorption;
            db.LineData(4, l.b, l.N) = static_cast<float>(l.nu);
        }
        db.LoadedVUpper = vUp;
        db.LoadedVLower = vLow;
        db.LoadedEntry = entry;
    };
}

}  // namespace velmora::testing
