// Loaded experimental spectra, their corrections and the comparison with the simulation.
#pragma once

#include <string>
#include <vector>

#include "common/bounded_array.h"

namespace velmora {

/// One file of the list of loaded experimental spectra.
struct ExpFile {
    std::string Title;
    std::string Path;
    float Baseline = 0.0f;
    float Wavelength = 0.0f;
    float Multiply = 1.0f;
};

struct ExperimentState {
    Array1<float> ExpXRaw, ExpYRaw, ExpX, ExpY, Residual;  ///< (i 0..ExpPoints), sized 0..3000 at start
    int ExpPoints = 0;
    std::vector<ExpFile> ExpFiles;
    int ExpCount = 0;
    int ExpCurrent = 0;
    float Baseline = 0.0f, WavelengthCorrection = 0.0f, Multiply = 1.0f;
    int ExpLimits = 0;
    int ShowSpectra = 1;
    int ResidualScale = 0;
    std::string LblCorrelation, LblDeviation;
};

}  // namespace velmora
