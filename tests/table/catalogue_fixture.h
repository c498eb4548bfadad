// A one-entry catalogue and sized database arrays, written by hand for the table and plot tests.
#pragma once

#include <string>

#include "state/app_state.h"

namespace velmora::testing {

/// Catalogue entry 1: molecule "OH" with states A (Λ = lamU) and X (Λ = lamL), vibrational levels
/// 0..nVibU and 0..nVibL, rotational rows up to maxN; every database array sized. The name tables
/// hold the program's branch names and simple number formats.
inline void MakeCatalogue(AppState& s, int lamU, int lamL, int maxN = 20, int nVibU = 2, int nVibL = 3) {
    DatabaseState& db = s.db;
    Catalogue& c = db.cat;
    c.CatalogueCount = 1;
    c.MaxVUpper = 5;
    c.MaxVLower = 5;
    c.MaxN = maxN;
    c.MoleculeCode.Resize(1, 1);
    c.MoleculeName.Resize(0, 1);
    c.StateLabel.Resize(1, 2, 1, 1);
    c.SystemLabel.Resize(1, 1);
    c.StateLambda.Resize(1, 2, 0, 1);
    c.NMaxVib.Resize(1, 1, 0, 2);
    c.NMaxRot.Resize(1, 1, 0, c.MaxVUpper + 10);
    c.EmissionScale.Resize(1, 1);
    c.LambdaFactor.Resize(1, 1);
    c.MoleculeCode(1) = "OH";
    c.MoleculeName(1) = "OH";
    c.StateLabel(1, 1) = "A";
    c.StateLabel(2, 1) = "X";
    c.SystemLabel(1) = " (A-X)";
    c.StateLambda(1, 1) = lamU;
    c.StateLambda(2, 1) = lamL;
    c.NMaxVib(1, 1) = nVibU;
    c.NMaxVib(1, 2) = nVibL;
    for (int v = 0; v <= c.MaxVUpper + 10; ++v) c.NMaxRot(1, v) = maxN;
    c.NMaxRotAll.Resize(1, 1);
    c.NMaxRotAll(1) = maxN;
    c.EmissionScale(1) = 1.0f;
    c.LambdaFactor(1) = lamU >= 1 && lamL >= 1 ? 2.0f : 1.0f;

    c.QuantityTitle.Resize(1, 6);
    c.QuantityUnit.Resize(1, 6);
    c.QuantityFormat.Resize(1, 6, 0, 1);
    c.QuantityName.Resize(0, 3, 1, 6);
    c.KindName.Resize(1, 6);
    c.TableLabel.Resize(0, 1, 1, 12);
    c.BranchName.Resize(0, 1, 0, 24);
    const char* titles[] = {"EMISSION COEFFICIENTS", "ABSORPTION COEFFICIENTS", "TRANSITION PROBABILITIES",
                            "LINE POSITIONS",        "HONL-LONDON FACTORS",     "LIFETIMES"};
    const char* units[] = {"s-1", "cm2 MHz", "relative", "Angstrom (Vacuum)", "dimensionless", "ns"};
    const char* formats[] = {"0.000E+00", "0.000E+00", "0.0000", "#####.000", "0.0000", "####0.00"};
    const char* names[] = {"Emission coefficients", "Absorption coefficients",    "Transition probabilities",
                           "Line positions",        "H\xC3\xB6nl-London factors", "Lifetimes, predissociation"};
    const char* kinds[] = {"Emission", "Absorption", "LIF excitation", "Fourth kind", "", ""};
    for (int k = 1; k <= 6; ++k) {
        c.QuantityTitle(k) = titles[k - 1];
        c.QuantityUnit(k) = units[k - 1];
        c.QuantityFormat(k, 0) = formats[k - 1];
        c.QuantityName(0, k) = names[k - 1];
        c.KindName(k) = kinds[k - 1];
    }
    c.QuantityName(1, 1) = "Lifetimes, predissociation";
    c.QuantityName(1, 2) = "Quenching";
    c.QuantityName(1, 3) = "Energy terms";
    c.QuantityName(2, 1) = "Energy terms";
    const char* caseB[] = {"P1", "P2", "Q1", "Q2", "R1", "R2", "O12", "Q12", "P12", "R21", "Q21", "S21"};
    const char* caseA[] = {"P11", "P22", "Q11", "Q22", "R11", "R22", "O12", "Q12", "P12", "R21", "Q21", "S21"};
    for (int b = 1; b <= 12; ++b) {
        c.BranchName(0, b) = caseB[b - 1];
        c.BranchName(1, b) = caseA[b - 1];
        c.TableLabel(1, b) = "L" + std::to_string(b);
        if (b <= 6) c.TableLabel(0, b) = "S" + std::to_string(b);
    }
    c.UnitName.Resize(1, 5);
    c.UnitName(1) = "\xC3\x85 (Vacuum)";
    c.UnitName(2) = "\xC3\x85 (Air)";
    c.UnitName(3) = "cm-1";

    const int maxV = 5;
    db.systemEntry = 1;
    db.MolConst.Resize(1, 2, 0, maxV, 0, 20);
    db.LineData.Resize(1, 5, 0, 24, 0, maxN + 3);
    db.BandData.Resize(0, 5, 0, maxV, 0, maxV);
    db.UpperLevelData.Resize(0, maxV, 1, 24, 0, maxN + 4);
    db.LineUnitFactor = {1.0, 1.0, 1.0};
    db.BandUnitFactor = {1.0, 1.0, 1.0};
    db.SystemLoaded = true;
    s.shell.DataReady = true;
}

/// Marks band (vu, vl) of entry 1 as the loaded one, with rows 0..rotRows.
inline void MarkBandLoaded(AppState& s, int vu, int vl, int rotRows) {
    s.db.LoadedVUpper = vu;
    s.db.LoadedVLower = vl;
    s.db.LoadedEntry = 1;
    s.db.RotRows = rotRows;
}

}  // namespace velmora::testing
