// counting_allocator: the program's global allocation functions, replaced to count every
// allocation and the bytes held, so that tests and benchmarks can show what an operation costs.
//
// Link counting_allocator.cpp into an executable (as a source, not through a library, so that the
// replacement is always the one linked) only where every allocation of the program should be
// counted. Counting is thread-safe; the figures cover every thread of the program.
#pragma once

#include <cstddef>

namespace counting_allocator {

// Calls of any operator new so far.
std::size_t allocations();
// Bytes held now, and the most held at once since the last resetPeak() (usable sizes).
std::size_t liveBytes();
std::size_t peakBytes();
// The peak starts again from what is held now.
void resetPeak();

} // namespace counting_allocator
