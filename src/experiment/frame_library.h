// The image libraries that read FITS and TIFF frames are opened when the first such frame is
// read, not when the program starts: most runs never read a frame, and the two libraries pull in
// some thirty more (network, compression and cryptography libraries) whose loading and symbol
// binding would otherwise cost every process a large share of its start-up time.
#pragma once

#include <string>

namespace velmora::experiment {

/// A shared library opened on first use, never closed.
class FrameLibrary {
public:
    /// Opens `soname` (the library the program was built against), else the same library under
    /// its development name `fallback`. Throws SpectrumReadError naming `purpose`, the library and
    /// the loader's reason when neither loads.
    FrameLibrary(const std::string& soname, const std::string& fallback, const std::string& purpose);

    /// The address of function `name`; throws SpectrumReadError when the library lacks it.
    template <class Function>
    Function Get(const char* name) const {
        return reinterpret_cast<Function>(Symbol(name));
    }

private:
    void* Symbol(const char* name) const;

    void* handle_ = nullptr;
    std::string name_;
    std::string purpose_;
};

}  // namespace velmora::experiment

/// Function `name` of `library`, with the type the library's header declares for it.
#define VELMORA_LIBRARY_FUNCTION(library, name) (library).Get<decltype(&name)>(#name)
