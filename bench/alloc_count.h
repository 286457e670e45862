// Counts heap allocations made anywhere in the process (malloc, calloc, realloc, aligned
// allocations and, through them, operator new), so a benchmark can report how many one idle turn
// or one frame makes. Linked only into benchmark programs: it replaces the allocator's entry
// points for the whole executable.
#pragma once

namespace bench {

// Allocations (and reallocations) since the process started.
long long allocationCount();
// Those of them called from the executable's own code (the engine is linked in statically;
// the GL driver and the C++ library are shared objects), operator new included.
long long ownAllocationCount();

} // namespace bench
