// One libFuzzer target per decoder path, chosen at build time by ORVELLE_FUZZ_SIGNATURE:
// inputs that do not start with that format's signature are left to the other targets.
// Each input is handed over as a file (in memory), as a user's file would be.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/decode_workout.h"
#include "imaging/platform/gdiplus_flat.h"

namespace {

bool hasSignature(const uint8_t* data, size_t size) {
    auto startsWith = [&](const char* magic, size_t n) {
        return size >= n && std::memcmp(data, magic, n) == 0;
    };
#if defined(ORVELLE_FUZZ_TIFF)
    return startsWith("II*\0", 4) || startsWith("MM\0*", 4) || startsWith("II+\0", 4) ||
           startsWith("MM\0+", 4);
#elif defined(ORVELLE_FUZZ_JPEG)
    return startsWith("\xFF\xD8\xFF", 3);
#elif defined(ORVELLE_FUZZ_PNG)
    return startsWith("\x89PNG\r\n\x1A\n", 8);
#elif defined(ORVELLE_FUZZ_GIF)
    return startsWith("GIF87a", 6) || startsWith("GIF89a", 6);
#elif defined(ORVELLE_FUZZ_BMP)
    return startsWith("BM", 2);
#elif defined(ORVELLE_FUZZ_PDF)
    return startsWith("%PDF-", 5);
#else
#error "no format chosen"
#endif
}

std::u16string pathOf(int fd) {
    const std::string text = "/proc/self/fd/" + std::to_string(fd);
    return std::u16string(text.begin(), text.end());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    uintptr_t token = 0;
    gdip::GdiplusStartupInput input;
    return gdip::GdiplusStartup(&token, &input, nullptr) == gdip::Ok ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!hasSignature(data, size)) return -1;  // not kept in the corpus
    const int fd = memfd_create("input", MFD_CLOEXEC);
    if (fd < 0) return 0;
    if (::write(fd, data, size) == static_cast<ssize_t>(size))
        (void)orvelle::fuzz::runDecodeWorkout(pathOf(fd).c_str());
    ::close(fd);
    return 0;
}
