// Counts calls of the global operator new in this program, so a benchmark can
// show that its loop allocates nothing.
#pragma once

#include <cstdint>

namespace kal::bench {

std::uint64_t AllocationCount();

}  // namespace kal::bench
