// The imaging session and the allocator wrapper objects take their storage from.
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "handles.h"

namespace gdip {
namespace {
std::atomic<int> g_openSessions{0};
std::atomic<uint32_t> g_workers{0};
constexpr uint32_t kMostWorkers = 64;

// The cores this process may run on: taskset, cgroup cpusets and the like narrow it.
uint32_t coresAllowed() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
    return static_cast<uint32_t>(std::max(CPU_COUNT(&set), 1));
}

// ORVELLE_WORKERS as a count, 0 when it is unset or not a whole number from 1 up.
uint32_t workersAsked() {
    const char* text = std::getenv("ORVELLE_WORKERS");
    if (!text || !*text) return 0;
    uint64_t count = 0;
    for (const char c : std::string_view(text)) {
        if (c < '0' || c > '9') return 0;
        count = std::min<uint64_t>(count * 10 + static_cast<uint64_t>(c - '0'), kMostWorkers);
    }
    return static_cast<uint32_t>(count);
}

uint32_t defaultWorkers() {
    static const uint32_t count = [] {
        const uint32_t asked = workersAsked();
        return std::clamp<uint32_t>(asked ? asked : coresAllowed(), 1, kMostWorkers);
    }();
    return count;
}
}  // namespace

bool sessionOpen() { return g_openSessions.load() > 0; }

bool operator==(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

const GUID FrameDimensionTime = {0x6AEDBD6D, 0x3FB5, 0x418A,
                                 {0x83, 0xA6, 0x7F, 0x45, 0x22, 0x9D, 0xC8, 0x72}};
const GUID FrameDimensionResolution = {0x84236F7B, 0x3BD3, 0x428F,
                                       {0x8D, 0xAB, 0x4E, 0xA1, 0x43, 0x9C, 0xA3, 0x15}};
const GUID FrameDimensionPage = {0x7462DC86, 0x6180, 0x4C7E,
                                 {0x8E, 0x3F, 0xEE, 0x73, 0x33, 0xA7, 0xA4, 0x83}};
const GUID ImageFormatMemoryBMP = {0xB96B3CAA, 0x0728, 0x11D3,
                                   {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
const GUID ImageFormatBMP = {0xB96B3CAB, 0x0728, 0x11D3,
                             {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
const GUID ImageFormatJPEG = {0xB96B3CAE, 0x0728, 0x11D3,
                              {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
const GUID ImageFormatPNG = {0xB96B3CAF, 0x0728, 0x11D3,
                             {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
const GUID ImageFormatGIF = {0xB96B3CB0, 0x0728, 0x11D3,
                             {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
const GUID ImageFormatTIFF = {0xB96B3CB1, 0x0728, 0x11D3,
                              {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

GpStatus GdiplusStartup(uintptr_t* token, const GdiplusStartupInput* input,
                        GdiplusStartupOutput* output) {
    if (!token || !input) return InvalidParameter;
    if (input->GdiplusVersion != 1) return UnsupportedGdiplusVersion;
    (void)output;  // no start-up output is produced
    *token = static_cast<uintptr_t>(++g_openSessions);
    return Ok;
}

void GdiplusShutdown(uintptr_t token) {
    if (token != 0 && g_openSessions.load() > 0) --g_openSessions;
}

void* GdipAlloc(size_t size) {
    if (!sessionOpen()) return nullptr;
    return std::malloc(size == 0 ? 1 : size);
}

void GdipFree(void* ptr) { std::free(ptr); }

void GdipSetWorkerCount(uint32_t count) { g_workers = std::min(count, kMostWorkers); }

uint32_t GdipWorkerCount() {
    if (const uint32_t chosen = g_workers.load()) return chosen;
    return defaultWorkers();
}

}  // namespace gdip
