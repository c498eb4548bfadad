// Every benchmark runs under the allocator policy of the programs it measures (their mains call
// KeepFreedMemory before anything else).
#include "common/process_memory.h"

namespace {

const bool kept = (velmora::KeepFreedMemory(), true);

}  // namespace
