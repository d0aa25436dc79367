#include "deflate_buffer.h"

#include <zlib.h>

#include <new>

namespace gdip::codecs {

GpStatus deflateBuffer(const uint8_t* data, size_t size, int level, std::vector<uint8_t>& out) {
    const size_t start = out.size();
    uLongf packed = compressBound(static_cast<uLong>(size));
    try {
        out.resize(start + packed);
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
    const int result = compress2(out.data() + start, &packed, data, static_cast<uLong>(size), level);
    if (result != Z_OK) {
        out.resize(start);
        return result == Z_MEM_ERROR ? OutOfMemory : GenericError;
    }
    out.resize(start + packed);
    return Ok;
}

}  // namespace gdip::codecs
