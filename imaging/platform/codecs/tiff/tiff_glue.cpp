#include "tiff_glue.h"

#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <new>

#include "../../image_limits.h"
#include "../file_handle.h"

namespace gdip::codecs {
namespace {

int onError(TIFF*, void* user, const char* module, const char* format, va_list args) {
    auto* errors = static_cast<TiffErrors*>(user);
    char text[512] = {};
    std::vsnprintf(text, sizeof text, format, args);
    errors->failed = true;
    errors->message = module && *module ? std::string(module) + ": " + text : std::string(text);
    errors->reason.note(errors->message);
    return 1;
}

// Warnings (unknown tags, odd but readable values) do not make a file unreadable.
int onWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// A shared reader's view of the file: the descriptor and its own position.
struct SharedSource {
    int fd;
    uint64_t position = 0;
    uint64_t size = 0;
};

tmsize_t sharedRead(thandle_t handle, void* buffer, tmsize_t bytes) {
    auto* source = static_cast<SharedSource*>(handle);
    if (bytes < 0) return -1;
    auto* out = static_cast<char*>(buffer);
    tmsize_t done = 0;
    while (done < bytes) {
        const ssize_t got = ::pread(source->fd, out + done, static_cast<size_t>(bytes - done),
                                    static_cast<off_t>(source->position));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += got;
        source->position += static_cast<uint64_t>(got);
    }
    return done;
}

tmsize_t sharedWrite(thandle_t, void*, tmsize_t) { return -1; }

toff_t sharedSeek(thandle_t handle, toff_t offset, int whence) {
    auto* source = static_cast<SharedSource*>(handle);
    uint64_t base = 0;
    if (whence == SEEK_CUR) base = source->position;
    else if (whence == SEEK_END) base = source->size;
    else if (whence != SEEK_SET) return static_cast<toff_t>(-1);
    source->position = base + offset;
    return source->position;
}

int sharedClose(thandle_t handle) {
    delete static_cast<SharedSource*>(handle);
    return 0;
}

toff_t sharedSize(thandle_t handle) { return static_cast<SharedSource*>(handle)->size; }

int noMap(thandle_t, void**, toff_t*) { return 0; }
void noUnmap(thandle_t, void*, toff_t) {}

}  // namespace

TiffOptionsPtr tiffOpenOptions(TiffErrors& errors) {
    TiffOptionsPtr options(TIFFOpenOptionsAlloc());
    if (!options) return options;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(),
                                        static_cast<tmsize_t>(Limits::kMaxCodecAllocation));
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), &onError, &errors);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), &onWarning, &errors);
    return options;
}

TiffPtr openSharedTiffReader(int fd, TiffErrors& errors) {
    const long long size = descriptorSize(fd);
    if (size <= 0) return nullptr;
    TiffOptionsPtr options = tiffOpenOptions(errors);
    if (!options) return nullptr;
    std::unique_ptr<SharedSource> source(new (std::nothrow) SharedSource{fd, 0, static_cast<uint64_t>(size)});
    if (!source) return nullptr;
    // Named as the main handle is (not at all), so that libtiff words a fault the same
    // whichever handle met it.
    TiffPtr tiff(TIFFClientOpenExt("", "rmh", source.get(), sharedRead, sharedWrite, sharedSeek,
                                   sharedClose, sharedSize, noMap, noUnmap, options.get()));
    // Once open, the handle's close procedure frees the source; a failed open leaves it here.
    if (!tiff) return tiff;
    (void)source.release();
    // libtiff knows no descriptor behind a handle of its client's: named, our own strip
    // readers read this handle's strips from the file too, rather than leaving them all to
    // libtiff's decoders.
    (void)TIFFSetFileno(tiff.get(), fd);
    return tiff;
}

}  // namespace gdip::codecs
