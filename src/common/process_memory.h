// How the program's process keeps the memory it frees.
#pragma once

namespace velmora {

/// Lets the allocator keep freed memory for the next allocations rather than give it back to the
/// system at once: a band-system model, a spectrum or a fit's work space freed and made again
/// (a fit's evaluations, a model rebuilt as conditions change, the spectra of a batch, a
/// simulation of a million points) then reuses pages already mapped. Each page the system maps
/// anew costs a page fault and a cleared page, which on a virtual machine cost more than the
/// arithmetic that fills it. Called once by each program's main and by the Python module when it
/// is imported. Does nothing where the C library has no such settings.
void KeepFreedMemory();

}  // namespace velmora
