// The one pool of threads in the program, and how many threads it lets work: the rule is
// the flat interface's (gdiplus_flat.h, "work beside the caller").
#pragma once

#include <cstdint>

namespace gdip {

// The most threads the program lets work at once.
constexpr uint32_t kMostWorkers = 64;

// The cores this process may run on: taskset, cgroup cpusets and the like narrow it.
uint32_t coresAllowed();

// How many threads may work at once: `asked` (ORVELLE_WORKERS) when it is a whole number
// from 1 up, at most kMostWorkers; else `cores`, at least 1 and at most kMostWorkers.
uint32_t workerCountFor(const char* asked, uint32_t cores);

}  // namespace gdip
