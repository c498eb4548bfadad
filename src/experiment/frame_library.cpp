#include "experiment/frame_library.h"

#include <dlfcn.h>

#include "experiment/spectrum_files.h"

namespace velmora::experiment {

namespace {

std::string LoaderReason() {
    const char* reason = dlerror();
    return reason ? reason : "no reason given";
}

}  // namespace

FrameLibrary::FrameLibrary(const std::string& soname, const std::string& fallback, const std::string& purpose)
    : name_(soname), purpose_(purpose) {
    handle_ = dlopen(soname.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_) return;
    const std::string reason = LoaderReason();
    if (!fallback.empty() && fallback != soname) {
        handle_ = dlopen(fallback.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle_) return;
    }
    throw SpectrumReadError{0, purpose + " needs the shared library " + soname + ", which cannot be loaded (" + reason +
                                   "); install it and read the file again"};
}

void* FrameLibrary::Symbol(const char* name) const {
    dlerror();
    void* address = dlsym(handle_, name);
    if (!address)
        throw SpectrumReadError{0, purpose_ + " needs function " + name + " of " + name_ +
                                       ", which the installed library lacks (" + LoaderReason() + ")"};
    return address;
}

}  // namespace velmora::experiment
