// The imaging session and the allocator wrapper objects take their storage from.
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "codecs/pdf/pdf_render.h"
#include "handles.h"
#include "workers.h"

namespace gdip {
namespace {
std::atomic<int> g_openSessions{0};
std::atomic<uint32_t> g_workers{0};

uint32_t defaultWorkers() {
    static const uint32_t count = workerCountFor(std::getenv("ORVELLE_WORKERS"), coresAllowed());
    return count;
}

// qpdf's objects and the codecs' buffers come and go by the thousand: glibc's heap would hand
// each freed run of a few hundred kilobytes back to the system and fault it in again (a
// third of a PDF merge's time went there). Runs up to 32 MB are kept in the heap, and it keeps
// up to 64 MB free; frames have mapped pages of their own (raster.h), returned at once.
void keepHeapWarm() {
    static const bool kept = [] {
        mallopt(M_MMAP_THRESHOLD, 32 << 20);
        mallopt(M_TRIM_THRESHOLD, 64 << 20);
        return true;
    }();
    (void)kept;
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
// Our own: the platform's list of formats has no PDF.
const GUID ImageFormatPDF = {0x6F72766C, 0x6C65, 0x5044,
                             {0x46, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01}};

GpStatus GdiplusStartup(uintptr_t* token, const GdiplusStartupInput* input,
                        GdiplusStartupOutput* output) {
    if (!token || !input) return InvalidParameter;
    if (input->GdiplusVersion != 1) return UnsupportedGdiplusVersion;
    (void)output;  // no start-up output is produced
    keepHeapWarm();
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

GpStatus GdipSetPdfDrawResolution(double dpi) {
    if (!(dpi >= 10 && dpi <= 2400)) return InvalidParameter;
    codecs::pdf::setDrawResolution(dpi);
    return Ok;
}

uint32_t GdipWorkerCount() {
    if (const uint32_t chosen = g_workers.load()) return chosen;
    return defaultWorkers();
}

}  // namespace gdip
